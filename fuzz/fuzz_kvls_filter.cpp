// The stand-in tool's filter expressions: parsing arbitrary text, and evaluating what parses
// against attributes from the input. A filter and its negation "!(...)" always disagree, and
// "(f) && (f)" and "(f) || (f)" agree with f.

#include <map>
#include <string>
#include <vector>

#include "filter.h"
#include "fuzz_check.h"

namespace {

using Attributes = std::map<std::string, std::vector<std::string>, std::less<>>;

// Lines "name=value" of the text; a name may repeat to give several values.
Attributes ParseAttributes(const std::string& text) {
    Attributes attributes;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(start, end - start);
        if (const size_t eq = line.find('='); eq != std::string::npos) {
            attributes[line.substr(0, eq)].push_back(line.substr(eq + 1));
        }
        start = end + 1;
    }
    return attributes;
}

// Parses a text that is known to be well formed apart from the limits of depth and length.
std::optional<kvls::Filter> ParseDerived(const std::string& text) {
    std::string error;
    std::optional<kvls::Filter> filter = kvls::Filter::Parse(text, &error);
    if (!filter) {
        FUZZ_CHECK(error.find("nesting") != std::string::npos ||
                   error.find("longer") != std::string::npos);
    }
    return filter;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The filter, then after a 0x01 byte the object's attributes.
    const size_t split = input.find('\x01');
    const std::string text = input.substr(0, split);
    const Attributes attributes =
        ParseAttributes(split == std::string::npos ? "" : input.substr(split + 1));
    const kvls::Filter::ValuesOf valuesOf =
        [&](std::string_view attr) -> const std::vector<std::string>* {
        const auto it = attributes.find(attr);
        return it == attributes.end() ? nullptr : &it->second;
    };

    std::string error;
    const std::optional<kvls::Filter> filter = kvls::Filter::Parse(text, &error);
    if (!filter) {
        FUZZ_CHECK(error.rfind("filter: ", 0) == 0);
        FUZZ_CHECK(error.find('\n') == std::string::npos);
        return 0;
    }
    FUZZ_CHECK(filter->ComparisonCount() >= 1);
    const bool matches = filter->Matches(valuesOf);
    FUZZ_CHECK(filter->Matches(valuesOf) == matches);

    if (const auto negated = ParseDerived("!(" + text + ")")) {
        FUZZ_CHECK(negated->ComparisonCount() == filter->ComparisonCount());
        FUZZ_CHECK(negated->Matches(valuesOf) == !matches);
    }
    if (const auto both = ParseDerived("(" + text + ") && (" + text + ")")) {
        FUZZ_CHECK(both->Matches(valuesOf) == matches);
    }
    if (const auto either = ParseDerived("(" + text + ")||(" + text + ")")) {
        FUZZ_CHECK(either->Matches(valuesOf) == matches);
    }
    return 0;
}
