#include "listing/caching_source.h"

#include <condition_variable>

namespace stallscan::listing {

namespace {

bool Shared(model::ObjectClass object_class) {
    return object_class == model::ObjectClass::kServer ||
           object_class == model::ObjectClass::kPrinter ||
           object_class == model::ObjectClass::kQueue;
}

// Everything that makes a request what it is, without ambiguity.
std::string KeyOf(const Request& request) {
    std::string key = std::to_string(static_cast<int>(request.address.object_class));
    for (const std::string* part : {&request.address.name, &request.address.domain,
                                    &request.attributes, &request.filter}) {
        key += '\0' + std::to_string(part->size()) + ':' + *part;
    }
    return key;
}

}  // namespace

// One listing: in flight until `done`, then its answer.
struct CachingSource::Entry {
    bool done = false;
    Answer answer;
    std::condition_variable_any finished;
};

Answer CachingSource::List(const Request& request, const Control& control) {
    if (!Shared(request.address.object_class)) {
        return inner_.List(request, control);
    }
    const std::string key = KeyOf(request);
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto found = entries_.find(key);
        if (found == entries_.end()) {
            break;
        }
        const std::shared_ptr<Entry> entry = found->second;
        if (!entry->finished.wait(lock, control.stop, [&] { return entry->done; })) {
            return {Status::kStopped, {}, {}};
        }
        if (entry->answer.status != Status::kStopped && !entry->answer.passing) {
            return entry->answer;
        }
        // The listing awaited was stopped or failed in a way that may pass, and was forgotten:
        // ask again.
    }
    auto entry = std::make_shared<Entry>();
    entries_.emplace(key, entry);
    lock.unlock();

    Answer answer = inner_.List(request, control);

    lock.lock();
    entry->done = true;
    entry->answer = answer;
    if (answer.status == Status::kStopped || answer.passing) {
        entries_.erase(key);
    }
    entry->finished.notify_all();
    return answer;
}

}  // namespace stallscan::listing
