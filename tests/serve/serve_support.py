"""What the live view's Python tests share: stallscan --serve started on a copy of the demo on a
free loopback port, waits with deadlines, plain HTTP to loopback only."""
import os
import re
import shutil
import subprocess
import time
import urllib.error
import urllib.request

NO_PROXY = urllib.request.build_opener(urllib.request.ProxyHandler({}))
# How many times longer than on an idle machine the waits may last: 4 for a stallscan built with
# the sanitizers (STALLSCAN_TEST_SANITIZED set), times STALLSCAN_TEST_SLOWDOWN where a machine is
# busier still. Limits only: a passing run never waits for one.
SLOWDOWN = ((4 if os.environ.get("STALLSCAN_TEST_SANITIZED") else 1) *
            max(1, int(os.environ.get("STALLSCAN_TEST_SLOWDOWN") or 1)))


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def until(what, probe, seconds=60):
    """probe()'s first true value within the deadline."""
    deadline = time.monotonic() + seconds * SLOWDOWN
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def get(url):
    """(status, body) of a GET; (None, b"") when nothing answered."""
    try:
        with NO_PROXY.open(url, timeout=10 * SLOWDOWN) as response:
            return response.status, response.read()
    except urllib.error.HTTPError as error:
        return error.code, error.read()
    except OSError:
        return None, b""


def start_server(stallscan, kvls, source, work, jobs=None, args=()):
    """A copy of the demo under work/root with the extra job files `jobs` (name -> text), and
    stallscan --serve started on it, its standard error in work/stallscan.log."""
    root = work / "root"
    (root / "bin").mkdir(parents=True)
    shutil.copy(kvls, root / "bin" / "kvls")
    shutil.copytree(source / "examples" / "demo" / "data", root / "data")
    for name, text in (jobs or {}).items():
        (root / "data" / "jobs" / name).write_text(text)
    env = {k: v for k, v in os.environ.items() if k not in ("KVPRINTER", "STALLSCAN")}
    env["OV_ROOT"] = str(root)
    with open(work / "stallscan.log", "wb") as log:  # the child keeps a descriptor of its own
        return subprocess.Popen([stallscan, "--serve", "--listen", "127.0.0.1:0", *args,
                                 "demo:", "nightly:"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=log, env=env)


def address(process, work):
    """The address stallscan announces on its standard error, once the first scan is served."""
    def announced():
        log = (work / "stallscan.log").read_bytes()
        check(process.poll() is None, "stallscan ended: " + log.decode(errors="replace"))
        found = re.search(rb"serving on (http://127\.0\.0\.1:\d+/)", log)
        return found and found.group(1).decode()

    base = until("stallscan to announce its address", announced)
    until("the first scan", lambda: get(base + "api/v1/scan")[0] == 200)
    return base


def stop(process):
    """SIGCONT (in case a test stopped it), SIGTERM, then SIGKILL after 10 s (times SLOWDOWN);
    the exit status."""
    if process.poll() is None:
        process.send_signal(18)  # SIGCONT
        process.terminate()
    try:
        return process.wait(timeout=10 * SLOWDOWN)
    except subprocess.TimeoutExpired:
        process.kill()
        return process.wait()
