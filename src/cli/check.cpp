#include "cli/check.h"

#include <algorithm>
#include <vector>

#include "cli/cli.h"
#include "diag/message_info.h"

namespace stallscan::cli {

void CheckSummary::Count(const diag::Diagnosis& diagnosis) {
    ++jobs;
    const diag::Outcome outcome = diagnosis.GetOutcome();
    if (outcome != diag::Outcome::kDiagnosed) {
        ++not_diagnosed;
        server_unreadable = server_unreadable || outcome == diag::Outcome::kUnreachable ||
                            outcome == diag::Outcome::kTimedOut;
        return;
    }
    if (!diag::IsBlocked(diagnosis)) {
        return;
    }
    ++blocked;
    for (const std::string& code : diag::ProblemCodes(diagnosis)) {
        ++problems[code];
    }
}

int CheckSummary::Status(const Options& options) const {
    if (job_list_failed || server_unreadable) {
        return kCheckUnknown;
    }
    if (options.critical && blocked > *options.critical) {
        return kCheckCritical;
    }
    return blocked > options.warning ? kCheckWarning : kCheckOk;
}

std::string CheckSummary::Line(const Options& options) const {
    static const char* const kWords[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    std::string line = std::string("STALLSCAN ") + kWords[Status(options)] + " - ";
    if (job_list_failed) {
        line += "a server's job list could not be read; ";
    } else if (server_unreadable) {
        line += "a job's server could not be read; ";
    }
    line += std::to_string(jobs) + (jobs == 1 ? " job" : " jobs");
    if (blocked == 0) {
        line += ", none blocked";
    } else {
        line += ", " + std::to_string(blocked) + " blocked: ";
        // The worst reasons: the problems most jobs share, at most three.
        std::vector<std::pair<std::string, int>> worst(problems.begin(), problems.end());
        std::stable_sort(worst.begin(), worst.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        for (size_t i = 0; i < worst.size() && i < 3; ++i) {
            line += (i == 0 ? "" : ", ") + worst[i].first + " " + std::to_string(worst[i].second);
        }
    }
    if (not_diagnosed > 0) {
        line += ", " + std::to_string(not_diagnosed) + " not diagnosed";
    }
    line += " | jobs=" + std::to_string(jobs) + " blocked=" + std::to_string(blocked) + ";" +
            std::to_string(options.warning);
    if (options.critical) {
        line += ";" + std::to_string(*options.critical);
    }
    line += " not_diagnosed=" + std::to_string(not_diagnosed);
    return line;
}

}  // namespace stallscan::cli
