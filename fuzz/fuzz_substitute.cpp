// Placeholder filling and value-list formatting over hostile texts, and the report texts built
// from them: the saved record keeps every byte of a value (a "%2" in a job name included).

#include <string>
#include <string_view>
#include <vector>

#include "diag/diagnosis.h"
#include "fuzz_check.h"
#include "text/catalog.h"
#include "text/text_functions.h"

using stallscan::diag::Diagnosis;
using stallscan::model::ObjectClass;
using stallscan::text::Msg;
namespace text = stallscan::text;

namespace {

// The filling rule written out again: for n = 1..9, the first "%n" of the text as it stands is
// replaced by argument n.
std::string ReferenceSubstitute(std::string text, const std::vector<std::string>& args) {
    for (int n = 1; n <= 9; ++n) {
        const std::string value = n <= static_cast<int>(args.size()) ? args[n - 1] : "";
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] == '%' && text[i + 1] == static_cast<char>('0' + n)) {
                text = text.substr(0, i) + value + text.substr(i + 2);
                break;
            }
        }
    }
    return text;
}

void CheckValueList(const std::string& text) {
    const std::string formatted = Diagnosis::FormatValueList(text);
    FUZZ_CHECK(formatted.find('\0') == std::string::npos);
    // Empty values and repeats do not change the list.
    FUZZ_CHECK(Diagnosis::FormatValueList(std::string(1, '\0') + text + '\0') == formatted);
    FUZZ_CHECK(Diagnosis::FormatValueList(text + '\0' + text) == formatted);
    if (text.find('\0') == std::string::npos) {
        FUZZ_CHECK(formatted == text::StripQuotes(text));
    }
}

const Msg kMessageIds[] = {Msg::kReasonJobStateMessage,     Msg::kReasonNotSupported,
                           Msg::kReasonPrinterProblem,      Msg::kJobStateReason,
                           Msg::kPrinterProblemMessage,     Msg::kReasonWrongPafReference,
                           Msg::kReasonNoSubmissionLibrary, Msg::kJobStateIs};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Pieces separated by 0x01: the template, then the arguments (more than nine on purpose).
    std::vector<std::string> pieces;
    for (size_t start = 0;;) {
        const size_t end = input.find('\x01', start);
        pieces.push_back(input.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos || pieces.size() == 12) {
            break;
        }
        start = end + 1;
    }
    const std::string& tmpl = pieces[0];
    std::vector<std::string> args(pieces.begin() + 1, pieces.end());
    args.resize(11);

    FUZZ_CHECK(text::SubstituteArgs(tmpl) == ReferenceSubstitute(tmpl, {}));
    const std::string filled =
        text::SubstituteArgs(tmpl, {args[0], args[1], args[2], args[3], args[4], args[5],
                                         args[6], args[7], args[8], args[9], args[10]});
    FUZZ_CHECK(filled == ReferenceSubstitute(tmpl, args));
    const std::string literal = text::SubstituteArgsLiteral(
        tmpl, {args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7], args[8]});
    bool plain = true;  // every "%" begins a placeholder of the template
    for (size_t i = 0; i < tmpl.size(); ++i) {
        plain = plain && (tmpl[i] != '%' ||
                          (i + 1 < tmpl.size() && tmpl[i + 1] >= '1' && tmpl[i + 1] <= '9'));
    }
    for (const std::string& arg : args) {
        plain = plain && arg.find('%') == std::string::npos;
    }
    if (plain) {
        FUZZ_CHECK(literal == filled);
    }
    if (tmpl == "<%1>") {
        FUZZ_CHECK(literal == "<" + args[0] + ">");
    }

    for (const std::string& arg : args) {
        CheckValueList(arg);
    }

    Diagnosis result;
    result.SetJobId(args[0]);
    result.SetJobName(args[1]);
    result.SetSpoolerName(args[2]);
    result.SetPrintersSupported(args[3]);
    const Msg id = kMessageIds[static_cast<uint8_t>(tmpl.empty() ? 0 : tmpl[0]) % 8];
    result.Add(id, {args[4], args[5], args[6]});
    result.AddAccessFailure(static_cast<ObjectClass>(static_cast<uint8_t>(tmpl.size()) % 7), args[7]);

    const std::string record = result.ReportText();
    FUZZ_CHECK(record.find(result.JobName()) != std::string::npos);
    FUZZ_CHECK(record.find(result.PrintersSupported()) != std::string::npos);
    FUZZ_CHECK(record.ends_with(result.MessageText()));
    FUZZ_CHECK(result.Messages().size() >= 1);
    FUZZ_CHECK(result.Messages()[0].text ==
               text::SubstituteArgsLiteral(text::Catalog(id),
                                                {Diagnosis::FormatValueList(args[4]),
                                                 Diagnosis::FormatValueList(args[5]),
                                                 Diagnosis::FormatValueList(args[6])}));

    return 0;
}
