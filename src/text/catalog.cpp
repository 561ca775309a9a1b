#include "text/catalog.h"

#include <stdexcept>
#include <unordered_map>

namespace stallscan::text {

namespace {

struct CatalogEntry {
    int32_t id;
    std::string_view text;
};

// Texts 101 to 382 end with CR LF; the others have none.
constexpr CatalogEntry kCatalog[] = {
    {101, "Invalid execution of stallscan.\r\n"},
    {102, "Unable to access binary \"%1\".\r\n"},
    {103, "No server has been specified.\r\n"},
    {104, "Unable to access server \"%1\".\r\n"},
    {105, "Unable to access printer \"%1\".\r\n"},
    {106, "Unable to access queue \"%1\".\r\n"},
    {107, "Unable to access job \"%1\".\r\n"},
    {108, "Unable to access document \"%1\".\r\n"},
    {109, "Invalid job identifier \"%1\".\r\n"},
    {110, "Job \"%1\" not found in server \"%2\".\r\n"},
    {111, "Unable to retrieve current job state for job \"%1\"; user may not have access.\r\n"},
    {112, "Unable to retrieve assigned queue for job \"%1\"; user may not have access.\r\n"},
    {113, "Unable to retrieve server state for spooler \"%1\"; user may not have access.\r\n"},
    {114, "Unable to retrieve queue state for queue \"%1\"; user may not have access.\r\n"},
    {115, "Unable to retrieve printer state for printer \"%1\"; user may not have access.\r\n"},
    {116, "The requested option is invalid: %1\r\n"},
    {301, "stallscan [server_name:][job_id] ...\r\nstallscan -h\r\nstallscan -V\r\n"},
    {302, "\r\nServer: %1\r\n"},
    {303, "No pending jobs were found in server \"%1\".\r\n"},
    {304, "Job identifier: %1\r\n"},
    {305, "This job has a job state of \"%1\".\r\n"},
    {306, "Assigned spooler: %1\r\n"},
    {307, "Assigned queue: %1\r\n"},
    {308, "Physical printer(s): %1\r\n"},
    {309, "Requested physical printer(s): %1\r\n"},
    {310, "The job is not printing for the following reason(s):\r\n"},
    {311, "- The job has a job state message of \"%1\".\r\n"},
    {312, "- The job is paused.\r\n"},
    {313, "- The job is held for the following reason(s): \"%1\"\r\n"},
    {314, "- Spooler \"%1\" is paused.\r\n"},
    {315, "- Queue \"%1\" is paused.\r\n"},
    {316, "- The queue has %1 intervening job(s) to schedule before this job.\r\n"},
    {317, "- No physical printers have been assigned to this queue.\r\n"},
    {318, "- Printer \"%1\" is paused.\r\n"},
    {319, "- Printer \"%1\" is disabled.\r\n"},
    {320, "- Printer \"%1\" has no job submission library loaded.\r\n"},
    {321, "- Printer \"%1\" has no job submission channels ready.\r\n"},
    {322, "- Printer \"%1\" does not support \"%2\" in its \"%3\" attribute.\r\n"},
    {323, "- Printer \"%1\" is currently printing a job; the printer state is \"%2\".\r\n"},
    {324, "- Printer \"%1\" needs attention.\r\n"},
    {325, "- Printer \"%1\" has timed out.\r\n"},
    {326, "- Printer \"%1\" has shut down.\r\n"},
    {327, "- Printer \"%1\" has a status of \"unknown\".\r\n"},
    {328, "- Printer \"%1\" has a printer problem message of \"%2\".\r\n"},
    {329, "- Printer \"%1\" was not found.\r\n"},
    {330, "- Supervisor \"%1\" is disabled.\r\n"},
    {331, "This job is no longer pending; the current job state is \"%1\".\r\n"},
    {332, "The assigned printer is \"%1\"; the current printer state is \"%2\".\r\n"},
    {333, "No problems were found.\r\n"},
    {334, "Pending job(s): %1\r\n"},
    {335, "This job has completed; the job completion period is \"%1\".\r\n"},
    {336, "This job is retained; the job retention period is \"%1\".\r\n"},
    {337, "The job completed with a job state of \"%1\".\r\n"},
    {338, "This job is currently processing.\r\n"},
    {339, "This job is currently printing.\r\n"},
    {340, "The job has a job state message of \"%1\".\r\n"},
    {341, "The job has a job state reason of \"%1\".\r\n"},
    {342, "- Document %1 (%2) has no data.\r\n"},
    {343, "Job name: %1\r\n"},
    {344,
     "Warning: Document format \"%1\" is not a native format for printer \"%2\".\r\n"
     "Make sure that the appropriate translation filter is defined.\r\n"},
    {345, "- Printer \"%1\" has been created with a wrong PAF (%2) for Reference supervisor.\r\n"},
    {346, "- Printer \"%1\" has been created with a wrong PAF (%2) for Velmar supervisor.\r\n"},
    {347, "The printer has a printer problem message of \"%1\".\r\n"},
    {348, "Warning: This job has a size of 0 bytes.\r\n"},
    // Reasons that IPP print systems know and no text above can say.
    {360, "- The job is held until \"%1\".\r\n"},
    {361, "Queue \"%1\" is not accepting new jobs.\r\n"},
    {362, "- Printer \"%1\" is out of paper.\r\n"},
    {363, "- Printer \"%1\" has a paper jam.\r\n"},
    {364, "- Printer \"%1\" is out of toner.\r\n"},
    {365, "- Printer \"%1\" is offline.\r\n"},
    {366, "- Printer \"%1\" has no filter for the document format.\r\n"},
    {367, "- Printer \"%1\" has an open door or cover.\r\n"},
    {368, "- Printer \"%1\" reports \"%2\".\r\n"},
    {369, "Warning: Printer \"%1\" reports \"%2\".\r\n"},
    {370, "Printer \"%1\" reports \"%2\".\r\n"},
    {371, "- Server \"%1\" requires authentication, which stallscan does not give.\r\n"},
    {372, "- The job reports \"%1\".\r\n"},
    {373, "Warning: The job reports \"%1\".\r\n"},
    {374, "The job reports \"%1\".\r\n"},
    {375, "Queue \"%1\" has a queue state message of \"%2\".\r\n"},
    // Since when and for how long, where the print system tells times.
    {380, "The job has been waiting for %1 (since %2).\r\n"},
    {381, "Printer \"%1\" has been paused for %2.\r\n"},
    {382, "The hold ends at %1 UTC (%2), in %3.\r\n"},
    {500, "Server \"%1\" is not responding."},
    {501, "Job status: %1"},
    {1000, "stallscan"},
    {1001, "KVPRINTER"},
    {1002, "\\bin\\kvls.exe"},
    {1003, "Log files (*.log)|*.log|All files (*.*)|*.*|"},
    {1004, ".log"},
    {1010, "No entries."},
    {1011, "There are no jobs for which diagnostics will be given."},
    {1020, "1.2"},
    {1021, "03"},
    {1100, "ID"},
    {1101, "Job name"},
    {1102, "Job status"},
    {1103, "Spooler"},
    {1104, "Queue"},
    {1105, "Printer(s)"},
    {1110, "unknown ID"},
    {1111, " "},
    {1112, "unknown status"},
    {1113, "unknown spooler"},
    {1114, " "},
    {1115, " "},
    {1116, " "},
    {1117, "(hidden by the server)"},
    {1300, "kvrsup.exe"},
    {1301, "kvvsup.exe"},
    {1302, "Velmar"},
    {1303, "Reference"},
    {1304, "v"},
    {1500, "ignore"},
    {1501, "none"},
    {1502, "pending"},
    {1503, "processing"},
    {1504, "retained"},
    {1505, "completed"},
    {1506, "held"},
    {1507, "paused"},
    {1508, "unknown"},
    {1509, "printing"},
    {1510, "shutdown"},
    {1511, "connecting-to-printer"},
    {1512, "needs-attention"},
    {1513, "saturated"},
    {1514, "timed-out"},
    {1520, "true"},
    {1521, "false"},
    {1530, "job-hold-set"},
    {1550, "numeric"},
    {1551, "alphanumeric"},
};

// The texts by number, built once (thread-safe) and never changed.
const std::unordered_map<int32_t, std::string>& CatalogTable() {
    static const std::unordered_map<int32_t, std::string> table = [] {
        std::unordered_map<int32_t, std::string> map;
        for (const CatalogEntry& entry : kCatalog) {
            map.emplace(entry.id, entry.text);
        }
        return map;
    }();
    return table;
}

}  // namespace

const std::string& Catalog(Msg id) {
    // Every Msg value is in the table (a test checks it); at() turns a slip into an exception
    // instead of undefined behaviour.
    return CatalogTable().at(static_cast<int32_t>(id));
}

std::optional<std::string_view> FindCatalogText(int32_t id) {
    const auto& table = CatalogTable();
    const auto found = table.find(id);
    if (found == table.end()) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace stallscan::text
