// The command line of a listing run:
//
//   kvls CLASS [-x domain-name=D] [-x scope=N] [-r "names"|"all"] [-sl] [-F | -f "expr"] NAME
//
// CLASS is one of -cs (server), -cp (printer), -cq (queue), -cj (job), -cd (document),
// -c i-v-j (job) and -c i-v-d (document). Options may come in any order; NAME comes last.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filter.h"
#include "store.h"

namespace kvls {

// The attributes a run lists: all of them, or the named ones.
struct AttrSelection {
    bool all = true;
    std::vector<std::string> names;

    bool Wants(std::string_view attr) const;
    // "all" (or an empty text) selects all; otherwise names separated by blanks, and "all"
    // among them selects all too.
    static AttrSelection FromText(std::string_view text);
};

struct Request {
    ObjectClass cls = ObjectClass::kServer;
    std::string domain;  // empty: every domain
    AttrSelection attrs;
    std::optional<Filter> filter;
    std::string object_name;
};

// Parses the arguments after the program name. On failure returns nothing and sets *error to a
// one-line description.
std::optional<Request> ParseCommandLine(const std::vector<std::string>& args, std::string* error);

}  // namespace kvls
