#pragma once
// The listings of one piece of work (one job's diagnosis, one job list): the source they go to,
// when they give up, and what the print system said when one of them failed.

#include <string>
#include <vector>

#include "listing/source.h"

namespace stallscan::listing {

class Lister {
  public:
    explicit Lister(ListingSource& source, Control control = {})
        : source_(&source), control_(std::move(control)) {}

    Answer List(const Request& request);

    // The error texts of the listings that failed, in order (empty texts left out).
    const std::vector<std::string>& ErrorTexts() const { return error_texts_; }
    // The first listing that was stopped or timed out, kOk while none was.
    Status Interruption() const { return interruption_; }

  private:
    ListingSource* source_;
    Control control_;
    std::vector<std::string> error_texts_;
    Status interruption_ = Status::kOk;
};

}  // namespace stallscan::listing
