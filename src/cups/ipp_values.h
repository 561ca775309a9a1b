#pragma once
// IPP values in the words and forms the diagnosis reads: job and printer states, enumerations as
// their keywords, media as PWG names, and the jobs of a Get-Jobs response.

#include <cups/cups.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace stallscan::cups {

using IppPtr = std::unique_ptr<ipp_t, decltype(&ippDelete)>;

// The waiting states: pending, pending-held and processing-stopped.
bool Waiting(int job_state);
// A job state in the words the diagnosis decides by: "pending", "held", "paused" (processing
// stopped), "processing", "completed"; canceled and aborted keep IPP's names.
std::string JobStateWord(int job_state);
// Printer states: "idle", "printing" (processing) and "paused" (stopped).
std::string PrinterStateWord(int printer_state);

// Every value of an attribute, each followed by NUL: enumerations as their keywords, ranges as
// "low:high", resolutions as "600dpi" or "600x300dpi", booleans as "true" and "false"; media
// ("media", "media-default", "media-ready" ...) as PWG names. Empty for no attribute.
std::string Values(ipp_attribute_t* attr);
// The first of such values.
std::string First(const std::string& values);

// A medium in PWG's self-describing name ("a4", "A4" and "iso-a4" become "iso_a4_210x297mm");
// a name nobody knows stays as it is.
std::string MediumName(const std::string& name);
// The media a job asks for, as PWG names: its "media" values, or the size of its "media-col".
std::string JobMedia(ipp_t* job);

// An IPP dateTime (RFC 2579: the local date and time and its distance from UTC) as seconds since
// 1970. Read field by field: libcups's own conversion goes through the local time zone of
// stallscan, and is off by its offset where that zone is not UTC.
int64_t DateTimeSeconds(const ipp_uchar_t* date);

// The destination of a printer or job URI ("ipp://host/printers/office" -> "office").
std::string DestinationOf(const std::string& uri);

// The text CUPS gives a printer or class that is stopped without a reason: it says nothing
// that the state does not.
bool IsDefaultStopMessage(std::string_view message);

// Each job of a Get-Jobs response as a message of its own (its job group), in the response's
// order, whatever the order of attributes in a group.
std::vector<IppPtr> JobGroups(ipp_t* response);
// The same for the groups of any tag (IPP_TAG_PRINTER: each destination of CUPS-Get-Printers).
std::vector<IppPtr> Groups(ipp_t* response, ipp_tag_t group);

// One job of a Get-Jobs response.
struct JobEntry {
    int id = 0;
    int state = 0;
    int priority = 50;
};
// The job's number, state and priority (50 when it has none).
JobEntry EntryOf(ipp_t* job);
// The jobs of a response, one per job group.
std::vector<JobEntry> Jobs(ipp_t* response);

// The jobs of one destination in the order they print, which answers for any job how many print
// before it.
class PrintOrder {
  public:
    explicit PrintOrder(const std::vector<JobEntry>& jobs);
    // How many of the jobs print before job `id` of priority `priority`: those processing, and the
    // pending ones (not held) of higher priority, or of equal priority and a lower number.
    int Ahead(int id, int priority) const;

  private:
    std::vector<int> processing_;                // their numbers, ascending
    std::vector<std::pair<int, int>> pending_;   // (-priority, number), ascending: printing order
};

}  // namespace stallscan::cups
