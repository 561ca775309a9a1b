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

    // A listing that failed with what the print system said about it.
    struct Failure {
        Request request;
        Status status;
        std::string error_text;
    };
    // The listings that failed with an error text, in order.
    const std::vector<Failure>& Failures() const { return failures_; }
    // The first listing that was stopped or timed out, kOk while none was.
    Status Interruption() const { return interruption_; }
    Dialect AttributeDialect() const { return source_->AttributeDialect(); }
    std::string ServerForCommands() const { return source_->ServerForCommands(); }
    std::string OnlyServer() const { return source_->OnlyServer(); }

  private:
    ListingSource* source_;
    Control control_;
    std::vector<Failure> failures_;
    Status interruption_ = Status::kOk;
};

}  // namespace stallscan::listing
