#!/usr/bin/python3
"""The live view's page in headless chromium, over the demo plus a job whose name is markup: every
job with its reasons as the API has them, problems first; the queue and printer filters; the name
held as text (no script runs, no element is made); nothing fetched from elsewhere, no console
error; a phone's width. Saves a screenshot of the page.

  browser_test.py STALLSCAN KVLS SOURCE_DIR SCREENSHOT.png
"""
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

HOSTILE = '<script>window.pwned=1</script>"><img src=x onerror="window.pwned=2">'
NO_PROXY = urllib.request.build_opener(urllib.request.ProxyHandler({}))
# How many times longer than on an idle machine the waits below may last: 4 for a stallscan built
# with the sanitizers (STALLSCAN_TEST_SANITIZED set), times STALLSCAN_TEST_SLOWDOWN where a machine
# is busier still. Limits only: a passing run never waits for one.
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
    try:
        with NO_PROXY.open(url, timeout=10 * SLOWDOWN) as response:
            return response.status, response.read()
    except OSError:
        return None, b""


def start_server(stallscan, kvls, source, work):
    """The demo plus the hostile job under work/root, and stallscan --serve started on it."""
    root = work / "root"
    (root / "bin").mkdir(parents=True)
    shutil.copy(kvls, root / "bin" / "kvls")
    shutil.copytree(source / "examples" / "demo" / "data", root / "data")
    (root / "data" / "jobs" / "demo-950.txt").write_text(
        "server = demo\njob-identifier = 950\njob-name = " + HOSTILE + "\njob-owner = mallory\n"
        "current-job-state = pending\nassigned-queue = q-office\n\n[document 1]\noctet-count = 9\n")
    env = {k: v for k, v in os.environ.items() if k not in ("KVPRINTER", "STALLSCAN")}
    env["OV_ROOT"] = str(root)
    with open(work / "stallscan.log", "wb") as log:  # the child keeps a descriptor of its own
        return subprocess.Popen([stallscan, "--serve", "--listen", "127.0.0.1:0", "--interval", "2",
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


def start_browser(work):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--disable-background-networking", "--disable-component-update",
                     "--no-first-run", "--disable-sync", "--disable-default-apps",
                     "--no-proxy-server",
                     "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
                     "--window-size=1280,900", "--user-data-dir=" + str(work / "profile")]:
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def table(driver):
    """The rows shown: job -> (row class, [cell texts], [reason texts])."""
    return driver.execute_script("""
        const rows = {};
        for (const row of document.querySelectorAll("#jobs tbody tr")) {
          const cells = [...row.cells].map(cell => cell.textContent);
          const reasons = [...row.querySelectorAll("li")].map(li => li.textContent);
          rows[cells[0]] = [row.className, cells, reasons];
        }
        return [Object.keys(rows), rows];""")


def choose(driver, select, value):
    """Picks `value` in the choice `select` as a user would. Each refresh of the page (every 2 s)
    replaces the choice's options, which can happen between finding an option and clicking it:
    then it is picked again."""
    def picked():
        try:
            Select(driver.find_element(By.ID, select)).select_by_value(value)
        except StaleElementReferenceException:
            return False
        return driver.execute_script("return document.getElementById(arguments[0]).value",
                                     select) == value

    until("%s %r to be chosen" % (select, value), picked, 10)


def printers_of(job):
    return job["requestedPrinters"] or job["printers"]


def check_page(driver, base, screenshot):
    api = {job["job"]: job for job in json.loads(get(base + "api/v1/jobs")[1])["jobs"]}
    check(len(api) == 12 and "demo:950" in api, "the API's jobs: " + ", ".join(api))
    driver.get(base)
    WebDriverWait(driver, 30 * SLOWDOWN).until(lambda d: len(table(d)[0]) == len(api))
    order, rows = table(driver)

    # Every job as the API has it; problems before the rest.
    for key, job in api.items():
        _, cells, reasons = rows[key]
        check(cells[1] == job["name"] and cells[4] == job["queue"] and
              cells[5] == ", ".join(printers_of(job)), "row of %s: %r" % (key, cells))
        check(reasons == [m["text"] for m in job["messages"]], "reasons of %s: %r" % (key, reasons))
    check(any("does not support" in text for text in rows["demo:9"][2]), "demo:9's reasons")
    check('Queue "q-hold" is paused.' in rows["demo:6"][2], "demo:6's reasons")
    ranks = [["failed", "blocked", "warned", "clear"].index(rows[key][0]) for key in order]
    check(ranks == sorted(ranks) and rows["demo:9"][0] == "blocked" and
          rows["demo:950"][0] == "clear", "row order %r" % list(zip(order, ranks)))

    # The filters: only matching rows, then all again.
    for select, value, field in [("queue", "q-hold", lambda job: [job["queue"]]),
                                 ("printer", "lp-office", printers_of)]:
        choose(driver, select, value)
        shown = set(table(driver)[0])
        expected = {key for key, job in api.items() if value in field(job)}
        check(shown == expected and 0 < len(shown) < len(api),
              "%s %s shows %r" % (select, value, sorted(shown)))
        choose(driver, select, "")
        check(len(table(driver)[0]) == len(api), "all jobs again after the " + select + " filter")

    # The hostile name is text: no script ran, no element was made of it.
    check(rows["demo:950"][1][1] == HOSTILE, "hostile name shown as %r" % rows["demo:950"][1][1])
    check(driver.execute_script("return typeof window.pwned") == "undefined", "its script ran")
    check(driver.execute_script("return document.querySelectorAll('img[src=\"x\"]').length") == 0,
          "the name made an element")

    # Nothing fetched from elsewhere; no error in the console (blocked styles, script errors) but
    # the browser's own request for an icon, which the server does not have.
    fetched = driver.execute_script("return performance.getEntries().map(e => e.name)")
    check(all(url.startswith(base) for url in fetched if url.startswith("http")),
          "fetched %r" % fetched)
    errors = [entry["message"] for entry in driver.get_log("browser")
              if entry["level"] == "SEVERE" and "/favicon.ico " not in entry["message"]]
    check(not errors, "console errors: " + repr(errors))

    driver.execute_script("document.activeElement.blur(); window.scrollTo(0, 0)")
    screenshot.parent.mkdir(parents=True, exist_ok=True)
    check(driver.save_screenshot(str(screenshot)), "screenshot to " + str(screenshot))

    # A phone's width: the page reflows instead of scrolling sideways.
    driver.set_window_size(390, 844)
    width = until("the narrow layout", lambda: driver.execute_script(
        "return innerWidth < 500 && [document.documentElement.scrollWidth, innerWidth]"), 10)
    check(width[0] <= width[1], "at %d pixels the page is %d wide" % (width[1], width[0]))


def stop(process):
    """SIGTERM, then SIGKILL after 10 s (times SLOWDOWN); the exit status."""
    process.terminate()
    try:
        return process.wait(timeout=10 * SLOWDOWN)
    except subprocess.TimeoutExpired:
        process.kill()
        return process.wait()


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    stallscan, kvls = sys.argv[1:3]
    source, screenshot = pathlib.Path(sys.argv[3]), pathlib.Path(sys.argv[4])
    work = pathlib.Path(tempfile.mkdtemp(prefix="stallscan-browser-"))
    process = driver = None
    try:
        process = start_server(stallscan, kvls, source, work)
        base = address(process, work)
        driver = start_browser(work)
        check_page(driver, base, screenshot)
        driver.quit()
        driver = None
        status = stop(process)
        check(status == 0, "stallscan ended with status %d on SIGTERM" % status)
        print("serve.browser passed; screenshot " + str(screenshot))
        return 0
    except Exception as error:  # any failure: its message, then the cleanup below
        print("FAIL: %s: %s" % (type(error).__name__, error), file=sys.stderr)
        return 1
    finally:
        try:
            if driver is not None:
                driver.quit()
        finally:
            if process is not None and process.poll() is None:
                stop(process)
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
