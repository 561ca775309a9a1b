#include "model/object_attrs.h"

#include <algorithm>

#include "app/text_functions.h"
#include "listing/child_runner.h"
#include "listing/kv_output.h"
#include "listing/listing_query.h"
#include "model/listing_parser.h"

namespace {

const std::string kNumberOfDocuments = "number-of-documents";
const std::string kAllAttributes = "all";

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

std::string CutAtFirstNul(std::string value) {
    const size_t nul = value.find('\0');
    if (nul != std::string::npos) {
        value.resize(nul);
    }
    return value;
}

}  // namespace

int32_t clsObjectAttrs::Init(const clsObjectAddr& in_object, bool in_bListAll,
                             const std::string& in_sRequestedAttrs) {
    m_address.Init(in_object.ObjectClass(), in_object.ObjectName(), in_object.ObjectDomain());
    m_listAll = in_bListAll;
    m_requestedAttrs = in_sRequestedAttrs;
    m_entries.Clear();
    m_docNumbers.clear();
    return Update();
}

int32_t clsObjectAttrs::Update() {
    const int32_t objClass = m_address.ObjectClass();
    if (objClass < kClassServer || objClass > kClassIvd || m_address.ObjectName().empty() ||
        (m_requestedAttrs.empty() && !m_listAll)) {
        return basPosixCtl::kAddressRefused;
    }
    m_entries.Clear();
    const int32_t result = ListInto();
    IndexDocuments();
    return result;
}

// Runs the listing or listings and parses them into the (cleared) entries.
int32_t clsObjectAttrs::ListInto() {
    clsKvOutput out;
    clsKvOutput err;
    std::string objName;
    if (m_listAll) {
        int32_t result = basPosixCtl::RunListingQuery(m_address, kAllAttributes, out, err);
        if (result != 0) {
            return result;
        }
        result = basPosixCtl::ParseListing(out, objName, m_entries);
        if (result != 0) {
            return result;
        }
    }
    if (m_requestedAttrs.empty()) {
        return 0;
    }
    const int32_t result = basPosixCtl::RunListingQuery(m_address, m_requestedAttrs, out, err);
    if (result != 0) {
        return result;
    }
    return basPosixCtl::ParseListing(out, objName, m_entries);
}

// The fallback of a job attribute to the documents walks the document numbers 1 to
// "number-of-documents"; only numbers that have an entry "<n>.<attribute>" can contribute, so the
// walk visits just those, ascending, which gives the same result whatever the stated count.
void clsObjectAttrs::IndexDocuments() {
    m_docNumbers.clear();
    const std::string count = m_entries.Item(kNumberOfDocuments);
    if (count.empty()) {
        return;
    }
    const int32_t limit = basCommon::RoundToInt32(basCommon::NumericValue(count));
    if (limit < 1) {
        return;
    }
    for (int32_t position = 1; position <= m_entries.Count(); ++position) {
        if (const int32_t n = DocumentNumberOfKey(m_entries.KeyAt(position), limit); n > 0) {
            m_docNumbers.push_back(n);
        }
    }
    std::sort(m_docNumbers.begin(), m_docNumbers.end());
    m_docNumbers.erase(std::unique(m_docNumbers.begin(), m_docNumbers.end()), m_docNumbers.end());
}

// The stored text for the attribute on the object (in_nDocId 0) or on one document (> 0);
// empty for a negative document number. `usesDocuments` tells whether an empty result may be
// looked up in the job's documents.
std::string clsObjectAttrs::StoredValue(const std::string& in_sAttr, int32_t in_nDocId,
                                        bool& usesDocuments) const {
    usesDocuments = false;
    if (in_nDocId > 0) {
        return m_entries.Item(std::to_string(in_nDocId) + "." + in_sAttr);
    }
    std::string value;
    if (in_nDocId == 0) {
        value = m_entries.Item(in_sAttr);
    }
    usesDocuments = value.empty() && m_address.ObjectClass() == kClassJob &&
                    !m_entries.Item(kNumberOfDocuments).empty();
    return value;
}

std::string clsObjectAttrs::GetSingleValue(const std::string& in_sAttr, int32_t in_nDocId) const {
    bool usesDocuments = false;
    std::string value = StoredValue(in_sAttr, in_nDocId, usesDocuments);
    if (usesDocuments) {
        for (const int32_t doc : m_docNumbers) {
            value = m_entries.Item(std::to_string(doc) + "." + in_sAttr);
            if (!value.empty()) {
                break;
            }
        }
    }
    return CutAtFirstNul(std::move(value));
}

std::string clsObjectAttrs::GetSingleValueInWinPath(const std::string& in_sAttr,
                                                    int32_t in_nDocId) const {
    return basCommon::ConvertToWinPath(GetSingleValue(in_sAttr, in_nDocId));
}

std::string clsObjectAttrs::GetMultiValues(const std::string& in_sAttr, int32_t in_nDocId) const {
    bool usesDocuments = false;
    std::string value = StoredValue(in_sAttr, in_nDocId, usesDocuments);
    if (usesDocuments) {
        for (const int32_t doc : m_docNumbers) {
            value += m_entries.Item(std::to_string(doc) + "." + in_sAttr);
        }
    }
    return value;
}
