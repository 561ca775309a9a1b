// A private CUPS scheduler for the end-to-end tests: a fresh folder, a free loopback port, no
// browsing, no web interface, and helpers that run the client tools against it (never through a
// shell). Linux only.
//
// Job states, as this scheduler gives them:
//  - held: submit with -H hold; it stays pending-held.
//  - completed: submit without a hold to a file:///dev/null queue; done within milliseconds.
//  - canceled: Cancel() a held job.
//  - aborted: SubmitAborted(). A device that cannot be written gives no aborted job here: with no
//    filters installed nothing ever opens a file: device, so such jobs complete.
// Finished jobs stay listed (lpstat -W completed -o) for as long as the scheduler runs.
// Their job-state is reliable, their job-state-reasons are not: once cupsd has unloaded a finished
// job from memory (about a second after it ends) it reports "processing-to-stop-point".
#pragma once

#include "support/run_program.h"
#include "support/test_os.h"
// after run_program.h, which declares environ
#include <arpa/inet.h>
#include <cups/cups.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Skips the test with `reason`, or fails it when the environment variable CI is set.
#define CUPS_TEST_UNAVAILABLE(reason)                               \
    do {                                                            \
        if (std::getenv("CI") != nullptr) {                         \
            FAIL() << "In CI these tests never skip: " << (reason); \
        }                                                           \
        GTEST_SKIP() << (reason);                                   \
    } while (false)

// Declares `var`, a scheduler started with Start's optional arguments, or ends the test as
// CUPS_TEST_UNAVAILABLE does.
#define REQUIRE_SCHEDULER(var, ...)                                                    \
    std::string var##_error;                                                           \
    const auto var =                                                                   \
        ::cups_test::PrivateScheduler::Start(&var##_error __VA_OPT__(, ) __VA_ARGS__); \
    if (!var) {                                                                        \
        CUPS_TEST_UNAVAILABLE(var##_error);                                            \
    }

namespace cups_test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A4 and Letter, A4 loaded, one-sided only; text and PDF go to the device unchanged.
inline const std::string kOfficePpd = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*ModelName: "Office Test"
*NickName: "Office Test"
*cupsFilter2: "text/plain application/vnd.cups-raw 0 -"
*cupsFilter2: "application/pdf application/vnd.cups-raw 0 -"
*OpenUI *PageSize/Media Size: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize Letter/Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/Letter: "612 792"
*OpenUI *Duplex/2-Sided Printing: PickOne
*DefaultDuplex: None
*Duplex None/Off: "<</Duplex false>>setpagedevice"
*CloseUI: *Duplex
)ppd";

// The office PPD without text/plain: a queue that no longer takes plain text.
inline std::string PdfOnlyPpd() {
    std::string ppd = kOfficePpd;
    const size_t line = ppd.find("*cupsFilter2: \"text/plain");
    return ppd.erase(line, ppd.find('\n', line) + 1 - line);
}

class PrivateScheduler {
  public:
    static constexpr const char* kDaemon = "/usr/sbin/cupsd";

    // A running scheduler, or nullptr with the reason in *error. `extra_conf` is added to
    // cupsd.conf ("MaxCopies 5"), `extra_policy` inside its <Policy default> ("JobPrivateAccess
    // all"). cupsd does not start with a directive it does not know.
    static std::unique_ptr<PrivateScheduler> Start(std::string* error,
                                                   const std::string& extra_conf = "",
                                                   const std::string& extra_policy = "") {
        *error = std::string(kDaemon) + " is missing (package cups-daemon)";
        static int started = 0;
        for (int attempt = 0; attempt < 5 && ::access(kDaemon, X_OK) == 0; ++attempt) {
            std::unique_ptr<PrivateScheduler> scheduler(
                new PrivateScheduler(test_os::FreshDir("cups" + std::to_string(++started))));
            if (scheduler->Launch(FreePort(), extra_conf, extra_policy, error)) {
                return scheduler;
            }
            if (error->find("Unable to open listen socket") == std::string::npos) {
                break;  // only a port taken meanwhile is worth another try
            }
        }
        return nullptr;
    }

    // cupsd stays in this process's group, so that whatever ends this process's group (a test's
    // time limit, Ctrl-C) ends it too.
    ~PrivateScheduler() {
        if (pid_ > 0 && (::kill(pid_, SIGTERM) != 0 || !Reaped(15s))) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    PrivateScheduler(const PrivateScheduler&) = delete;
    PrivateScheduler& operator=(const PrivateScheduler&) = delete;

    // A loopback port where nothing listened a moment ago: for a scheduler, or as a server that
    // cannot be reached.
    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(address);
        auto* any = reinterpret_cast<sockaddr*>(&address);
        const bool bound = ::bind(fd, any, size) == 0 && ::getsockname(fd, any, &size) == 0;
        ::close(fd);
        return bound ? ntohs(address.sin_port) : 0;
    }

    int Port() const { return port_; }
    std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Folder() const { return folder_.string(); }
    pid_t Pid() const { return pid_; }
    // The requests the scheduler has answered so far: the lines of its access log.
    int Requests() const {
        const std::string log = Log("access_log");
        return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    }
    // What the last helper that failed reported: its command, exit status and output.
    const std::string& Error() const { return error_; }

    // Runs a CUPS client tool (lp, lpstat, lpadmin, ...; from /usr/sbin or /usr/bin) with
    // "-h SERVER" before `args`, in the C locale.
    test_os::ProgramRun Run(const std::string& tool, const std::vector<std::string>& args,
                            int timeout_ms = 30000) const {
        const std::string sbin = "/usr/sbin/" + tool;
        std::vector<std::string> all = {"-h", Server()};
        all.insert(all.end(), args.begin(), args.end());
        return test_os::RunProgram(
            ::access(sbin.c_str(), X_OK) == 0 ? sbin : "/usr/bin/" + tool, all,
            {{"CUPS_SERVER", Server()}, {"HOME", Folder()}, {"LANG", "C"}, {"LC_ALL", "C"}},
            timeout_ms);
    }

    // A queue on `device`, enabled and accepting; with this PPD unless `ppd` is empty.
    bool AddQueue(const std::string& name, const std::string& ppd,
                  const std::string& device = "file:///dev/null") {
        std::vector<std::string> args = {"-p", name, "-v", device};
        if (!ppd.empty()) {
            args.insert(args.end(), {"-P", WritePpd(name, ppd)});
        }
        args.push_back("-E");  // after -p: enable and accept
        return Check("lpadmin", args);
    }
    // A class of `members`, enabled and accepting (a new class is neither).
    bool AddClass(const std::string& name, const std::vector<std::string>& members) {
        for (const std::string& member : members) {
            if (!Check("lpadmin", {"-p", member, "-c", name})) {
                return false;
            }
        }
        return Check("cupsenable", {name}) && Check("cupsaccept", {name});
    }
    bool ChangePpd(const std::string& queue, const std::string& ppd) {
        return Check("lpadmin", {"-p", queue, "-P", WritePpd(queue, ppd)});
    }

    // Submits a short text file to `queue` with lp, given `options` as they are ({"-o",
    // "media=a3", "-H", "hold"}), as `user` when given; *job_id is the job's number.
    bool Submit(const std::string& queue, const std::vector<std::string>& options,
                std::string* job_id, const std::string& user = "") {
        std::vector<std::string> args = {"-d", queue};
        if (!user.empty()) {
            args.insert(args.end(), {"-U", user});
        }
        args.insert(args.end(), options.begin(), options.end());
        args.push_back((folder_ / "files" / "page.txt").string());
        std::string out;
        if (!Check("lp", args, &out)) {
            return false;
        }
        // "request id is office-7 (1 file(s))"
        const size_t at = out.find("request id is ");
        const size_t end = out.find(' ', at + 14);
        const size_t dash = out.rfind('-', end);
        if (at == std::string::npos || end == std::string::npos || dash < at) {
            error_ = "lp said: " + out;
            return false;
        }
        *job_id = out.substr(dash + 1, end - dash - 1);
        return true;
    }

    // An aborted job: a held text job on a new queue `queue`, whose PPD then loses text; released,
    // the job cannot be converted any more and cupsd aborts it.
    bool SubmitAborted(const std::string& queue, std::string* job_id) {
        return AddQueue(queue, kOfficePpd) && Submit(queue, {"-H", "hold"}, job_id) &&
               ChangePpd(queue, PdfOnlyPpd()) && Check("lp", {"-i", *job_id, "-H", "resume"}) &&
               WaitForJobState(*job_id, "aborted");
    }

    // Stops a printer or class with a message; without one, CUPS gives its own ("Paused").
    bool Stop(const std::string& printer, const std::string& message = "") {
        return message.empty() ? Check("cupsdisable", {printer})
                               : Check("cupsdisable", {"-r", message, printer});
    }
    // Holds a queued job, or releases a held one.
    bool Hold(const std::string& job_id) { return Check("lp", {"-i", job_id, "-H", "hold"}); }
    bool Release(const std::string& job_id) { return Check("lp", {"-i", job_id, "-H", "resume"}); }

    // The device URI of the test backend (support/state_backend.cpp, in programs built with
    // STATE_BACKEND_PATH): it sets these printer-state-reasons, then stops the queue; or, with a
    // file name, prints until that file exists.
    std::string StateDevice(const std::string& reasons, const std::string& until = "") const {
        return "stallscan-state:/" + reasons + (until.empty() ? "" : "?until=" + Folder() + "/" + until);
    }
    // Creates a file in the scheduler's folder (the "until" of StateDevice).
    void Touch(const std::string& name) const { test_os::WriteFile(folder_ / name, ""); }
    bool Reject(const std::string& destination) { return Check("cupsreject", {destination}); }
    bool Cancel(const std::string& job_id) { return Check("cancel", {job_id}); }

    // The job's state as IPP names it ("pending-held", "processing", "canceled", "aborted",
    // "completed", ...), asked with Get-Job-Attributes; empty when the scheduler does not tell.
    std::string JobState(const std::string& job_id) const {
        http_t* http = httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1,
                                    10000, nullptr);
        ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        const std::string uri = "ipp://" + Server() + "/jobs/" + job_id;
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
        ipp_t* response = http != nullptr ? cupsDoRequest(http, request, "/") : nullptr;
        ipp_attribute_t* state = ippFindAttribute(response, "job-state", IPP_TAG_ENUM);
        const std::string name = state ? ippEnumString("job-state", ippGetInteger(state, 0)) : "";
        ippDelete(http != nullptr ? response : request);
        httpClose(http);
        return name;
    }
    bool WaitForJobState(const std::string& job_id, const std::string& state) {
        std::string now;
        for (const auto end = std::chrono::steady_clock::now() + 15s;
             (now = JobState(job_id)) != state && std::chrono::steady_clock::now() < end;) {
            std::this_thread::sleep_for(20ms);
        }
        error_ = now == state ? error_ : "job " + job_id + " is " + now + ", not " + state;
        return now == state;
    }

  private:
    explicit PrivateScheduler(fs::path folder) : folder_(std::move(folder)) {}

    // Writes the configuration and starts cupsd on `port`; true once it answers there itself
    // (its own access log shows the request: a foreign server on the port is not taken for it).
    bool Launch(int port, const std::string& extra_conf, const std::string& extra_policy,
                std::string* error) {
        port_ = port;
        // Every level readable: as root, cupsd runs its helpers as user lp.
        for (const char* sub : {"", "spool", "cache", "state", "log", "ppd", "files"}) {
            fs::create_directories(folder_ / sub);
            fs::permissions(folder_ / sub, fs::perms(0755));
        }
        const std::string d = Folder();
        test_os::WriteFile(folder_ / "files" / "page.txt", "stallscan test page\n");
        // The scheduler's programs are the system's, its backends the test backend alone.
        fs::create_directories(folder_ / "bin" / "backend");
        for (const char* sub : {"bin", "bin/backend"}) {
            fs::permissions(folder_ / sub, fs::perms(0755));
        }
        for (const char* sub : {"daemon", "filter", "cgi-bin", "notifier", "monitor", "driver"}) {
            std::error_code absent;
            fs::create_directory_symlink(fs::path("/usr/lib/cups") / sub, folder_ / "bin" / sub,
                                         absent);
        }
#ifdef STATE_BACKEND_PATH
        const fs::path backend = folder_ / "bin" / "backend" / "stallscan-state";
        fs::copy_file(STATE_BACKEND_PATH, backend, fs::copy_options::overwrite_existing);
        fs::permissions(backend, fs::perms(0755));
#endif
        test_os::WriteFile(folder_ / "cupsd.conf",
                           "Listen " + Server() +
                               "\nBrowsing Off\nLogLevel warn\nAccessLogLevel all\nMaxLogSize 0\n"
                               "DefaultAuthType None\nWebInterface No\nPreserveJobHistory Yes\n"
                               "PreserveJobFiles No\nMaxJobs 0\n" +
                               extra_conf +
                               "\n<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                               "<Policy default>\n" +
                               extra_policy +
                               "\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n");
        test_os::WriteFile(folder_ / "cups-files.conf",
                           "FileDevice Yes\nServerBin " + d + "/bin\nServerRoot " + d +
                               "\nRequestRoot " + d +
                               "/spool\nCacheDir " + d + "/cache\nStateDir " + d +
                               "/state\nTempDir " + d + "/spool\nErrorLog " + d +
                               "/log/error_log\nAccessLog " + d + "/log/access_log\nPageLog " + d +
                               "/log/page_log\n");
        const std::string out = d + "/log/cupsd.out", conf = d + "/cupsd.conf",
                          files = d + "/cups-files.conf";
        const char* argv[] = {kDaemon, "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0644);
        ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
        ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
        const int spawned =
            ::posix_spawn(&pid_, kDaemon, &actions, nullptr, const_cast<char**>(argv), environ);
        ::posix_spawn_file_actions_destroy(&actions);
        pid_ = spawned == 0 ? pid_ : -1;
        for (const auto end = std::chrono::steady_clock::now() + 20s;
             pid_ > 0 && std::chrono::steady_clock::now() < end;) {
            std::this_thread::sleep_for(50ms);  // by then cupsd has logged a port it could not bind
            if (Reaped(0ms) ||
                Log("error_log").find("Unable to open listen socket") != std::string::npos) {
                break;
            }
            // (A scheduler that wants a password for Get-Jobs refuses lpstat; it answered.)
            Run("lpstat", {"-o"}, 2000);
            if (Log("access_log").find("Get-Jobs") != std::string::npos) {
                return true;
            }
        }
        *error =
            "cupsd did not answer on " + Server() + ":\n" + Log("cupsd.out") + Log("error_log");
        return false;
    }

    // True once cupsd has ended and been reaped, waiting up to `limit`.
    bool Reaped(std::chrono::milliseconds limit) {
        for (const auto end = std::chrono::steady_clock::now() + limit;
             ::waitpid(pid_, nullptr, WNOHANG) != pid_; std::this_thread::sleep_for(10ms)) {
            if (std::chrono::steady_clock::now() >= end) {
                return false;
            }
        }
        pid_ = -1;
        return true;
    }

    std::string Log(const std::string& name) const {
        std::ifstream in(folder_ / "log" / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string WritePpd(const std::string& queue, const std::string& ppd) {
        const fs::path path = folder_ / "files" / (queue + std::to_string(++ppds_) + ".ppd");
        test_os::WriteFile(path, ppd);
        return path.string();
    }

    // Runs the tool; true when it succeeded. Its output goes to *out; on failure what it said goes
    // to error_.
    bool Check(const std::string& tool, const std::vector<std::string>& args,
               std::string* out = nullptr) {
        const test_os::ProgramRun run = Run(tool, args);
        if (run.exit_code != 0) {
            error_ = tool;
            for (const std::string& arg : args) {
                error_ += " " + arg;
            }
            error_ += ": exit " + std::to_string(run.exit_code) + ": " + run.err + run.out;
        }
        if (out != nullptr) {
            *out = run.out;
        }
        return run.exit_code == 0;
    }

    fs::path folder_;
    int port_ = 0;
    pid_t pid_ = -1;
    int ppds_ = 0;
    std::string error_;
};

}  // namespace cups_test
