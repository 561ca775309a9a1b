#include "listing/object_attributes.h"

#include <algorithm>

#include "text/text_functions.h"

namespace stallscan::listing {

namespace {

constexpr std::string_view kNumberOfDocuments = "number-of-documents";
const std::string kNothing;

// The document number of an entry key "<n>.<attribute>" when <n> is a canonical positive
// decimal (no sign, no leading zero) not above `limit`; 0 otherwise.
int32_t DocumentNumberOfKey(const std::string& key, int32_t limit) {
    const size_t dot = key.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 10 || key[0] == '0') {
        return 0;
    }
    int64_t value = 0;
    for (size_t i = 0; i < dot; ++i) {
        if (key[i] < '0' || key[i] > '9') {
            return 0;
        }
        value = value * 10 + (key[i] - '0');
    }
    return value <= limit ? static_cast<int32_t>(value) : 0;
}

std::string DocumentKey(int32_t document, std::string_view attr) {
    std::string key = std::to_string(document);
    key += '.';
    key += attr;
    return key;
}

std::string CutAtFirstNul(std::string value) {
    const size_t nul = value.find('\0');
    if (nul != std::string::npos) {
        value.resize(nul);
    }
    return value;
}

}  // namespace

Status ObjectAttributes::List(Lister& lister, model::ObjectAddress address, bool list_all,
                              std::string requested) {
    address_ = std::move(address);
    list_all_ = list_all;
    requested_ = std::move(requested);
    entries_.clear();
    document_numbers_.clear();
    return Update(lister);
}

Status ObjectAttributes::Update(Lister& lister) {
    if (!model::IsListedClass(address_.object_class) || address_.name.empty() ||
        (requested_.empty() && !list_all_)) {
        return Status::kRefused;
    }
    entries_.clear();
    const Status status = ListInto(lister);
    IndexDocuments();
    return status;
}

ObjectAttributes ObjectAttributes::Of(model::ObjectAddress address,
                                      const model::ListedObject& object) {
    ObjectAttributes attrs;
    attrs.address_ = std::move(address);
    attrs.entries_ = object.entries;
    attrs.IndexDocuments();
    return attrs;
}

// Runs the listing or listings and keeps the first listed object's entries of each.
Status ObjectAttributes::ListInto(Lister& lister) {
    for (const bool all : {true, false}) {
        if (all ? !list_all_ : requested_.empty()) {
            continue;
        }
        const Answer answer = lister.List({address_, all ? std::string("all") : requested_, {}});
        if (answer.status != Status::kOk) {
            return answer.status;
        }
        if (!answer.objects.empty()) {
            entries_.Merge(answer.objects.front().entries);
        }
        if (entries_.empty()) {
            return Status::kNoAttributes;
        }
    }
    return Status::kOk;
}

// The fallback of a job attribute to the documents walks the document numbers 1 to
// "number-of-documents"; only numbers that have an entry "<n>.<attribute>" can contribute, so the
// walk visits just those, ascending, which gives the same result whatever the stated count.
void ObjectAttributes::IndexDocuments() {
    document_numbers_.clear();
    const std::string& count = entries_.Get(kNumberOfDocuments);
    if (count.empty()) {
        return;
    }
    const int32_t limit = text::RoundToInt32(text::NumericValue(count));
    if (limit < 1) {
        return;
    }
    for (const auto& [key, values] : entries_) {
        if (const int32_t n = DocumentNumberOfKey(key, limit); n > 0) {
            document_numbers_.push_back(n);
        }
    }
    std::sort(document_numbers_.begin(), document_numbers_.end());
    document_numbers_.erase(std::unique(document_numbers_.begin(), document_numbers_.end()),
                            document_numbers_.end());
}

// The stored text for the attribute on the object (document 0) or on one document (> 0); empty
// for a negative document number. `uses_documents` tells whether an empty result may be looked up
// in the job's documents.
const std::string& ObjectAttributes::StoredValue(std::string_view attr, int32_t document,
                                                 bool& uses_documents) const {
    uses_documents = false;
    if (document > 0) {
        return entries_.Get(DocumentKey(document, attr));
    }
    const std::string& value = document == 0 ? entries_.Get(attr) : kNothing;
    uses_documents = value.empty() && address_.object_class == model::ObjectClass::kJob &&
                     !entries_.Get(kNumberOfDocuments).empty();
    return value;
}

std::string ObjectAttributes::SingleValue(std::string_view attr, int32_t document) const {
    bool uses_documents = false;
    std::string value = StoredValue(attr, document, uses_documents);
    if (uses_documents) {
        for (const int32_t d : document_numbers_) {
            value = entries_.Get(DocumentKey(d, attr));
            if (!value.empty()) {
                break;
            }
        }
    }
    return CutAtFirstNul(std::move(value));
}

std::string ObjectAttributes::PathValue(std::string_view attr, int32_t document) const {
    return text::ToWindowsPath(SingleValue(attr, document));
}

std::string ObjectAttributes::MultiValues(std::string_view attr, int32_t document) const {
    bool uses_documents = false;
    std::string value = StoredValue(attr, document, uses_documents);
    if (uses_documents) {
        for (const int32_t d : document_numbers_) {
            value += entries_.Get(DocumentKey(d, attr));
        }
    }
    return value;
}

}  // namespace stallscan::listing
