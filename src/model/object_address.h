#pragma once
// Names one object of the print system, or a set of them, as the listing tool understands it:
// the class of object, its name and the domain in which the name is looked up.

#include <cstdint>
#include <string>

namespace stallscan::model {

// The class codes of the print system's objects.
enum class ObjectClass : int32_t {
    kNone = 0,
    kServer = 1,
    kPrinter = 2,
    kQueue = 3,
    kJob = 4,  // name "server:number"; "server:" stands for every job of the server
    kDocument = 5,
    kIvj = 6,  // the listing tool's classes "i-v-j" and "i-v-d"
    kIvd = 7,
};

// True for the classes 1 to 7, which the listing tool knows.
inline bool IsListedClass(ObjectClass object_class) {
    const auto code = static_cast<int32_t>(object_class);
    return code >= 1 && code <= 7;
}

struct ObjectAddress {
    ObjectClass object_class = ObjectClass::kNone;
    std::string name;
    std::string domain;  // empty: no domain is given to the listing tool

    friend bool operator==(const ObjectAddress&, const ObjectAddress&) = default;
};

}  // namespace stallscan::model
