#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_os.h"

namespace platform = stallscan::platform;

namespace {

using test_os::WriteFile;
namespace fs = std::filesystem;

TEST(PlatformText, ArgumentsJoinWithSingleBlanksAndPathsTurnSlashes) {
    char prog[] = "stallscan";
    char a1[] = "pseudo-kvls@D:\\canned";
    char a2[] = "";
    char a3[] = "two words";
    char* argv[] = {prog, a1, a2, a3, nullptr};
    EXPECT_EQ(platform::ArgumentText(4, argv), "pseudo-kvls@D:\\canned  two words");
    EXPECT_EQ(platform::ArgumentText(1, argv), "");
    EXPECT_EQ(platform::NativePath("C:\\print\\\\bin/x"), "C:/print//bin/x");
}

class PlatformFiles : public ::testing::Test {
  protected:
    void TearDown() override { fs::remove_all(dir); }
    // The same path in the program's Windows notation.
    std::string Win(const fs::path& path) {
        std::string text = path.string();
        for (char& c : text) {
            c = c == '/' ? '\\' : c;
        }
        return text;
    }
    const fs::path dir = test_os::FreshDir("platform");
};

TEST_F(PlatformFiles, ToolPathIsTheExeWhereItExistsAndTheBareNameOtherwise) {
    const std::string exe = Win(dir / "kvls.exe");
    EXPECT_EQ(platform::ResolveToolPath(exe), (dir / "kvls").string());  // neither exists
    WriteFile(dir / "kvls", "x");
    EXPECT_EQ(platform::ResolveToolPath(exe), (dir / "kvls").string());
    WriteFile(dir / "kvls.exe", "x");
    EXPECT_EQ(platform::ResolveToolPath(exe), (dir / "kvls.exe").string());
}

TEST_F(PlatformFiles, LengthAndContentsOfRegularFilesOnly) {
    WriteFile(dir / "empty", "");
    WriteFile(dir / "data", std::string("a\0\r\nb", 5));
    EXPECT_EQ(platform::FileLength(Win(dir / "empty")), 0);
    EXPECT_EQ(platform::FileLength(Win(dir / "data")), 5);
    EXPECT_FALSE(platform::FileLength(Win(dir / "missing")).has_value());
    EXPECT_FALSE(platform::FileLength(Win(dir)).has_value());

    std::string bytes = "old";
    EXPECT_TRUE(platform::ReadWholeFile(Win(dir / "data"), bytes));
    EXPECT_EQ(bytes, std::string("a\0\r\nb", 5));
    bytes = "old";
    EXPECT_FALSE(platform::ReadWholeFile(Win(dir / "missing"), bytes));
    EXPECT_FALSE(platform::ReadWholeFile(Win(dir), bytes));
    EXPECT_EQ(bytes, "old");
}

// The temporary file beside the target must not need a longer name than the target itself.
TEST_F(PlatformFiles, ReplaceWritesNewContentsKeepsModeAndLeavesNoTemporary) {
    for (const std::string& name : {std::string("log.txt"), std::string(251, 'r') + ".log"}) {
        const fs::path target = dir / name;
        std::string error;
        ASSERT_TRUE(platform::ReplaceFileContents(target.string(), "first\r\n", error)) << error;
        ::chmod(target.c_str(), 0640);
        ASSERT_TRUE(platform::ReplaceFileContents(target.string(), "second\r\n", error)) << error;
        std::string bytes;
        ASSERT_TRUE(platform::ReadWholeFile(target.string(), bytes));
        EXPECT_EQ(bytes, "second\r\n");
        struct stat st;
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
        fs::remove(target);
    }
}

TEST_F(PlatformFiles, ReplaceFailureNamesTheReasonAndKeepsWhatIsThere) {
    WriteFile(dir / "file", "keep");
    fs::create_directories(dir / "taken");  // a directory cannot be replaced by a file
    const std::pair<std::string, std::string> cases[] = {
        {(dir / "no-such-dir" / "log.txt").string(), "No such file or directory"},
        {(dir / "taken").string(), ""},
        {"", "No such file or directory"},
        {(dir / "file" / "log.txt").string(), "Not a directory"},
        {(dir / std::string(300, 'x')).string(), "File name too long"},
        {"/proc/stallscan-cannot-write.log", ""},  // refused even to root
    };
    for (const auto& [path, reason] : cases) {
        std::string error;
        EXPECT_FALSE(platform::ReplaceFileContents(path, "x", error)) << path;
        EXPECT_NE(error.find(reason), std::string::npos) << path << ": " << error;
        EXPECT_FALSE(error.empty()) << path;
    }
    EXPECT_FALSE(fs::exists("/proc/stallscan-cannot-write.log"));
    EXPECT_TRUE(fs::is_directory(dir / "taken"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(Win(dir / "file"), bytes));
    EXPECT_EQ(bytes, "keep");
}

}  // namespace
