#include "listing/lister.h"

namespace stallscan::listing {

Answer Lister::List(const Request& request) {
    Answer answer = source_->List(request, control_);
    if (!answer.error_text.empty() || answer.status == Status::kAuthenticationRequired) {
        failures_.push_back({request, answer.status, answer.error_text});
    }
    if (IsInterruption(answer.status) && interruption_ == Status::kOk) {
        interruption_ = answer.status;
    }
    return answer;
}

}  // namespace stallscan::listing
