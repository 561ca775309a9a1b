#include "model/listing_parser.h"

#include <string_view>

#include "app/text_functions.h"
#include "listing/child_runner.h"

namespace basPosixCtl {

namespace {

constexpr std::string_view kNameSeparator = ": ";
constexpr std::string_view kValueSeparator = " = ";
const std::string kNumberOfDocuments = "number-of-documents";

// Removes leading and trailing space characters (tabs and other blanks stay).
std::string_view TrimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The attribute that the parser has read last and not yet stored.
struct PendingAttribute {
    std::string object;  // empty: nothing to store
    std::string name;
    std::string document;
    std::string values;  // each value followed by NUL

    void Store(clsStringList& entries) const {
        if (object.empty() || name.empty() || values.empty()) {
            return;
        }
        if (document.empty()) {
            entries.Add(values, name);
        } else {
            entries.Add(values, document + "." + name);
        }
    }
};

}  // namespace

// One pass over the lines. The pending attribute is stored when it ends: at the next attribute
// line or at the end of the object. Storing it also at every comment or other line in between,
// as the format's description allows, would only put the same value under the same key at the
// same (last) place again, since nothing else is added meanwhile; storing once gives the same
// entries without copying a long value once per intervening line.
int32_t ParseListing(clsKvOutput& output, std::string& objName, clsStringList& entries) {
    std::string mainObject;
    PendingAttribute pending;
    int32_t highestDocument = 0;
    std::string line;

    int32_t lineStart = output.OTell();
    while (output.GetLine(line) >= 1) {
        const std::string_view text(line);
        if (text.empty() || text[0] == '#') {
            // Ignored; a comment does not end the pending attribute's values.
        } else if (text[0] == ' ') {
            const std::string_view value = TrimSpaces(text);
            if (!pending.name.empty() && !value.empty()) {
                pending.values.append(value);
                pending.values += '\0';
            }
        } else if (const size_t c = text.find(kNameSeparator); c != std::string_view::npos) {
            const size_t e = text.find(kValueSeparator, c + kNameSeparator.size());
            if (e != std::string_view::npos) {
                pending.Store(entries);
                std::string object(TrimSpaces(text.substr(0, c)));
                if (mainObject.empty()) {
                    mainObject = object;
                } else if (object != mainObject) {
                    const bool isDocument = object.size() > mainObject.size() &&
                                            object.compare(0, mainObject.size(), mainObject) == 0 &&
                                            object[mainObject.size()] == '.';
                    if (!isDocument) {
                        // The first line of the next object: give it back.
                        output.OSeek(lineStart);
                        pending.object.clear();
                        break;
                    }
                    pending.document = object.substr(mainObject.size() + 1);
                    const int32_t number =
                        basCommon::RoundToInt32(basCommon::NumericValue(pending.document));
                    if (number > highestDocument) {
                        highestDocument = number;
                    }
                    object = mainObject;
                }
                pending.object = std::move(object);
                const size_t nameStart = c + kNameSeparator.size();
                pending.name.assign(TrimSpaces(text.substr(nameStart, e - nameStart)));
                const std::string_view value = TrimSpaces(text.substr(e + kValueSeparator.size()));
                pending.values.assign(value);
                if (!value.empty()) {
                    pending.values += '\0';
                }
            }
        }
        lineStart = output.OTell();
    }

    pending.Store(entries);
    if (highestDocument > 0) {
        entries.Add(std::to_string(highestDocument), kNumberOfDocuments);
    }
    objName = mainObject;
    return entries.Count() > 0 ? 0 : kNoAttributeLine;
}

}  // namespace basPosixCtl
