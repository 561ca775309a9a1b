#!/usr/bin/python3
"""The live view's page in headless chromium, over the demo plus a job whose name is markup: every
job with its reasons as the API has them, problems first; the filters (server, printer, queue,
reason, problems only, search) on the list and the counts, kept in the address over a reload;
reason chips that filter and say what their code means; the name held as text (no script runs,
no element is made); nothing fetched from elsewhere, no console error; "busy" apart from
"waiting for the first scan"; marked stale by its own clock while stallscan is stopped (SIGSTOP);
the first job in view at 1280x800 and 390x844; 1,000 more jobs shown a page at a time. Over a
private CUPS scheduler, at a set clock: each job's age, the sort by age (kept over a reload), the
remedies with their commands and the other queue that could print a blocked job. Saves a
screenshot of each page (the CUPS one as NAME-cups.png beside SCREENSHOT.png).

  browser_test.py STALLSCAN KVLS SOURCE_DIR SCREENSHOT.png
"""
import json
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

from serve_support import (CUPSD, SLOWDOWN, PrivateCups, address, check, get, start_server, stop,
                           until)

HOSTILE = '<script>window.pwned=1</script>"><img src=x onerror="window.pwned=2">'
JOB = ("server = demo\njob-identifier = {id}\njob-name = {name}\njob-owner = {owner}\n"
       "current-job-state = pending\nassigned-queue = q-office\n\n[document 1]\noctet-count = 9\n")
BULK = 1000


def start_browser(work):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--disable-background-networking", "--disable-component-update",
                     "--no-first-run", "--disable-sync", "--disable-default-apps",
                     "--no-proxy-server",
                     "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
                     "--window-size=1280,800", "--user-data-dir=" + str(work / "profile")]:
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def viewport(driver, width, height):
    """Exactly width x height CSS pixels of page, as a window of that size shows."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1,
                            "mobile": False})
    until("a %dx%d page" % (width, height), lambda: driver.execute_script(
        "return innerWidth === arguments[0] && innerHeight === arguments[1]", width, height), 10)


def table(driver):
    """The rows shown: job -> (row class, [cell texts], [reason texts], [[remedy, command]],
    the "It could print on" line, the age's data-seconds)."""
    return driver.execute_script("""
        const rows = {};
        for (const row of document.querySelectorAll("#jobs tbody tr")) {
          const cells = [...row.cells].map(cell => cell.textContent);
          const reasons = [...row.querySelectorAll("ul.messages li")].map(li => li.textContent);
          const actions = [...row.querySelectorAll("ul.actions li")].map(li =>
            [li.firstChild.textContent, li.querySelector("code")?.textContent || ""]);
          const alternatives = row.querySelector(".alternatives")?.textContent || "";
          rows[cells[0]] = [row.className, cells, reasons, actions, alternatives,
                            row.querySelector("td.age").dataset.seconds];
        }
        return [Object.keys(rows), rows];""")


def counts(driver):
    """What the page counts: (waiting, blocked, {code: n}, {printer: n})."""
    return driver.execute_script("""
        const chips = id => Object.fromEntries([...document.querySelectorAll("#" + id + " .chip")]
            .map(chip => [chip.dataset.value, Number(chip.querySelector(".count").textContent)]));
        const total = label => Number([...document.querySelectorAll("#totals li")]
            .find(li => li.textContent.endsWith(" " + label)).querySelector("strong").textContent);
        return [total("waiting"), total("blocked"), chips("reasons"), chips("printers")];""")


def expected_counts(jobs):
    """The counts of `jobs` (API objects) as the scan makes them."""
    by_reason, by_printer, blocked = {}, {}, 0
    for job in jobs:
        codes = {m["code"] for m in job["messages"] if m["severity"] == "problem"}
        if job["outcome"] == "diagnosed" and codes:
            blocked += 1
            for code in codes:
                by_reason[code] = by_reason.get(code, 0) + 1
        for printer in printers_of(job):
            by_printer[printer] = by_printer.get(printer, 0) + 1
    return [len(jobs), blocked, by_reason, by_printer]


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


def click_chip(driver, code):
    def clicked():
        try:
            driver.find_element(By.CSS_SELECTOR, '#reasons .chip[data-value="%s"]' % code).click()
        except StaleElementReferenceException:
            return False
        return True

    until("the chip " + code, clicked, 10)


def printers_of(job):
    return job["requestedPrinters"] or job["printers"]


def first_job_in_view(driver, width, height):
    viewport(driver, width, height)
    bottom = driver.execute_script("""
        window.scrollTo(0, 0);
        const cell = document.querySelector("#jobs tbody tr td");
        return cell.getBoundingClientRect().bottom;""")
    print("first job's cell ends at y=%d of %dx%d" % (bottom, width, height))
    check(0 < bottom <= height, "at %dx%d the first job ends at y=%d" % (width, height, bottom))


def check_filters(driver, api):
    """Each filter narrows the list and the counts alike, lives in the address, and survives a
    reload; chips filter when clicked."""
    def matching(predicate):
        return {key for key, job in api.items() if predicate(job)}

    def shows(what, keys):
        until(what, lambda: set(table(driver)[0]) == keys, 30)
        check(counts(driver) == expected_counts([api[key] for key in keys]),
              "%s: counts %r" % (what, counts(driver)))

    for select, value, keys in [
            ("queue", "q-hold", matching(lambda job: job["queue"] == "q-hold")),
            ("printer", "lp-office", matching(lambda job: "lp-office" in printers_of(job))),
            ("server", "nightly", matching(lambda job: job["server"] == "nightly")),
            ("reason", "queue-paused",
             matching(lambda job: any(m["code"] == "queue-paused" for m in job["messages"])))]:
        check(0 < len(keys) < len(api), "%s %s matches %r" % (select, value, keys))
        choose(driver, select, value)
        shows("%s %s" % (select, value), keys)
        check(("%s=%s" % (select, value)) in driver.current_url, "address " + driver.current_url)
        driver.refresh()
        shows("%s %s after a reload" % (select, value), keys)
        choose(driver, select, "")
        shows("all jobs after the %s filter" % select, set(api))

    # Problems only (what --problems-only keeps), then a search on top, in the address.
    problems = matching(lambda job: job["outcome"] != "diagnosed" or
                        any(m["severity"] in ("problem", "warning") for m in job["messages"]))
    driver.find_element(By.ID, "problems").click()
    shows("problems only", problems)
    driver.find_element(By.ID, "search").send_keys("POSTER")
    shows("the search", matching(lambda job: "poster" in job["name"]) & problems)
    check("problems=1" in driver.current_url and "q=POSTER" in driver.current_url,
          "address " + driver.current_url)
    driver.refresh()
    shows("problems only and the search after a reload", {"demo:9"})
    driver.get(driver.current_url.split("#")[0] + "#")
    shows("no filter", set(api))

    # A reason chip says what its code means, and filters by it until clicked again.
    code = "printer-paused"
    # Read in one step: each refresh of the page makes the chips anew.
    title = driver.execute_script(
        "const chip = document.querySelector('#reasons .chip[data-value=\"' + arguments[0] + '\"]');"
        "return chip ? chip.title : ''", code)
    texts = {m["text"].strip() for job in api.values() for m in job["messages"] if m["code"] == code}
    check(title.startswith(code + ":") and all(text in title for text in texts), "title " + title)
    click_chip(driver, code)
    shows("the chip " + code, matching(lambda job: any(m["code"] == code for m in job["messages"])))
    check(driver.execute_script("return document.getElementById('reason').value") == code, code)
    click_chip(driver, code)
    shows("all jobs after the chip", set(api))


def status_line(driver):
    return driver.execute_script("const line = document.getElementById('scan');"
                                 "return [line.className, line.textContent]")


def check_answers(driver, process):
    """503 busy and 503 first scan read apart; stale by the page's clock under SIGSTOP."""
    for body, wanted, unwanted in [
            ('"busy\\n"', "busy, retrying", "first scan"),
            ('JSON.stringify({error: "the first scan has not finished yet"})', "first scan",
             "busy")]:
        driver.execute_script("""
            window.realFetch = window.realFetch || window.fetch;
            window.fetch = (url, options) => String(url).includes("api/v1/") ?
              Promise.resolve(new Response(%s, {status: 503, headers: {"Retry-After": "1"}})) :
              window.realFetch(url, options);""" % body)
        line = until("the status line to say " + wanted,
                     lambda: wanted in status_line(driver)[1] and status_line(driver), 20)
        check(unwanted not in line[1], "status line %r" % line)
    driver.execute_script("window.fetch = window.realFetch")
    until("the status line to clear", lambda: status_line(driver) and
          status_line(driver)[0] == "" and "Last scan" in status_line(driver)[1], 20)

    os.kill(process.pid, signal.SIGSTOP)
    try:
        line = until("the page to mark itself stale", lambda: status_line(driver)[0] == "stale" and
                     status_line(driver), 30)
        check("no answer from stallscan" in line[1], "stale line %r" % line)
        check(driver.execute_script("return document.body.classList.contains('stale')"), "body")
    finally:
        os.kill(process.pid, signal.SIGCONT)
    until("the page to be current again", lambda: status_line(driver)[0] == "", 60)


def check_page(driver, base, process, screenshot):
    api = {job["job"]: job for job in json.loads(get(base + "api/v1/jobs")[1])["jobs"]}
    check(len(api) == 12 and "demo:950" in api, "the API's jobs: " + ", ".join(api))
    viewport(driver, 1280, 800)
    driver.get(base)
    until("the table", lambda: len(table(driver)[0]) == len(api), 30)
    order, rows = table(driver)

    # Every job as the API has it; problems before the rest; counted as the scan counts.
    for key, job in api.items():
        _, cells, reasons, actions, alternatives, _ = rows[key]
        check(cells[1] == job["name"] and cells[4] == "" and cells[5] == job["queue"] and
              cells[6] == ", ".join(printers_of(job)), "row of %s: %r" % (key, cells))
        check(reasons == [m["text"] for m in job["messages"]], "reasons of %s: %r" % (key, reasons))
        check(actions == [[a["text"], ""] for a in job["actions"]] and alternatives == "",
              "remedies of %s: %r %r" % (key, actions, alternatives))
    check(any("does not support" in text for text in rows["demo:9"][2]), "demo:9's reasons")
    check(["Release the job once it may print.", ""] in rows["demo:6"][3], "demo:6's remedies")
    check('Queue "q-hold" is paused.' in rows["demo:6"][2], "demo:6's reasons")
    ranks = [["failed", "blocked", "warned", "clear"].index(rows[key][0]) for key in order]
    check(ranks == sorted(ranks) and rows["demo:9"][0] == "blocked" and
          rows["demo:950"][0] == "clear", "row order %r" % list(zip(order, ranks)))
    scan = json.loads(get(base + "api/v1/scan")[1])
    check(counts(driver) == [scan["jobs"], scan["blocked"], scan["byReason"], scan["byPrinter"]],
          "counts %r" % counts(driver))
    first_job_in_view(driver, 1280, 800)

    check_filters(driver, api)

    # The hostile name is text: no script ran, no element was made of it.
    check(table(driver)[1]["demo:950"][1][1] == HOSTILE, "hostile name")
    check(driver.execute_script("return typeof window.pwned") == "undefined", "its script ran")
    check(driver.execute_script("return document.querySelectorAll('img[src=\"x\"]').length") == 0,
          "the name made an element")

    # Nothing fetched from elsewhere; no error in the console (blocked styles, script errors, a
    # missing icon).
    fetched = driver.execute_script("return performance.getEntries().map(e => e.name)")
    check(all(url.startswith(base) for url in fetched if url.startswith("http")),
          "fetched %r" % fetched)
    errors = [entry["message"] for entry in driver.get_log("browser")
              if entry["level"] == "SEVERE"]
    check(not errors, "console errors: " + repr(errors))

    driver.execute_script("document.activeElement.blur(); window.scrollTo(0, 0);"
                          "document.querySelectorAll('#counts > div').forEach(d => d.scrollLeft = 0)")
    screenshot.parent.mkdir(parents=True, exist_ok=True)
    check(driver.save_screenshot(str(screenshot)), "screenshot to " + str(screenshot))

    check_answers(driver, process)

    # A phone's size: the page reflows instead of scrolling sideways; the first job in view.
    first_job_in_view(driver, 390, 844)
    width = driver.execute_script("return document.documentElement.scrollWidth")
    check(width <= 390, "at 390 pixels the page is %d wide" % width)


def check_many(driver, base):
    """1,000 more jobs: a page of rows, more as one scrolls, a search finds any."""
    viewport(driver, 1280, 800)
    driver.get(base)
    total = json.loads(get(base + "api/v1/scan")[1])["jobs"]
    check(total > BULK, "%d jobs" % total)
    until("the first page of rows", lambda: len(table(driver)[0]) == 100, 60)
    check(counts(driver)[0] == total, "waiting %r" % counts(driver)[0])
    check(driver.find_element(By.ID, "shown").text == "Showing 100 of %d jobs." % total,
          driver.find_element(By.ID, "shown").text)
    driver.execute_script("window.scrollTo(0, document.body.scrollHeight)")
    until("more rows on scrolling", lambda: len(table(driver)[0]) == 200, 10)
    driver.find_element(By.ID, "search").send_keys("job 0999")
    until("the search", lambda: table(driver)[0] == ["demo:2999"], 10)


def duration(seconds):
    """An age as the reports write it."""
    for size, unit, small, small_unit in [(86400, "d", 3600, "h"), (3600, "h", 60, "min")]:
        if seconds >= size:
            rest = seconds % size // small
            return "%d %s" % (seconds // size, unit) + (" %d %s" % (rest, small_unit) if rest else "")
    return "%d min" % (seconds // 60) if seconds >= 60 else "%d s" % seconds


# Queues whose names are markup (CUPS takes no job for names with < or >).
STOPPED = "off&lt;ice"
BACKUP = "back&amp;up"


def start_cups_server(stallscan, work):
    """A private CUPS scheduler with a stopped queue STOPPED and an enabled BACKUP: a job on
    STOPPED (low priority, so that CUPS lists it after the younger one) and, a second later, a held
    job on backup; stallscan --serve on it, its clock 3.5 hours after the submissions."""
    cups = PrivateCups(work)
    cups.add_queue(STOPPED)
    cups.add_queue(BACKUP)
    cups.run("cupsdisable", STOPPED)
    stopped = cups.submit(STOPPED, "-q", "10")
    second = int(time.time())
    until("the next second", lambda: int(time.time()) > second, 5)
    held = cups.submit(BACKUP, "-H", "hold")
    env = {k: v for k, v in os.environ.items() if k not in ("KVPRINTER", "STALLSCAN", "CUPS_SERVER")}
    env["STALLSCAN_NOW"] = str(int(time.time()) + 12600)
    with open(work / "stallscan.log", "wb") as log:
        process = subprocess.Popen([stallscan, "--serve", "--listen", "127.0.0.1:0", "--interval",
                                    "2", "--cups=" + cups.server], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=log, env=env)
    return cups, process, stopped, held


def check_cups(driver, base, server, stopped, held, screenshot):
    """Ages as the API has them; problems first, or the oldest first, kept over a reload; under the
    job on the stopped queue its remedies with their commands and the BACKUP queue it could move
    to, names and commands as text."""
    api = {job["id"]: job for job in json.loads(get(base + "api/v1/jobs")[1])["jobs"]}
    check(set(api) == {stopped, held}, "the CUPS jobs: %r" % list(api))
    driver.get(base)
    until("the CUPS jobs", lambda: len(table(driver)[0]) == 2, 30)
    order, rows = table(driver)
    job_of = {job["job"]: job for job in api.values()}
    for key, job in job_of.items():
        check(job["waitingSeconds"] >= 12600, "waitingSeconds of %s" % key)
        check(rows[key][1][4] == duration(job["waitingSeconds"]) and
              rows[key][5] == str(job["waitingSeconds"]), "age of %s: %r" % (key, rows[key][1]))
        check(rows[key][3] == [[a["text"], a.get("command", "")] for a in job["actions"]],
              "remedies of %s: %r" % (key, rows[key][3]))
    office = api[stopped]
    commands = [a.get("command", "") for a in office["actions"]]
    check(any(c.startswith("cupsenable -h %s " % server) and STOPPED in c for c in commands),
          "commands %r" % commands)
    check([a["queue"] for a in office["alternatives"]] == [BACKUP], "alternatives %r" % office)
    check(rows[office["job"]][4] == "It could print on: %s (%s)" % (BACKUP,
          office["alternatives"][0]["command"]), "alternatives shown: " + rows[office["job"]][4])
    check(driver.execute_script("return document.querySelectorAll('.alternatives code').length")
          == 1, "the command of the alternative is not code")
    check(("lp -h %s -i %s -H resume" % (server, held)) in
          [a.get("command") for a in api[held]["actions"]], "release %r" % api[held])

    # Problems first keeps CUPS's order (the younger job first); the oldest first turns it round.
    oldest = sorted(job_of, key=lambda key: -job_of[key]["waitingSeconds"])
    check(order == list(reversed(oldest)), "default order %r, ages %r" % (order, oldest))
    choose(driver, "sort", "age")
    until("the oldest first", lambda: table(driver)[0] == oldest, 30)
    check("sort=age" in driver.current_url, "address " + driver.current_url)
    driver.refresh()
    until("the oldest first after a reload", lambda: table(driver)[0] == oldest, 30)
    driver.execute_script("document.activeElement.blur(); window.scrollTo(0, 0)")
    check(driver.save_screenshot(str(screenshot)), "screenshot to " + str(screenshot))


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    stallscan, kvls = sys.argv[1:3]
    source, screenshot = pathlib.Path(sys.argv[3]), pathlib.Path(sys.argv[4])
    work = pathlib.Path(tempfile.mkdtemp(prefix="stallscan-browser-"))
    (work / "many").mkdir()
    process = many = driver = cups = cups_serve = None
    try:
        process = start_server(stallscan, kvls, source, work, args=["--interval", "2"], jobs={
            "demo-950.txt": JOB.format(id=950, name=HOSTILE, owner="mallory")})
        many = start_server(stallscan, kvls, source, work / "many", args=["--interval", "3600"],
                            jobs={"demo-%d.txt" % (2000 + i):
                                  JOB.format(id=2000 + i, name="bulk job %04d" % i, owner="bulk")
                                  for i in range(BULK)})
        base = address(process, work)
        driver = start_browser(work)
        check_page(driver, base, process, screenshot)
        check_many(driver, address(many, work / "many"))
        if os.access(CUPSD, os.X_OK) or os.environ.get("CI"):
            (work / "cups").mkdir()
            work.chmod(0o755)  # cupsd, as root, runs its helpers as user lp
            cups, cups_serve, stopped, held = start_cups_server(stallscan, work / "cups")
            check_cups(driver, address(cups_serve, work / "cups"), cups.server, stopped, held,
                       screenshot.with_name(screenshot.stem + "-cups.png"))
        else:
            print("no %s (package cups-daemon): the CUPS page is not tried" % CUPSD)
        driver.quit()
        driver = None
        for server in (process, many, cups_serve):
            if server is None:
                continue
            status = stop(server)
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
            for server in (process, many, cups_serve):
                if server is not None and server.poll() is None:
                    stop(server)
            if cups is not None:
                cups.stop()
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
