#pragma once
// The cache of one scan: a listing source that answers a repeated listing of a shared object from
// memory, for the life of the scan: a server, printer or queue asked for again with the same
// class, name, domain, attributes and filter. Jobs and documents are always passed on (a job's
// final re-check exists to see whether it still waits). A listing in flight is awaited by whoever
// asks for the same, instead of run twice. Safe on several threads.
//
// Failures are remembered too: every job that needs an object that could not be listed gets the
// same answer at once, instead of each waiting for the same time-out again. Only a stopped
// listing (the work it belonged to is over) and a failure that may pass (Answer::passing) are
// forgotten: whoever asks next lists again. A new scan starts with a new cache.
//
// The cache stands in front of its source's own form for the scan when the source has one
// (ListingSource::NewScan): for a CUPS server, its scan snapshot, which also answers the jobs.

#include <memory>
#include <string>

#include "listing/memo.h"
#include "listing/source.h"

namespace stallscan::listing {

class CachingSource : public ListingSource {
  public:
    explicit CachingSource(ListingSource& source)
        : scan_(source.NewScan()), inner_(scan_ != nullptr ? *scan_ : source) {}

    Answer List(const Request& request, const Control& control) override;
    Dialect AttributeDialect() const override { return inner_.AttributeDialect(); }
    std::string OnlyServer() const override { return inner_.OnlyServer(); }
    std::string ServerForCommands() const override { return inner_.ServerForCommands(); }

  private:
    const std::unique_ptr<ListingSource> scan_;
    ListingSource& inner_;
    Memo<Answer> answers_{HoldsForTheScan};
};

}  // namespace stallscan::listing
