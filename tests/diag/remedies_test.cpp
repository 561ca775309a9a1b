// What can be done: commands whose names and ids a POSIX shell reads back as one argument each
// (read here by a reader of single quotes, not by a shell), the remedies of a diagnosis (each
// once, with CUPS's command and server, text alone elsewhere), and a remedy for every problem and
// warning that a report can hold.

#include "diag/remedies.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "diag/message_info.h"
#include "diag/state_reasons.h"

using namespace stallscan::diag;
using stallscan::text::Msg;

namespace {

// The words of a command line as a POSIX shell splits them, for the only quoting ShellWord
// writes: blanks between words, single quotes around text, a backslash before a quote outside
// them. Nothing for a line the shell would read otherwise (an open quote, any other special
// character outside quotes).
std::optional<std::vector<std::string>> ShellWords(const std::string& line) {
    std::vector<std::string> words;
    std::optional<std::string> word;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ') {
            if (word) {
                words.push_back(*word);
            }
            word.reset();
        } else if (c == '\'') {
            const size_t close = line.find('\'', i + 1);
            if (close == std::string::npos) {
                return std::nullopt;
            }
            word = word.value_or("") + line.substr(i + 1, close - i - 1);
            i = close;
        } else if (c == '\\' && i + 1 < line.size() && line[i + 1] == '\'') {
            word = word.value_or("") + "'";
            ++i;
        } else if (std::string_view("\\\"$`;&|<>()*?[]#~!{}\t\n").find(c) != std::string::npos) {
            return std::nullopt;
        } else {
            word = word.value_or("") + c;
        }
    }
    if (word) {
        words.push_back(*word);
    }
    return words;
}

TEST(ShellWord, EveryNameIsReadBackAsOneArgument) {
    for (const std::string name :
         {"office", "it's", "''", "a b", "$(rm -rf ~)", "x;y&z|w", "tab\there", "line\nend",
          "back\\slash", "", "-h", "\"quoted\"", "*", "a'b'c"}) {
        const std::string line = "lpmove 12 " + ShellWord(name);
        EXPECT_EQ(ShellWords(line), (std::vector<std::string>{"lpmove", "12", name})) << line;
    }
    // A plain word stays as it is; the rest is quoted.
    EXPECT_EQ(ShellWord("floor3.b-2_x@y:631"), "floor3.b-2_x@y:631");
    EXPECT_EQ(ShellWord("it's"), "'it'\\''s'");
    EXPECT_EQ(CupsCommand("cupsenable", {true, "print host:8631"}, {"it's"}),
              "cupsenable -h 'print host:8631' 'it'\\''s'");
}

// A held job (its hold and its hold time give one remedy), a paused printer, a queue that takes
// no new jobs; on another print system the same sentences without commands.
TEST(Remedies, EachOnceWithTheCupsCommandAndServer) {
    Diagnosis d;
    d.SetJobId("12");
    d.SetQueueName("team");
    d.Add(Msg::kReasonJobHeld, {"job-hold-until-specified"});
    d.Add(Msg::kReasonHeldUntil, {"23:59"});
    d.Add(Msg::kReasonPrinterPaused, {"it's"});
    d.Add(Msg::kReasonPrinterPaused, {"m2"});
    d.Add(Msg::kReasonInterveningJobs, {"3"});  // information: nothing to do
    d.Add(Msg::kQueueNotAccepting, {"team"});
    const std::vector<Action> cups = Remedies(d, {true, "127.0.0.1:8631"});
    ASSERT_EQ(cups.size(), 4u);
    EXPECT_EQ(cups[0].text, "Release the job once it may print.");
    EXPECT_EQ(cups[0].command, "lp -h 127.0.0.1:8631 -i 12 -H resume");
    EXPECT_EQ(cups[1].text, "Start printer \"it's\" again once it is ready to print.");
    EXPECT_EQ(cups[1].command, "cupsenable -h 127.0.0.1:8631 'it'\\''s'");
    EXPECT_EQ(cups[2].command, "cupsenable -h 127.0.0.1:8631 m2");
    EXPECT_EQ(cups[3].command, "cupsaccept -h 127.0.0.1:8631 team");
    EXPECT_EQ(Remedies(d, {true, ""})[0].command, "lp -i 12 -H resume");

    const std::vector<Action> plain = Remedies(d, {});
    ASSERT_EQ(plain.size(), 4u);
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(plain[i].text, cups[i].text);
        EXPECT_EQ(plain[i].command, "");
    }
    // A problem weighed down to information (a class member that another member stands in for)
    // needs nothing done.
    d.Weigh(2, Severity::kInfo);
    EXPECT_EQ(Remedies(d, {true, ""}).size(), 3u);

    // The report ends with them only where asked.
    d.SetRemedies(plain, false);
    EXPECT_EQ(d.ReportText().find("What can be done:"), std::string::npos);
    d.SetAlternatives({{"backup", "lpmove 12 backup"}, {"floor3", "lpmove 12 floor3"}});
    d.SetRemedies({{"Release the job once it may print.", "lp -i 12 -H resume"},
                   {"Offer \"a\nb\" on printer \"p\".", ""}},
                  true);
    const std::string report = d.ReportText();
    EXPECT_TRUE(report.ends_with("It could print on: backup, floor3 (lpmove 12 backup).\r\n"
                                 "What can be done:\r\n"
                                 "  Release the job once it may print.\r\n"
                                 "    lp -i 12 -H resume\r\n"
                                 "  Offer \"a\nb\" on printer \"p\".\r\n"))
        << report;
    EXPECT_TRUE(d.TerminalReportText().ends_with("  Offer \"a\\nb\" on printer \"p\".\r\n"))
        << d.TerminalReportText();
}

// Every problem and warning a report can hold has a remedy: the catalogue's messages, whatever
// their arguments, the state reasons of the table, and a reason nobody knows.
TEST(Remedies, EveryProblemAndWarningHasOne) {
    for (const MessageInfo& info : AllMessageInfo()) {
        if (info.severity == Severity::kInfo) {
            continue;
        }
        Diagnosis d;
        d.SetJobId("7");
        d.Add(info.id, {"p", "x-unknown-keyword", "media-ready"});
        const std::vector<Action> actions = Remedies(d, {true, ""});
        ASSERT_EQ(actions.size(), 1u) << info.code;
        EXPECT_TRUE(actions[0].text.ends_with(".")) << info.code;
        EXPECT_EQ(actions[0].text.find('%'), std::string::npos) << info.code;
    }
    for (const StateReason& reason : AllStateReasons()) {
        const std::string remedy = ReasonRemedy(reason);
        EXPECT_EQ(remedy.empty(), reason.severity == Severity::kInfo) << reason.keyword;
        Diagnosis d;
        AddReason(d, reason, "p");
        EXPECT_EQ(Remedies(d, {}).size(), reason.severity == Severity::kInfo ? 0u : 1u)
            << reason.keyword;
    }
    // The condition decides for a part the table does not name by itself; the suffix for the
    // severity.
    EXPECT_EQ(ReasonRemedy(PrinterReason("stapler-jam-error")), "Clear the staple jam in printer \"%1\".");
    EXPECT_EQ(ReasonRemedy(PrinterReason("folder-jam")), "Clear the jam in printer \"%1\".");
    EXPECT_EQ(ReasonRemedy(PrinterReason("folder-jam-report")), "");
    EXPECT_NE(ReasonRemedy(PrinterReason("x-vendor-thing-error")), "");
}

}  // namespace
