#include "cups/scan_snapshot.h"

#include <set>
#include <unordered_map>

#include "cups/connection.h"
#include "cups/ipp_objects.h"

namespace stallscan::cups {

using listing::Answer;
using listing::Control;
using listing::Request;
using listing::Status;
using model::ObjectClass;

// The waiting jobs of the server, each by its object name ("server:12").
struct ScanSnapshot::Jobs {
    struct Job {
        model::ListedObject object;  // all but the jobs ahead
        JobEntry entry;
        std::string printer_uri;
    };
    std::unordered_map<std::string, Job> by_name;
    std::set<std::string> classes;  // the destinations that the jobs name as classes
};

// The jobs of one destination in the order they print, or why they could not be asked for.
struct ScanSnapshot::Order {
    Answer failure;
    std::optional<PrintOrder> order;
};

// A printer or class as the queue and as the printer, or why it could not be asked for.
struct ScanSnapshot::Destination {
    Answer failure;
    model::ListedObject queue;
    model::ListedObject printer;
};

// The state of every job not completed, by number, or why they could not be asked for.
struct ScanSnapshot::States {
    Answer failure;
    std::unordered_map<int, int> by_id;
};

namespace {

template <class Value>
bool Holds(const std::shared_ptr<const Value>& value) {
    return listing::HoldsForTheScan(value->failure);
}

const Answer kStopped{Status::kStopped, {}, {}};

}  // namespace

ScanSnapshot::ScanSnapshot(CupsSource& source)
    : source_(source), orders_(Holds<Order>), destinations_(Holds<Destination>),
      states_(Holds<States>) {}

ScanSnapshot::~ScanSnapshot() = default;

Answer ScanSnapshot::List(const Request& request, const Control& control) {
    const std::string& name = request.address.name;
    // Every destination at once is one request of the source, which the scan's cache shares.
    if (name.empty() || name == listing::kEveryDestination || control.stop.stop_requested()) {
        return source_.List(request, control);  // refused or stopped, as the source answers
    }
    switch (request.address.object_class) {
        case ObjectClass::kQueue:
            return DestinationAs(ObjectClass::kQueue, name, control);
        case ObjectClass::kPrinter:
            if (!request.attributes.starts_with("paf-")) {
                return DestinationAs(ObjectClass::kPrinter, name, control);
            }
            break;
        case ObjectClass::kJob:
            if (name.ends_with(':')) {
                return WaitingJobs(control);
            }
            if (request.attributes == "all") {
                if (auto answer = Job(name, control)) {
                    return *answer;
                }
            } else if (request.attributes == "current-job-state") {
                if (auto answer = Recheck(name, control)) {
                    return *answer;
                }
            }
            break;
        default:
            break;
    }
    return source_.List(request, control);
}

// The scan's job list, which brings every waiting job's listing with it.
Answer ScanSnapshot::WaitingJobs(const Control& control) {
    Answer answer;
    Connection connection(source_.Server(), control);
    const auto response = connection.Send(JobsRequest(kAllJobs, JobAttributes()), answer);
    if (response == nullptr) {
        return answer;
    }
    auto jobs = std::make_shared<Jobs>();
    for (const IppPtr& group : JobGroups(response.get())) {
        const JobEntry entry = EntryOf(group.get());
        if (entry.id <= 0 || !Waiting(entry.state)) {
            continue;
        }
        const std::string name = source_.OnlyServer() + ":" + std::to_string(entry.id);
        model::ListedObject object = JobObject(group.get(), name, true);
        const std::string uri = PrinterUriOf(group.get());
        if (uri.find("/classes/") != std::string::npos) {
            jobs->classes.insert(DestinationOf(uri));
        }
        model::ListedObject listed;
        listed.name = name;
        listed.entries.Set("job-identifier", object.entries.Get("job-identifier"));
        answer.objects.push_back(std::move(listed));
        jobs->by_name.insert_or_assign(name, Jobs::Job{std::move(object), entry, uri});
    }
    std::lock_guard lock(mutex_);
    jobs_ = std::move(jobs);
    return answer;
}

std::shared_ptr<const ScanSnapshot::Jobs> ScanSnapshot::Listed() const {
    std::lock_guard lock(mutex_);
    return jobs_;
}

// A job of the job list, with the jobs ahead of it; nothing for a job that the list did not bring.
std::optional<Answer> ScanSnapshot::Job(const std::string& name, const Control& control) {
    const auto jobs = Listed();
    if (jobs == nullptr || jobs->by_name.count(name) == 0) {
        return std::nullopt;
    }
    const Jobs::Job& job = jobs->by_name.at(name);
    const auto order = orders_.Get(job.printer_uri, control.stop, [&] {
        auto made = std::make_shared<Order>();
        Connection connection(source_.Server(), control);
        if (const auto response =
                connection.Send(JobsRequest(job.printer_uri, OrderAttributes()), made->failure)) {
            made->order.emplace(cups::Jobs(response.get()));
        }
        return std::shared_ptr<const Order>(std::move(made));
    });
    if (!order) {
        return kStopped;
    }
    // Without the jobs ahead the report would leave out a line: the listing fails.
    if (!(*order)->order) {
        return (*order)->failure;
    }
    Answer answer;
    answer.objects.push_back(job.object);
    SetJobsAhead(answer.objects.back(), (*order)->order->Ahead(job.entry.id, job.entry.priority));
    return answer;
}

// Whether a job of the job list still waits; nothing for a job that the list did not bring or
// that is no longer among the jobs not completed (its end is the source's to tell).
std::optional<Answer> ScanSnapshot::Recheck(const std::string& name, const Control& control) {
    const auto jobs = Listed();
    if (jobs == nullptr || jobs->by_name.count(name) == 0) {
        return std::nullopt;
    }
    const auto states = states_.Get("", control.stop, [&] {
        auto made = std::make_shared<States>();
        Connection connection(source_.Server(), control);
        if (const auto response =
                connection.Send(JobsRequest(kAllJobs, {"job-id", "job-state"}), made->failure)) {
            for (const JobEntry& entry : cups::Jobs(response.get())) {
                made->by_id.emplace(entry.id, entry.state);
            }
        }
        return std::shared_ptr<const States>(std::move(made));
    });
    if (!states) {
        return kStopped;
    }
    if ((*states)->failure.status != Status::kOk) {
        return (*states)->failure;
    }
    const int id = jobs->by_name.at(name).entry.id;
    const auto found = (*states)->by_id.find(id);
    if (found == (*states)->by_id.end()) {
        return std::nullopt;
    }
    model::ListedObject object;
    object.name = name;
    object.entries.Set("job-identifier", std::to_string(id) + '\0');
    object.entries.Set("current-job-state", JobStateWord(found->second) + '\0');
    return Answer{Status::kOk, {std::move(object)}, {}};
}

// A printer or class as the queue or the printer, from one request for both.
Answer ScanSnapshot::DestinationAs(ObjectClass object_class, const std::string& name,
                                   const Control& control) {
    const auto destination = destinations_.Get(name, control.stop, [&] {
        auto made = std::make_shared<Destination>();
        const auto jobs = Listed();
        const bool class_first = jobs != nullptr && jobs->classes.count(name) > 0;
        bool is_class = false;
        Connection connection(source_.Server(), control);
        if (const auto response =
                GetDestination(connection, name, class_first, is_class, made->failure)) {
            made->queue = QueueObject(response.get(), name, is_class);
            made->printer = PrinterObject(response.get(), name, source_.OnlyServer());
        }
        return std::shared_ptr<const Destination>(std::move(made));
    });
    if (!destination) {
        return kStopped;
    }
    if ((*destination)->failure.status != Status::kOk) {
        return (*destination)->failure;
    }
    return {Status::kOk,
            {object_class == ObjectClass::kQueue ? (*destination)->queue
                                                 : (*destination)->printer},
            {}};
}

}  // namespace stallscan::cups
