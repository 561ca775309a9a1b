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

#ifndef _WIN32
#include <signal.h>
#endif

namespace e2e {

namespace fs = std::filesystem;
using test_os::FreshDir;
using test_os::WriteFile;

inline const std::string kDemoData = SOURCE_DIR "/examples/demo/data";

inline std::string ReadFile(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
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

// The text with the line ends stallscan writes: LF on POSIX, CR LF on Windows (and with --crlf).
// The expected texts hold no CR but in CR LF.
inline std::string Native(std::string text) {
#ifndef _WIN32
    std::erase(text, '\r');
#else
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            text.insert(i++, 1, '\r');
        }
    }
#endif
    return text;
}

// The JSON document with its scan time and version replaced by T and V (checked by the caller).
inline std::string WithoutRunValues(std::string text) {
    for (const std::string field : {"\"scanTime\":\"", "\"version\":\""}) {
        if (const size_t at = text.find(field); at != std::string::npos) {
            const size_t begin = at + field.size();
            text.replace(begin, text.find('"', begin) - begin, field[1] == 's' ? "T" : "V");
        }
    }
    return text;
}

// The report that stallscan must write for a demo job: tests/e2e/expected/demo-10.txt for demo:10.
inline std::string ExpectedReport(std::string job) {
    job[job.find(':')] = '-';
    return ReadFile(fs::path(SOURCE_DIR "/tests/e2e/expected") / (job + ".txt"));
}

// A print system model installed twice in `base`: normal-root (the stand-in tool in bin/, the
// model as its data: a link, so that changes to the model show, or a copy where links cannot be
// made) and pseudo-root (a tool file that is never run; the model's listings exported to
// base/canned). Create it in SetUpTestSuite; Remove removes `base`.
class Installation {
  public:
    void Create(const fs::path& base, const fs::path& model) {
        base_ = base;
        fs::create_directories(base_ / "normal-root" / "bin");
        fs::copy_file(KVLS_PATH, base_ / "normal-root" / "bin" / test_os::ProgramFileName("kvls"));
        std::error_code no_link;
        fs::create_directory_symlink(model, base_ / "normal-root" / "data", no_link);
        if (no_link) {
            fs::copy(model, base_ / "normal-root" / "data", fs::copy_options::recursive);
        }
        fs::create_directories(base_ / "pseudo-root" / "bin");
        WriteFile(base_ / "pseudo-root" / "bin" / "kvls.exe", "not run in pseudo mode\n");
        const test_os::ProgramRun exported = test_os::RunProgram(
            KVLS_PATH, {"--export-pseudo", Canned().string()}, {{"KVLS_DATA", model.string()}});
        ASSERT_EQ(exported.exit_code, 0) << exported.err;
    }
    // Removes `base`, ending first any tool of it that a failed test left running.
    void Remove() const {
#ifndef _WIN32
        for (const test_os::Process& left : test_os::ProcessesRunning(Tool())) {
            ::kill(left.pid, SIGKILL);
        }
#endif
        fs::remove_all(base_);
    }

    const fs::path& Base() const { return base_; }
    fs::path Canned() const { return base_ / "canned"; }
    fs::path Tool() const {
        return base_ / "normal-root" / "bin" / test_os::ProgramFileName("kvls");
    }

    // The environment of a run in normal mode: `env` adds to or overrides one in which none of the
    // variables that steer the tool or stallscan is set.
    std::map<std::string, std::string> Env(std::map<std::string, std::string> env) const {
        env["OV_ROOT"] = (base_ / "normal-root").string();
        for (const char* name :
             {"KVLS_DATA", "KVLS_LOG", "KVLS_FAULT", "KVLS_FAULT_MATCH", "STALLSCAN"}) {
            env.emplace(name, "");
        }
        return env;
    }
    test_os::ProgramRun Normal(const std::vector<std::string>& args,
                               std::map<std::string, std::string> env = {},
                               int limit_ms = 300000) const {
        return test_os::RunProgram(STALLSCAN_PATH, args, Env(std::move(env)), limit_ms);
    }
    // Normal, with the tool's runs logged: their arguments, one run a line, go to `runs`.
    test_os::ProgramRun Logged(const std::vector<std::string>& args, std::vector<std::string>& runs,
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
                                   {{"OV_ROOT", (base_ / "pseudo-root").string()}}, 300000);
    }

  private:
    fs::path base_;
};

// Faults of the stand-in tool for the runs whose logged arguments contain `match` (every run
// when empty).
inline std::map<std::string, std::string> Fault(const std::string& fault,
                                                const std::string& match = {}) {
    return {{"KVLS_FAULT", fault}, {"KVLS_FAULT_MATCH", match}};
}

}  // namespace e2e
