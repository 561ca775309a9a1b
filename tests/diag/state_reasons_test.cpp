// The state reasons in plain words: the severity rule (suffix, else condition), sentences built
// from a part and a condition or written one by one, codes, and the message a reason becomes.

#include "diag/state_reasons.h"

#include <gtest/gtest.h>

#include "diag/message_info.h"

namespace {

using namespace stallscan::diag;
using stallscan::text::Msg;

std::string Line(const StateReason& reason) {
    Diagnosis diagnosis;
    AddReason(diagnosis, reason, "P");
    return diagnosis.MessageText();
}

TEST(StateReasons, PrinterReasonsSeverityCodeAndSentence) {
    const struct {
        std::string keyword;
        Severity severity;
        std::string code, line;
    } cases[] = {
        // Parts and conditions: a device, a supply; the condition decides without a suffix.
        {"stapler-jam", Severity::kProblem, "printer-stapler-jam",
         "- Printer \"P\" has a staple jam."},
        {"binder-jam", Severity::kProblem, "printer-binder-jam", "- Printer \"P\" has a jam in its binder."},
        {"toner-low", Severity::kWarning, "printer-toner-low",
         "Warning: Printer \"P\" is almost out of toner."},
        {"input-tray-missing", Severity::kProblem, "printer-input-tray-missing",
         "- Printer \"P\" is missing its input tray."},
        {"marker-waste-almost-full", Severity::kWarning, "printer-marker-waste-almost-full",
         "Warning: Printer \"P\" has an almost full waste container."},
        {"fuser-over-temp", Severity::kProblem, "printer-fuser-over-temp",
         "- Printer \"P\" has an overheated fuser."},
        {"stacker-added", Severity::kInfo, "printer-stacker-added", "Printer \"P\" has a new stacker."},
        {"subunit-timing-Failure", Severity::kProblem, "printer-subunit-timing-failure",
         "- Printer \"P\" has a timing failure in its subunit."},
        // A suffix decides; the seven messages that had sentences keep their codes.
        {"marker-supply-empty-warning", Severity::kWarning, "printer-toner-empty",
         "Warning: Printer \"P\" is out of toner."},
        {"offline-report", Severity::kInfo, "printer-offline", "Printer \"P\" is offline."},
        {"stacker-added-error", Severity::kProblem, "printer-stacker-added",
         "- Printer \"P\" has a new stacker."},
        // Sentences of their own; passing states are information.
        {"connecting-to-device", Severity::kInfo, "printer-connecting-to-device",
         "Printer \"P\" is connecting to its device."},
        {"moving-to-paused", Severity::kInfo, "printer-moving-to-paused", "Printer \"P\" is pausing."},
        {"cups-waiting-for-job-completed", Severity::kInfo, "printer-cups-waiting-for-job-completed",
         "Printer \"P\" waits for the job before this one to complete."},
        {"cups-missing-filter-warning", Severity::kWarning, "printer-missing-filter",
         "Warning: Printer \"P\" has no filter for the document format."},
        // Nobody knows it: the generic sentence, by its suffix.
        {"frobnicator-jam", Severity::kProblem, "printer-reason",
         "- Printer \"P\" reports \"frobnicator-jam\"."},
        {"fuser-warning", Severity::kWarning, "printer-reason-warning",
         "Warning: Printer \"P\" reports \"fuser-warning\"."},
        {"x-report", Severity::kInfo, "printer-reason-report", "Printer \"P\" reports \"x-report\"."},
    };
    for (const auto& c : cases) {
        const StateReason reason = PrinterReason(c.keyword);
        EXPECT_EQ(reason.severity, c.severity) << c.keyword;
        EXPECT_EQ(reason.code, c.code) << c.keyword;
        EXPECT_EQ(Line(reason), c.line + "\r\n") << c.keyword;
    }
}

TEST(StateReasons, JobReasonsAndWhichOfThemExplainAWait) {
    const StateReason review = JobReason("job-held-for-review");
    EXPECT_TRUE(review.explains_wait);
    EXPECT_EQ(review.code, "job-job-held-for-review");
    EXPECT_EQ(Line(review), "- The job is held for review.\r\n");
    EXPECT_TRUE(JobReason("cups-held-for-authentication").explains_wait);
    EXPECT_TRUE(JobReason("account-limit-reached").explains_wait);
    for (const char* said_elsewhere : {"job-hold-until-specified", "printer-stopped",
                                       "job-incoming", "job-queued", "none",
                                       "processing-to-stop-point", "no-such-reason"}) {
        EXPECT_FALSE(JobReason(said_elsewhere).explains_wait) << said_elsewhere;
    }
    EXPECT_FALSE(JobReason("no-such-reason").known);
}

// As a message: the catalogue number of its kind and severity, its arguments, its own code and
// severity (what JSON, --check and the metrics read).
TEST(StateReasons, AReasonAsAMessage) {
    const struct {
        std::string keyword;
        Msg id;
        std::vector<std::string> args;
    } cases[] = {
        {"media-jam-error", Msg::kReasonPrinterMediaJam, {"P"}},
        {"media-jam-warning", Msg::kWarningPrinterReports, {"P", "media-jam-warning"}},
        {"stapler-jam", Msg::kReasonPrinterReports, {"P", "stapler-jam"}},
        {"stacker-added", Msg::kPrinterReports, {"P", "stacker-added"}},
    };
    for (const auto& c : cases) {
        Diagnosis diagnosis;
        const StateReason reason = PrinterReason(c.keyword);
        AddReason(diagnosis, reason, "P");
        const Message& message = diagnosis.Messages().at(0);
        EXPECT_EQ(message.id, c.id) << c.keyword;
        EXPECT_EQ(message.args, c.args) << c.keyword;
        EXPECT_EQ(CodeOf(message), reason.code) << c.keyword;
        EXPECT_EQ(SeverityOf(message), reason.severity) << c.keyword;
        EXPECT_EQ(IsBlocked(diagnosis), reason.severity == Severity::kProblem) << c.keyword;
    }
    Diagnosis job;
    AddReason(job, JobReason("account-closed"));
    EXPECT_EQ(job.Messages().at(0).id, Msg::kReasonJobReports);
    EXPECT_EQ(job.Messages().at(0).args, std::vector<std::string>{"account-closed"});
}

}  // namespace
