#pragma once
// A listing source that answers a repeated listing of a shared object from memory, for the life
// of one scan: a server, printer or queue asked for again with the same class, name, domain,
// attributes and filter. Jobs and documents are always listed afresh (a job's final re-check
// exists to see whether it still waits). A listing in flight is awaited by whoever asks for the
// same, instead of run twice. Safe on several threads.
//
// Failures are remembered too: every job that needs an object that could not be listed gets the
// same answer at once, instead of each waiting for the same time-out again. Only a stopped
// listing (the work it belonged to is over) and a failure that may pass (Answer::passing) are
// forgotten: whoever asks next lists again. A new scan starts with a new cache.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "listing/source.h"

namespace stallscan::listing {

class CachingSource : public ListingSource {
  public:
    explicit CachingSource(ListingSource& inner) : inner_(inner) {}

    Answer List(const Request& request, const Control& control) override;
    Dialect AttributeDialect() const override { return inner_.AttributeDialect(); }
    std::string OnlyServer() const override { return inner_.OnlyServer(); }

  private:
    struct Entry;
    ListingSource& inner_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Entry>> entries_;
};

}  // namespace stallscan::listing
