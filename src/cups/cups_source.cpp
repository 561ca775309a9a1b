#include "cups/cups_source.h"

#include <cups/cups.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "text/catalog.h"

namespace stallscan::cups {

namespace {

using listing::Answer;
using listing::Control;
using listing::Request;
using listing::Status;
using model::ObjectClass;
using Clock = std::chrono::steady_clock;

constexpr int kConnectLimitMs = 30000;

// The waiting states: pending, pending-held and processing-stopped.
bool Waiting(int state) {
    return state == IPP_JSTATE_PENDING || state == IPP_JSTATE_HELD || state == IPP_JSTATE_STOPPED;
}

// A job state in the words the diagnosis decides by: the waiting states become "pending",
// "held" and "paused" (processing stopped: its printer stopped it), the others keep IPP's name.
std::string JobStateWord(int state) {
    using text::Catalog;
    using text::Msg;
    switch (state) {
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
            return ippEnumString("job-state", state);  // canceled, aborted
    }
}

// Printer states: idle, printing (processing) and paused (stopped).
std::string PrinterStateWord(int state) {
    using text::Catalog;
    using text::Msg;
    switch (state) {
        case IPP_PSTATE_PROCESSING:
            return Catalog(Msg::kPrinting);
        case IPP_PSTATE_STOPPED:
            return Catalog(Msg::kPaused);
        default:
            return "idle";
    }
}

// Every value of an attribute as the diagnosis reads values: each followed by NUL. Enumerations
// as their keywords, ranges as "low:high", resolutions as "600dpi" or "600x300dpi".
std::string Values(ipp_attribute_t* attr) {
    std::string values;
    if (attr == nullptr) {
        return values;
    }
    const char* name = ippGetName(attr);
    for (int i = 0; i < ippGetCount(attr); ++i) {
        std::string value;
        switch (ippGetValueTag(attr)) {
            case IPP_TAG_INTEGER:
                value = std::to_string(ippGetInteger(attr, i));
                break;
            case IPP_TAG_ENUM:
                value = ippEnumString(name, ippGetInteger(attr, i));
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
                    value = text;
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

// A medium in PWG's self-describing name ("a4", "A4" and "iso-a4" become "iso_a4_210x297mm"), as
// printers list their media. PPD names are looked up as given, capitalized ("letter" is
// "Letter") and in capitals ("a3" is "A3").
std::string MediumName(const std::string& name) {
    std::string capitalized = name;
    std::string capitals = name;
    if (!capitalized.empty()) {
        capitalized[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    }
    for (char& c : capitals) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    pwg_media_t* media = pwgMediaForPWG(name.c_str());
    for (const std::string* ppd : {&name, static_cast<const std::string*>(&capitalized),
                                   static_cast<const std::string*>(&capitals)}) {
        if (media == nullptr) {
            media = pwgMediaForLegacy(ppd->c_str());
        }
        if (media == nullptr) {
            media = pwgMediaForPPD(ppd->c_str());
        }
    }
    return media != nullptr && media->pwg != nullptr ? media->pwg : name;
}

// The media a job asks for: its "media" values, or the size of its "media-col".
std::string JobMedia(ipp_t* job) {
    std::string media;
    if (ipp_attribute_t* attr = ippFindAttribute(job, "media", IPP_TAG_ZERO)) {
        for (int i = 0; i < ippGetCount(attr); ++i) {
            if (const char* name = ippGetString(attr, i, nullptr)) {
                media += MediumName(name) + '\0';
            }
        }
    } else if (ipp_attribute_t* col =
                   ippFindAttribute(job, "media-col", IPP_TAG_BEGIN_COLLECTION)) {
        ipp_t* collection = ippGetCollection(col, 0);
        ipp_attribute_t* size =
            ippFindAttribute(collection, "media-size", IPP_TAG_BEGIN_COLLECTION);
        ipp_t* dimensions = size != nullptr ? ippGetCollection(size, 0) : nullptr;
        ipp_attribute_t* x = ippFindAttribute(dimensions, "x-dimension", IPP_TAG_INTEGER);
        ipp_attribute_t* y = ippFindAttribute(dimensions, "y-dimension", IPP_TAG_INTEGER);
        if (x != nullptr && y != nullptr) {
            if (pwg_media_t* found = pwgMediaForSize(ippGetInteger(x, 0), ippGetInteger(y, 0))) {
                media = std::string(found->pwg) + '\0';
            }
        }
    }
    return media;
}

// The destination of a printer or job URI ("ipp://host/printers/office" -> "office").
std::string DestinationOf(const std::string& uri) {
    const size_t slash = uri.find_last_of('/');
    return slash == std::string::npos ? uri : uri.substr(slash + 1);
}

const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
    return nullptr;  // never a prompt: cron and monitoring would hang
}

// One connection to the server for one listing, given up when the listing is stopped or its
// time is over.
class Connection {
  public:
    Connection(const ServerAddress& server, const Control& control)
        : stop_(control.stop),
          deadline_(control.timeout.count() > 0 ? Clock::now() + control.timeout
                                                : Clock::time_point::max()),
          on_stop_(control.stop, [this] { cancel_ = 1; }) {
        cupsSetPasswordCB2(NoPassword, nullptr);  // libcups keeps it per thread
        const int limit = deadline_ == Clock::time_point::max()
                              ? kConnectLimitMs
                              : static_cast<int>(std::clamp<long long>(
                                    std::chrono::duration_cast<std::chrono::milliseconds>(
                                        deadline_ - Clock::now())
                                        .count(),
                                    1, kConnectLimitMs));
        http_ = httpConnect2(server.host.c_str(), server.port, nullptr, AF_UNSPEC,
                             server.encrypted ? HTTP_ENCRYPTION_ALWAYS : cupsEncryption(), 1, limit,
                             &cancel_);
        if (http_ != nullptr) {
            httpSetTimeout(http_, 0.2, &Connection::KeepWaiting, this);
        } else {
            error_ = std::string("cannot connect to ") + server.host +
                     (server.host.starts_with("/") ? "" : ":" + std::to_string(server.port)) +
                     ": " + cupsLastErrorString();
        }
    }
    ~Connection() {
        if (http_ != nullptr) {
            httpClose(http_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Sends the request (which it takes) and returns the response, or nothing with `failure` set.
    std::unique_ptr<ipp_t, decltype(&ippDelete)> Send(ipp_t* request, Answer& failure) {
        std::unique_ptr<ipp_t, decltype(&ippDelete)> response(nullptr, ippDelete);
        if (http_ == nullptr) {
            ippDelete(request);
            Fail(failure, Status::kStartFailed, error_);
            return response;
        }
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
        response.reset(cupsDoRequest(http_, request, "/"));
        const ipp_status_t status = cupsLastError();
        if (status <= IPP_STATUS_OK_EVENTS_COMPLETE && response != nullptr) {
            return response;
        }
        response.reset();
        if (status == IPP_STATUS_ERROR_NOT_FOUND) {
            failure.status = Status::kNoEntries;
        } else if (status == IPP_STATUS_ERROR_NOT_AUTHORIZED ||
                   status == IPP_STATUS_ERROR_FORBIDDEN ||
                   status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED) {
            Fail(failure, Status::kAuthenticationRequired, "authentication required");
        } else {
            Fail(failure, Status::kToolError, cupsLastErrorString());
        }
        return response;
    }

  private:
    void Fail(Answer& failure, Status status, const std::string& text) {
        if (stop_.stop_requested()) {
            failure.status = Status::kStopped;
        } else if (timed_out_) {
            failure.status = Status::kTimedOut;
        } else {
            failure.status = status;
            failure.error_text = text;
        }
    }

    // libcups asks every 0.2 s without data whether to wait on.
    static int KeepWaiting(http_t*, void* data) {
        auto* self = static_cast<Connection*>(data);
        if (self->stop_.stop_requested()) {
            return 0;
        }
        if (Clock::now() >= self->deadline_) {
            self->timed_out_ = true;
            return 0;
        }
        return 1;
    }

    std::stop_token stop_;
    Clock::time_point deadline_;
    int cancel_ = 0;
    std::stop_callback<std::function<void()>> on_stop_;
    bool timed_out_ = false;
    http_t* http_ = nullptr;
    std::string error_;
};

ipp_t* PrinterRequest(const std::string& kind, const std::string& name) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    char uri[1024];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/%s/%s",
                     kind.c_str(), name.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    return request;
}

// A printer or class by name: the printer first, then the class.
std::unique_ptr<ipp_t, decltype(&ippDelete)> Destination(Connection& connection,
                                                         const std::string& name, bool& is_class,
                                                         Answer& failure) {
    auto response = connection.Send(PrinterRequest("printers", name), failure);
    is_class = false;
    if (response == nullptr && failure.status == Status::kNoEntries) {
        failure = {};
        response = connection.Send(PrinterRequest("classes", name), failure);
        is_class = response != nullptr;
    }
    if (response != nullptr) {
        ipp_attribute_t* type = ippFindAttribute(response.get(), "printer-type", IPP_TAG_ENUM);
        is_class = is_class || (type != nullptr && (ippGetInteger(type, 0) & CUPS_PRINTER_CLASS));
    }
    return response;
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
        auto response = connection_.Send(JobsRequest("ipp://localhost/"), answer);
        if (response == nullptr) {
            return answer;
        }
        for (ipp_attribute_t* attr = ippFirstAttribute(response.get()); attr != nullptr;
             attr = ippNextAttribute(response.get())) {
            if (ippGetName(attr) == nullptr || std::string(ippGetName(attr)) != "job-id") {
                continue;
            }
            const int id = ippGetInteger(attr, 0);
            ipp_attribute_t* state = ippNextAttribute(response.get());
            while (state != nullptr && ippGetName(state) != nullptr &&
                   std::string(ippGetName(state)) != "job-state") {
                state = ippNextAttribute(response.get());
            }
            if (state != nullptr && Waiting(ippGetInteger(state, 0))) {
                Object object(server_.label + ":" + std::to_string(id));
                object.Set("job-identifier", std::to_string(id));
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
        auto response = connection_.Send(request, answer);
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
        if (message.empty()) {
            message = First(get("job-printer-state-message"));
        }
        object.Set("job-state-message", message);
        if (state == IPP_JSTATE_HELD) {
            object.Set("job-hold-until", First(get("job-hold-until")));
        }
        const std::string printer_uri = First(get("job-printer-uri"));
        const std::string destination = DestinationOf(printer_uri);
        object.Set("assigned-queue", destination);
        object.Set("printers-assigned", destination);
        if (Waiting(state)) {
            object.Set("intervening-jobs", std::to_string(JobsAhead(printer_uri, job)));
        }
        // What the job asks for, against the printers' "...-supported" and "...-ready".
        std::string format = First(get("document-format"));
        if (format.empty()) {
            format = First(get("document-format-supplied"));
        }
        object.Set("document-format", format);
        object.SetValues("media", JobMedia(job));
        for (const char* attr :
             {"sides", "copies", "number-up", "page-ranges", "print-color-mode", "print-quality",
              "printer-resolution", "output-bin", "finishings"}) {
            object.SetValues(attr, get(attr));
        }
        answer.objects.push_back(object.Done());
        return answer;
    }

    Answer Queue(const std::string& name) {
        Answer answer;
        bool is_class = false;
        auto response = Destination(connection_, name, is_class, answer);
        if (response == nullptr) {
            return answer;
        }
        ipp_t* queue = response.get();
        Object object(name);
        const int state = ippGetInteger(ippFindAttribute(queue, "printer-state", IPP_TAG_ENUM), 0);
        // A printer queue's state is its printer's, which the printer checks report; a class
        // can be stopped of its own.
        object.Set("state", is_class && state == IPP_PSTATE_STOPPED
                                ? text::Catalog(text::Msg::kPaused)
                                : std::string("ready"));
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
        auto response = Destination(connection_, name, is_class, answer);
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
            object.Set("printer-problem-message", First(get("printer-state-message")));
        }
        object.SetValues("printer-state-reasons", get("printer-state-reasons"));
        object.Set("associated-server", server_.label);
        for (const char* attr :
             {"document-format-supported", "media-supported", "media-ready", "sides-supported",
              "copies-supported", "number-up-supported", "page-ranges-supported",
              "print-color-mode-supported", "print-quality-supported",
              "printer-resolution-supported", "output-bin-supported", "finishings-supported"}) {
            object.SetValues(attr, get(attr));
        }
        answer.objects.push_back(object.Done());
        return answer;
    }

  private:
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

    // The jobs that the destination prints before this one: those printing now, and the waiting
    // ones not held that come first by priority, then by number.
    int JobsAhead(const std::string& printer_uri, ipp_t* job) {
        const int id = ippGetInteger(ippFindAttribute(job, "job-id", IPP_TAG_INTEGER), 0);
        ipp_attribute_t* priority_attr = ippFindAttribute(job, "job-priority", IPP_TAG_INTEGER);
        const int priority = priority_attr != nullptr ? ippGetInteger(priority_attr, 0) : 50;
        Answer ignored;
        auto response = connection_.Send(JobsRequest(printer_uri), ignored);
        if (response == nullptr) {
            return 0;
        }
        int ahead = 0;
        int other_id = 0, other_state = 0, other_priority = 50;
        const auto count = [&] {
            if (other_id == 0 || other_id == id) {
                return;
            }
            ahead += other_state == IPP_JSTATE_PROCESSING ||
                     (other_state == IPP_JSTATE_PENDING &&
                      (other_priority > priority || (other_priority == priority && other_id < id)));
        };
        for (ipp_attribute_t* attr = ippFirstAttribute(response.get()); attr != nullptr;
             attr = ippNextAttribute(response.get())) {
            const char* name = ippGetName(attr);
            if (name == nullptr) {  // the next job's group begins
                count();
                other_id = 0;
                other_priority = 50;
                continue;
            }
            const std::string attr_name = name;
            if (attr_name == "job-id") {
                other_id = ippGetInteger(attr, 0);
            } else if (attr_name == "job-state") {
                other_state = ippGetInteger(attr, 0);
            } else if (attr_name == "job-priority") {
                other_priority = ippGetInteger(attr, 0);
            }
        }
        count();
        return ahead;
    }

    const ServerAddress& server_;
    Connection connection_;
};

}  // namespace

std::optional<ServerAddress> ParseServer(const std::string& text, std::string& error) {
    ServerAddress server;
    std::string rest = text;
    if (rest.empty()) {
        rest = cupsServer();
        server.port = ippPort();
    }
    if (rest.starts_with("ipps://")) {
        server.encrypted = true;
        rest.erase(0, 7);
    } else if (rest.starts_with("ipp://")) {
        rest.erase(0, 6);
    }
    while (!rest.empty() && rest.back() == '/') {
        rest.pop_back();
    }
    if (rest.starts_with("/")) {
        server.host = rest;  // a local socket
        server.label = "localhost";
        return server;
    }
    std::string port_text;
    if (rest.starts_with("[")) {
        const size_t close = rest.find(']');
        if (close == std::string::npos) {
            error = "no \"]\" after the IPv6 address in \"" + text + "\"";
            return std::nullopt;
        }
        server.host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') {
                error = "\"" + text + "\" is no server (HOST[:PORT], [ADDRESS]:PORT, or a socket)";
                return std::nullopt;
            }
            port_text = rest.substr(close + 2);
        }
    } else {
        const size_t colon = rest.find(':');
        server.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            port_text = rest.substr(colon + 1);
        }
    }
    if (!port_text.empty()) {
        size_t used = 0;
        int port = 0;
        try {
            port = std::stoi(port_text, &used);
        } catch (...) {
            used = 0;
        }
        if (used != port_text.size() || port < 1 || port > 65535) {
            error = "\"" + port_text + "\" is no port number";
            return std::nullopt;
        }
        server.port = port;
    }
    if (server.host.empty()) {
        error = "no host in \"" + text + "\"";
        return std::nullopt;
    }
    server.label = server.host;
    for (char& c : server.label) {
        c = c == ':' ? '-' : c;  // an IPv6 address: never a ":" in the "server:job" keys
    }
    if (server.port != 631) {
        server.label += "@" + std::to_string(server.port);
    }
    return server;
}

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
            if (id.find_first_not_of("0123456789") != std::string::npos) {
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
