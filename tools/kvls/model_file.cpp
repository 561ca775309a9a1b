#include "model_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <unordered_map>

namespace kvls {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Reads "document N" (any letter case, blanks free) into *number; false for anything else.
bool ParseDocumentHeader(std::string_view inner, int* number) {
    inner = Trim(inner);
    constexpr std::string_view kWord = "document";
    if (inner.size() <= kWord.size() || !EqualsNoCase(inner.substr(0, kWord.size()), kWord)) {
        return false;
    }
    std::string_view digits = Trim(inner.substr(kWord.size()));
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    *number = std::stoi(std::string(digits));
    return *number > 0;
}

class ObjectTextParser {
  public:
    ModelObject Run(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") {
            text.remove_prefix(3);
        }
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            ++line_no_;
            Line(text.substr(0, end));
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        }
        std::sort(object_.documents.begin(), object_.documents.end(),
                  [](const Document& a, const Document& b) { return a.number < b.number; });
        return std::move(object_);
    }

  private:
    void Warn(const std::string& what) {
        object_.warnings.push_back("line " + std::to_string(line_no_) + ": " + what);
    }

    void AddValue(std::string_view value) {
        if (!value.empty()) {
            pending_->values.emplace_back(value);
        }
    }

    void Line(std::string_view raw) {
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#') {
            return;
        }
        if (IsBlank(raw.front()) && line.front() != '[') {
            Continuation(line);
        } else if (line.front() == '[' && line.back() == ']') {
            Section(line.substr(1, line.size() - 2));
        } else {
            AttributeLine(line);
        }
    }

    void Continuation(std::string_view line) {
        if (skipping_) {
            return;
        }
        if (pending_ == nullptr) {
            Warn("continuation line without an attribute");
            return;
        }
        AddValue(line);
    }

    void Section(std::string_view inner) {
        pending_ = nullptr;
        skipping_ = false;
        int number = 0;
        if (ParseDocumentHeader(inner, &number)) {
            current_ = &DocumentAttrs(number);
        } else if (EqualsNoCase(Trim(inner), "job") || EqualsNoCase(Trim(inner), "object")) {
            current_ = &object_.attrs;
        } else {
            Warn("unknown section [" + std::string(inner) + "], its lines are skipped");
            skipping_ = true;
        }
    }

    // Indexed by number, so that a job of 100,000 documents reads in linear time.
    AttrSet& DocumentAttrs(int number) {
        const auto [it, added] = document_index_.try_emplace(number, object_.documents.size());
        if (added) {
            object_.documents.push_back({number, {}});
        }
        return object_.documents[it->second].attrs;
    }

    void AttributeLine(std::string_view line) {
        if (skipping_) {
            return;
        }
        const std::size_t eq = line.find('=');
        const std::string_view name =
            eq == std::string_view::npos ? line : Trim(line.substr(0, eq));
        if (eq == std::string_view::npos || name.empty()) {
            Warn("not an \"attribute = value\" line");
            pending_ = nullptr;
            return;
        }
        const std::string_view value = Trim(line.substr(eq + 1));
        if (current_ == &object_.attrs && Directive(name, value)) {
            pending_ = nullptr;
            return;
        }
        pending_ = &current_->Get(name);
        AddValue(value);
    }

    bool Directive(std::string_view name, std::string_view value) {
        if (EqualsNoCase(name, "domain")) {
            if (!value.empty()) {
                object_.domains.emplace_back(value);
            }
            return true;
        }
        if (EqualsNoCase(name, "server")) {
            object_.server = value;
            return true;
        }
        return false;
    }

    ModelObject object_;
    AttrSet* current_ = &object_.attrs;
    Attribute* pending_ = nullptr;  // valid until the next Get on current_
    bool skipping_ = false;
    int line_no_ = 0;
    std::unordered_map<int, std::size_t> document_index_;  // number -> place in documents
};

}  // namespace

Attribute& AttrSet::Get(std::string_view name) {
    for (Attribute& a : items_) {
        if (a.name == name) {
            return a;
        }
    }
    items_.push_back({std::string(name), {}});
    return items_.back();
}

const Attribute* AttrSet::Find(std::string_view name) const {
    for (const Attribute& a : items_) {
        if (a.name == name) {
            return &a;
        }
    }
    return nullptr;
}

const std::vector<std::string>* AttrSet::ValuesOf(std::string_view name) const {
    const Attribute* a = Find(name);
    return a == nullptr ? nullptr : &a->values;
}

bool ModelObject::InDomain(std::string_view domain) const {
    return domain.empty() || std::find(domains.begin(), domains.end(), domain) != domains.end();
}

const Document* ModelObject::FindDocument(int number) const {
    for (const Document& d : documents) {
        if (d.number == number) {
            return &d;
        }
    }
    return nullptr;
}

ModelObject ParseObjectText(std::string_view text) {
    return ObjectTextParser().Run(text);
}

bool ReadWholeFile(const std::string& path, std::string* text) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) {
        return false;
    }
    text->clear();
    char buf[16384];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
        text->append(buf, n);
    }
    return std::ferror(f.get()) == 0;
}

}  // namespace kvls
