#include "cups/cups_source.h"

#include <cstdlib>

#include "cups/connection.h"
#include "cups/ipp_values.h"
#include "text/catalog.h"

namespace stallscan::cups {

namespace {

using listing::Answer;
using listing::Control;
using listing::Request;
using listing::Status;
using model::ObjectClass;

// An object being filled: single values and value lists.
class Object {
  public:
    explicit Object(std::string name) { object_.name = std::move(name); }
    void Set(const std::string& attr, const std::string& value) {
        if (!value.empty()) {
            object_.entries.Set(attr, value + '\0');
        }
    }
    void SetValues(const std::string& attr, const std::string& values) {
        object_.entries.Set(attr, values);
    }
    model::ListedObject Done() { return std::move(object_); }

  private:
    model::ListedObject object_;
};

ipp_t* PrinterRequest(const std::string& kind, const std::string& name) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    char uri[1024];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/%s/%s",
                     kind.c_str(), name.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    return request;
}

ipp_t* JobsRequest(const std::string& printer_uri) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printer_uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr,
                 "not-completed");
    static const char* const kWanted[] = {"job-id", "job-state", "job-priority"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                  kWanted);
    return request;
}

// A printer's or class's own message, unless it is the one CUPS gives every stop.
std::string StopMessage(ipp_t* destination) {
    const std::string message =
        First(Values(ippFindAttribute(destination, "printer-state-message", IPP_TAG_ZERO)));
    return IsDefaultStopMessage(message) ? std::string() : message;
}

// What the job asks for, compared with what a printer offers and its defaults.
constexpr const char* kJobAsks[] = {"sides",
                                    "copies",
                                    "number-up",
                                    "page-ranges",
                                    "print-color-mode",
                                    "print-quality",
                                    "printer-resolution",
                                    "output-bin",
                                    "finishings"};
constexpr const char* kPrinterOffers[] = {"document-format-supported",
                                          "media-supported",
                                          "media-ready",
                                          "sides-supported",
                                          "copies-supported",
                                          "number-up-supported",
                                          "page-ranges-supported",
                                          "print-color-mode-supported",
                                          "print-quality-supported",
                                          "printer-resolution-supported",
                                          "output-bin-supported",
                                          "finishings-supported",
                                          "document-format-default",
                                          "media-default",
                                          "sides-default",
                                          "copies-default",
                                          "number-up-default",
                                          "print-color-mode-default",
                                          "print-quality-default",
                                          "printer-resolution-default",
                                          "output-bin-default",
                                          "finishings-default"};

class Lister {
  public:
    Lister(const ServerAddress& server, const Control& control)
        : server_(server), connection_(server, control) {}

    Answer Server() {
        Answer answer;
        ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "limit", 1);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "printer-name");
        // A server without a single destination answers "not found": it answers.
        if (connection_.Send(request, answer) == nullptr && answer.status != Status::kNoEntries) {
            return answer;
        }
        answer = {};
        Object object(server_.label);
        object.Set("server-name", server_.label);
        object.Set("server-state", "running");
        object.Set("enabled", text::Catalog(text::Msg::kTrue));
        answer.objects.push_back(object.Done());
        return answer;
    }

    Answer WaitingJobs() {
        Answer answer;
        const auto response = connection_.Send(JobsRequest("ipp://localhost/"), answer);
        if (response == nullptr) {
            return answer;
        }
        for (const JobEntry& job : Jobs(response.get())) {
            if (job.id > 0 && Waiting(job.state)) {
                Object object(server_.label + ":" + std::to_string(job.id));
                object.Set("job-identifier", std::to_string(job.id));
                answer.objects.push_back(object.Done());
            }
        }
        return answer;
    }

    Answer Job(const std::string& object_name, const std::string& id, bool everything) {
        Answer answer;
        ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                     "ipp://localhost/");
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", std::atoi(id.c_str()));
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "all");
        const auto response = connection_.Send(request, answer);
        if (response == nullptr) {
            return answer;
        }
        ipp_t* job = response.get();
        const auto get = [job](const char* name) {
            return Values(ippFindAttribute(job, name, IPP_TAG_ZERO));
        };
        Object object(object_name);
        object.Set("job-identifier", First(get("job-id")));
        const int state = ippGetInteger(ippFindAttribute(job, "job-state", IPP_TAG_ENUM), 0);
        object.Set("current-job-state", JobStateWord(state));
        if (!everything) {
            answer.objects.push_back(object.Done());
            return answer;
        }
        // Values that the server keeps private from this user are missing: say so.
        const std::string hidden = text::Catalog(text::Msg::kHiddenValue);
        const std::string name = First(get("job-name"));
        object.Set("job-name", name.empty() ? hidden : name);
        const std::string owner = First(get("job-originating-user-name"));
        object.Set("job-owner", owner.empty() ? hidden : owner);
        object.SetValues("job-state-reasons", get("job-state-reasons"));
        std::string message = First(get("job-state-message"));
        if (message.empty() && !IsDefaultStopMessage(First(get("job-printer-state-message")))) {
            message = First(get("job-printer-state-message"));
        }
        object.Set("job-state-message", message);
        // A job held after it was queued keeps "no-hold", which holds nothing.
        if (const std::string until = First(get("job-hold-until"));
            state == IPP_JSTATE_HELD && until != "no-hold") {
            object.Set("job-hold-until", until);
        }
        const std::string printer_uri = First(get("job-printer-uri"));
        const std::string destination = DestinationOf(printer_uri);
        object.Set("assigned-queue", destination);
        object.Set("printers-assigned", destination);
        if (Waiting(state)) {
            // Without the jobs ahead the report would leave out a line: the listing fails.
            Answer failed;
            const auto jobs = connection_.Send(JobsRequest(printer_uri), failed);
            if (jobs == nullptr) {
                return failed;
            }
            ipp_attribute_t* priority = ippFindAttribute(job, "job-priority", IPP_TAG_INTEGER);
            object.Set(
                "intervening-jobs",
                std::to_string(JobsAhead(Jobs(jobs.get()), std::atoi(id.c_str()),
                                         priority != nullptr ? ippGetInteger(priority, 0) : 50)));
        }
        std::string format = First(get("document-format"));
        if (format.empty()) {
            format = First(get("document-format-supplied"));
        }
        object.Set("document-format", format);
        object.SetValues("media", JobMedia(job));
        for (const char* attr : kJobAsks) {
            object.SetValues(attr, get(attr));
        }
        answer.objects.push_back(object.Done());
        return answer;
    }

    Answer Queue(const std::string& name) {
        Answer answer;
        bool is_class = false;
        const auto response = Destination(name, is_class, answer);
        if (response == nullptr) {
            return answer;
        }
        ipp_t* queue = response.get();
        Object object(name);
        const int state = ippGetInteger(ippFindAttribute(queue, "printer-state", IPP_TAG_ENUM), 0);
        // A printer queue's state is its printer's, which the printer checks report; a class
        // can be stopped of its own, with a message of its own.
        const bool stopped_class = is_class && state == IPP_PSTATE_STOPPED;
        object.Set("state",
                   stopped_class ? text::Catalog(text::Msg::kPaused) : std::string("ready"));
        if (stopped_class) {
            object.Set("queue-state-message", StopMessage(queue));
        }
        object.SetValues(
            "physical-printers-supported",
            is_class ? Values(ippFindAttribute(queue, "member-names", IPP_TAG_ZERO)) : name + '\0');
        object.Set(
            "accepting-jobs",
            First(Values(ippFindAttribute(queue, "printer-is-accepting-jobs", IPP_TAG_ZERO))));
        answer.objects.push_back(object.Done());
        return answer;
    }

    Answer Printer(const std::string& name) {
        Answer answer;
        bool is_class = false;
        const auto response = Destination(name, is_class, answer);
        if (response == nullptr) {
            return answer;
        }
        ipp_t* printer = response.get();
        const auto get = [printer](const char* attr) {
            return Values(ippFindAttribute(printer, attr, IPP_TAG_ZERO));
        };
        Object object(name);
        const int state =
            ippGetInteger(ippFindAttribute(printer, "printer-state", IPP_TAG_ENUM), 0);
        object.Set("printer-state", PrinterStateWord(state));
        if (state == IPP_PSTATE_STOPPED) {
            object.Set("printer-problem-message", StopMessage(printer));
        }
        object.SetValues("printer-state-reasons", get("printer-state-reasons"));
        object.Set("associated-server", server_.label);
        for (const char* attr : kPrinterOffers) {
            object.SetValues(attr, get(attr));
        }
        answer.objects.push_back(object.Done());
        return answer;
    }

  private:
    // A printer or class by name: the printer first, then the class.
    IppPtr Destination(const std::string& name, bool& is_class, Answer& failure) {
        auto response = connection_.Send(PrinterRequest("printers", name), failure);
        is_class = false;
        if (response == nullptr && failure.status == Status::kNoEntries) {
            failure = {};
            response = connection_.Send(PrinterRequest("classes", name), failure);
            is_class = response != nullptr;
        }
        if (response != nullptr) {
            ipp_attribute_t* type = ippFindAttribute(response.get(), "printer-type", IPP_TAG_ENUM);
            is_class =
                is_class || (type != nullptr && (ippGetInteger(type, 0) & CUPS_PRINTER_CLASS));
        }
        return response;
    }

    const ServerAddress& server_;
    Connection connection_;
};

}  // namespace

Answer CupsSource::List(const Request& request, const Control& control) {
    if (request.address.name.empty()) {
        return {Status::kRefused, {}, {}};
    }
    if (control.stop.stop_requested()) {
        return {Status::kStopped, {}, {}};
    }
    Lister lister(server_, control);
    const std::string& name = request.address.name;
    switch (request.address.object_class) {
        case ObjectClass::kServer:
            return lister.Server();
        case ObjectClass::kQueue:
            return lister.Queue(name);
        case ObjectClass::kPrinter:
            // The listing tool's access-file attributes are none of IPP's.
            if (request.attributes.starts_with("paf-")) {
                return {};
            }
            return lister.Printer(name);
        case ObjectClass::kJob: {
            const size_t colon = name.rfind(':');
            const std::string id = colon == std::string::npos ? "" : name.substr(colon + 1);
            if (id.empty()) {
                return lister.WaitingJobs();
            }
            if (id.find_first_not_of("0123456789") != std::string::npos || id.size() > 9) {
                return {Status::kNoEntries, {}, {}};
            }
            // All of a job, or its state alone (the re-check); other attributes are none of
            // IPP's, and a listing of them lists nothing, as the listing tool does.
            if (request.attributes != "all" && request.attributes != "current-job-state") {
                return {};
            }
            return lister.Job(name, id, request.attributes == "all");
        }
        default:
            return {Status::kNoEntries, {}, {}};
    }
}

std::string DefaultDestination() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    const cups_dest_t* dest = cupsGetDest(nullptr, nullptr, count, dests);
    std::string name = dest != nullptr ? dest->name : "";
    cupsFreeDests(count, dests);
    return name;
}

}  // namespace stallscan::cups
