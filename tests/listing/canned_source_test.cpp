#include "listing/canned_source.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using stallscan::listing::CannedFileName;
using stallscan::listing::CannedLines;

TEST(CannedFiles, NamesFollowTheObjectNameAndNeverLeadOutOfTheFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"S1:", "S1-jids.txt"}, {"S1:12:3", "S1-12:3.txt"},  // only the first ":" changes
        {"P1", "P1.txt"},       {"..", "...txt"},            // a plain name inside the folder
        {"../secret", ""},      {"..\\secret", ""},
        {"/etc/passwd", ""},    {"S1:..\\x", ""},
        {std::string("P1\0/x", 5), ""},
    };
    for (const auto& [key, file] : cases) {
        EXPECT_EQ(CannedFileName(key), file) << key;
    }
    // Lines end at CR LF or a lone CR; a lone LF is a character; each line gets CR LF.
    EXPECT_EQ(CannedLines(std::string("a\r\nb\rc\nd\r\r\ne\0f", 14)),
              std::string("a\r\nb\r\nc\nd\r\n\r\ne\0f\r\n", 18));
}

}  // namespace
