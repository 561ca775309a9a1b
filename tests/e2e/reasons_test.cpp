// stallscan --reasons against the registry's keyword list that the repository keeps
// (docs/ipp-state-reasons.txt) and against the table of docs/cups.md.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

// The rows of stallscan --reasons by "ATTRIBUTE KEYWORD", each as its fields.
std::map<std::string, std::vector<std::string>> ReasonRows() {
    const auto run = test_os::RunProgram(STALLSCAN_PATH, {"--reasons"}, {{"OV_ROOT", ""}});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::map<std::string, std::vector<std::string>> rows;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with('\r')) {
            line.pop_back();  // Windows
        }
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) {
            fields.push_back(field);
        }
        EXPECT_EQ(fields.size(), 5u) << line;
        if (fields.size() == 5) {
            rows[fields[0] + " " + fields[1]] = fields;
        }
    }
    return rows;
}

std::vector<std::string> Lines(const std::string& name) {
    std::ifstream in(std::string(SOURCE_DIR) + "/docs/" + name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        lines.push_back(line);
    }
    EXPECT_FALSE(lines.empty()) << name;
    return lines;
}

TEST(Reasons, EveryRegisteredKeywordHasASentenceOfItsOwn) {
    const auto rows = ReasonRows();
    std::string attribute;
    int keywords = 0;
    for (const std::string& line : Lines("ipp-state-reasons.txt")) {
        if (line.starts_with("[")) {
            attribute = line.substr(1, line.size() - 2);
        } else if (!line.empty() && !line.starts_with("#")) {
            ++keywords;
            EXPECT_TRUE(rows.contains(attribute + " " + line)) << attribute << " " << line;
        }
    }
    EXPECT_GT(keywords, 900);
    const std::set<std::string> severities = {"problem", "warning", "info"};
    for (const auto& [key, row] : rows) {
        EXPECT_TRUE(severities.contains(row[2])) << key;
        EXPECT_EQ(row[4].find("reports \""), std::string::npos) << key;
        EXPECT_EQ(row[3].find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-"),
                  std::string::npos)
            << key;
    }
}

// Each row of the tables of docs/cups.md that names a keyword ("| `stapler-jam` | problem |
// printer-stapler-jam | - Printer "P" has a staple jam. |") is what stallscan says.
TEST(Reasons, TheTablesOfTheGuideAreWhatStallscanSays) {
    const auto rows = ReasonRows();
    int documented = 0;
    std::string attribute;
    for (const std::string& line : Lines("cups.md")) {
        if (line.starts_with("#### ")) {
            attribute = line.substr(5);
        }
        if (!line.starts_with("| `") || attribute.empty()) {
            continue;
        }
        std::vector<std::string> cells;
        for (size_t at = 1; at < line.size();) {
            const size_t bar = line.find(" |", at);
            cells.push_back(line.substr(at + 1, bar - at - 1));
            at = bar == std::string::npos ? line.size() : bar + 2;
        }
        ASSERT_EQ(cells.size(), 4u) << line;
        const std::string keyword = cells[0].substr(1, cells[0].find('`', 1) - 1);
        const auto row = rows.find(attribute + " " + keyword);
        ASSERT_NE(row, rows.end()) << line;
        EXPECT_EQ(cells[1], row->second[2]) << line;
        EXPECT_EQ(cells[2], row->second[3]) << line;
        EXPECT_EQ(cells[3], row->second[4]) << line;
        ++documented;
    }
    EXPECT_GT(documented, 60);
}

}  // namespace
