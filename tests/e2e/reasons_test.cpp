// stallscan --reasons against the registry's keyword list that the repository keeps
// (docs/ipp-state-reasons.txt) and against the tables of docs/cups.md.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

// The lines of a text, without line ends.
std::vector<std::string> Lines(std::istream&& in) {
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
    }
    return lines;
}

// The fields of each row of stallscan --reasons, by "ATTRIBUTE KEYWORD"; and docs/NAME.
class Reasons : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto run = test_os::RunProgram(STALLSCAN_PATH, {"--reasons"}, {{"OV_ROOT", ""}});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        for (const std::string& line : Lines(std::istringstream(run.out))) {
            std::vector<std::string> fields;
            std::istringstream parts(line);
            for (std::string field; std::getline(parts, field, '\t');) {
                fields.push_back(field);
            }
            ASSERT_EQ(fields.size(), 5u) << line;
            rows_[fields[0] + " " + fields[1]] = fields;
        }
    }
    static std::vector<std::string> Doc(const std::string& name) {
        return Lines(std::ifstream(std::string(SOURCE_DIR) + "/docs/" + name));
    }
    std::map<std::string, std::vector<std::string>> rows_;
};

TEST_F(Reasons, EveryRegisteredKeywordHasASentenceOfItsOwn) {
    std::string attribute;
    int keywords = 0;
    for (const std::string& line : Doc("ipp-state-reasons.txt")) {
        if (line.starts_with("[")) {
            attribute = line.substr(1, line.size() - 2);
        } else if (!line.empty() && !line.starts_with("#")) {
            ++keywords;
            EXPECT_TRUE(rows_.contains(attribute + " " + line)) << attribute << " " << line;
        }
    }
    EXPECT_GT(keywords, 900);
    for (const auto& [key, row] : rows_) {
        EXPECT_TRUE((std::set<std::string>{"problem", "warning", "info"}.contains(row[2]))) << key;
        EXPECT_EQ(row[4].find("reports \""), std::string::npos) << key;
        EXPECT_EQ(row[3].find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-"),
                  std::string::npos)
            << key;
    }
}

// Each row of the tables of docs/cups.md that names a keyword ("| `stapler-jam` | problem |
// printer-stapler-jam | - Printer "P" has a staple jam. |") is what stallscan says.
TEST_F(Reasons, TheTablesOfTheGuideAreWhatStallscanSays) {
    int documented = 0;
    std::string attribute;
    for (const std::string& line : Doc("cups.md")) {
        attribute = line.starts_with("#### ") ? line.substr(5) : attribute;
        if (!line.starts_with("| `") || attribute.empty()) {
            continue;
        }
        std::vector<std::string> cells;
        for (size_t at = 1, bar; (bar = line.find(" |", at)) != std::string::npos; at = bar + 2) {
            cells.push_back(line.substr(at + 1, bar - at - 1));
        }
        ASSERT_EQ(cells.size(), 4u) << line;
        cells[0] = cells[0].substr(1, cells[0].size() - 2);  // the keyword without its `
        const auto row = rows_.find(attribute + " " + cells[0]);
        ASSERT_NE(row, rows_.end()) << line;
        EXPECT_EQ(cells, std::vector<std::string>(row->second.begin() + 1, row->second.end()))
            << line;
        ++documented;
    }
    EXPECT_GT(documented, 60);
}

}  // namespace
