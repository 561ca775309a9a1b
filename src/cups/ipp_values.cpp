#include "cups/ipp_values.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include "text/catalog.h"

namespace stallscan::cups {

namespace {

bool IsMedia(std::string_view name) {
    return name == "media" || name == "media-default" || name == "media-ready" ||
           name == "media-supported";
}

std::string Capitals(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

bool Waiting(int job_state) {
    return job_state == IPP_JSTATE_PENDING || job_state == IPP_JSTATE_HELD ||
           job_state == IPP_JSTATE_STOPPED;
}

std::string JobStateWord(int job_state) {
    using text::Catalog;
    using text::Msg;
    switch (job_state) {
        case IPP_JSTATE_PENDING:
            return Catalog(Msg::kPending);
        case IPP_JSTATE_HELD:
            return Catalog(Msg::kHeld);
        case IPP_JSTATE_STOPPED:
            return Catalog(Msg::kPaused);
        case IPP_JSTATE_PROCESSING:
            return Catalog(Msg::kProcessing);
        case IPP_JSTATE_COMPLETED:
            return Catalog(Msg::kCompleted);
        default:
            return ippEnumString("job-state", job_state);  // canceled, aborted
    }
}

std::string PrinterStateWord(int printer_state) {
    using text::Catalog;
    using text::Msg;
    switch (printer_state) {
        case IPP_PSTATE_PROCESSING:
            return Catalog(Msg::kPrinting);
        case IPP_PSTATE_STOPPED:
            return Catalog(Msg::kPaused);
        default:
            return "idle";
    }
}

std::string Values(ipp_attribute_t* attr) {
    std::string values;
    if (attr == nullptr) {
        return values;
    }
    const std::string_view name = ippGetName(attr) != nullptr ? ippGetName(attr) : "";
    for (int i = 0; i < ippGetCount(attr); ++i) {
        std::string value;
        switch (ippGetValueTag(attr)) {
            case IPP_TAG_INTEGER:
                value = std::to_string(ippGetInteger(attr, i));
                break;
            case IPP_TAG_ENUM:
                value = ippEnumString(std::string(name).c_str(), ippGetInteger(attr, i));
                break;
            case IPP_TAG_BOOLEAN:
                value = ippGetBoolean(attr, i) ? "true" : "false";
                break;
            case IPP_TAG_RANGE: {
                int upper = 0;
                const int lower = ippGetRange(attr, i, &upper);
                value = std::to_string(lower) + ":" + std::to_string(upper);
                break;
            }
            case IPP_TAG_RESOLUTION: {
                int y = 0;
                ipp_res_t units = IPP_RES_PER_INCH;
                const int x = ippGetResolution(attr, i, &y, &units);
                value = std::to_string(x) + (x == y ? "" : "x" + std::to_string(y)) +
                        (units == IPP_RES_PER_INCH ? "dpi" : "dpcm");
                break;
            }
            case IPP_TAG_BEGIN_COLLECTION:
            case IPP_TAG_DATE:
            case IPP_TAG_NOVALUE:
            case IPP_TAG_UNKNOWN:
                break;
            default:
                if (const char* text = ippGetString(attr, i, nullptr)) {
                    value = IsMedia(name) ? MediumName(text) : text;
                }
        }
        if (!value.empty()) {
            values += value;
            values += '\0';
        }
    }
    return values;
}

std::string First(const std::string& values) {
    return values.substr(0, values.find('\0'));
}

std::string MediumName(const std::string& name) {
    // PPD names are looked up as given, capitalized ("letter" is "Letter") and in capitals ("a3"
    // is "A3").
    std::string capitalized = name;
    if (!capitalized.empty()) {
        capitalized[0] = Capitals(name.substr(0, 1))[0];
    }
    pwg_media_t* media = pwgMediaForPWG(name.c_str());
    for (const std::string& ppd : {name, capitalized, Capitals(name)}) {
        if (media == nullptr) {
            media = pwgMediaForLegacy(ppd.c_str());
        }
        if (media == nullptr) {
            media = pwgMediaForPPD(ppd.c_str());
        }
    }
    return media != nullptr && media->pwg != nullptr ? media->pwg : name;
}

std::string JobMedia(ipp_t* job) {
    std::string media;
    if (ipp_attribute_t* attr = ippFindAttribute(job, "media", IPP_TAG_ZERO)) {
        return Values(attr);
    }
    ipp_attribute_t* col = ippFindAttribute(job, "media-col", IPP_TAG_BEGIN_COLLECTION);
    ipp_t* collection = col != nullptr ? ippGetCollection(col, 0) : nullptr;
    ipp_attribute_t* size = ippFindAttribute(collection, "media-size", IPP_TAG_BEGIN_COLLECTION);
    ipp_t* dimensions = size != nullptr ? ippGetCollection(size, 0) : nullptr;
    ipp_attribute_t* width = ippFindAttribute(dimensions, "x-dimension", IPP_TAG_INTEGER);
    ipp_attribute_t* length = ippFindAttribute(dimensions, "y-dimension", IPP_TAG_INTEGER);
    if (width != nullptr && length != nullptr) {
        if (pwg_media_t* found =
                pwgMediaForSize(ippGetInteger(width, 0), ippGetInteger(length, 0))) {
            media = std::string(found->pwg) + '\0';
        }
    }
    return media;
}

int64_t DateTimeSeconds(const ipp_uchar_t* date) {
    using namespace std::chrono;
    const year_month_day day{year(date[0] * 256 + date[1]), month(date[2]),
                             std::chrono::day(date[3])};
    const int64_t local = duration_cast<seconds>(sys_days(day).time_since_epoch()).count() +
                          date[4] * 3600 + date[5] * 60 + date[6];
    const int64_t east = date[9] * 3600 + date[10] * 60;
    return date[8] == '-' ? local + east : local - east;
}

std::string DestinationOf(const std::string& uri) {
    const size_t slash = uri.find_last_of('/');
    return slash == std::string::npos ? uri : uri.substr(slash + 1);
}

bool IsDefaultStopMessage(std::string_view message) {
    return message == "Paused";
}

std::vector<IppPtr> JobGroups(ipp_t* response) {
    return Groups(response, IPP_TAG_JOB);
}

std::vector<IppPtr> Groups(ipp_t* response, ipp_tag_t group) {
    std::vector<IppPtr> jobs;
    bool in_job = false;
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr != nullptr;
         attr = ippNextAttribute(response)) {
        if (ippGetName(attr) == nullptr || ippGetGroupTag(attr) != group) {
            in_job = false;  // a separator, or another group: the next job attribute opens a job
            continue;
        }
        if (!in_job) {
            jobs.emplace_back(ippNew(), ippDelete);
            in_job = true;
        }
        ippCopyAttribute(jobs.back().get(), attr, 0);
    }
    return jobs;
}

JobEntry EntryOf(ipp_t* job) {
    JobEntry entry;
    entry.id = ippGetInteger(ippFindAttribute(job, "job-id", IPP_TAG_INTEGER), 0);
    entry.state = ippGetInteger(ippFindAttribute(job, "job-state", IPP_TAG_ENUM), 0);
    if (ipp_attribute_t* priority = ippFindAttribute(job, "job-priority", IPP_TAG_INTEGER)) {
        entry.priority = ippGetInteger(priority, 0);
    }
    return entry;
}

std::vector<JobEntry> Jobs(ipp_t* response) {
    std::vector<JobEntry> jobs;
    for (const IppPtr& job : JobGroups(response)) {
        jobs.push_back(EntryOf(job.get()));
    }
    return jobs;
}

PrintOrder::PrintOrder(const std::vector<JobEntry>& jobs) {
    for (const JobEntry& job : jobs) {
        if (job.id != 0 && job.state == IPP_JSTATE_PROCESSING) {
            processing_.push_back(job.id);
        } else if (job.id != 0 && job.state == IPP_JSTATE_PENDING) {
            pending_.emplace_back(-job.priority, job.id);
        }
    }
    std::sort(processing_.begin(), processing_.end());
    std::sort(pending_.begin(), pending_.end());
}

int PrintOrder::Ahead(int id, int priority) const {
    const auto first_after =
        std::lower_bound(pending_.begin(), pending_.end(), std::pair(-priority, id));
    const bool printing = std::binary_search(processing_.begin(), processing_.end(), id);
    return static_cast<int>(first_after - pending_.begin()) +
           static_cast<int>(processing_.size()) - (printing ? 1 : 0);
}

}  // namespace stallscan::cups
