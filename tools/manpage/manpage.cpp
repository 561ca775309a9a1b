// stallscan_manpage: writes a man page from its template at build time. The template's
// placeholders are filled from the program's own --help text, its version line and the report
// messages' information, so that the page lists what the program does, not what it once did.
//
//   stallscan_manpage TEMPLATE HELP_FILE VERSION_LINE OUTPUT
//
// Placeholders: @VERSION_LINE@, @SYNOPSIS@, @SUMMARY@, @SPEC@, @OPTIONS@, @KEYWORDS@,
// @ENVIRONMENT@, @EXIT_STATUS@, @MESSAGE_CODES@. The help text is read as
//
//   Usage: LINE                      SYNOPSIS; the rest of the first paragraph is SUMMARY
//   Header:                          a section: SPEC, Keywords, Environment and Exit status have
//     TERM    description            their own placeholders, every other one (and a group after
//             continued              a blank line without a header) goes to OPTIONS
//     a line without a term          a paragraph
//
// A placeholder without text (a help section renamed or gone) fails the build.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "diag/message_info.h"
#include "diag/state_reasons.h"
#include "text/text_functions.h"

namespace {

struct Item {
    std::string term;  // empty: a paragraph
    std::string text;
};

struct Section {
    std::string name;  // the header up to ":" or " (", empty for a group without a header
    std::string note;  // the header's words in parentheses
    std::vector<Item> items;
};

struct Help {
    std::vector<std::string> usage;
    std::string summary;
    std::vector<Section> sections;
};

std::string Trim(std::string_view text) {
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) {
        return "";
    }
    return std::string(text.substr(begin, text.find_last_not_of(' ') + 1 - begin));
}

size_t Indent(std::string_view line) {
    return std::min(line.find_first_not_of(' '), line.size());
}

void Append(std::string& text, std::string_view more) {
    if (!text.empty() && !more.empty()) {
        text += ' ';
    }
    text += more;
}

// Where the description of "  TERM  description" starts, or npos.
size_t DescriptionColumn(std::string_view line) {
    const size_t indent = Indent(line);
    const size_t gap = line.find("  ", indent);
    if (indent == 0 || indent > 2 || gap == std::string_view::npos) {
        return std::string_view::npos;
    }
    return std::min(line.find_first_not_of(' ', gap), line.size());
}

Help ParseHelp(std::istream& in) {
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        lines.push_back(line);
    }
    Help help;
    size_t at = 0;
    for (; at < lines.size() && !Trim(lines[at]).empty(); ++at) {
        const std::string line = Trim(lines[at]);
        if (line.starts_with("Usage:") || line.starts_with("or:")) {
            help.usage.push_back(Trim(line.substr(line.find(':') + 1)));
        } else {
            Append(help.summary, line);
        }
    }
    // The column where most descriptions start: a term followed by one space only still ends
    // there ("pseudo-kvls[@DIR] read ...").
    std::map<size_t, int> columns;
    for (size_t i = at; i < lines.size(); ++i) {
        if (const size_t column = DescriptionColumn(lines[i]); column != std::string::npos) {
            ++columns[column];
        }
    }
    size_t common = 0;
    int most = 0;
    for (const auto& [column, count] : columns) {
        if (count > most) {
            common = column;
            most = count;
        }
    }

    bool after_blank = true;
    for (; at < lines.size(); ++at) {
        const std::string& line = lines[at];
        const size_t indent = Indent(line);
        if (indent == line.size()) {
            after_blank = true;
            continue;
        }
        if (indent == 0) {
            std::string header = line.ends_with(':') ? line.substr(0, line.size() - 1) : line;
            Section section;
            const size_t paren = header.find(" (");
            section.name = Trim(header.substr(0, paren));
            if (paren != std::string::npos && header.ends_with(')')) {
                section.note = header.substr(paren + 2, header.size() - paren - 3);
            }
            help.sections.push_back(section);
            after_blank = false;
            continue;
        }
        // Entries after a blank line that ends a section's entries: a group without a header.
        if (help.sections.empty() || (after_blank && !help.sections.back().items.empty())) {
            help.sections.push_back(Section{});
        }
        after_blank = false;
        std::vector<Item>& items = help.sections.back().items;
        if (indent > 2 && !items.empty()) {
            Append(items.back().text, Trim(line));
            continue;
        }
        Item item;
        size_t column = DescriptionColumn(line);
        if (column == std::string::npos && common > indent + 1 && common < line.size() &&
            line[common - 1] == ' ' && line[common] != ' ' &&
            line.substr(indent, common - 1 - indent).find(' ') == std::string::npos) {
            column = common;
        }
        if (column == std::string::npos) {
            item.text = Trim(line);
        } else {
            item.term = Trim(line.substr(0, column));
            item.text = Trim(line.substr(column));
        }
        items.push_back(item);
    }
    return help;
}

// Backslashes and minus signs escaped.
std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

// A line of roff that is no request even where it starts with "." or "'".
std::string NoRequest(std::string line) {
    if (!line.empty() && (line[0] == '.' || line[0] == '\'')) {
        line.insert(0, "\\&");
    }
    return line;
}

// A line of text.
std::string Roff(std::string_view text) {
    return NoRequest(Escape(text));
}

// A term or usage line with fonts: names in bold, placeholders (words in capitals) in italics.
std::string Term(std::string_view term, bool all_bold) {
    const auto word_char = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    };
    std::string out;
    for (size_t i = 0; i < term.size();) {
        if (!word_char(term[i])) {
            out += Escape(term.substr(i, 1));
            ++i;
            continue;
        }
        size_t end = i;
        while (end < term.size() && word_char(term[end])) {
            ++end;
        }
        const std::string_view word = term.substr(i, end - i);
        const bool placeholder =
            !all_bold && word[0] != '-' &&
            std::none_of(word.begin(), word.end(), [](char c) { return std::islower(c); }) &&
            std::any_of(word.begin(), word.end(), [](char c) { return std::isupper(c); });
        out += (placeholder ? "\\fI" : "\\fB") + Escape(word) + "\\fR";
        i = end;
    }
    return NoRequest(out);
}

std::string Items(const Section& section, bool all_bold) {
    std::string out;
    if (!section.note.empty()) {
        std::string note = section.note;
        note[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(note[0])));
        out += ".PP\n" + Roff(note + ".") + "\n";
    }
    for (const Item& item : section.items) {
        if (item.term.empty()) {
            out += ".PP\n" + Roff(item.text) + "\n";
        } else {
            out += ".TP\n" + Term(item.term, all_bold) + "\n" + Roff(item.text) + "\n";
        }
    }
    return out;
}

// The report messages' codes, then every state reason's code with its sentence (the table of
// stallscan --reasons).
std::string MessageCodes() {
    std::string out;
    for (const auto& info : stallscan::diag::AllMessageInfo()) {
        out += ".TP\n\\fB" + Roff(info.code) + "\\fR (" +
               std::to_string(static_cast<int>(info.id)) + ", " +
               std::string(stallscan::diag::SeverityName(info.severity)) + ")\n" +
               Roff(info.meaning) + "\n";
    }
    out += ".SS STATE REASONS\n.PP\n" +
           Roff("The reasons that IPP printers and jobs give for their state, as reports say them "
                "(P stands for the printer). A printer's keyword may end in -error, -warning or "
                "-report, which then decides the severity.") +
           "\n";
    for (const auto& reason : stallscan::diag::AllStateReasons()) {
        const bool job = reason.attribute == stallscan::diag::ReasonAttribute::kJob;
        std::string sentence(stallscan::diag::SeverityPrefix(reason.severity));
        sentence += stallscan::text::SubstituteArgsLiteral(reason.sentence, {"P"});
        out += ".TP\n\\fB" + Roff(reason.code) + "\\fR (" + (job ? "job" : "printer") + " " +
               Roff(reason.base) + ", " +
               std::string(stallscan::diag::SeverityName(reason.severity)) + ")\n" +
               Roff(sentence) + "\n";
    }
    return out;
}

std::map<std::string, std::string> Placeholders(const Help& help, const std::string& version) {
    if (help.usage.empty()) {
        throw std::runtime_error("the help text has no \"Usage:\" line");
    }
    std::map<std::string, std::string> values = {
        {"VERSION_LINE", Roff(version)},
        {"SUMMARY", Roff(help.summary)},
        {"MESSAGE_CODES", MessageCodes()},
    };
    for (const std::string& usage : help.usage) {
        values["SYNOPSIS"] +=
            (values["SYNOPSIS"].empty() ? "" : ".br\n") + Term(usage, false) + "\n";
    }
    const std::map<std::string, std::string> own = {{"SPEC", "SPEC"},
                                                    {"Keywords", "KEYWORDS"},
                                                    {"Environment", "ENVIRONMENT"},
                                                    {"Exit status", "EXIT_STATUS"}};
    for (const Section& section : help.sections) {
        const auto found = own.find(section.name);
        if (found != own.end()) {
            values[found->second] += Items(section, found->second == "ENVIRONMENT");
        } else {
            values["OPTIONS"] += ".SS " + Roff(section.name.empty() ? "Other" : section.name) +
                                 "\n" + Items(section, false);
        }
    }
    return values;
}

std::string Fill(const std::string& page, const std::map<std::string, std::string>& values) {
    std::string out;
    size_t at = 0;
    while (true) {
        const size_t open = page.find('@', at);
        const size_t close = open == std::string::npos ? open : page.find('@', open + 1);
        if (close == std::string::npos) {
            break;
        }
        const std::string name = page.substr(open + 1, close - open - 1);
        if (name.empty() ||
            name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") != std::string::npos) {
            out += page.substr(at, open + 1 - at);
            at = open + 1;
            continue;
        }
        const auto value = values.find(name);
        if (value == values.end() || value->second.empty()) {
            throw std::runtime_error("nothing for @" + name + "@ in the help text");
        }
        std::string text = value->second;
        // A block placeholder stands on a line of its own; its text ends with a new line.
        if (text.ends_with('\n') && page.compare(close + 1, 1, "\n") == 0) {
            text.pop_back();
        }
        out += page.substr(at, open - at) + text;
        at = close + 1;
    }
    return out + page.substr(at);
}

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(std::string("cannot read ") + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: stallscan_manpage TEMPLATE HELP_FILE VERSION_LINE OUTPUT\n");
        return 2;
    }
    try {
        std::istringstream help_text(ReadFile(argv[2]));
        const Help help = ParseHelp(help_text);
        const std::string page = Fill(ReadFile(argv[1]), Placeholders(help, argv[3]));
        std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
        out << page;
        if (!out.flush()) {
            throw std::runtime_error(std::string("cannot write ") + argv[4]);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "stallscan_manpage: %s: %s\n", argv[1], error.what());
        return 1;
    }
    return 0;
}
