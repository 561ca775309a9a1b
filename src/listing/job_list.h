#pragma once
// The waiting (pending, paused, held) jobs of one server, listed with one listing.

#include <string>
#include <vector>

#include "listing/lister.h"
#include "model/string_list.h"

namespace stallscan::listing {

// The filter that selects the waiting jobs.
inline constexpr std::string_view kWaitingJobFilter =
    "(current-job-state==pending) || (current-job-state==paused) || (current-job-state==held)";

class JobList {
  public:
    // Lists the waiting jobs of `server` ("server:" as the job object's name) in `domain`.
    // kOk when the listing was read (possibly without a job); otherwise the source's status, and
    // the list is empty.
    Status List(Lister& lister, const std::string& server, const std::string& domain);

    int32_t Count() const { return ids_.Count(); }
    // The jobs' object names ("srv1:12"), in listing order, each once (at its last place).
    const model::StringList& Ids() const { return ids_; }
    // The same joined by single blanks.
    std::string IdText() const { return ids_.Join(" ", false); }

  private:
    model::StringList ids_;
};

}  // namespace stallscan::listing
