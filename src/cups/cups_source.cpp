#include "cups/cups_source.h"

#include <cstdlib>

#include "cups/connection.h"
#include "cups/ipp_objects.h"
#include "cups/scan_snapshot.h"

namespace stallscan::cups {

namespace {

using listing::Answer;
using listing::Control;
using listing::Request;
using listing::Status;
using model::ObjectClass;

// The listings of one request of the diagnosis, on a connection of their own.
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
        return {Status::kOk, {ServerObject(server_.label)}, {}};
    }

    Answer WaitingJobs() {
        Answer answer;
        const auto response = connection_.Send(JobsRequest(kAllJobs, OrderAttributes()), answer);
        if (response == nullptr) {
            return answer;
        }
        for (const JobEntry& job : Jobs(response.get())) {
            if (job.id > 0 && Waiting(job.state)) {
                model::ListedObject object;
                object.name = server_.label + ":" + std::to_string(job.id);
                object.entries.Set("job-identifier", std::to_string(job.id) + '\0');
                answer.objects.push_back(std::move(object));
            }
        }
        return answer;
    }

    Answer Job(const std::string& object_name, const std::string& id, bool everything) {
        Answer answer;
        ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, kAllJobs);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", std::atoi(id.c_str()));
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "all");
        const auto response = connection_.Send(request, answer);
        if (response == nullptr) {
            return answer;
        }
        answer.objects.push_back(JobObject(response.get(), object_name, everything));
        const JobEntry job = EntryOf(response.get());
        if (everything && Waiting(job.state)) {
            // Without the jobs ahead the report would leave out a line: the listing fails.
            Answer failed;
            const auto jobs =
                connection_.Send(JobsRequest(PrinterUriOf(response.get()), OrderAttributes()), failed);
            if (jobs == nullptr) {
                return failed;
            }
            SetJobsAhead(answer.objects.back(),
                         PrintOrder(Jobs(jobs.get())).Ahead(std::atoi(id.c_str()), job.priority));
        }
        return answer;
    }

    // Every printer and class, each with what its printer object and "accepting-jobs" need.
    Answer Destinations() {
        Answer answer;
        const auto response = connection_.Send(DestinationsRequest(), answer);
        if (response == nullptr) {
            // A server without a single destination answers "not found": there are none.
            return answer.status == Status::kNoEntries ? Answer{} : answer;
        }
        answer.objects = DestinationObjects(response.get(), server_.label);
        return answer;
    }

    Answer Queue(const std::string& name) {
        Answer answer;
        bool is_class = false;
        const auto response = GetDestination(connection_, name, false, is_class, answer);
        if (response != nullptr) {
            answer.objects.push_back(QueueObject(response.get(), name, is_class));
        }
        return answer;
    }

    Answer Printer(const std::string& name) {
        Answer answer;
        bool is_class = false;
        const auto response = GetDestination(connection_, name, false, is_class, answer);
        if (response != nullptr) {
            answer.objects.push_back(PrinterObject(response.get(), name, server_.label));
        }
        return answer;
    }

  private:
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
            return name == listing::kEveryDestination ? lister.Destinations() : lister.Queue(name);
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

std::unique_ptr<listing::ListingSource> CupsSource::NewScan() {
    return std::make_unique<ScanSnapshot>(*this);
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
