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
        not_found += outcome == diag::Outcome::kNotFound || outcome == diag::Outcome::kInvalid;
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

void CheckSummary::CountServers(const std::vector<run::ServerOutcome>& servers) {
    for (const run::ServerOutcome& server : servers) {
        if (!server.error.empty()) {
            std::string sentence = server.error;
            if (sentence.ends_with('.')) {
                sentence.pop_back();
            }
            server_failures.push_back(std::move(sentence));
        }
    }
}

int CheckSummary::Status(const Options& options) const {
    if (!server_failures.empty() || (options.critical && options.critical->Alerts(blocked))) {
        return kCheckCritical;
    }
    return options.warning.Alerts(blocked) || not_found > 0 ? kCheckWarning : kCheckOk;
}

std::string CheckSummary::Line(const Options& options) const {
    static const char* const kWords[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    std::string line = std::string("STALLSCAN ") + kWords[Status(options)] + " - ";
    for (const std::string& failure : server_failures) {
        line += failure + "; ";
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
    if (not_found > 0) {
        line += " (" + std::to_string(not_found) + " not found)";
    }
    // The thresholds as given: the monitoring system draws them beside the value.
    line += " | jobs=" + std::to_string(jobs) + " blocked=" + std::to_string(blocked) + ";" +
            options.warning.text;
    if (options.critical) {
        line += ";" + options.critical->text;
    }
    line += " not_diagnosed=" + std::to_string(not_diagnosed);
    return line;
}

}  // namespace stallscan::cli
