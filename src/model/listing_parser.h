#pragma once
// Turns the lines of one object of a listing (and the lines of its documents) into keyed entries:
// key attribute name, or document number "." attribute name, plus "number-of-documents"; each
// value followed by one NUL character.

#include <cstdint>
#include <string>

#include "listing/kv_output.h"
#include "model/string_list.h"

namespace basPosixCtl {

// Reads from the output's current position. Returns 0 when `entries` holds at least one entry
// afterwards (earlier entries count), 900 otherwise. `objName` receives the main object's name.
// On return the read position is past the end or at the first line of the next object.
int32_t ParseListing(clsKvOutput& output, std::string& objName, clsStringList& entries);

}  // namespace basPosixCtl
