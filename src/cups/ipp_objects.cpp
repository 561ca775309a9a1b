#include "cups/ipp_objects.h"

#include "text/catalog.h"

namespace stallscan::cups {

namespace {

using listing::Answer;
using listing::Status;

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

// A printer's or class's own message, unless it is the one CUPS gives every stop.
std::string StopMessage(ipp_t* destination) {
    const std::string message =
        First(Values(ippFindAttribute(destination, "printer-state-message", IPP_TAG_ZERO)));
    return IsDefaultStopMessage(message) ? std::string() : message;
}

// A time as seconds since 1970 (text): the dateTime attribute where the object has it, else the
// integer one (CUPS gives its times as such seconds); empty when neither is there.
std::string EpochOf(ipp_t* object, const char* date_attr, const char* seconds_attr) {
    if (ipp_attribute_t* date = ippFindAttribute(object, date_attr, IPP_TAG_DATE)) {
        return std::to_string(DateTimeSeconds(ippGetDate(date, 0)));
    }
    const int seconds = ippGetInteger(ippFindAttribute(object, seconds_attr, IPP_TAG_INTEGER), 0);
    return seconds > 0 ? std::to_string(seconds) : std::string();
}

// The server's clock as a destination's answer tells it.
void SetServerTime(Object& object, ipp_t* destination) {
    object.Set("server-current-time", EpochOf(destination, "printer-current-time", ""));
}

ipp_t* DestinationRequest(const char* kind, const std::string& name) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    char uri[1024];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/%s/%s",
                     kind, name.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    return request;
}

}  // namespace

ipp_t* JobsRequest(const std::string& printer_uri, const std::vector<const char*>& wanted) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printer_uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr,
                 "not-completed");
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(wanted.size()), nullptr, wanted.data());
    return request;
}

const std::vector<const char*>& OrderAttributes() {
    static const std::vector<const char*> wanted = {"job-id", "job-state", "job-priority"};
    return wanted;
}

const std::vector<const char*>& JobAttributes() {
    static const std::vector<const char*> wanted = [] {
        std::vector<const char*> names = {"job-id",
                                          "job-state",
                                          "job-priority",
                                          "job-name",
                                          "job-originating-user-name",
                                          "job-state-reasons",
                                          "job-state-message",
                                          "job-printer-state-message",
                                          "job-hold-until",
                                          "time-at-creation",
                                          "date-time-at-creation",
                                          "job-printer-uri",
                                          "document-format",
                                          "document-format-supplied",
                                          "media",
                                          "media-col"};
        names.insert(names.end(), std::begin(kJobAsks), std::end(kJobAsks));
        return names;
    }();
    return wanted;
}

model::ListedObject JobObject(ipp_t* job, const std::string& name, bool everything) {
    const auto get = [job](const char* attr) {
        return Values(ippFindAttribute(job, attr, IPP_TAG_ZERO));
    };
    Object object(name);
    object.Set("job-identifier", First(get("job-id")));
    const int state = ippGetInteger(ippFindAttribute(job, "job-state", IPP_TAG_ENUM), 0);
    object.Set("current-job-state", JobStateWord(state));
    if (!everything) {
        return object.Done();
    }
    // Values that the server keeps private from this user are missing: say so.
    const std::string hidden = text::Catalog(text::Msg::kHiddenValue);
    const std::string job_name = First(get("job-name"));
    object.Set("job-name", job_name.empty() ? hidden : job_name);
    const std::string owner = First(get("job-originating-user-name"));
    object.Set("job-owner", owner.empty() ? hidden : owner);
    object.SetValues("job-state-reasons", get("job-state-reasons"));
    std::string message = First(get("job-state-message"));
    if (message.empty() && !IsDefaultStopMessage(First(get("job-printer-state-message")))) {
        message = First(get("job-printer-state-message"));
    }
    object.Set("job-state-message", message);
    object.Set("time-at-creation", EpochOf(job, "date-time-at-creation", "time-at-creation"));
    // A job held after it was queued keeps "no-hold", which holds nothing.
    if (const std::string until = First(get("job-hold-until"));
        state == IPP_JSTATE_HELD && until != "no-hold") {
        object.Set("job-hold-until", until);
    }
    const std::string destination = DestinationOf(PrinterUriOf(job));
    object.Set("assigned-queue", destination);
    object.Set("printers-assigned", destination);
    std::string format = First(get("document-format"));
    if (format.empty()) {
        format = First(get("document-format-supplied"));
    }
    object.Set("document-format", format);
    object.SetValues("media", JobMedia(job));
    for (const char* attr : kJobAsks) {
        object.SetValues(attr, get(attr));
    }
    return object.Done();
}

void SetJobsAhead(model::ListedObject& job, int ahead) {
    job.entries.Set("intervening-jobs", std::to_string(ahead) + '\0');
}

std::string PrinterUriOf(ipp_t* job) {
    return First(Values(ippFindAttribute(job, "job-printer-uri", IPP_TAG_ZERO)));
}

model::ListedObject ServerObject(const std::string& server) {
    Object object(server);
    object.Set("server-name", server);
    object.Set("server-state", "running");
    object.Set("enabled", text::Catalog(text::Msg::kTrue));
    return object.Done();
}

model::ListedObject QueueObject(ipp_t* destination, const std::string& name, bool is_class) {
    Object object(name);
    const int state =
        ippGetInteger(ippFindAttribute(destination, "printer-state", IPP_TAG_ENUM), 0);
    // A printer queue's state is its printer's, which the printer checks report; a class can be
    // stopped of its own, with a message of its own.
    const bool stopped_class = is_class && state == IPP_PSTATE_STOPPED;
    object.Set("state", stopped_class ? text::Catalog(text::Msg::kPaused) : std::string("ready"));
    if (stopped_class) {
        object.Set("queue-state-message", StopMessage(destination));
    }
    object.SetValues("physical-printers-supported",
                     is_class ? Values(ippFindAttribute(destination, "member-names", IPP_TAG_ZERO))
                              : name + '\0');
    object.Set("accepting-jobs", First(Values(ippFindAttribute(
                                     destination, "printer-is-accepting-jobs", IPP_TAG_ZERO))));
    SetServerTime(object, destination);
    return object.Done();
}

model::ListedObject PrinterObject(ipp_t* destination, const std::string& name,
                                  const std::string& server) {
    const auto get = [destination](const char* attr) {
        return Values(ippFindAttribute(destination, attr, IPP_TAG_ZERO));
    };
    Object object(name);
    const int state =
        ippGetInteger(ippFindAttribute(destination, "printer-state", IPP_TAG_ENUM), 0);
    object.Set("printer-state", PrinterStateWord(state));
    if (state == IPP_PSTATE_STOPPED) {
        object.Set("printer-problem-message", StopMessage(destination));
    }
    object.Set("printer-state-change-time",
               EpochOf(destination, "printer-state-change-date-time", "printer-state-change-time"));
    SetServerTime(object, destination);
    object.SetValues("printer-state-reasons", get("printer-state-reasons"));
    object.Set("associated-server", server);
    for (const char* attr : kPrinterOffers) {
        object.SetValues(attr, get(attr));
    }
    return object.Done();
}

ipp_t* DestinationsRequest() {
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    std::vector<const char*> wanted = {"printer-name", "printer-state", "printer-state-message",
                                       "printer-state-reasons", "printer-is-accepting-jobs"};
    wanted.insert(wanted.end(), std::begin(kPrinterOffers), std::end(kPrinterOffers));
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(wanted.size()), nullptr, wanted.data());
    return request;
}

std::vector<model::ListedObject> DestinationObjects(ipp_t* response, const std::string& server) {
    std::vector<model::ListedObject> objects;
    for (const IppPtr& group : Groups(response, IPP_TAG_PRINTER)) {
        const std::string name =
            First(Values(ippFindAttribute(group.get(), "printer-name", IPP_TAG_ZERO)));
        if (name.empty()) {
            continue;
        }
        objects.push_back(PrinterObject(group.get(), name, server));
        objects.back().entries.Set(
            "accepting-jobs",
            First(Values(ippFindAttribute(group.get(), "printer-is-accepting-jobs", IPP_TAG_ZERO))) +
                '\0');
    }
    return objects;
}

IppPtr GetDestination(Connection& connection, const std::string& name, bool class_first,
                      bool& is_class, Answer& failure) {
    is_class = class_first;
    auto response = connection.Send(DestinationRequest(is_class ? "classes" : "printers", name),
                                    failure);
    if (response == nullptr && failure.status == Status::kNoEntries) {
        is_class = !is_class;
        response = connection.Send(DestinationRequest(is_class ? "classes" : "printers", name),
                                   failure);
    }
    if (response != nullptr) {
        ipp_attribute_t* type = ippFindAttribute(response.get(), "printer-type", IPP_TAG_ENUM);
        is_class = is_class || (type != nullptr && (ippGetInteger(type, 0) & CUPS_PRINTER_CLASS));
    }
    return response;
}

}  // namespace stallscan::cups
