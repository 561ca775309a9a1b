#pragma once
// The reasons that IPP print systems give for the state of a printer (printer-state-reasons) and
// of a job (job-state-reasons), in plain words: every keyword of the IPP registry
// (docs/ipp-state-reasons.txt) and CUPS's own has a sentence, a severity and a stable code.
//
// Most printer keywords name a part of the printer and a condition ("stapler-jam",
// "marker-waste-almost-full"); their sentence is built from the two, and their severity is the
// condition's. A printer may add a suffix, which then decides the severity: "-error" a problem,
// "-warning" a warning, "-report" information. The other keywords have sentences of their own.
// A keyword the table does not know keeps the generic sentence ("reports "KEYWORD"").

#include <string>
#include <string_view>
#include <vector>

#include "diag/diagnosis.h"
#include "text/catalog.h"

namespace stallscan::diag {

enum class ReasonAttribute { kJob, kPrinter };

struct StateReason {
    ReasonAttribute attribute = ReasonAttribute::kPrinter;
    std::string keyword;  // as sent, with its suffix
    std::string base;     // without the suffix
    Severity severity = Severity::kProblem;
    std::string code;  // "printer-stapler-jam", "job-account-closed", "printer-reason"
    // The sentence without its prefix and line end, "%1" for the printer ("Printer "%1" has a
    // staple jam."); the generic one, with "%2" for the keyword, when the table does not know it.
    std::string sentence;
    bool known = false;
    // The catalogue number that the report files the message under.
    text::Msg id = text::Msg::kReasonPrinterReports;
    // A job reason that tells why a waiting job waits, and no other line of its report says.
    bool explains_wait = false;
};

// A printer-state-reason as a printer sends it ("stapler-jam-error", "toner-low", "none").
StateReason PrinterReason(std::string_view keyword);
// A job-state-reason ("job-held-for-review").
StateReason JobReason(std::string_view keyword);

// The reason as a report message: its line (prefix, sentence with the printer's name, CR LF), its
// code and its severity.
void AddReason(Diagnosis& diagnosis, const StateReason& reason, std::string_view printer = {});

// Every keyword the table knows, without suffix: the registry's job reasons, CUPS's, then the
// registry's printer reasons and CUPS's, in that order.
std::vector<StateReason> AllStateReasons();

// One line of `stallscan --reasons`: ATTRIBUTE, KEYWORD, SEVERITY, CODE, SENTENCE and REMEDY
// separated by tabs, the sentence with its prefix, "P" for the printer's name in both, no line
// end; the remedy is empty for information.
std::string ReasonRow(const StateReason& reason);

}  // namespace stallscan::diag
