#include "listing/job_list.h"

#include "text/text_functions.h"

namespace stallscan::listing {

namespace {

// True when the object name is a job: a ":" followed by a non-zero number.
bool IsJobName(const std::string& name) {
    const size_t colon = name.find(':');
    return colon != std::string::npos &&
           text::NumericValue(std::string_view(name).substr(colon + 1)) != 0.0;
}

}  // namespace

Status JobList::List(Lister& lister, const std::string& server, const std::string& domain) {
    ids_.Clear();
    Request request;
    request.address = {model::ObjectClass::kJob, server + ":", domain};
    request.attributes = "job-identifier";
    request.filter = kWaitingJobFilter;
    const Answer answer = lister.List(request);
    if (answer.status != Status::kOk) {
        return answer.status;
    }
    // An object without a job identifier, or whose name is no job, is left out; the jobs listed
    // after it still count.
    for (const model::ListedObject& object : answer.objects) {
        if (!object.entries.Get("job-identifier").empty() && IsJobName(object.name)) {
            ids_.Add(object.name);
        }
    }
    return Status::kOk;
}

}  // namespace stallscan::listing
