#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "app/catalog.h"
#include "app/text_functions.h"
#include "diag/diagnose_job.h"
#include "model/string_list.h"

namespace basDiagJobs {

namespace {

// How the job values of a pair are compared with the printer attribute.
enum class Rule {
    Member,             // each job value must be one of the printer values
    MemberPerDocument,  // as Member, values taken per document unless its mismatch action ignores
    MemberWithMedia,    // as Member, plus the media named by page-media-select
    MemberOfKinds,      // the kinds (numeric/alphanumeric) of the page selections must be listed
    MemberOrRange,      // as Member, or within a listed low:high range
    RangeOpenTop,       // low:high, a high bound of 0 means no upper limit
    Range,              // low:high, both bounds real
    Maximum,            // the printer value is the largest allowed
    MaximumCopies,      // Maximum, applied to the job's total copy count
};

struct CapabilityPair {
    std::string_view jobAttr;
    std::string_view printerAttr;
    std::string_view extraJobAttr;
    Rule rule;
};

// The pairs in the order in which they are checked for each printer.
constexpr std::array<CapabilityPair, 33> kPairs{{
    {"default-character-set", "character-sets-ready", "", Rule::Member},
    {"document-format", "document-formats-ready", "", Rule::Member},
    {"document-sheets", "document-sheets-ready", "", Rule::Member},
    {"fax-resolution", "fax-resolutions-ready", "", Rule::Member},
    {"finishing", "finishings-ready", "", Rule::Member},
    {"default-font", "fonts-ready", "", Rule::Member},
    {"gamut-mapping-method-used", "gamut-mapping-methods-ready", "", Rule::Member},
    {"highlight-colour", "highlight-colours-ready", "", Rule::MemberPerDocument},
    {"default-input-tray", "input-trays-ready", "", Rule::Member},
    {"job-finishing", "job-finishings-ready", "", Rule::Member},
    {"job-offset", "job-offsets-ready", "", Rule::Member},
    {"job-page-count", "job-page-count-range-ready", "", Rule::RangeOpenTop},
    {"results-delivery-method", "job-result-set-delivery-methods-ready", "", Rule::Member},
    {"job-sheets", "job-sheets-ready", "", Rule::Member},
    {"total-job-octets", "job-size-range-ready", "", Rule::RangeOpenTop},
    {"default-medium", "media-ready", "page-media-select", Rule::MemberWithMedia},
    {"output-bin", "output-bins-ready", "", Rule::Member},
    {"output", "outputs-ready", "", Rule::Member},
    {"print-colour-type-used", "print-colour-types-ready", "", Rule::Member},
    {"printer-error-sheet", "printer-error-sheets-ready", "", Rule::Member},
    {"sides", "sides-ready", "", Rule::Member},
    {"binding-edge-image-shift", "binding-edge-image-shift-max-supported", "", Rule::Maximum},
    {"binding-edge", "binding-edges-supported", "", Rule::Member},
    {"content-orientation", "content-orientations-supported", "", Rule::Member},
    {"highlight-colour-rendering-algorithm", "highlight-colour-rendering-algorithms-supported", "",
     Rule::Member},
    {"highlight-mapping-colour", "highlight-mapping-colours-supported", "", Rule::Member},
    {"job-copies", "maximum-copies-supported", "copy-count", Rule::MaximumCopies},
    {"number-up", "numbers-up-supported", "", Rule::MemberOrRange},
    {"page-select", "page-select-supported", "page-media-select", Rule::MemberOfKinds},
    {"plex", "plexes-supported", "", Rule::Member},
    {"thickening-specification", "thickening-supported", "", Rule::Member},
    {"x-image-shift", "x-image-shift-range-supported", "", Rule::Range},
    {"y-image-shift", "y-image-shift-range-supported", "", Rule::Range},
}};

// The rule of a job attribute; attributes outside the table are plain membership tests.
Rule RuleFor(std::string_view jobAttr) {
    for (const CapabilityPair& pair : kPairs) {
        if (pair.jobAttr == jobAttr) {
            return pair.rule;
        }
    }
    return Rule::Member;
}

double Num(std::string_view text) {
    return basCommon::NumericValue(text);
}

// Low and high bound of a "low:high" text; false when the text holds no ":".
bool ReadRange(const std::string& text, double& low, double& high) {
    std::string part1, part2, part3;
    if (!basCommon::SplitAtColons(text, part1, part2, part3)) {
        return false;
    }
    low = Num(part1);
    high = Num(part2);
    return true;
}

// Printer-side gates: true when the pair is not to be checked on this printer.
bool PrinterGatesOut(Rule rule, const std::string& jobAttr, const clsObjectAttrs& printer,
                     const clsObjectAttrs& job, const std::string& single, int32_t n) {
    if (rule == Rule::MaximumCopies) {
        return n == 0 || std::floor(Num(single)) == 0;
    }
    if (jobAttr == "total-job-octets" || jobAttr == "job-page-count") {
        if (single == "0:0" || n == 0) {
            return true;
        }
    }
    if (jobAttr == "total-job-octets") {
        // The page count decides when both sides speak of it.
        return !printer.GetMultiValues("job-page-count-range-ready").empty() &&
               !job.GetMultiValues("job-page-count").empty();
    }
    return false;
}

// The highlight colours of the documents whose mismatch action is not "ignore".
void AddDocumentHighlightColours(const clsObjectAttrs& job, clsStringList& values) {
    const int32_t documents =
        basCommon::RoundToInt32(Num(job.GetSingleValue("number-of-documents")));
    const std::string ignore = basCommon::GetCatalogString(msg::KwIgnore);
    // Documents absent from the listing carry no values, so only those present are read.
    for (int32_t d : job.DocumentNumbers()) {
        if (d > documents) {
            break;
        }
        const std::string colours = job.GetMultiValues("highlight-colour", d);
        if (job.GetSingleValue("highlight-colour-mismatch-action", d) != ignore &&
            !colours.empty()) {
            values.Append(colours);
        }
    }
}

// The kinds of page selection ("numeric", "alphanumeric") that the values ask for.
clsStringList PageSelectionKinds(const clsStringList& values) {
    const std::string numeric = basCommon::GetCatalogString(msg::KwNumeric);
    const std::string alphanumeric = basCommon::GetCatalogString(msg::KwAlphanumeric);
    clsStringList kinds;
    for (int32_t i = 1; i <= values.Count(); ++i) {
        std::string parts[3];
        if (!basCommon::SplitAtColons(basCommon::StripQuotes(values.Item(i)), parts[0], parts[1],
                                      parts[2])) {
            continue;
        }
        for (int k = 0; k < 2; ++k) {
            if (!parts[k].empty()) {
                kinds.Add(Num(parts[k]) != 0 ? numeric : alphanumeric);
            }
        }
    }
    return kinds;
}

// Adds the medium (third part) of each page-media-select value of the job.
void AddPageMedia(const clsObjectAttrs& job, clsStringList& values) {
    clsStringList selections;
    selections.Init(job.GetMultiValues("page-media-select"));
    for (int32_t i = 1; i <= selections.Count(); ++i) {
        std::string part1, part2, medium;
        if (basCommon::SplitAtColons(basCommon::StripQuotes(selections.Item(i)), part1, part2,
                                     medium) &&
            !medium.empty()) {
            values.Add(medium);
        }
    }
}

// The total copy count: the job's copies (at least 1) times its int-max-copy-count, in 64 bits
// so that a huge product is still compared and reported as it is.
std::string TotalCopies(const clsObjectAttrs& job, const clsStringList& values) {
    int64_t copies = values.Count() > 0 ? basCommon::RoundToInt64(Num(values.Item(1))) : 0;
    if (copies == 0) {
        copies = 1;
    }
    const double factor = Num(job.GetSingleValue("int-max-copy-count"));
    if (factor > 0) {
        copies = basCommon::RoundToInt64(static_cast<double>(copies) * factor);
    }
    return std::to_string(copies);
}

clsStringList JobValues(Rule rule, const std::string& jobAttr, const clsObjectAttrs& job) {
    clsStringList values;
    // Highlight colours are read per document even on a printer that lists none, so that a
    // document whose mismatch action is "ignore" is never reported.
    if (rule == Rule::MemberPerDocument) {
        AddDocumentHighlightColours(job, values);
    } else {
        values.Init(job.GetMultiValues(jobAttr));
    }

    switch (rule) {
        case Rule::MemberOfKinds:
            values.Append(job.GetMultiValues("page-media-select"));
            return PageSelectionKinds(values);
        case Rule::MemberWithMedia:
            AddPageMedia(job, values);
            return values;
        case Rule::MaximumCopies: {
            const std::string total = TotalCopies(job, values);
            values.Init(total);
            return values;
        }
        default:
            return values;
    }
}

// True when the printer value `single` / `printerValues` covers the job value `v`.
bool Covers(Rule rule, const std::string& v, const std::string& single,
            const clsStringList& printerValues) {
    double low = 0;
    double high = 0;
    switch (rule) {
        case Rule::Maximum:
        case Rule::MaximumCopies:
            return !(Num(single) < Num(v));
        case Rule::RangeOpenTop:
            if (!ReadRange(single, low, high)) {
                return true;
            }
            return !(Num(v) < low || (Num(v) > high && high != 0));
        case Rule::Range:
            if (!ReadRange(single, low, high)) {
                return true;
            }
            return !(Num(v) < low || Num(v) > high);
        default:
            break;
    }

    if (printerValues.Find(v) > 0) {
        return true;
    }
    if (rule != Rule::MemberOrRange) {
        return false;
    }
    const double value = Num(v);
    for (int32_t i = 1; i <= printerValues.Count(); ++i) {
        const std::string listed = printerValues.Item(i);
        std::string part1, part2, part3;
        const bool isRange = basCommon::SplitAtColons(listed, part1, part2, part3);
        if (value > 0) {
            if (isRange && !part1.empty() && !part2.empty() && Num(part1) <= value &&
                value <= Num(part2)) {
                return true;
            }
        } else if (!isRange && listed == v) {
            return true;
        }
    }
    return false;
}

}  // namespace

void CheckJobAttrAgainstPrinter(clsDiagResult& result, const std::string& printerName,
                                const clsObjectAttrs& printer, const clsObjectAttrs& job,
                                const std::string& printerAttr, const std::string& jobAttr,
                                const std::string& extraJobAttr) {
    if (job.GetMultiValues(jobAttr).empty() &&
        (extraJobAttr.empty() || job.GetMultiValues(extraJobAttr, -1).empty())) {
        return;
    }

    const Rule rule = RuleFor(jobAttr);
    const std::string single = printer.GetSingleValue(printerAttr);
    clsStringList printerValues;
    const int32_t n = printerValues.Init(printer.GetMultiValues(printerAttr));
    if (PrinterGatesOut(rule, jobAttr, printer, job, single, n)) {
        return;
    }

    const clsStringList values = JobValues(rule, jobAttr, job);
    for (int32_t i = 1; i <= values.Count(); ++i) {
        const std::string v = values.Item(i);
        if (n == 0 || !Covers(rule, v, single, printerValues)) {
            result.PrintF(msg::ReasonNotSupported, {printerName, v, printerAttr});
        }
    }
}

void CheckJobAgainstPrinter(clsDiagResult& result, const std::string& printerName,
                            const clsObjectAttrs& printer, const clsObjectAttrs& job) {
    for (const CapabilityPair& pair : kPairs) {
        CheckJobAttrAgainstPrinter(result, printerName, printer, job, std::string(pair.printerAttr),
                                   std::string(pair.jobAttr), std::string(pair.extraJobAttr));
    }
}

}  // namespace basDiagJobs
