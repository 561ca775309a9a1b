#pragma once
// The listing format: the lines of one object and of its documents become keyed entries.
//
//   <object>: <attribute> = <first value>          an attribute line
//   <blank><further value>                         a continuation line: one more value
//   <object>.<N>: <attribute> = <value>            an attribute of the object's document N
//   # ...                                          a comment; empty and other lines are skipped
//
// Key attribute name, or document number "." attribute name, plus "number-of-documents" (the
// highest document number met, when above 0); each value followed by one NUL character.

#include <string>
#include <string_view>
#include <vector>

#include "model/captured_output.h"
#include "model/entries.h"

namespace stallscan::model {

// Reads one object from the output's current position into `entries` (not cleared first).
// `object_name` receives the object's name, or the empty text when no attribute line was left.
// On return the read position is past the end or at the first line of the next object. True
// when `entries` holds at least one entry afterwards (earlier entries count).
bool ParseListing(CapturedOutput& output, std::string& object_name, Entries& entries);

// One object of a listing: its name and its entries (empty when all its values were empty).
struct ListedObject {
    std::string name;
    Entries entries;
};

// Every object of a listing, in listing order.
std::vector<ListedObject> ParseObjects(std::string text);

}  // namespace stallscan::model
