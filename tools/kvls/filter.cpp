#include "filter.h"

#include <algorithm>

namespace kvls {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EndsBareValue(char c) {
    return IsBlank(c) || c == '(' || c == ')' || c == '"' || c == '\'' || c == '&' || c == '|';
}

bool EndsName(char c) {
    return EndsBareValue(c) || c == '!' || c == '=';
}

}  // namespace

// Recursive descent whose depth is bounded by kMaxFilterDepth; emits postfix steps.
class FilterParser {
  public:
    explicit FilterParser(std::string_view text) : text_(text) {}

    std::optional<Filter> Run(std::string* error) {
        if (text_.size() > kMaxFilterLength) {
            return Fail(error, "filter longer than " + std::to_string(kMaxFilterLength) + " bytes");
        }
        SkipBlanks();
        if (pos_ == text_.size()) {
            return Fail(error, "empty filter");
        }
        if (ParseOr(0)) {
            SkipBlanks();
            if (pos_ != text_.size()) {
                SetError(text_[pos_] == ')' ? "unbalanced \")\"" : "unexpected text");
            }
        }
        if (!error_.empty()) {
            return Fail(error, error_ + " at offset " + std::to_string(pos_));
        }
        return std::move(filter_);
    }

  private:
    using Op = Filter::Step::Op;

    static std::optional<Filter> Fail(std::string* error, std::string text) {
        if (error != nullptr) {
            *error = "filter: " + std::move(text);
        }
        return std::nullopt;
    }

    bool SetError(const char* text) {
        if (error_.empty()) {
            error_ = text;
        }
        return false;
    }

    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
    }

    // Consumes the two-character operator op when it comes next (after blanks).
    bool Accept(std::string_view op) {
        SkipBlanks();
        if (text_.substr(pos_, op.size()) == op) {
            pos_ += op.size();
            return true;
        }
        return false;
    }

    void Emit(Op op, std::string attr = {}, std::string value = {}) {
        filter_.program_.push_back({op, std::move(attr), std::move(value)});
    }

    bool ParseOr(int depth) {
        if (!ParseAnd(depth)) {
            return false;
        }
        while (Accept("||")) {
            if (!ParseAnd(depth)) {
                return false;
            }
            Emit(Op::kOr);
        }
        return true;
    }

    bool ParseAnd(int depth) {
        if (!ParseUnary(depth)) {
            return false;
        }
        while (Accept("&&")) {
            if (!ParseUnary(depth)) {
                return false;
            }
            Emit(Op::kAnd);
        }
        return true;
    }

    bool ParseUnary(int depth) {
        SkipBlanks();
        if (pos_ < text_.size() && (text_[pos_] == '!' || text_[pos_] == '(')) {
            if (depth >= kMaxFilterDepth) {
                return SetError("nesting deeper than 64 levels");
            }
            if (text_[pos_++] == '!') {
                if (!ParseUnary(depth + 1)) {
                    return false;
                }
                Emit(Op::kNot);
                return true;
            }
            if (!ParseOr(depth + 1)) {
                return false;
            }
            if (!Accept(")")) {
                return SetError("missing \")\"");
            }
            return true;
        }
        return ParseComparison();
    }

    bool ParseComparison() {
        SkipBlanks();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !EndsName(text_[pos_])) {
            ++pos_;
        }
        if (pos_ == start) {
            return SetError(pos_ == text_.size() ? "missing comparison"
                                                 : "expected attribute name");
        }
        std::string attr(text_.substr(start, pos_ - start));
        Op op;
        if (Accept("==")) {
            op = Op::kEqual;
        } else if (Accept("!=")) {
            op = Op::kNotEqual;
        } else {
            return SetError("expected \"==\" or \"!=\"");
        }
        std::string value;
        if (!ParseValue(&value)) {
            return false;
        }
        Emit(op, std::move(attr), std::move(value));
        return true;
    }

    bool ParseValue(std::string* value) {
        SkipBlanks();
        if (pos_ < text_.size() && (text_[pos_] == '"' || text_[pos_] == '\'')) {
            return ParseQuoted(value);
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !EndsBareValue(text_[pos_])) {
            ++pos_;
        }
        if (pos_ == start) {
            return SetError("expected value");
        }
        value->assign(text_.substr(start, pos_ - start));
        return true;
    }

    bool ParseQuoted(std::string* value) {
        const char quote = text_[pos_++];
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == quote) {
                return true;
            }
            if (c == '\\' && pos_ < text_.size() &&
                (text_[pos_] == '"' || text_[pos_] == '\'' || text_[pos_] == '\\')) {
                c = text_[pos_++];
            }
            value->push_back(c);
        }
        return SetError("unterminated quoted value");
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string error_;
    Filter filter_;
};

std::optional<Filter> Filter::Parse(std::string_view text, std::string* error) {
    return FilterParser(text).Run(error);
}

bool Filter::Matches(const ValuesOf& values_of) const {
    std::vector<char> stack;
    stack.reserve(program_.size());
    for (const Step& step : program_) {
        switch (step.op) {
            case Step::Op::kEqual:
            case Step::Op::kNotEqual: {
                const std::vector<std::string>* values = values_of(step.attr);
                const bool found = values != nullptr && std::find(values->begin(), values->end(),
                                                                  step.value) != values->end();
                stack.push_back((step.op == Step::Op::kEqual) == found);
                break;
            }
            case Step::Op::kNot:
                stack.back() = !stack.back();
                break;
            case Step::Op::kAnd:
            case Step::Op::kOr: {
                const bool right = stack.back();
                stack.pop_back();
                stack.back() =
                    step.op == Step::Op::kAnd ? (stack.back() && right) : (stack.back() || right);
                break;
            }
        }
    }
    return !stack.empty() && stack.back();
}

std::size_t Filter::ComparisonCount() const {
    return std::count_if(program_.begin(), program_.end(), [](const Step& s) {
        return s.op == Step::Op::kEqual || s.op == Step::Op::kNotEqual;
    });
}

}  // namespace kvls
