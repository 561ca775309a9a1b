// The captured-output reader against a plain reference of its reading rules, driven by
// operations taken from the input: GetLine, Seek, Tell, Rewind, Append, Assign and Clear in any
// order.

#include <string>

#include "fuzz_check.h"
#include "model/captured_output.h"

namespace {

// The reading rules written out position by position.
struct Reference {
    std::string text;
    int32_t position = 1;

    int32_t GetLine(std::string& line) {
        const int32_t length = static_cast<int32_t>(text.size());
        int32_t s = position < 1 ? 1 : position;
        if (s > length) {
            return -1;
        }
        line.clear();
        for (int32_t i = s; i <= length; ++i) {
            if (text[i - 1] == '\r' && i < length && text[i] == '\n') {
                position = i + 2;
                return position;
            }
            line += text[i - 1];
        }
        position = length + 1;
        return position;
    }
};

// Reading every line from the start gives the text back when joined with CR LF.
void CheckWholeRead(const std::string& text) {
    stallscan::model::CapturedOutput output;
    output.Assign(text);
    std::string joined;
    std::string line;
    bool first = true;
    int32_t last = 1;
    for (int32_t rc; (rc = output.GetLine(line)) >= 1;) {
        FUZZ_CHECK(rc >= 2 && rc > last);
        FUZZ_CHECK(line.find("\r\n") == std::string::npos);
        last = rc;
        joined += (first ? "" : "\r\n") + line;
        first = false;
    }
    FUZZ_CHECK(joined == text || joined + "\r\n" == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputReader input(data, size);
    stallscan::model::CapturedOutput output;
    Reference reference;
    std::string first = input.TextOver(64, std::string("\r\nab \0x", 7));
    output.Assign(first);
    reference.text = first;
    CheckWholeRead(first);

    while (!input.Empty()) {
        switch (input.Byte() % 7) {
            case 0:
            case 1: {
                std::string line = "unchanged";
                std::string expected = "unchanged";
                FUZZ_CHECK(output.GetLine(line) == reference.GetLine(expected));
                FUZZ_CHECK(line == expected);
                break;
            }
            case 2: {
                const int32_t to = static_cast<int16_t>(input.Word());
                const int32_t rc = output.Seek(to);
                const bool valid = to >= 1 && to <= static_cast<int32_t>(reference.text.size());
                FUZZ_CHECK(rc == (valid ? to : 0));
                if (valid) {
                    reference.position = to;
                }
                break;
            }
            case 3:
                output.Rewind();
                reference.position = 1;
                break;
            case 4: {
                const std::string more = input.TextOver(16, std::string("\r\nab \0x", 7));
                output.Append(more);
                reference.text += more;
                reference.position = 1;
                break;
            }
            case 5: {
                const std::string text = input.Text(32);
                output.Assign(text);
                reference = Reference{text, 1};
                CheckWholeRead(text);
                break;
            }
            default:
                output.Clear();
                reference = Reference{};
                break;
        }
        FUZZ_CHECK(output.Tell() == reference.position);
        FUZZ_CHECK(output.Text() == reference.text);
        FUZZ_CHECK(output.Length() == static_cast<int32_t>(reference.text.size()));
        FUZZ_CHECK(output.Empty() == reference.text.empty());
    }
    return 0;
}
