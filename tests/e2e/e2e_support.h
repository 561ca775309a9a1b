// Helpers of the end-to-end tests: files, the expected demo reports, and installations of a print
// system model that the built stallscan runs over.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/test_os.h"

namespace e2e {

namespace fs = std::filesystem;
using test_os::FreshDir;
using test_os::WriteFile;

inline const std::string kDemoData = SOURCE_DIR "/examples/demo/data";

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The text with LF line ends, as stallscan writes its reports on POSIX (CR LF with --crlf, and on
// Windows).
inline std::string Native(std::string text) {
#ifndef _WIN32
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
#endif
    return text;
}

// The report that stallscan must write for a demo job: tests/e2e/expected/demo-10.txt for demo:10.
inline std::string ExpectedReport(std::string job) {
    job[job.find(':')] = '-';
    return ReadFile(fs::path(SOURCE_DIR "/tests/e2e/expected") / (job + ".txt"));
}

// A print system model installed twice in `base`: normal-root (the stand-in tool in bin/, the
// model as its data) and pseudo-root (a tool file that is never run; the model's listings
// exported to base/canned). Create it in SetUpTestSuite; Remove removes `base`.
class Installation {
  public:
    void Create(const fs::path& base, const fs::path& model) {
        base_ = base;
        fs::create_directories(base_ / "normal-root" / "bin");
        fs::copy_file(KVLS_PATH, base_ / "normal-root" / "bin" / test_os::ProgramFileName("kvls"));
        test_os::LinkOrCopyDirectory(model, base_ / "normal-root" / "data");
        fs::create_directories(base_ / "pseudo-root" / "bin");
        WriteFile(base_ / "pseudo-root" / "bin" / "kvls.exe", "not run in pseudo mode\n");
        const test_os::ProgramRun exported = test_os::RunProgram(
            KVLS_PATH, {"--export-pseudo", Canned().string()}, {{"KVLS_DATA", model.string()}});
        ASSERT_EQ(exported.exit_code, 0) << exported.err;
    }
    void Remove() const { fs::remove_all(base_); }

    const fs::path& Base() const { return base_; }
    fs::path Canned() const { return base_ / "canned"; }

    // Runs stallscan in normal mode; `env` adds to or overrides an environment in which none of
    // the variables that steer the tool or stallscan is set.
    test_os::ProgramRun Normal(const std::vector<std::string>& args,
                                std::map<std::string, std::string> env = {}) const {
        env["OV_ROOT"] = (base_ / "normal-root").string();
        for (const char* name :
             {"KVLS_DATA", "KVLS_LOG", "KVLS_FAULT", "KVLS_FAULT_MATCH", "STALLSCAN"}) {
            env.emplace(name, "");
        }
        return test_os::RunProgram(STALLSCAN_PATH, args, env, 120000);
    }
    // Normal, with the tool's runs logged: their arguments, one run a line, go to `runs`.
    test_os::ProgramRun Logged(const std::vector<std::string>& args,
                                std::vector<std::string>& runs,
                                std::map<std::string, std::string> env = {}) const {
        const fs::path log = base_ / "runs.log";
        fs::remove(log);
        env["KVLS_LOG"] = log.string();
        const test_os::ProgramRun run = Normal(args, env);
        runs = ReadLines(log);
        return run;
    }
    test_os::ProgramRun Pseudo(std::vector<std::string> args) const {
        args.insert(args.begin(), "pseudo-kvls@" + Canned().string());
        return test_os::RunProgram(STALLSCAN_PATH, args,
                                   {{"OV_ROOT", (base_ / "pseudo-root").string()}}, 120000);
    }

  private:
    fs::path base_;
};

}  // namespace e2e
