// The built stallscan started in the background with its standard output on a pipe and its
// standard error on a given descriptor (or on the same pipe), for the tests that signal it, give
// it a terminal or talk to it while it runs. POSIX only.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/run_program.h"

namespace test_os {

// See the top of this file; an `err_fd` below 0 puts standard error on the output pipe. With a
// `terminal` (the name of a pseudo-terminal's other end) the program runs in a session of its own
// with that terminal as its controlling terminal and its three standard handles; with
// `own_group`, in a process group of its own (as a monitoring system starts a check); with an
// `out_fd`, standard output on it instead of the pipe.
class Started {
  public:
    Started(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
            int err_fd, const std::string& program = STALLSCAN_PATH,
            const std::string& terminal = "", bool own_group = false, int out_fd = -1) {
        int out[2];
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        out_ = out[0];
        std::vector<std::string> argv_text = {program};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        const std::vector<std::string> env_text = test_os::Environment(env);
        std::vector<char*> argv, envp;
        for (const std::string& a : argv_text) argv.push_back(const_cast<char*>(a.c_str()));
        for (const std::string& e : env_text) envp.push_back(const_cast<char*>(e.c_str()));
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        if (own_group) {
            posix_spawnattr_setpgroup(&attr, 0);
            posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        }
        if (terminal.empty()) {
            posix_spawn_file_actions_adddup2(&actions, out_fd < 0 ? out[1] : out_fd, 1);
            posix_spawn_file_actions_adddup2(&actions, err_fd < 0 ? out[1] : err_fd, 2);
        } else {
            posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
            posix_spawn_file_actions_addopen(&actions, 0, terminal.c_str(), O_RDWR, 0);
            posix_spawn_file_actions_adddup2(&actions, 0, 1);
            posix_spawn_file_actions_adddup2(&actions, 0, 2);
        }
        EXPECT_EQ(::posix_spawn(&pid_, argv[0], &actions, &attr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        ::close(out[1]);
    }
    ~Started() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        if (out_ >= 0) {
            ::close(out_);
        }
    }
    pid_t Pid() const { return pid_; }
    // True while the program runs (an ended one is left for Wait to reap).
    bool Running() const {
        siginfo_t info{};
        return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0;
    }
    // The exit status once it has ended within `limit`; nothing while it runs on.
    std::optional<int> Ended(std::chrono::milliseconds limit) {
        int status = 0;
        for (const auto end = std::chrono::steady_clock::now() + limit;
             ::waitpid(pid_, &status, WNOHANG) != pid_; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            if (std::chrono::steady_clock::now() >= end) {
                return std::nullopt;
            }
        }
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // Reads from `fd` what arrives within `wait`, or until the text holds `until`.
    static std::string ReadFor(int fd, std::chrono::milliseconds wait,
                               const std::string& until = "\x01") {
        std::string text;
        const auto end = std::chrono::steady_clock::now() + wait;
        char buffer[4096];
        using namespace std::chrono_literals;
        for (auto now = std::chrono::steady_clock::now();
             now < end && text.find(until) == std::string::npos;
             now = std::chrono::steady_clock::now()) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>((end - now) / 1ms)) <= 0) {
                break;
            }
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
    int Out() const { return out_; }
    // Closes the reading end of standard output, as a reader that has read enough does.
    void CloseOut() {
        ::close(out_);
        out_ = -1;
    }
    // The exit status (128 + N after signal N).
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // The exit status once the program has ended; -1 when it has not ended within `limit` (times
    // Slowdown()): it is then killed.
    int WaitAtMost(std::chrono::milliseconds limit) {
        if (!WaitUntil([this] { return !Running(); }, Scaled(limit))) {
            ::kill(pid_, SIGKILL);
            Wait();
            return -1;
        }
        return Wait();
    }

  private:
    pid_t pid_ = 0;
    int out_ = -1;
};

}  // namespace test_os
