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
<script src="page.js" defer></script>
</head>
<body>
<header>
  <h1>stallscan</h1>
  <ul id="totals" aria-label="Totals"></ul>
  <p id="scan">Waiting for the first scan&hellip;</p>
</header>
<section id="filters" aria-label="Filters">
  <label>Server <select id="server"><option value="">all</option></select></label>
  <label>Printer <select id="printer"><option value="">all</option></select></label>
  <label>Queue <select id="queue"><option value="">all</option></select></label>
</section>
<section id="counts" aria-label="Counts">
  <h2>Blocked jobs by reason</h2><ul id="reasons" class="chips problem"></ul>
  <h2>Waiting jobs by printer</h2><ul id="printers" class="chips"></ul>
</section>
<main>
  <table id="jobs">
    <thead><tr><th>Job</th><th>Name</th><th>Owner</th><th>Status</th><th>Queue</th><th>Printers</th><th>Reasons</th></tr></thead>
    <tbody></tbody>
  </table>
  <p id="empty" hidden>No waiting job matches.</p>
</main>
</body>
</html>
)html";

const std::string_view kPageScript = R"js(
"use strict";
let jobs = [];
let refresh = 60;
let lastScan = "";
const columns = ["Job", "Name", "Owner", "Status", "Queue", "Printers", "Reasons"];

function element(name, text, className) {
  const node = document.createElement(name);
  if (text !== undefined) node.textContent = text;
  if (className) node.className = className;
  return node;
}

// 0 not diagnosed, 1 blocked, 2 with warnings, 3 clear: the order of the table.
function rank(job) {
  if (job.outcome !== "diagnosed") return 0;
  if (job.messages.some(m => m.severity === "problem")) return 1;
  if (job.messages.some(m => m.severity === "warning")) return 2;
  return 3;
}

function printersOf(job) {
  return job.requestedPrinters.length > 0 ? job.requestedPrinters : job.printers;
}

function fillChoice(id, values) {
  const select = document.getElementById(id);
  const chosen = select.value;
  while (select.options.length > 1) select.remove(1);
  for (const value of [...new Set(values)].sort()) {
    const option = element("option", value);
    option.value = value;
    select.appendChild(option);
  }
  select.value = values.includes(chosen) ? chosen : "";
}

// Name and count pairs, the largest count first.
function fillCounts(id, counts) {
  const list = document.getElementById(id);
  list.replaceChildren();
  const entries = Object.entries(counts).sort((a, b) => b[1] - a[1] || a[0].localeCompare(b[0]));
  for (const [name, count] of entries) {
    const item = element("li");
    item.appendChild(element("span", name, "name"));
    item.appendChild(element("span", String(count), "count"));
    list.appendChild(item);
  }
  if (entries.length === 0) list.appendChild(element("li", "none", "none"));
}

function fillTotals(scan) {
  const list = document.getElementById("totals");
  list.replaceChildren();
  for (const [count, label, className] of [[scan.blocked, "blocked", "blocked"],
                                           [scan.notDiagnosed, "not diagnosed", "failed"],
                                           [scan.jobs, "waiting", ""]]) {
    const item = element("li", undefined, count > 0 ? className : "");
    item.appendChild(element("strong", String(count)));
    item.appendChild(document.createTextNode(" " + label));
    list.appendChild(item);
  }
  document.title = "stallscan: " + scan.blocked + " blocked of " + scan.jobs;
}

// A table cell with its column's name, which the narrow layout shows before the value.
function cell(column, text) {
  const node = element("td", text, columns[column].toLowerCase());
  node.dataset.label = columns[column];
  return node;
}

function render() {
  const server = document.getElementById("server").value;
  const printer = document.getElementById("printer").value;
  const queue = document.getElementById("queue").value;
  const body = document.querySelector("#jobs tbody");
  body.replaceChildren();
  const shown = jobs.filter(job => (!server || job.server === server) &&
                                   (!printer || printersOf(job).includes(printer)) &&
                                   (!queue || job.queue === queue))
                    .sort((a, b) => rank(a) - rank(b));
  for (const job of shown) {
    const row = element("tr", undefined, ["failed", "blocked", "warned", "clear"][rank(job)]);
    row.appendChild(cell(0, job.job));
    row.appendChild(cell(1, job.name));
    row.appendChild(cell(2, job.owner || ""));
    row.appendChild(cell(3, job.outcome === "diagnosed" ? job.status : job.outcome));
    row.appendChild(cell(4, job.queue));
    const printers = cell(5);
    printersOf(job).forEach((name, i) => {
      if (i > 0) printers.append(", ");
      printers.appendChild(element("span", name));
    });
    row.appendChild(printers);
    const reasons = cell(6);
    if (job.messages.length > 0) {
      const list = element("ul");
      for (const message of job.messages) list.appendChild(element("li", message.text, message.severity));
      reasons.appendChild(list);
    } else {
      reasons.appendChild(element("span", "No problem found.", "none"));
    }
    row.appendChild(reasons);
    body.appendChild(row);
  }
  document.getElementById("empty").hidden = shown.length > 0;
}

async function load() {
  const line = document.getElementById("scan");
  try {
    const scanResponse = await fetch("api/v1/scan", {cache: "no-store"});
    if (scanResponse.status === 503) {
      line.textContent = "Waiting for the first scan\u2026";
      return;
    }
    if (!scanResponse.ok) throw new Error("HTTP " + scanResponse.status);
    const scan = await scanResponse.json();
    refresh = Math.max(2, Math.min(60, scan.intervalSeconds || 60));
    const jobsResponse = await fetch("api/v1/jobs", {cache: "no-store"});
    if (!jobsResponse.ok) throw new Error("HTTP " + jobsResponse.status);
    jobs = (await jobsResponse.json()).jobs;
    lastScan = "Last scan " + new Date(scan.scanTime).toLocaleString() + ", took " +
               scan.durationSeconds.toFixed(1) + " s";
    line.textContent = lastScan;
    line.className = scan.stale ? "stale" : "";
    if (scan.stale) line.textContent += " (stale" + (scan.failed ? ": the scan failed" : "") + ")";
    for (const error of scan.errors) line.appendChild(element("span", error, "error"));
    fillTotals(scan);
    fillChoice("server", jobs.map(job => job.server));
    fillChoice("printer", jobs.flatMap(printersOf));
    fillChoice("queue", jobs.map(job => job.queue).filter(q => q));
    fillCounts("reasons", scan.byReason);
    fillCounts("printers", scan.byPrinter);
    render();
  } catch (error) {
    line.textContent = (lastScan ? lastScan + ": " : "") + "not updated, stallscan does not answer (" +
                       error.message + ")";
    line.className = "stale";
  } finally {
    setTimeout(load, refresh * 1000);
  }
}

for (const id of ["server", "printer", "queue"]) {
  document.getElementById(id).addEventListener("change", render);
}
load();
)js";

const std::string_view kPageStyle = R"css(
:root { --problem: #b3261e; --problem-bg: #fdf0ef; --warning: #8a5300; --warning-bg: #fff6e5;
        --failed: #6a1b9a; --failed-bg: #f6effa; --clear: #2e7d32; --muted: #5f6368; --line: #e0e0e0; }
body { font-family: system-ui, sans-serif; margin: 0 1rem 2rem; color: #1b1b1b; line-height: 1.35; }
header { display: flex; flex-wrap: wrap; align-items: baseline; gap: 0.3rem 1.5rem; }
h1 { font-size: 1.4rem; margin: 0.8rem 0 0.2rem; }
h2 { font-size: 0.95rem; margin: 0.6rem 0 0.3rem; color: var(--muted); font-weight: 600; }
ul { margin: 0; padding: 0; }
#totals { list-style: none; display: flex; flex-wrap: wrap; gap: 0.4rem; }
#totals li { padding: 0.15rem 0.6rem; border-radius: 0.3rem; background: #f1f3f4; }
#totals li.blocked { background: var(--problem); color: #fff; }
#totals li.failed { background: var(--failed); color: #fff; }
#scan { margin: 0; color: var(--muted); }
#scan.stale { color: var(--problem); font-weight: bold; }
#scan .error { display: block; font-weight: normal; }
#filters { display: flex; flex-wrap: wrap; gap: 0.5rem 1.2rem; margin: 0.7rem 0 0.2rem; }
select { font: inherit; padding: 0.1rem 0.3rem; max-width: 14rem; }
.chips { list-style: none; display: flex; flex-wrap: wrap; gap: 0.3rem; }
.chips li { padding: 0.05rem 0.55rem; border: 1px solid var(--line); border-radius: 1rem;
            background: #f8f9fa; font-size: 0.9rem; }
.chips.problem li { border-color: #f3c7c3; background: var(--problem-bg); }
.chips li.none { color: var(--muted); }
.chips .count { margin-left: 0.4rem; font-weight: bold; }
table { border-collapse: collapse; width: 100%; margin-top: 1rem; }
th { position: sticky; top: 0; background: #fff; box-shadow: inset 0 -2px 0 #bbb; }
th, td { text-align: left; vertical-align: top; padding: 0.35rem 0.5rem; }
td { border-bottom: 1px solid var(--line); overflow-wrap: break-word; }
td.job { font-weight: 600; }
td.job, td.owner, td.status, td.queue { white-space: nowrap; }
td.name, td.reasons { overflow-wrap: anywhere; }
td.printers span { white-space: nowrap; }
td.name { max-width: 16rem; }
td.reasons { width: 42%; }
td ul { padding-left: 1rem; }
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
#empty { color: var(--muted); }
@media (max-width: 700px) {
  body { margin: 0 0.5rem 1rem; }
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
