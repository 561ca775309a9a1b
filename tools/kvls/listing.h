// Answers a listing request from the model, in the listing format:
//
//   <object>: <attribute> = <first value>          one line per attribute
//   <blanks><further value>                        one line per further value
//   <job>.<N>: <attribute> = <value>               a job's document N, after the job's lines
//
// Every line ends with CR LF.
#pragma once

#include <string>
#include <string_view>

#include "command_line.h"
#include "model_file.h"
#include "store.h"

namespace kvls {

inline constexpr std::string_view kNoEntries = "No entries.";

// The job filter that selects a server's waiting jobs.
inline constexpr std::string_view kWaitingJobsFilter =
    "(current-job-state==pending) || (current-job-state==paused) || "
    "(current-job-state==held)";

struct Answer {
    std::string out;  // standard output
    std::string err;  // standard error
    int exit_code = 0;
};

// Exit codes of a run.
inline constexpr int kExitListed = 0;
inline constexpr int kExitNoEntries = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoModel = 3;

// Appends the selected attributes of one object under the name; false when none was selected.
bool AppendAttributes(std::string* out, std::string_view name, const AttrSet& attrs,
                      const AttrSelection& selection);

// Appends a job and, after it, its documents (as name.N).
void AppendJob(std::string* out, const NamedObject& job, const AttrSelection& selection);

// Runs the request against the model. No matching object gives "No entries." on standard error,
// an empty standard output and kExitNoEntries. Matching objects that carry none of the requested
// attributes give two empty outputs and kExitListed: the object exists, so a caller that merges
// this listing into an earlier one keeps what it has.
Answer AnswerRequest(const Request& request, const ModelStore& store);

}  // namespace kvls
