#!/usr/bin/python3
"""promtool on what stallscan publishes for Prometheus: `check metrics` on the /metrics of a
running demo --serve and of a --serve on a private CUPS scheduler (with the ages of its queues),
`check rules` and `test rules` on docs/stallscan.rules.yml and its test file. promtool is $PROMTOOL or /opt/promtool/promtool (scripts/get-promtool.sh); without it the
test is skipped (status 77), except where CI is set, where that is a failure.

  promtool_test.py STALLSCAN KVLS SOURCE_DIR
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

from serve_support import (CUPSD, SLOWDOWN, PrivateCups, address, check, get, start_server,
                           stop)


def run(promtool, args, stdin=None):
    result = subprocess.run([promtool, *args], input=stdin, capture_output=True,
                            timeout=60 * SLOWDOWN)
    output = (result.stdout + result.stderr).decode(errors="replace")
    check(result.returncode == 0, "promtool %s: status %d\n%s" % (" ".join(args),
                                                                 result.returncode, output))
    return output


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    stallscan, kvls, source = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
    promtool = os.environ.get("PROMTOOL") or "/opt/promtool/promtool"
    if not os.access(promtool, os.X_OK):
        print("promtool not found at %s (scripts/get-promtool.sh puts it there)" % promtool)
        return 1 if os.environ.get("CI") else 77
    work = pathlib.Path(tempfile.mkdtemp(prefix="stallscan-promtool-"))
    process = cups = None
    try:
        run(promtool, ["check", "rules", str(source / "docs" / "stallscan.rules.yml")])
        run(promtool, ["test", "rules", str(source / "docs" / "stallscan.rules.test.yml")])
        process = start_server(stallscan, kvls, source, work, args=["--interval", "3600"])
        status, metrics = get(address(process, work) + "metrics")
        check(status == 200 and b"stallscan_jobs_with_problem{" in metrics,
              "/metrics: %r %r" % (status, metrics[:200]))
        # Lint problems are reported on standard error with status 3; none may be there.
        run(promtool, ["check", "metrics"], stdin=metrics)
        check(stop(process) == 0, "stallscan ended badly on SIGTERM")
        if os.access(CUPSD, os.X_OK) or os.environ.get("CI"):
            (work / "cups").mkdir()
            work.chmod(0o755)  # cupsd, as root, runs its helpers as user lp
            cups = PrivateCups(work / "cups")
            cups.add_queue("office")
            cups.run("cupsdisable", "office")
            cups.submit("office")
            with open(work / "cups" / "stallscan.log", "wb") as log:
                process = subprocess.Popen(
                    [stallscan, "--serve", "--listen", "127.0.0.1:0", "--interval", "3600",
                     "--cups=" + cups.server], stdin=subprocess.DEVNULL,
                    stdout=subprocess.DEVNULL, stderr=log)
            status, metrics = get(address(process, work / "cups") + "metrics")
            check(status == 200 and b'stallscan_oldest_blocked_job_age_seconds{server="' in metrics,
                  "CUPS /metrics: %r %r" % (status, metrics))
            run(promtool, ["check", "metrics"], stdin=metrics)
            check(stop(process) == 0, "stallscan --cups ended badly on SIGTERM")
        print("serve.promtool passed")
        return 0
    except Exception as error:  # any failure: its message, then the cleanup below
        print("FAIL: %s: %s" % (type(error).__name__, error), file=sys.stderr)
        return 1
    finally:
        if process is not None and process.poll() is None:
            stop(process)
        if cups is not None:
            cups.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
