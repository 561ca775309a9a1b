// The text of one model object file (see README.md for the format) and its parsed form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvls {

struct Attribute {
    std::string name;
    std::vector<std::string> values;  // in file order; never holds an empty text
};

// An object's or a document's attributes in the order of their first appearance.
class AttrSet {
  public:
    // Returns the attribute of that name (exact, case-sensitive), creating it at the end when new.
    Attribute& Get(std::string_view name);
    // The attribute of that name, or nullptr.
    const Attribute* Find(std::string_view name) const;
    // Values of the attribute, or nullptr when absent.
    const std::vector<std::string>* ValuesOf(std::string_view name) const;
    const std::vector<Attribute>& items() const { return items_; }
    bool empty() const { return items_.empty(); }

  private:
    std::vector<Attribute> items_;
};

struct Document {
    int number = 0;  // 1 or more
    AttrSet attrs;
};

struct ModelObject {
    std::vector<std::string> domains;  // "domain" lines; empty: no domain
    std::string server;                // "server" line (jobs); empty when absent
    AttrSet attrs;
    std::vector<Document> documents;    // ascending by number
    std::vector<std::string> warnings;  // "line N: ..." for lines that were skipped

    // True when no domain is asked for, or the object carries the domain asked for.
    bool InDomain(std::string_view domain) const;
    const Document* FindDocument(int number) const;
};

// Parses the text of one object file. Never fails: lines it does not understand are skipped and
// noted in warnings.
ModelObject ParseObjectText(std::string_view text);

// Reads a whole file into *text; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* text);

}  // namespace kvls
