#include "serve/page.h"

namespace stallscan::serve {

// Every address of the page is relative, so that it works as well behind a reverse proxy that
// serves it under a path (https://host/stallscan/).
const std::string_view kPageHtml = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>stallscan</title>
<link rel="stylesheet" href="page.css">
<link rel="icon" href="favicon.svg" type="image/svg+xml">
<script src="page.js" defer></script>
</head>
<body>
<header>
  <h1>stallscan</h1>
  <ul id="totals" aria-label="Totals"></ul>
  <p id="scan" role="status">Waiting for the first scan&hellip;</p>
</header>
<form id="filters" role="search" aria-label="Filters">
  <label>Server <select id="server"><option value="">all</option></select></label>
  <label>Printer <select id="printer"><option value="">all</option></select></label>
  <label>Queue <select id="queue"><option value="">all</option></select></label>
  <label>Reason <select id="reason"><option value="">all</option></select></label>
  <label class="check"><input type="checkbox" id="problems"> Problems only</label>
  <input type="search" id="search" placeholder="Search" aria-label="Search the jobs">
  <label>Sort <select id="sort"><option value="">problems first</option><option value="age">oldest first</option></select></label>
</form>
<section id="counts" aria-label="Counts">
  <div><span class="label">Blocked by reason</span><ul id="reasons" class="chips problem"></ul></div>
  <div><span class="label">Waiting by printer</span><ul id="printers" class="chips"></ul></div>
</section>
<main>
  <table id="jobs">
    <thead><tr><th>Job</th><th>Name</th><th>Owner</th><th>Status</th><th>Age</th><th>Queue</th><th>Printers</th><th>Reasons</th></tr></thead>
    <tbody></tbody>
  </table>
  <p id="empty" hidden>No waiting job matches.</p>
  <p id="more" hidden><span id="shown"></span> <button type="button" id="show-more">Show more</button></p>
</main>
</body>
</html>
)html";

const std::string_view kPageScript = R"js(
"use strict";
// The page keeps the last answers, applies the filters (which live in the address's fragment, so
// that a reload or a link keeps them) to the list and to the counts, and shows the list a page at
// a time, growing as one scrolls. Every text of the print system goes in as text, never as markup.
const PAGE = 100;
const columns = ["Job", "Name", "Owner", "Status", "Age", "Queue", "Printers", "Reasons"];
const choices = ["server", "printer", "queue", "reason"];
const sorts = ["", "age"];  // problems first; oldest first
let jobs = [];
let scan = null;      // the last /api/v1/scan with data
let refresh = 60;     // seconds between loads: the scan's interval, 2 to 60
let lastAnswer = 0;   // Date.now() when data last came
let notice = "";      // "", "busy", "starting" or the text of a failure
let limit = PAGE;     // rows shown
let timer = 0;

function element(name, text, className) {
  const node = document.createElement(name);
  if (text !== undefined) node.textContent = text;
  if (className) node.className = className;
  return node;
}

const byId = id => document.getElementById(id);

// 0 not diagnosed, 1 blocked, 2 with warnings, 3 clear: the order of the table.
function rank(job) {
  if (job.outcome !== "diagnosed") return 0;
  if (job.messages.some(m => m.severity === "problem")) return 1;
  if (job.messages.some(m => m.severity === "warning")) return 2;
  return 3;
}

// How long the job has waited when the scan saw it, in seconds; null where the print system
// tells no time.
function ageOf(job) {
  if (typeof job.waitingSeconds === "number") return job.waitingSeconds;
  const since = scan && job.created ? (Date.parse(scan.scanTime) - Date.parse(job.created)) / 1000
                                    : NaN;
  return Number.isFinite(since) ? Math.max(0, Math.round(since)) : null;
}

// An age as the reports write it: "40 s", "35 min", "2 h 14 min", "3 d 4 h".
function duration(seconds) {
  const units = (big, bigUnit, small, smallUnit) =>
    big + " " + bigUnit + (small ? " " + small + " " + smallUnit : "");
  if (seconds < 60) return seconds + " s";
  if (seconds < 3600) return Math.floor(seconds / 60) + " min";
  if (seconds < 86400) return units(Math.floor(seconds / 3600), "h", Math.floor(seconds % 3600 / 60), "min");
  return units(Math.floor(seconds / 86400), "d", Math.floor(seconds % 86400 / 3600), "h");
}

// The order of the list: problems first, or the oldest first (jobs without a time after those
// with one), problems first among equals.
function order(a, b) {
  if (byId("sort").value === "age") {
    const ageA = ageOf(a), ageB = ageOf(b);
    if (ageA !== ageB) return ageA === null ? 1 : ageB === null ? -1 : ageB - ageA;
  }
  return rank(a) - rank(b);
}

function printersOf(job) {
  return job.requestedPrinters.length > 0 ? job.requestedPrinters : job.printers;
}

// The filters as the controls hold them; empty values filter nothing.
function filters() {
  const chosen = {};
  for (const id of choices) chosen[id] = byId(id).value;
  chosen.problems = byId("problems").checked ? "1" : "";
  chosen.q = byId("search").value.trim();
  chosen.sort = byId("sort").value;
  return chosen;
}

function addOption(select, value) {
  const option = element("option", value);
  option.value = value;
  select.appendChild(option);
}

// Chooses `value`, adding it when the data do not have it: a filter from the address outlives a
// scan without its printer or queue.
function setChoice(id, value) {
  const select = byId(id);
  if (value && ![...select.options].some(option => option.value === value)) addOption(select, value);
  select.value = value;
}

function fillChoice(id, values) {
  const select = byId(id);
  const chosen = select.value;
  while (select.options.length > 1) select.remove(1);
  for (const value of [...new Set(values)].sort()) addOption(select, value);
  setChoice(id, chosen);
}

function readAddress() {
  const params = new URLSearchParams(location.hash.slice(1));
  for (const id of choices) setChoice(id, params.get(id) || "");
  byId("problems").checked = params.get("problems") === "1";
  byId("search").value = params.get("q") || "";
  const sort = params.get("sort") || "";
  byId("sort").value = sorts.includes(sort) ? sort : "";
}

function writeAddress() {
  const params = new URLSearchParams();
  for (const [key, value] of Object.entries(filters())) if (value) params.set(key, value);
  const fragment = params.toString();
  history.replaceState(null, "", fragment ? "#" + fragment : location.pathname + location.search);
}

function matches(job, f) {
  if (f.server && job.server !== f.server) return false;
  if (f.printer && !printersOf(job).includes(f.printer)) return false;
  if (f.queue && job.queue !== f.queue) return false;
  if (f.reason && !job.messages.some(m => m.code === f.reason)) return false;
  if (f.problems && rank(job) > 2) return false;
  if (f.q) {
    const text = [job.job, job.name, job.owner || "", job.status, job.outcome, job.queue,
                  ...printersOf(job), ...job.messages.flatMap(m => [m.text, m.code]),
                  ...(job.actions || []).map(a => a.text),
                  ...(job.alternatives || []).map(a => a.queue)]
                 .join("\n").toLowerCase();
    return f.q.toLowerCase().split(/\s+/).every(word => text.includes(word));
  }
  return true;
}

// The counts of the jobs shown, as the scan counts all of them.
function count(shown) {
  const counts = {jobs: shown.length, blocked: 0, notDiagnosed: 0, byReason: {}, byPrinter: {}};
  const add = (map, key) => { map[key] = (map[key] || 0) + 1; };
  for (const job of shown) {
    if (job.outcome !== "diagnosed") {
      counts.notDiagnosed++;
    } else if (rank(job) === 1) {
      counts.blocked++;
      new Set(job.messages.filter(m => m.severity === "problem").map(m => m.code))
        .forEach(code => add(counts.byReason, code));
    }
    printersOf(job).forEach(printer => add(counts.byPrinter, printer));
  }
  return counts;
}

// What a code means: the sentences of the scan's messages with it (three at most).
function meaning(code) {
  const texts = new Set();
  for (const job of jobs) {
    for (const m of job.messages) if (m.code === code) texts.add(m.text.trim());
  }
  const list = [...texts];
  return code + ":\n" + list.slice(0, 3).join("\n") +
         (list.length > 3 ? "\n(and " + (list.length - 3) + " more)" : "");
}

// Name and count chips, the largest count first; a click filters by the name, or stops.
function fillCounts(id, counts, filter, title) {
  const list = byId(id);
  list.replaceChildren();
  const chosen = byId(filter).value;
  const entries = Object.entries(counts).sort((a, b) => b[1] - a[1] || a[0].localeCompare(b[0]));
  for (const [name, number] of entries) {
    const chip = element("button", undefined, "chip");
    chip.type = "button";
    chip.dataset.filter = filter;
    chip.dataset.value = name;
    chip.title = title(name);
    chip.setAttribute("aria-pressed", String(name === chosen));
    chip.appendChild(element("span", name, "name"));
    chip.appendChild(element("span", String(number), "count"));
    const item = element("li");
    item.appendChild(chip);
    list.appendChild(item);
  }
  if (entries.length === 0) list.appendChild(element("li", "none", "none"));
}

function fillTotals(counts, filtered) {
  const list = byId("totals");
  list.replaceChildren();
  for (const [number, label, className] of [[counts.blocked, "blocked", "blocked"],
                                            [counts.notDiagnosed, "not diagnosed", "failed"],
                                            [counts.jobs, "waiting", ""]]) {
    const item = element("li", undefined, number > 0 ? className : "");
    item.appendChild(element("strong", String(number)));
    item.appendChild(document.createTextNode(" " + label));
    list.appendChild(item);
  }
  if (filtered) list.appendChild(element("li", "of " + jobs.length + " (filtered)", "filtered"));
}

// A table cell with its column's name, which the narrow layout shows before the value.
function cell(column, text) {
  const node = element("td", text, columns[column].toLowerCase());
  node.dataset.label = columns[column];
  return node;
}

// What can be done for the job (each remedy with its command, where there is one) and where else
// it could print, each queue with the command that moves the job there.
function remedies(job, into) {
  const actions = job.actions || [], alternatives = job.alternatives || [];
  if (alternatives.length > 0) {
    const line = element("p", "It could print on: ", "alternatives");
    alternatives.forEach((alternative, i) => {
      if (i > 0) line.append(", ");
      line.appendChild(element("span", alternative.queue, "queue"));
      line.append(" (");
      line.appendChild(element("code", alternative.command));
      line.append(")");
    });
    into.appendChild(line);
  }
  if (actions.length > 0) {
    into.appendChild(element("span", "What can be done:", "actions-label"));
    const list = element("ul", undefined, "actions");
    for (const action of actions) {
      const item = element("li", action.text);
      if (action.command) item.appendChild(element("code", action.command));
      list.appendChild(item);
    }
    into.appendChild(list);
  }
}

function row(job) {
  const tr = element("tr", undefined, ["failed", "blocked", "warned", "clear"][rank(job)]);
  tr.appendChild(cell(0, job.job));
  tr.appendChild(cell(1, job.name));
  tr.appendChild(cell(2, job.owner || ""));
  tr.appendChild(cell(3, job.outcome === "diagnosed" ? job.status : job.outcome));
  const age = ageOf(job);
  const ageCell = cell(4, age === null ? "" : duration(age));
  if (age !== null) {
    ageCell.dataset.seconds = String(age);
    if (job.created) ageCell.title = "since " + new Date(job.created).toLocaleString();
  }
  tr.appendChild(ageCell);
  tr.appendChild(cell(5, job.queue));
  const printers = cell(6);
  printersOf(job).forEach((name, i) => {
    if (i > 0) printers.append(", ");
    printers.appendChild(element("span", name));
  });
  tr.appendChild(printers);
  const reasons = cell(7);
  if (job.messages.length > 0) {
    const list = element("ul", undefined, "messages");
    for (const m of job.messages) list.appendChild(element("li", m.text, m.severity));
    reasons.appendChild(list);
  } else {
    reasons.appendChild(element("span", "No problem found.", "none"));
  }
  remedies(job, reasons);
  tr.appendChild(reasons);
  return tr;
}

function render() {
  const f = filters();
  const shown = jobs.filter(job => matches(job, f)).sort(order);
  const counts = count(shown);
  fillTotals(counts, shown.length !== jobs.length);
  fillCounts("reasons", counts.byReason, "reason", meaning);
  fillCounts("printers", counts.byPrinter, "printer",
             printer => "Only the jobs that may print on " + printer);
  byId("jobs").tBodies[0].replaceChildren(...shown.slice(0, limit).map(row));
  byId("empty").hidden = shown.length > 0 || scan === null;
  byId("more").hidden = shown.length <= limit;
  byId("shown").textContent = "Showing " + Math.min(limit, shown.length) + " of " +
                              shown.length + " jobs.";
}

// The status line: the last scan, and whether it is still current by this page's own clock (no
// answer for two intervals: stallscan is stopped, hung or out of reach).
function showStatus() {
  const line = byId("scan");
  const silent = lastAnswer ? (Date.now() - lastAnswer) / 1000 : 0;
  const late = lastAnswer > 0 && silent > 2 * refresh;
  const failure = notice && notice !== "busy" && notice !== "starting";
  let text;
  if (scan === null) {
    text = notice === "busy" ? "stallscan is busy, retrying\u2026"
         : failure ? "stallscan does not answer (" + notice + "), retrying\u2026"
         : "Waiting for the first scan\u2026";
  } else {
    text = "Last scan " + new Date(scan.scanTime).toLocaleString() + ", took " +
           scan.durationSeconds.toFixed(1) + " s";
    if (scan.stale) text += " (stale" + (scan.failed ? ": the scan failed" : "") + ")";
    if (late) text += "; stale: no answer from stallscan for " + Math.round(silent) + " s";
    if (notice === "busy") text += "; stallscan is busy, retrying";
    else if (notice === "starting") text += "; stallscan restarted, waiting for the first scan";
    else if (failure) text += "; not updated (" + notice + ")";
  }
  line.textContent = text;
  line.className = (scan && scan.stale) || late ? "stale" : notice ? "busy" : "";
  document.body.classList.toggle("stale", late);
  for (const error of scan ? scan.errors : []) line.appendChild(element("span", error, "error"));
}

// A GET of the API: its JSON, or null after noting why there is none (503: busy, or the first
// scan has not finished; the wait before the next try is Retry-After's).
async function request(path, signal) {
  const response = await fetch(path, {cache: "no-store", signal});
  if (response.ok) return response.json();
  if (response.status !== 503) throw new Error("HTTP " + response.status);
  const body = await response.text();
  let starting = false;
  try { starting = typeof JSON.parse(body).error === "string"; } catch (error) { starting = false; }
  notice = starting ? "starting" : "busy";
  request.retry = Number(response.headers.get("Retry-After")) || 5;
  return null;
}

async function load() {
  clearTimeout(timer);
  let next = refresh;
  const abort = new AbortController();
  const giveUp = setTimeout(() => abort.abort(), Math.max(5, refresh) * 1000);
  try {
    const newScan = await request("api/v1/scan", abort.signal);
    const report = newScan && await request("api/v1/jobs", abort.signal);
    if (report) {
      notice = "";
      scan = newScan;
      jobs = report.jobs;
      lastAnswer = Date.now();
      refresh = Math.max(2, Math.min(60, scan.intervalSeconds || 60));
      next = refresh;
      document.title = "stallscan: " + scan.blocked + " blocked of " + scan.jobs;
      fillChoice("server", jobs.map(job => job.server));
      fillChoice("printer", jobs.flatMap(printersOf));
      fillChoice("queue", jobs.map(job => job.queue).filter(queue => queue));
      fillChoice("reason", jobs.flatMap(job => job.messages.map(m => m.code)));
      render();
    } else {
      next = Math.max(1, Math.min(refresh, request.retry));
    }
  } catch (error) {
    notice = error.name === "AbortError" ? "no answer in time" : error.message;
  } finally {
    clearTimeout(giveUp);
    showStatus();
    timer = setTimeout(load, next * 1000);
  }
}

function changed() {
  limit = PAGE;
  writeAddress();
  render();
}

for (const id of [...choices, "problems", "sort"]) byId(id).addEventListener("change", changed);
byId("search").addEventListener("input", changed);
byId("filters").addEventListener("submit", event => event.preventDefault());
byId("counts").addEventListener("click", event => {
  const chip = event.target.closest("button.chip");
  if (!chip) return;
  const select = byId(chip.dataset.filter);
  setChoice(chip.dataset.filter, select.value === chip.dataset.value ? "" : chip.dataset.value);
  changed();
});
window.addEventListener("hashchange", () => { readAddress(); limit = PAGE; render(); });
const more = () => { limit += PAGE; render(); };
byId("show-more").addEventListener("click", more);
new IntersectionObserver(entries => {
  if (entries.some(entry => entry.isIntersecting) && !byId("more").hidden) more();
}).observe(byId("more"));
setInterval(showStatus, 1000);
readAddress();
load();
)js";

const std::string_view kPageStyle = R"css(
:root { --problem: #b3261e; --problem-bg: #fdf0ef; --warning: #8a5300; --warning-bg: #fff6e5;
        --failed: #6a1b9a; --failed-bg: #f6effa; --clear: #2e7d32; --muted: #5f6368; --line: #e0e0e0; }
body { font-family: system-ui, sans-serif; margin: 0 1rem 2rem; color: #1b1b1b; line-height: 1.3; }
header { display: flex; flex-wrap: wrap; align-items: baseline; gap: 0.2rem 1rem; margin-top: 0.4rem; }
h1 { font-size: 1.25rem; margin: 0; }
ul { margin: 0; padding: 0; }
#totals { list-style: none; display: flex; flex-wrap: wrap; gap: 0.3rem; }
#totals li { padding: 0.05rem 0.5rem; border-radius: 0.3rem; background: #f1f3f4; }
#totals li.blocked { background: var(--problem); color: #fff; }
#totals li.failed { background: var(--failed); color: #fff; }
#totals li.filtered { background: none; color: var(--muted); padding-left: 0; }
#scan { margin: 0; color: var(--muted); font-size: 0.9rem; }
#scan.busy { color: var(--warning); font-weight: bold; }
#scan.stale { color: var(--problem); font-weight: bold; }
#scan .error { display: block; font-weight: normal; }
body.stale main { opacity: 0.55; }
#filters { display: flex; flex-wrap: wrap; align-items: center; gap: 0.3rem 0.9rem; margin: 0.4rem 0 0.2rem; }
#filters label { white-space: nowrap; }
select, input { font: inherit; padding: 0.05rem 0.25rem; }
select { max-width: 12rem; }
#search { width: 12rem; }
#counts > div { display: flex; align-items: center; gap: 0.5rem; margin-top: 0.25rem; overflow-x: auto;
                scrollbar-width: thin; }
#counts .label { flex: none; color: var(--muted); font-size: 0.85rem; font-weight: 600; }
.chips { list-style: none; display: flex; gap: 0.3rem; }
.chips li { flex: none; }
.chip { font: inherit; font-size: 0.85rem; padding: 0 0.5rem; border: 1px solid var(--line);
        border-radius: 1rem; background: #f8f9fa; color: inherit; cursor: pointer; white-space: nowrap; }
.chips.problem .chip { border-color: #f3c7c3; background: var(--problem-bg); }
.chip[aria-pressed="true"] { background: #1b1b1b; border-color: #1b1b1b; color: #fff; }
.chips li.none { color: var(--muted); font-size: 0.85rem; }
.chip .count { margin-left: 0.4rem; font-weight: bold; }
table { border-collapse: collapse; width: 100%; margin-top: 0.4rem; }
th { position: sticky; top: 0; background: #fff; box-shadow: inset 0 -2px 0 #bbb; }
th, td { text-align: left; vertical-align: top; padding: 0.3rem 0.5rem; }
td { border-bottom: 1px solid var(--line); overflow-wrap: break-word; }
td.job { font-weight: 600; }
td.job, td.owner, td.status, td.age, td.queue { white-space: nowrap; }
td.name, td.reasons { overflow-wrap: anywhere; }
td.printers span { white-space: nowrap; }
td.name { max-width: 16rem; min-width: 5rem; }
td.reasons { width: 42%; }
td ul { padding-left: 1rem; }
td code { font-size: 0.85rem; background: #f1f3f4; padding: 0 0.25rem; border-radius: 0.2rem;
          overflow-wrap: anywhere; }
td .alternatives { margin: 0.2rem 0 0; color: var(--clear); }
td .alternatives .queue { font-weight: 600; }
td .actions-label { display: block; margin-top: 0.2rem; color: var(--muted); font-size: 0.85rem; }
td ul.actions li { color: inherit; }
td ul.actions code { margin-left: 0.4rem; }
td .none { color: var(--muted); }
tr.failed td:first-child { border-left: 4px solid var(--failed); }
tr.blocked td:first-child { border-left: 4px solid var(--problem); }
tr.warned td:first-child { border-left: 4px solid #ef8f00; }
tr.clear td:first-child { border-left: 4px solid var(--clear); }
tr.failed { background: var(--failed-bg); }
tr.blocked { background: var(--problem-bg); }
tr.warned { background: var(--warning-bg); }
li.problem { color: #9c1f18; }
li.warning { color: var(--warning); }
li.info { color: var(--muted); }
#empty, #more { color: var(--muted); }
@media (max-width: 700px) {
  body { margin: 0 0.5rem 1rem; }
  #filters { display: grid; grid-template-columns: 1fr 1fr; gap: 0.25rem 0.5rem; }
  #filters label { display: flex; gap: 0.3rem; align-items: center; min-width: 0; }
  #filters select, #search { flex: 1; min-width: 0; width: 100%; max-width: none; }
  thead { display: none; }
  table, tbody, tr, td { display: block; }
  tr { margin-bottom: 0.6rem; border-left: 4px solid var(--line); }
  tr.failed { border-left-color: var(--failed); }
  tr.blocked { border-left-color: var(--problem); }
  tr.warned { border-left-color: #ef8f00; }
  tr.clear { border-left-color: var(--clear); }
  tr td:first-child { border-left: none; }
  td, td.name, td.reasons { border: none; padding: 0.1rem 0.5rem; max-width: none; width: auto;
                            white-space: normal; overflow-wrap: anywhere; }
  td.printers span { white-space: normal; }
  td:empty { display: none; }
  td:not(.job):not(.reasons)::before { content: attr(data-label) ": "; color: var(--muted); }
  td.reasons { padding-top: 0.2rem; }
}
)css";

}  // namespace stallscan::serve
