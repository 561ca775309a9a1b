// Helpers shared by the fuzz targets: invariant checks that abort (so that libFuzzer and the
// corpus replay both report a broken invariant as a failure) and a reader that carves the input
// into small pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace fuzz {

// Consumes the fuzzer's bytes from the front; reads past the end give zeros and empty texts.
class InputReader {
  public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    // Up to `maxLength` bytes (the length is the next byte modulo maxLength + 1).
    std::string Text(size_t maxLength) {
        size_t length = Byte() % (maxLength + 1);
        if (length > size_ - at_ || at_ >= size_) {
            length = at_ < size_ ? size_ - at_ : 0;
        }
        std::string text(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return text;
    }
    // Like Text, each byte mapped onto `alphabet` (so that short texts collide often).
    std::string TextOver(size_t maxLength, const std::string& alphabet) {
        std::string text = Text(maxLength);
        for (char& c : text) {
            c = alphabet[static_cast<uint8_t>(c) % alphabet.size()];
        }
        return text;
    }
    // Everything not read yet.
    std::string Rest() {
        std::string text(reinterpret_cast<const char*>(data_ + at_), at_ < size_ ? size_ - at_ : 0);
        at_ = size_;
        return text;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace fuzz
