#include "command_line.h"

#include <algorithm>

namespace kvls {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

class CommandLineParser {
  public:
    explicit CommandLineParser(const std::vector<std::string>& args) : args_(args) {}

    std::optional<Request> Run(std::string* error) {
        for (i_ = 0; i_ < args_.size() && error_.empty(); ++i_) {
            Argument(args_[i_]);
        }
        if (error_.empty() && !have_class_) {
            error_ = "no object class given (-cs, -cp, -cq, -cj, -cd, -c i-v-j, -c i-v-d)";
        }
        if (error_.empty() && request_.object_name.empty()) {
            error_ = "no object name given";
        }
        if (!error_.empty()) {
            *error = error_;
            return std::nullopt;
        }
        return std::move(request_);
    }

  private:
    void Fail(std::string text) {
        if (error_.empty()) {
            error_ = std::move(text);
        }
    }

    // The value that follows option opt, or nullptr (with an error) when none follows.
    const std::string* Next(std::string_view opt) {
        if (i_ + 1 >= args_.size()) {
            Fail("option " + std::string(opt) + " needs a value");
            return nullptr;
        }
        return &args_[++i_];
    }

    void SetClass(ObjectClass cls) {
        if (have_class_) {
            Fail("more than one object class given");
        }
        have_class_ = true;
        request_.cls = cls;
    }

    void Argument(const std::string& arg) {
        if (!request_.object_name.empty()) {
            Fail("unexpected argument after the object name: " + arg);
        } else if (arg == "-cs") {
            SetClass(ObjectClass::kServer);
        } else if (arg == "-cp") {
            SetClass(ObjectClass::kPrinter);
        } else if (arg == "-cq") {
            SetClass(ObjectClass::kQueue);
        } else if (arg == "-cj") {
            SetClass(ObjectClass::kJob);
        } else if (arg == "-cd") {
            SetClass(ObjectClass::kDocument);
        } else if (arg == "-c") {
            NamedClass();
        } else if (arg == "-x") {
            Extension();
        } else if (arg == "-r") {
            if (const std::string* v = Next(arg)) {
                request_.attrs = AttrSelection::FromText(*v);
            }
        } else if (arg == "-sl") {
            // Listing lines are always one attribute value per line.
        } else if (arg == "-F") {
            no_filter_ = true;
        } else if (arg == "-f") {
            FilterOption();
        } else if (arg.empty() || arg.front() == '-') {
            Fail("unknown option: " + arg);
        } else {
            request_.object_name = arg;
        }
        if (no_filter_ && request_.filter) {
            Fail("-F and -f exclude each other");
        }
    }

    void NamedClass() {
        if (const std::string* v = Next("-c")) {
            if (*v == "i-v-j") {
                SetClass(ObjectClass::kJob);
            } else if (*v == "i-v-d") {
                SetClass(ObjectClass::kDocument);
            } else {
                Fail("unknown object class: " + *v);
            }
        }
    }

    void Extension() {
        const std::string* v = Next("-x");
        if (v == nullptr) {
            return;
        }
        const std::size_t eq = v->find('=');
        const std::string key = v->substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : v->substr(eq + 1);
        if (key == "domain-name" && !value.empty()) {
            request_.domain = value;
        } else if (key == "scope" && !value.empty() &&
                   std::all_of(value.begin(), value.end(),
                               [](char c) { return c >= '0' && c <= '9'; })) {
            // Job listings are always of the named server's own jobs.
        } else {
            Fail("unknown or incomplete -x setting: " + *v);
        }
    }

    void FilterOption() {
        const std::string* v = Next("-f");
        if (v == nullptr) {
            return;
        }
        if (request_.filter) {
            Fail("more than one -f given");
            return;
        }
        std::string why;
        request_.filter = Filter::Parse(*v, &why);
        if (!request_.filter) {
            Fail(why);
        }
    }

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    Request request_;
    bool have_class_ = false;
    bool no_filter_ = false;
    std::string error_;
};

}  // namespace

bool AttrSelection::Wants(std::string_view attr) const {
    return all || std::find(names.begin(), names.end(), attr) != names.end();
}

AttrSelection AttrSelection::FromText(std::string_view text) {
    AttrSelection selection;
    selection.all = false;
    while (!text.empty()) {
        while (!text.empty() && IsBlank(text.front())) {
            text.remove_prefix(1);
        }
        std::size_t n = 0;
        while (n < text.size() && !IsBlank(text[n])) {
            ++n;
        }
        if (n > 0) {
            if (text.substr(0, n) == "all") {
                selection.all = true;
            }
            selection.names.emplace_back(text.substr(0, n));
        }
        text.remove_prefix(n);
    }
    if (selection.names.empty()) {
        selection.all = true;
    }
    return selection;
}

std::optional<Request> ParseCommandLine(const std::vector<std::string>& args, std::string* error) {
    return CommandLineParser(args).Run(error);
}

}  // namespace kvls
