#include "listing/caching_source.h"

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

Answer CachingSource::List(const Request& request, const Control& control) {
    if (!Shared(request.address.object_class)) {
        return inner_.List(request, control);
    }
    return answers_
        .Get(KeyOf(request), control.stop, [&] { return inner_.List(request, control); })
        .value_or(Answer{Status::kStopped, {}, {}});
}

}  // namespace stallscan::listing
