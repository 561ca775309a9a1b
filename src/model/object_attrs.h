#pragma once
// The listed attributes of one object, with single-value, Windows-path and multi-value lookups.
// A job attribute that the job itself lacks is taken from its documents.

#include <cstdint>
#include <string>
#include <vector>

#include "model/object_addr.h"
#include "model/string_list.h"

class clsObjectAttrs {
  public:
    // Copies the address, stores the options, clears the entries and lists (returns Update()).
    int32_t Init(const clsObjectAddr& in_object, bool in_bListAll,
                 const std::string& in_sRequestedAttrs = {});
    // 0 listed; 900 no attribute line; 2006 refused (class outside 1..7, empty name, nothing
    // requested); any other code from the listing query.
    int32_t Update();
    int32_t Count() const { return m_entries.Count(); }

    std::string GetSingleValue(const std::string& in_sAttr, int32_t in_nDocId = 0) const;
    std::string GetSingleValueInWinPath(const std::string& in_sAttr, int32_t in_nDocId = 0) const;
    std::string GetMultiValues(const std::string& in_sAttr, int32_t in_nDocId = 0) const;

    // The document numbers that the listing holds entries for (canonical decimal numbers from 1
    // to "number-of-documents"), ascending.
    const std::vector<int32_t>& DocumentNumbers() const { return m_docNumbers; }
    const clsObjectAddr& Address() const { return m_address; }
    const clsStringList& Entries() const { return m_entries; }

  private:
    int32_t ListInto();
    void IndexDocuments();
    std::string StoredValue(const std::string& in_sAttr, int32_t in_nDocId,
                            bool& usesDocuments) const;

    clsObjectAddr m_address;
    bool m_listAll = false;
    std::string m_requestedAttrs;
    clsStringList m_entries;
    std::vector<int32_t> m_docNumbers;
};
