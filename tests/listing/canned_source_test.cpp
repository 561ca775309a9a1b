#include "listing/canned_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_os.h"

namespace {

using namespace std::string_literals;
using stallscan::listing::CannedFileName;
using stallscan::listing::CannedLines;
using stallscan::listing::CannedSource;
using stallscan::listing::Status;
using stallscan::model::ObjectClass;
using test_os::WriteFile;

TEST(CannedFiles, NamesFollowTheObjectNameAndNeverLeadOutOfTheFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"S1:", "S1-jids.txt"},
        {"S1:12", "S1-12.txt"},
        {"P1", "P1.txt"},
        {"S1:12:3", "S1-12:3.txt"},  // only the first ":" changes
        {"..", "...txt"},            // a plain name inside the folder
        {"../secret", ""},
        {"..\\secret", ""},
        {"/etc/passwd", ""},
        {"S1:..\\x", ""},
        {std::string("P1\0/x", 5), ""},
    };
    for (const auto& [key, file] : cases) {
        EXPECT_EQ(CannedFileName(key), file) << key;
    }
    // Lines end at CR LF or a lone CR; a lone LF is a character; each line gets CR LF.
    EXPECT_EQ(CannedLines(std::string("a\r\nb\rc\nd\r\r\ne\0f", 14)),
              std::string("a\r\nb\r\nc\nd\r\n\r\ne\0f\r\n", 18));
}

TEST(CannedFiles, ReadsTheFileOfTheNameWhateverElseIsAskedAndNothingOutsideTheFolder) {
    const std::filesystem::path root = test_os::FreshDir("canned");
    std::filesystem::create_directories(root / "canned" / "sub");
    std::filesystem::create_directories(root / "canned" / "Dir.txt");
    WriteFile(root / "canned" / "S1-jids.txt", "S1:12: job-identifier = 12\r\n");
    WriteFile(root / "canned" / "P2.txt", "\r\n");
    WriteFile(root / "canned" / "Empty.txt", "");
    WriteFile(root / "secret.txt", "secret: password = 1\r\n");
    WriteFile(root / "canned" / "sub" / "P1.txt", "P1: x = 1\r\n");
    CannedSource source((root / "canned").string());

    auto answer = source.List({{ObjectClass::kJob, "S1:", "D1"}, "job-identifier", "f"}, {});
    ASSERT_EQ(answer.status, Status::kOk);
    EXPECT_EQ(answer.objects.at(0).name, "S1:12");
    answer = source.List({{ObjectClass::kQueue, "P2", ""}}, {});
    EXPECT_EQ(answer.status, Status::kOk);  // a file of one empty line lists nothing
    EXPECT_TRUE(answer.objects.empty());
    for (const std::string& key : {"Empty"s, "Missing"s, "../secret"s, "..\\secret"s,
                                   root.string() + "/secret", "sub\\P1"s, "Dir"s}) {
        EXPECT_EQ(source.List({{ObjectClass::kPrinter, key, ""}}, {}).status, Status::kNoEntries)
            << key;
    }
    std::filesystem::remove_all(root);
}

}  // namespace
