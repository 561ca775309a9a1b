// The Windows platform layer: environment, files through the ANSI functions, and the capture's
// conversion from the ANSI code page.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/child_process.h"
#include "platform/platform.h"
#include "support/test_os.h"

namespace platform = stallscan::platform;

namespace {

using test_os::WriteFile;
namespace fs = std::filesystem;

TEST(PlatformWindows, EnvironmentOfAnyLengthAndUnsetAsEmpty) {
    const std::string longValue(5000, 'v');
    test_os::SetEnv("STALLSCAN_TEST_LONG", longValue);
    EXPECT_EQ(platform::GetEnv("STALLSCAN_TEST_LONG"), longValue);
    EXPECT_EQ(platform::GetEnv("stallscan_test_long"), longValue);  // names ignore letter case
    test_os::UnsetEnv("STALLSCAN_TEST_LONG");
    EXPECT_EQ(platform::GetEnv("STALLSCAN_TEST_LONG"), "");
}

class PlatformWindowsFiles : public ::testing::Test {
  protected:
    void TearDown() override { fs::remove_all(dir); }
    const fs::path dir = test_os::FreshDir("platform-win");
};

TEST_F(PlatformWindowsFiles, ReplacingAFileLeavesOnlyTheNewContents) {
    const fs::path target = dir / "log.txt";
    WriteFile(target, "old contents that are longer");
    std::string error;
    ASSERT_TRUE(platform::ReplaceFileContents(target.string(), "new\r\n", &error)) << error;
    std::string read;
    ASSERT_TRUE(platform::ReadWholeFile(target.string(), read));
    EXPECT_EQ(read, "new\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    EXPECT_FALSE(platform::ReplaceFileContents((dir / "no" / "x.txt").string(), "x", &error));
    EXPECT_NE(error.find("x.txt"), std::string::npos) << error;
}

TEST_F(PlatformWindowsFiles, HandleCountSeesAnOpenFile) {
    const int before = platform::OpenDescriptorCount();
    ASSERT_GT(before, 0);
    std::ofstream open(dir / "open.txt");
    EXPECT_EQ(platform::OpenDescriptorCount(), before + 1);
    open.close();
    EXPECT_EQ(platform::OpenDescriptorCount(), before);
}

// A child writing bytes of the ANSI code page 1252 (what wine and western Windows use).
TEST(PlatformWindowsCapture, AnsiOutputArrivesAsUtf8AndReadSizesCountTheBytesRead) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not 1252";
    }
    platform::ChildCommand command;
    command.program = TEST_CHILD_PATH;
    command.args = {TEST_CHILD_PATH, "outtext", "caf\xE9 \x80", "errtext",
                    std::string(256, '\xE9')};
    command.command_line = test_os::CommandLine(command.args);
    const platform::CaptureResult result = platform::RunAndCapture(command, {});
    ASSERT_EQ(result.status, platform::CaptureStatus::kOk);
    EXPECT_EQ(result.out, "caf\xC3\xA9 \xE2\x82\xAC");
    // The read sizes count the bytes read: 256, although their UTF-8 text has 512.
    EXPECT_EQ(result.err.size(), 512u);
    EXPECT_EQ(result.err_bytes, 256u);
}

}  // namespace
