#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "support/test_os.h"

namespace platform = stallscan::platform;

namespace {

using test_os::WriteFile;
namespace fs = std::filesystem;

class PlatformFiles : public ::testing::Test {
  protected:
    void TearDown() override { fs::remove_all(dir); }
    const fs::path dir = test_os::FreshDir("platform");
};

// A directory is no file: no length, no contents. (Reading files: pseudo mode in tests/e2e.)
TEST_F(PlatformFiles, LengthAndContentsOfRegularFilesOnly) {
    WriteFile(dir / "empty", "");
    EXPECT_EQ(platform::FileLength((dir / "empty").string()), 0);
    EXPECT_FALSE(platform::FileLength(dir.string()).has_value());
    std::string bytes;
    EXPECT_FALSE(platform::ReadWholeFile(dir.string(), bytes));
}

// The temporary file beside the target must not need a longer name than the target itself: the
// target's name has the longest length a name may have.
TEST_F(PlatformFiles, ReplaceWritesNewContentsKeepsModeAndLeavesNoTemporary) {
    const fs::path target = dir / (std::string(251, 'r') + ".log");
    std::string error;
    ASSERT_TRUE(platform::ReplaceFileContents(target.string(), "first\r\n", &error)) << error;
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(platform::ReplaceFileContents(target.string(), "second\r\n", &error)) << error;
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(target.string(), bytes));
    EXPECT_EQ(bytes, "second\r\n");
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// A file cannot be made where the folder is a file, nor can a directory be replaced. (A missing
// folder, reported by the result window: tests/ui.)
TEST_F(PlatformFiles, ReplaceFailureNamesTheReasonAndKeepsWhatIsThere) {
    WriteFile(dir / "file", "keep");
    fs::create_directories(dir / "taken");  // a directory cannot be replaced by a file
    const std::pair<std::string, std::string> cases[] = {
        {(dir / "taken").string(), "Is a directory"},  // the failed rename's own reason
        {(dir / "file" / "log.txt").string(), "Not a directory"},
    };
    for (const auto& [path, reason] : cases) {
        std::string error;
        EXPECT_FALSE(platform::ReplaceFileContents(path, "x", &error)) << path;
        EXPECT_NE(error.find(reason), std::string::npos) << path << ": " << error;
    }
    EXPECT_TRUE(fs::is_directory(dir / "taken"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile((dir / "file").string(), bytes));
    EXPECT_EQ(bytes, "keep");
}

}  // namespace
