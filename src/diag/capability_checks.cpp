#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "text/text_functions.h"
#include "diag/diagnose.h"
#include "model/string_list.h"

namespace stallscan::diag {

namespace {

// How the job values of a pair are compared with the printer attribute.
enum class Rule {
    kMember,             // each job value must be one of the printer values
    kMemberPerDocument,  // as Member, values taken per document unless its mismatch action ignores
    kMemberWithMedia,    // as Member, plus the media named by page-media-select
    kMemberOfKinds,      // the kinds (numeric/alphanumeric) of the page selections must be listed
    kMemberOrRange,      // as Member, or within a listed low:high range
    kRangeOpenTop,       // low:high, a high bound of 0 means no upper limit
    kRange,              // low:high, both bounds real
    kMaximum,            // the printer value is the largest allowed
    kMaximumCopies,      // Maximum, applied to the job's total copy count
    kNeedsTrue,          // the printer value must be "true" for the job to ask for it
};

struct CapabilityPair {
    std::string_view job_attr;
    std::string_view printer_attr;
    std::string_view extra_job_attr;
    Rule rule;
    // The pair is checked only when the printer does not list this attribute.
    std::string_view only_without = {};
};

// The pairs in the order in which they are checked for each printer.
constexpr std::array<CapabilityPair, 33> kPairs{{
    {"default-character-set", "character-sets-ready", "", Rule::kMember},
    {"document-format", "document-formats-ready", "", Rule::kMember},
    {"document-sheets", "document-sheets-ready", "", Rule::kMember},
    {"fax-resolution", "fax-resolutions-ready", "", Rule::kMember},
    {"finishing", "finishings-ready", "", Rule::kMember},
    {"default-font", "fonts-ready", "", Rule::kMember},
    {"gamut-mapping-method-used", "gamut-mapping-methods-ready", "", Rule::kMember},
    {"highlight-colour", "highlight-colours-ready", "", Rule::kMemberPerDocument},
    {"default-input-tray", "input-trays-ready", "", Rule::kMember},
    {"job-finishing", "job-finishings-ready", "", Rule::kMember},
    {"job-offset", "job-offsets-ready", "", Rule::kMember},
    {"job-page-count", "job-page-count-range-ready", "", Rule::kRangeOpenTop},
    {"results-delivery-method", "job-result-set-delivery-methods-ready", "", Rule::kMember},
    {"job-sheets", "job-sheets-ready", "", Rule::kMember},
    {"total-job-octets", "job-size-range-ready", "", Rule::kRangeOpenTop},
    {"default-medium", "media-ready", "page-media-select", Rule::kMemberWithMedia},
    {"output-bin", "output-bins-ready", "", Rule::kMember},
    {"output", "outputs-ready", "", Rule::kMember},
    {"print-colour-type-used", "print-colour-types-ready", "", Rule::kMember},
    {"printer-error-sheet", "printer-error-sheets-ready", "", Rule::kMember},
    {"sides", "sides-ready", "", Rule::kMember},
    {"binding-edge-image-shift", "binding-edge-image-shift-max-supported", "", Rule::kMaximum},
    {"binding-edge", "binding-edges-supported", "", Rule::kMember},
    {"content-orientation", "content-orientations-supported", "", Rule::kMember},
    {"highlight-colour-rendering-algorithm", "highlight-colour-rendering-algorithms-supported", "",
     Rule::kMember},
    {"highlight-mapping-colour", "highlight-mapping-colours-supported", "", Rule::kMember},
    {"job-copies", "maximum-copies-supported", "copy-count", Rule::kMaximumCopies},
    {"number-up", "numbers-up-supported", "", Rule::kMemberOrRange},
    {"page-select", "page-select-supported", "page-media-select", Rule::kMemberOfKinds},
    {"plex", "plexes-supported", "", Rule::kMember},
    {"thickening-specification", "thickening-supported", "", Rule::kMember},
    {"x-image-shift", "x-image-shift-range-supported", "", Rule::kRange},
    {"y-image-shift", "y-image-shift-range-supported", "", Rule::kRange},
}};

// The pairs of IPP print systems, in the attribute names of IPP: what a job asks for against what
// the printer offers. Media are compared with the media loaded when the printer tells them, with
// the media it supports otherwise, so that one line names the attribute compared.
constexpr std::array<CapabilityPair, 12> kIppPairs{{
    {"document-format", "document-format-supported", "", Rule::kMember},
    {"media", "media-ready", "", Rule::kMember},
    {"media", "media-supported", "", Rule::kMember, "media-ready"},
    {"sides", "sides-supported", "", Rule::kMember},
    {"copies", "copies-supported", "", Rule::kRange},
    {"number-up", "number-up-supported", "", Rule::kMemberOrRange},
    {"page-ranges", "page-ranges-supported", "", Rule::kNeedsTrue},
    {"print-color-mode", "print-color-mode-supported", "", Rule::kMember},
    {"print-quality", "print-quality-supported", "", Rule::kMember},
    {"printer-resolution", "printer-resolution-supported", "", Rule::kMember},
    {"output-bin", "output-bin-supported", "", Rule::kMember},
    {"finishings", "finishings-supported", "", Rule::kMember},
}};

// The rule of a job attribute; attributes outside the table are plain membership tests.
Rule RuleFor(std::string_view job_attr) {
    for (const CapabilityPair& pair : kPairs) {
        if (pair.job_attr == job_attr) {
            return pair.rule;
        }
    }
    return Rule::kMember;
}

double Num(std::string_view text) {
    return text::NumericValue(text);
}

// Low and high bound of a "low:high" text; false when the text holds no ":".
bool ReadRange(const std::string& text, double& low, double& high) {
    const auto parts = text::SplitAtColons(text);
    if (!parts) {
        return false;
    }
    low = Num(parts->first);
    high = Num(parts->second);
    return true;
}

// Printer-side gates: true when the pair is not to be checked on this printer.
bool PrinterGatesOut(Rule rule, const std::string& job_attr, const listing::ObjectAttributes& printer,
                     const listing::ObjectAttributes& job, const std::string& single, int32_t n) {
    if (rule == Rule::kMaximumCopies) {
        return n == 0 || std::floor(Num(single)) == 0;
    }
    if (job_attr == "total-job-octets" || job_attr == "job-page-count") {
        if (single == "0:0" || n == 0) {
            return true;
        }
    }
    if (job_attr == "total-job-octets") {
        // The page count decides when both sides speak of it.
        return !printer.MultiValues("job-page-count-range-ready").empty() &&
               !job.MultiValues("job-page-count").empty();
    }
    return false;
}

// The highlight colours of the documents whose mismatch action is not "ignore".
void AddDocumentHighlightColours(const listing::ObjectAttributes& job, model::StringList& values) {
    const int32_t documents =
        text::RoundToInt32(Num(job.SingleValue("number-of-documents")));
    const std::string ignore = text::Catalog(text::Msg::kIgnore);
    // Documents absent from the listing carry no values, so only those present are read.
    for (int32_t d : job.DocumentNumbers()) {
        if (d > documents) {
            break;
        }
        const std::string colours = job.MultiValues("highlight-colour", d);
        if (job.SingleValue("highlight-colour-mismatch-action", d) != ignore &&
            !colours.empty()) {
            values.Append(colours);
        }
    }
}

// The kinds of page selection ("numeric", "alphanumeric") that the values ask for.
model::StringList PageSelectionKinds(const model::StringList& values) {
    const std::string numeric = text::Catalog(text::Msg::kNumeric);
    const std::string alphanumeric = text::Catalog(text::Msg::kAlphanumeric);
    model::StringList kinds;
    for (int32_t i = 1; i <= values.Count(); ++i) {
        const auto parts = text::SplitAtColons(text::StripQuotes(values.Item(i)));
        if (!parts) {
            continue;
        }
        for (const std::string* part : {&parts->first, &parts->second}) {
            if (!part->empty()) {
                kinds.Add(Num(*part) != 0 ? numeric : alphanumeric);
            }
        }
    }
    return kinds;
}

// Adds the medium (third part) of each page-media-select value of the job.
void AddPageMedia(const listing::ObjectAttributes& job, model::StringList& values) {
    const model::StringList selections(job.MultiValues("page-media-select"));
    for (int32_t i = 1; i <= selections.Count(); ++i) {
        const auto parts = text::SplitAtColons(text::StripQuotes(selections.Item(i)));
        if (parts && !parts->rest.empty()) {
            values.Add(parts->rest);
        }
    }
}

// The total copy count: the job's copies (at least 1) times its int-max-copy-count, in 64 bits
// so that a huge product is still compared and reported as it is.
std::string TotalCopies(const listing::ObjectAttributes& job, const model::StringList& values) {
    int64_t copies = values.Count() > 0 ? text::RoundToInt64(Num(values.Item(1))) : 0;
    if (copies == 0) {
        copies = 1;
    }
    const double factor = Num(job.SingleValue("int-max-copy-count"));
    if (factor > 0) {
        copies = text::RoundToInt64(static_cast<double>(copies) * factor);
    }
    return std::to_string(copies);
}

// The job values to check against a printer that lists `n` values.
model::StringList JobValues(Rule rule, const std::string& job_attr,
                            const listing::ObjectAttributes& job, int32_t n) {
    model::StringList values;
    // Highlight colours are read per document, leaving out the documents whose mismatch action
    // is "ignore". On a printer that lists none, a job that carries highlight colours of its own
    // is checked with those; only when its documents alone carry them are they read per
    // document, so that an ignoring document is never reported there either.
    if (rule == Rule::kMemberPerDocument && (n > 0 || job.Entries().Get(job_attr).empty())) {
        AddDocumentHighlightColours(job, values);
    } else {
        values.Assign(job.MultiValues(job_attr));
    }

    switch (rule) {
        case Rule::kMemberOfKinds:
            values.Append(job.MultiValues("page-media-select"));
            return PageSelectionKinds(values);
        case Rule::kMemberWithMedia:
            AddPageMedia(job, values);
            return values;
        case Rule::kMaximumCopies: {
            const std::string total = TotalCopies(job, values);
            values.Assign(total);
            return values;
        }
        default:
            return values;
    }
}

// True when the printer value `single` / `printer_values` covers the job value `v`.
bool Covers(Rule rule, const std::string& v, const std::string& single,
            const model::StringList& printer_values) {
    double low = 0;
    double high = 0;
    switch (rule) {
        case Rule::kMaximum:
        case Rule::kMaximumCopies:
            return !(Num(single) < Num(v));
        case Rule::kRangeOpenTop:
            if (!ReadRange(single, low, high)) {
                return true;
            }
            return !(Num(v) < low || (Num(v) > high && high != 0));
        case Rule::kRange:
            if (!ReadRange(single, low, high)) {
                return true;
            }
            return !(Num(v) < low || Num(v) > high);
        case Rule::kNeedsTrue:
            return single == "true";
        default:
            break;
    }

    if (printer_values.Find(v) > 0) {
        return true;
    }
    if (rule != Rule::kMemberOrRange) {
        return false;
    }
    const double value = Num(v);
    for (int32_t i = 1; i <= printer_values.Count(); ++i) {
        const std::string listed = printer_values.Item(i);
        const auto range = text::SplitAtColons(listed);
        if (value > 0) {
            if (range && !range->first.empty() && !range->second.empty() &&
                Num(range->first) <= value && value <= Num(range->second)) {
                return true;
            }
        } else if (!range && listed == v) {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace {

// `defaults`: job values that are never a reason (an IPP printer's own default).
void CheckPair(Diagnosis& diagnosis, const std::string& printer_name,
               const listing::ObjectAttributes& printer, const listing::ObjectAttributes& job,
               const std::string& printer_attr, const std::string& job_attr,
               const std::string& extra_job_attr, Rule rule,
               const model::StringList& defaults = model::StringList()) {
    if (job.MultiValues(job_attr).empty() &&
        (extra_job_attr.empty() || job.MultiValues(extra_job_attr, -1).empty())) {
        return;
    }

    const std::string single = printer.SingleValue(printer_attr);
    model::StringList printer_values;
    const int32_t n = printer_values.Assign(printer.MultiValues(printer_attr));
    if (PrinterGatesOut(rule, job_attr, printer, job, single, n)) {
        return;
    }

    const model::StringList values = JobValues(rule, job_attr, job, n);
    for (int32_t i = 1; i <= values.Count(); ++i) {
        const std::string v = values.Item(i);
        if (defaults.Find(v) > 0) {
            continue;
        }
        if (n == 0 || !Covers(rule, v, single, printer_values)) {
            diagnosis.Add(text::Msg::kReasonNotSupported, {printer_name, v, printer_attr});
        }
    }
}

}  // namespace

void CheckAttributeAgainstPrinter(Diagnosis& diagnosis, const std::string& printer_name,
                                  const listing::ObjectAttributes& printer,
                                  const listing::ObjectAttributes& job,
                                  const std::string& printer_attr, const std::string& job_attr,
                                  const std::string& extra_job_attr) {
    CheckPair(diagnosis, printer_name, printer, job, printer_attr, job_attr, extra_job_attr,
              RuleFor(job_attr));
}

void CheckJobAgainstPrinter(Diagnosis& diagnosis, const std::string& printer_name,
                            const listing::ObjectAttributes& printer,
                            const listing::ObjectAttributes& job, listing::Dialect dialect) {
    if (dialect == listing::Dialect::kListingTool) {
        for (const CapabilityPair& pair : kPairs) {
            CheckAttributeAgainstPrinter(diagnosis, printer_name, printer, job,
                                         std::string(pair.printer_attr), std::string(pair.job_attr),
                                         std::string(pair.extra_job_attr));
        }
        return;
    }
    // IPP's reading: a printer that lists no "xxx-supported" (for media neither media-ready nor
    // media-supported) makes no claim, and its own "xxx-default" is never a reason.
    const auto lists = [&printer](std::string_view attr) {
        return !printer.MultiValues(attr).empty();
    };
    for (const CapabilityPair& pair : kIppPairs) {
        if (!lists(pair.printer_attr) || (!pair.only_without.empty() && lists(pair.only_without))) {
            continue;
        }
        const model::StringList defaults(printer.MultiValues(std::string(pair.job_attr) + "-default"));
        CheckPair(diagnosis, printer_name, printer, job, std::string(pair.printer_attr),
                  std::string(pair.job_attr), std::string(pair.extra_job_attr), pair.rule,
                  defaults);
    }
}

}  // namespace stallscan::diag
