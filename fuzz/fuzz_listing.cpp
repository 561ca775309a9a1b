// The listing parser over arbitrary output, object after object as the job list reads it, then
// the attribute lookups of the object attributes and the job list over the same output served as
// a source's answer.

#include <algorithm>
#include <string>

#include "fuzz_check.h"
#include "listing/job_list.h"
#include "listing/object_attributes.h"
#include "model/listing_parser.h"
#include "text/text_functions.h"

namespace {

using namespace stallscan;

constexpr std::string_view kNumberOfDocuments = "number-of-documents";

// Answers every request with the objects of one listing text.
class OutputSource : public listing::ListingSource {
  public:
    std::string output;
    listing::Answer List(const listing::Request&, const listing::Control&) override {
        return {listing::Status::kOk, model::ParseObjects(output), {}};
    }
};

bool IsDecimal(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string BeforeNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// Every entry holds a value list (non-empty, each value ended by NUL) or the document count.
void CheckEntries(const model::Entries& entries) {
    for (const auto& [key, value] : entries) {
        FUZZ_CHECK(!key.empty());
        FUZZ_CHECK(!value.empty());
        // The document count is a plain number, unless no document was listed and an attribute
        // of that name stands in its place. A NUL byte inside a listed value stays in the value
        // (where it reads as a value separator), so only the last byte is certain.
        const bool count = IsDecimal(value) && value[0] != '0';
        FUZZ_CHECK((count && text::FoldCase(key) == kNumberOfDocuments) || value.back() == '\0');
    }
}

// Parses object after object until no attribute line is left; every call moves forward.
size_t ParseAllObjects(const std::string& text) {
    model::CapturedOutput output(text);
    size_t objects = 0;
    for (;;) {
        const int32_t before = output.Tell();
        model::Entries entries;
        std::string name = "stale";
        const bool listed = model::ParseListing(output, name, entries);
        FUZZ_CHECK(listed == !entries.empty());
        CheckEntries(entries);
        if (name.empty()) {
            FUZZ_CHECK(!listed);
            FUZZ_CHECK(model::ParseObjects(text).size() == objects);
            return objects;
        }
        FUZZ_CHECK(output.Tell() > before);
        ++objects;
    }
}

void CheckLookups(const listing::ObjectAttributes& attrs, const std::string& attr) {
    for (const int32_t doc : {0, -3}) {
        const std::string single = attrs.SingleValue(attr, doc);
        const std::string multi = attrs.MultiValues(attr, doc);
        FUZZ_CHECK(single.find('\0') == std::string::npos);
        FUZZ_CHECK(single == BeforeNul(multi));
        FUZZ_CHECK(attrs.PathValue(attr, doc) == text::ToWindowsPath(single));
    }
}

void CheckObjectAttributes(listing::ListingSource& source, model::ObjectClass object_class) {
    listing::Lister lister(source);
    listing::ObjectAttributes attrs;
    const listing::Status status = attrs.List(lister, {object_class, "srv1:42", ""}, true);
    FUZZ_CHECK((status == listing::Status::kOk) == !attrs.Entries().empty());

    const std::vector<int32_t>& docs = attrs.DocumentNumbers();
    FUZZ_CHECK(std::is_sorted(docs.begin(), docs.end()));
    FUZZ_CHECK(std::adjacent_find(docs.begin(), docs.end()) == docs.end());
    FUZZ_CHECK(docs.empty() || docs.front() >= 1);

    for (const auto& [key, value] : attrs.Entries()) {
        const size_t dot = key.find('.');
        const std::string doc_part = dot == std::string::npos ? "" : key.substr(0, dot);
        const bool on_document = IsDecimal(doc_part) && doc_part[0] != '0' && doc_part.size() < 10;
        const std::string attr = on_document ? key.substr(dot + 1) : key;
        CheckLookups(attrs, attr);
        if (on_document) {
            const int32_t doc = std::stoi(doc_part);
            FUZZ_CHECK(attrs.SingleValue(attr, doc) == BeforeNul(value));
            FUZZ_CHECK(attrs.MultiValues(attr, doc) == value);
        } else if (!attrs.Entries().Get(attr).empty()) {
            // The object's own value, never one of its documents'.
            FUZZ_CHECK(attrs.MultiValues(attr) == attrs.Entries().Get(attr));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    OutputSource source;
    source.output.assign(reinterpret_cast<const char*>(data), size);
    const size_t objects = ParseAllObjects(source.output);

    CheckObjectAttributes(source, model::ObjectClass::kJob);
    CheckObjectAttributes(source, model::ObjectClass::kPrinter);

    listing::JobList jobs;
    listing::Lister lister(source);
    FUZZ_CHECK(jobs.List(lister, "srv1", "") == listing::Status::kOk);
    FUZZ_CHECK(static_cast<size_t>(jobs.Count()) <= objects);
    return 0;
}
