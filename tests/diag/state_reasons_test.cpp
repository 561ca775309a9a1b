// The state reasons in plain words: the severity rule (suffix, else condition), sentences built
// from a part and a condition or written one by one, codes, and the message a reason becomes
// (its catalogue number and arguments, and the code and severity that JSON, --check and the
// metrics read).

#include "diag/state_reasons.h"

#include <gtest/gtest.h>

#include "diag/message_info.h"

namespace {

using namespace stallscan::diag;
using stallscan::text::Msg;
constexpr Severity kProblem = Severity::kProblem;
constexpr Severity kWarning = Severity::kWarning;
constexpr Severity kInfo = Severity::kInfo;
constexpr Msg kOwn = Msg::kReasonPrinterReports;  // 368 to 370 by severity, with the keyword

TEST(StateReasons, PrinterReasonsAsMessages) {
    const struct {
        std::string keyword;
        Severity severity;
        std::string code, line;
        Msg id = kOwn;
    } cases[] = {
        // Parts and conditions: a device, a supply; the condition decides without a suffix.
        {"stapler-jam", kProblem, "printer-stapler-jam", "- Printer \"P\" has a staple jam."},
        {"binder-jam", kProblem, "printer-binder-jam", "- Printer \"P\" has a jam in its binder."},
        {"toner-low", kWarning, "printer-toner-low",
         "Warning: Printer \"P\" is almost out of toner.", Msg::kWarningPrinterReports},
        {"input-tray-missing", kProblem, "printer-input-tray-missing",
         "- Printer \"P\" is missing its input tray."},
        {"marker-waste-almost-full", kWarning, "printer-marker-waste-almost-full",
         "Warning: Printer \"P\" has an almost full waste container.", Msg::kWarningPrinterReports},
        {"fuser-over-temp", kProblem, "printer-fuser-over-temp",
         "- Printer \"P\" has an overheated fuser."},
        {"stacker-added", kInfo, "printer-stacker-added", "Printer \"P\" has a new stacker.",
         Msg::kPrinterReports},
        {"subunit-timing-Failure", kProblem, "printer-subunit-timing-failure",
         "- Printer \"P\" has a timing failure in its subunit."},
        // A suffix decides; the messages that had sentences keep their codes, and their numbers
        // as problems.
        {"media-jam-error", kProblem, "printer-media-jam", "- Printer \"P\" has a paper jam.",
         Msg::kReasonPrinterMediaJam},
        {"marker-supply-empty-warning", kWarning, "printer-toner-empty",
         "Warning: Printer \"P\" is out of toner.", Msg::kWarningPrinterReports},
        {"offline-report", kInfo, "printer-offline", "Printer \"P\" is offline.",
         Msg::kPrinterReports},
        {"stacker-added-error", kProblem, "printer-stacker-added",
         "- Printer \"P\" has a new stacker."},
        // Sentences of their own; passing states are information.
        {"connecting-to-device", kInfo, "printer-connecting-to-device",
         "Printer \"P\" is connecting to its device.", Msg::kPrinterReports},
        {"moving-to-paused", kInfo, "printer-moving-to-paused", "Printer \"P\" is pausing.",
         Msg::kPrinterReports},
        {"cups-waiting-for-job-completed", kInfo, "printer-cups-waiting-for-job-completed",
         "Printer \"P\" waits for the job before this one to complete.", Msg::kPrinterReports},
        // Nobody knows it: the generic sentence, by its suffix.
        {"frobnicator-jam", kProblem, "printer-reason",
         "- Printer \"P\" reports \"frobnicator-jam\"."},
        {"fuser-warning", kWarning, "printer-reason-warning",
         "Warning: Printer \"P\" reports \"fuser-warning\".", Msg::kWarningPrinterReports},
    };
    for (const auto& c : cases) {
        Diagnosis diagnosis;
        AddReason(diagnosis, PrinterReason(c.keyword), "P");
        const Message& message = diagnosis.Messages().at(0);
        EXPECT_EQ(message.text, c.line + "\r\n") << c.keyword;
        EXPECT_EQ(CodeOf(message), c.code) << c.keyword;
        EXPECT_EQ(SeverityOf(message), c.severity) << c.keyword;
        EXPECT_EQ(IsBlocked(diagnosis), c.severity == kProblem) << c.keyword;
        EXPECT_EQ(message.id, c.id) << c.keyword;
        EXPECT_EQ(message.args, c.id == kOwn || c.id == Msg::kWarningPrinterReports ||
                                        c.id == Msg::kPrinterReports
                                    ? std::vector<std::string>({"P", c.keyword})
                                    : std::vector<std::string>({"P"}))
            << c.keyword;
    }
}

TEST(StateReasons, JobReasonsAndWhichOfThemExplainAWait) {
    Diagnosis diagnosis;
    for (const char* waits :
         {"job-held-for-review", "cups-held-for-authentication", "account-limit-reached"}) {
        EXPECT_TRUE(JobReason(waits).explains_wait) << waits;
        AddReason(diagnosis, JobReason(waits));
    }
    EXPECT_EQ(diagnosis.MessageText(),
              "- The job is held for review.\r\n- The job is held until its owner gives a "
              "password.\r\n- The job's account has reached its limit.\r\n");
    EXPECT_EQ(CodeOf(diagnosis.Messages().at(0)), "job-job-held-for-review");
    EXPECT_EQ(diagnosis.Messages().at(0).id, Msg::kReasonJobReports);
    for (const char* said_elsewhere :
         {"job-hold-until-specified", "printer-stopped", "job-incoming", "job-queued", "none",
          "processing-to-stop-point", "no-such-reason"}) {
        EXPECT_FALSE(JobReason(said_elsewhere).explains_wait) << said_elsewhere;
    }
    EXPECT_FALSE(JobReason("no-such-reason").known);
}

}  // namespace
