"""What the live view's Python tests share: stallscan --serve started on a copy of the demo on a
free loopback port, a private CUPS scheduler on another, waits with deadlines, plain HTTP to
loopback only."""
import os
import pathlib
import re
import shutil
import socket
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


# A4 and Letter, A4 loaded; text goes to the device unchanged.
OFFICE_PPD = """*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*ModelName: "Office Test"
*NickName: "Office Test"
*cupsFilter2: "text/plain application/vnd.cups-raw 0 -"
*OpenUI *PageSize/Media Size: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/Letter: "612 792"
"""
CUPSD = "/usr/sbin/cupsd"


def free_port():
    """A loopback port where nothing listened a moment ago."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class PrivateCups:
    """A CUPS scheduler of its own under work/cups on a free loopback port: no browsing, no web
    interface, the system's filters, file: devices; its client tools run with -h (no shell)."""

    def __init__(self, work):
        self.folder = work / "cups"
        work.chmod(0o755)  # as root, cupsd runs its helpers as user lp (so also work's parents)
        for sub in ("", "spool", "cache", "state", "log", "files", "bin", "bin/backend"):
            (self.folder / sub).mkdir(parents=True, exist_ok=True)
            (self.folder / sub).chmod(0o755)
        for sub in ("daemon", "filter", "cgi-bin", "notifier", "monitor", "driver"):
            (self.folder / "bin" / sub).symlink_to(pathlib.Path("/usr/lib/cups") / sub)
        (self.folder / "files" / "page.txt").write_text("stallscan test page\n")
        (self.folder / "files" / "office.ppd").write_text(OFFICE_PPD)
        self.server = "127.0.0.1:%d" % free_port()
        d = str(self.folder)
        (self.folder / "cupsd.conf").write_text(
            "Listen %s\nBrowsing Off\nLogLevel warn\nAccessLogLevel all\nDefaultAuthType None\n"
            "WebInterface No\n<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
            "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n" % self.server)
        (self.folder / "cups-files.conf").write_text(
            "FileDevice Yes\nServerBin {d}/bin\nServerRoot {d}\nRequestRoot {d}/spool\n"
            "CacheDir {d}/cache\nStateDir {d}/state\nTempDir {d}/spool\n"
            "ErrorLog {d}/log/error_log\nAccessLog {d}/log/access_log\n"
            "PageLog {d}/log/page_log\n".format(d=d))
        with open(self.folder / "log" / "cupsd.out", "wb") as log:
            self.process = subprocess.Popen(
                [CUPSD, "-f", "-c", d + "/cupsd.conf", "-s", d + "/cups-files.conf"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        until("cupsd to answer on " + self.server, self.answers, 30)

    def log(self, name):
        path = self.folder / "log" / name
        return path.read_text(errors="replace") if path.exists() else ""

    def answers(self):
        check(self.process.poll() is None, "cupsd ended: " + self.log("cupsd.out") +
              self.log("error_log"))
        self.run("lpstat", "-o", must=False)
        return "Get-Jobs" in self.log("access_log")

    def run(self, tool, *args, must=True):
        """The output of a CUPS client tool (/usr/sbin or /usr/bin) run with -h SERVER."""
        program = "/usr/sbin/" + tool if os.access("/usr/sbin/" + tool, os.X_OK) else \
            "/usr/bin/" + tool
        env = {"PATH": "/usr/bin:/bin", "LANG": "C", "LC_ALL": "C", "HOME": str(self.folder),
               "CUPS_SERVER": self.server}
        result = subprocess.run([program, "-h", self.server, *args], env=env,
                                stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=30 * SLOWDOWN)
        output = (result.stdout + result.stderr).decode(errors="replace")
        check(not must or result.returncode == 0,
              "%s %s: status %d: %s" % (tool, " ".join(args), result.returncode, output))
        return output

    def add_queue(self, name):
        self.run("lpadmin", "-p", name, "-v", "file:///dev/null", "-P",
                 str(self.folder / "files" / "office.ppd"), "-E")

    def submit(self, queue, *options):
        """The number of a job of the test page, submitted to `queue` with lp."""
        said = self.run("lp", "-d", queue, *options, str(self.folder / "files" / "page.txt"))
        found = re.search(r"request id is \S+-(\d+) ", said)
        check(found, "lp said: " + said)
        return found.group(1)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
        try:
            self.process.wait(timeout=15 * SLOWDOWN)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
