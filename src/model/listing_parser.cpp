#include "model/listing_parser.h"

#include "text/text_functions.h"

namespace stallscan::model {

namespace {

constexpr std::string_view kNameSeparator = ": ";
constexpr std::string_view kValueSeparator = " = ";
constexpr std::string_view kNumberOfDocuments = "number-of-documents";

// The attribute that the parser has read last and not yet stored.
struct PendingAttribute {
    bool active = false;  // an attribute line of this object has been read
    std::string name;
    std::string document;
    std::string values;  // each value followed by NUL

    void Store(Entries& entries) {
        if (!active || name.empty() || values.empty()) {
            return;
        }
        if (document.empty()) {
            entries.Set(name, std::move(values));
        } else {
            entries.Set(document + "." + name, std::move(values));
        }
        values.clear();
    }
};

}  // namespace

// One pass over the lines. The pending attribute is stored when it ends: at the next attribute
// line or at the end of the object. Storing it also at every comment or other line in between,
// as the format's description allows, would only put the same values under the same key again,
// since nothing else is stored meanwhile; storing once gives the same entries without copying a
// long value once per intervening line.
bool ParseListing(CapturedOutput& output, std::string& object_name, Entries& entries) {
    std::string main_object;
    PendingAttribute pending;
    int32_t highest_document = 0;

    int32_t line_start = output.Tell();
    std::string_view line;
    while (output.ReadLine(line)) {
        if (line.empty() || line[0] == '#') {
            // Ignored; a comment does not end the pending attribute's values.
        } else if (line[0] == ' ') {
            const std::string_view value = text::TrimSpaces(line);
            if (pending.active && !pending.name.empty() && !value.empty()) {
                pending.values.append(value);
                pending.values += '\0';
            }
        } else if (const size_t c = line.find(kNameSeparator); c != std::string_view::npos) {
            const size_t e = line.find(kValueSeparator, c + kNameSeparator.size());
            if (e != std::string_view::npos) {
                pending.Store(entries);
                const std::string_view object = text::TrimSpaces(line.substr(0, c));
                if (main_object.empty()) {
                    main_object = object;
                    pending.document.clear();
                } else if (object != main_object) {
                    const bool is_document = object.size() > main_object.size() &&
                                             object.starts_with(main_object) &&
                                             object[main_object.size()] == '.';
                    if (!is_document) {
                        // The first line of the next object: give it back.
                        output.Seek(line_start);
                        pending.active = false;
                        break;
                    }
                    pending.document = object.substr(main_object.size() + 1);
                    const int32_t number =
                        text::RoundToInt32(text::NumericValue(pending.document));
                    if (number > highest_document) {
                        highest_document = number;
                    }
                }
                pending.active = !main_object.empty();
                const size_t name_start = c + kNameSeparator.size();
                pending.name = text::TrimSpaces(line.substr(name_start, e - name_start));
                const std::string_view value = text::TrimSpaces(line.substr(e + kValueSeparator.size()));
                pending.values.assign(value);
                if (!value.empty()) {
                    pending.values += '\0';
                }
            }
        }
        line_start = output.Tell();
    }

    pending.Store(entries);
    if (highest_document > 0) {
        entries.Set(kNumberOfDocuments, std::to_string(highest_document));
    }
    object_name = main_object;
    return !entries.empty();
}

std::vector<ListedObject> ParseObjects(std::string text) {
    CapturedOutput output(std::move(text));
    std::vector<ListedObject> objects;
    for (;;) {
        ListedObject object;
        ParseListing(output, object.name, object.entries);
        if (object.name.empty()) {
            return objects;
        }
        objects.push_back(std::move(object));
    }
}

}  // namespace stallscan::model
