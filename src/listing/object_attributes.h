#pragma once
// How the diagnosis sees one object of the print system: its address, its listed attributes, and
// lookups of the first value, the first value as a Windows path, or all values. A job attribute
// that the job itself does not carry is taken from its documents.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "listing/lister.h"
#include "model/entries.h"
#include "model/object_address.h"

namespace stallscan::listing {

class ObjectAttributes {
  public:
    // Lists the object: all of its attributes when `list_all`, then, in a second listing whose
    // values win, the `requested` ones (names separated by blanks). kRefused, without listing, for
    // a class outside 1 to 7, an empty name, or nothing to list; kNoAttributes when the listings
    // held no attribute; any other failure as the source gave it.
    Status List(Lister& lister, model::ObjectAddress address, bool list_all,
                std::string requested = {});
    // The object of a listing already made (one of many that one listing brought), as if listed.
    static ObjectAttributes Of(model::ObjectAddress address, const model::ListedObject& object);
    // Lists the same object again, with the same options.
    Status Update(Lister& lister);

    // The first value, or empty. `document` > 0 reads that document's attribute; < 0 reads
    // nothing from the object itself (only, for a job, from its documents).
    std::string SingleValue(std::string_view attr, int32_t document = 0) const;
    // SingleValue in Windows notation ("|" becomes ":", "/" becomes "\").
    std::string PathValue(std::string_view attr, int32_t document = 0) const;
    // Every value, each followed by NUL; for a job attribute taken from documents, the values of
    // every document that carries it, in document order.
    std::string MultiValues(std::string_view attr, int32_t document = 0) const;

    // The document numbers that the listing holds entries for (canonical decimal numbers from 1
    // to "number-of-documents"), ascending.
    const std::vector<int32_t>& DocumentNumbers() const { return document_numbers_; }
    const model::ObjectAddress& Address() const { return address_; }
    const model::Entries& Entries() const { return entries_; }

  private:
    Status ListInto(Lister& lister);
    void IndexDocuments();
    const std::string& StoredValue(std::string_view attr, int32_t document,
                                   bool& uses_documents) const;

    model::ObjectAddress address_;
    bool list_all_ = false;
    std::string requested_;
    model::Entries entries_;
    std::vector<int32_t> document_numbers_;
};

}  // namespace stallscan::listing
