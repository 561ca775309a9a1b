#include "cli/check.h"

#include <algorithm>
#include <vector>

#include "cli/cli.h"
#include "diag/message_info.h"
#include "text/time_text.h"

namespace stallscan::cli {

void CheckSummary::Count(const diag::Diagnosis& diagnosis) {
    ++jobs;
    const diag::Outcome outcome = diagnosis.GetOutcome();
    if (outcome != diag::Outcome::kDiagnosed) {
        ++not_diagnosed;
        not_found += outcome == diag::Outcome::kNotFound || outcome == diag::Outcome::kInvalid;
        return;
    }
    without_time += !diagnosis.Created().has_value();
    if (!diag::IsBlocked(diagnosis)) {
        return;
    }
    ++blocked;
    if (const auto waited = diagnosis.WaitingSeconds()) {
        oldest_blocked = std::max(oldest_blocked.value_or(0), *waited);
    }
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

namespace {

bool AgesAsked(const Options& options) {
    return options.warning_age || options.critical_age;
}

// The state of the oldest blocked job's age alone.
int AgeStatus(const Options& options, int64_t oldest) {
    if (options.critical_age && oldest >= *options.critical_age) {
        return kCheckCritical;
    }
    return options.warning_age && oldest >= *options.warning_age ? kCheckWarning : kCheckOk;
}

// "oldest_blocked=840s;900;3600": the thresholds in seconds, an empty place for one not given.
std::string AgePerfData(const Options& options, int64_t oldest) {
    std::string data = " oldest_blocked=" + std::to_string(oldest) + "s;";
    if (options.warning_age) {
        data += std::to_string(*options.warning_age);
    }
    if (options.critical_age) {
        data += ";" + std::to_string(*options.critical_age);
    }
    return data;
}

}  // namespace

int CheckSummary::Status(const Options& options) const {
    if (!server_failures.empty()) {
        return kCheckCritical;
    }
    // Ages that cannot be told are no reason to say all is well.
    if (AgesAsked(options) && without_time > 0) {
        return kCheckUnknown;
    }
    int status = kCheckOk;
    // Without ages the counts decide; with ages only when given too, and the worse state wins.
    if (!AgesAsked(options) || options.thresholds_given) {
        status = options.critical && options.critical->Alerts(blocked) ? kCheckCritical
                 : options.warning.Alerts(blocked)                     ? kCheckWarning
                                                                       : kCheckOk;
    }
    if (AgesAsked(options)) {
        status = std::max(status, AgeStatus(options, oldest_blocked.value_or(0)));
    }
    return not_found > 0 ? std::max(status, static_cast<int>(kCheckWarning)) : status;
}

std::string CheckSummary::Line(const Options& options) const {
    static const char* const kWords[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    std::string line = std::string("STALLSCAN ") + kWords[Status(options)] + " - ";
    for (const std::string& failure : server_failures) {
        line += failure + "; ";
    }
    const bool ages = AgesAsked(options) && without_time == 0;
    if (AgesAsked(options) && without_time > 0) {
        line +=
            "the print system tells no submission times, so the ages of --warning-age and "
            "--critical-age cannot be checked; ";
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
    if (ages && oldest_blocked) {
        line += ", the oldest waiting for " + text::FormatDuration(*oldest_blocked);
    }
    if (not_diagnosed > 0) {
        line += ", " + std::to_string(not_diagnosed) + " not diagnosed";
    }
    if (not_found > 0) {
        line += " (" + std::to_string(not_found) + " not found)";
    }
    // The thresholds as given: the monitoring system draws them beside the value.
    line += " | jobs=" + std::to_string(jobs) + " blocked=" + std::to_string(blocked);
    // Counts that do not decide (ages alone were asked for) carry no thresholds.
    if (!AgesAsked(options) || options.thresholds_given) {
        line += ";" + options.warning.text;
        if (options.critical) {
            line += ";" + options.critical->text;
        }
    }
    if (ages) {
        line += AgePerfData(options, oldest_blocked.value_or(0));
    }
    line += " not_diagnosed=" + std::to_string(not_diagnosed);
    return line;
}

}  // namespace stallscan::cli
