// The listing parser over arbitrary output, object after object as the job list reads it, then
// the attribute lookups of clsObjectAttrs and the job list over the same output served as a
// canned tool answer.

#include <algorithm>
#include <string>

#include "app/globals.h"
#include "app/text_functions.h"
#include "fuzz_check.h"
#include "listing/kv_output.h"
#include "listing/listing_query.h"
#include "model/job_list.h"
#include "model/listing_parser.h"
#include "model/object_attrs.h"

namespace {

const std::string kNumberOfDocuments = "number-of-documents";
constexpr int32_t kNoAttributeLine = 900;

std::string g_answer;  // what the canned tool writes on standard output

void InstallCannedTool() {
    static const bool installed = [] {
        gPseudoDir.clear();
        gListToolPath = "C:\\print\\bin\\kvls.exe";
        basPosixCtl::SetChildRunner(
            [](const std::string&, const ChildCommand&, clsKvOutput& out, clsKvOutput& err) {
                out.Init(g_answer);
                err.Clear();
                return 0;
            });
        return true;
    }();
    (void)installed;
}

bool IsDecimal(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A key that clsStringList would read as a position instead of a key.
bool ReadsAsPosition(const std::string& text) {
    const size_t digits = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    return IsDecimal(text.substr(digits));
}

std::string FoldCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return text;
}

std::string BeforeNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// Every entry holds a value list (non-empty, each value ended by NUL) or the document count.
void CheckEntries(const clsStringList& entries) {
    for (int32_t i = 1; i <= entries.Count(); ++i) {
        const std::string key = entries.KeyAt(i);
        const std::string value = entries.Item(i);
        FUZZ_CHECK(!key.empty());
        FUZZ_CHECK(!value.empty());
        // The document count is a plain number, unless no document was listed and an attribute
        // of that name stands in its place. A NUL byte inside a listed value stays in the value
        // (where it reads as a value separator), so only the last byte is certain.
        const bool count = IsDecimal(value) && value[0] != '0';
        FUZZ_CHECK((count && FoldCase(key) == kNumberOfDocuments) || value.back() == '\0');
    }
}

// Parses object after object until no attribute line is left; every call moves forward.
int ParseAllObjects(const std::string& text, clsStringList& firstEntries) {
    clsKvOutput output;
    output.Init(text);
    int objects = 0;
    for (;;) {
        const int32_t before = output.OTell();
        clsStringList entries;
        std::string name = "stale";
        const int32_t rc = basPosixCtl::ParseListing(output, name, entries);
        FUZZ_CHECK(rc == 0 || rc == kNoAttributeLine);
        FUZZ_CHECK((rc == 0) == (entries.Count() > 0));
        CheckEntries(entries);
        if (objects == 0) {
            firstEntries = entries;
        }
        if (name.empty()) {
            FUZZ_CHECK(rc == kNoAttributeLine);
            return objects;
        }
        FUZZ_CHECK(output.OTell() > before);
        ++objects;
    }
}

void CheckLookups(const clsObjectAttrs& attrs, const std::string& attr) {
    for (const int32_t doc : {0, -3}) {
        const std::string single = attrs.GetSingleValue(attr, doc);
        const std::string multi = attrs.GetMultiValues(attr, doc);
        FUZZ_CHECK(single.find('\0') == std::string::npos);
        FUZZ_CHECK(single == BeforeNul(multi));
        FUZZ_CHECK(attrs.GetSingleValueInWinPath(attr, doc) == basCommon::ConvertToWinPath(single));
    }
}

void CheckObjectAttrs(int32_t objClass, const clsStringList& parsed) {
    clsObjectAddr address;
    address.Init(objClass, "srv1:42", "");
    clsObjectAttrs attrs;
    const int32_t rc = attrs.Init(address, true);
    FUZZ_CHECK(rc == (parsed.Count() > 0 ? 0 : kNoAttributeLine));
    FUZZ_CHECK(attrs.Count() == parsed.Count());

    const std::vector<int32_t>& docs = attrs.DocumentNumbers();
    FUZZ_CHECK(std::is_sorted(docs.begin(), docs.end()));
    FUZZ_CHECK(std::adjacent_find(docs.begin(), docs.end()) == docs.end());
    FUZZ_CHECK(docs.empty() || docs.front() >= 1);

    const clsStringList& entries = attrs.Entries();
    for (int32_t i = 1; i <= entries.Count(); ++i) {
        const std::string key = entries.KeyAt(i);
        const size_t dot = key.find('.');
        const std::string docPart = dot == std::string::npos ? "" : key.substr(0, dot);
        const bool onDocument = IsDecimal(docPart) && docPart[0] != '0' && docPart.size() < 10;
        const std::string attr = onDocument ? key.substr(dot + 1) : key;
        if (ReadsAsPosition(attr) || ReadsAsPosition(key)) {
            continue;
        }
        CheckLookups(attrs, attr);
        if (onDocument) {
            const int32_t doc = std::stoi(docPart);
            FUZZ_CHECK(attrs.GetSingleValue(attr, doc) == BeforeNul(entries.Item(key)));
            FUZZ_CHECK(attrs.GetMultiValues(attr, doc) == entries.Item(key));
        } else {
            // The object's own value, never one of its documents'.
            FUZZ_CHECK(attrs.GetMultiValues(attr) == entries.Item(key));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InstallCannedTool();
    g_answer.assign(reinterpret_cast<const char*>(data), size);

    clsStringList firstEntries;
    const int objects = ParseAllObjects(g_answer, firstEntries);

    CheckObjectAttrs(kClassJob, firstEntries);
    CheckObjectAttrs(kClassPrinter, firstEntries);

    clsJobList jobs;
    FUZZ_CHECK(jobs.Init("srv1", "") == 0);
    FUZZ_CHECK(jobs.Count() <= objects);
    return 0;
}
