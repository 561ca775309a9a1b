#pragma once
// Where else a blocked job could print now: the other destinations of its server that are
// enabled, accept jobs, report no problem, and offer everything the job asks for.

#include <vector>

#include "diag/diagnosis.h"
#include "diag/remedies.h"
#include "listing/lister.h"
#include "listing/object_attributes.h"

namespace stallscan::diag {

// True when moving the job could make it print: it is blocked, and nothing of its own holds it
// (a hold, a hold time or a problem in its own state reasons goes with it to any destination).
bool MovingCouldHelp(const Diagnosis& diagnosis);

// The destinations, in the server's order, each with the lpmove command that sends the job
// there; nothing when the server's destinations could not be listed. One listing of every
// destination, which a scan shares among its jobs. Throws ListingInterrupted.
std::vector<Alternative> FindAlternatives(listing::Lister& lister, const std::string& domain,
                                          const Diagnosis& diagnosis,
                                          const listing::ObjectAttributes& job,
                                          const CommandTarget& target);

}  // namespace stallscan::diag
