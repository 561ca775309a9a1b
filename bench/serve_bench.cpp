// The live view's answers while 200 connections trickle their requests in (a byte every 100 ms
// each, from 127.0.0.1): stallscan's HTTP server in this process, over an in-memory print system
// with 200 waiting jobs, and a client that asks one path again and again, a connection per
// request. Reports the latency's median and 99th percentile in milliseconds (p50_ms, p99_ms);
// the target is a p99 of at most 100 ms for /healthz and /metrics. Linux only.

#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "serve/serve.h"
#include "support/fake_source.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// GET `path` on a connection of its own; the whole answer, or empty.
std::string Get(int port, const std::string& path) {
    const int fd = Connect(port);
    if (fd < 0) {
        return {};
    }
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n";
    std::string answer;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
        char buffer[16384];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            answer.append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return answer;
}

// The server, its first scan finished, and the trickling connections.
class Loaded {
  public:
    Loaded() {
        std::vector<std::string> jobs;
        for (int i = 1; i <= 200; ++i) {
            jobs.push_back("demo:" + std::to_string(i));
        }
        source_.AddJobList("demo", jobs);
        settings_.specs = {"demo:"};
        settings_.port = 0;
        settings_.read_timeout = 600s;
        std::promise<int> port;
        settings_.listening = [&port](int p) { port.set_value(p); };
        serving_ = std::jthread(
            [this](std::stop_token stop) { stallscan::serve::Serve(settings_, source_, stop, err_); });
        port_ = port.get_future().get();
        while (Get(port_, "/api/v1/scan").find(" 200 ") == std::string::npos) {
            std::this_thread::sleep_for(10ms);
        }
        for (int i = 0; i < 200; ++i) {
            const int fd = Connect(port_);
            ::send(fd, "GET /healthz HTTP/1.1\r\nX-Slow: ", 31, MSG_NOSIGNAL);
            slow_.push_back(fd);
        }
        trickling_ = std::jthread([this](std::stop_token stop) {
            while (!stop.stop_requested()) {
                for (const int fd : slow_) {
                    ::send(fd, "x", 1, MSG_NOSIGNAL);
                }
                std::this_thread::sleep_for(100ms);
            }
        });
    }
    ~Loaded() {
        trickling_ = {};
        for (const int fd : slow_) {
            ::close(fd);
        }
    }
    int Port() const { return port_; }

  private:
    fake::FakeSource source_;
    stallscan::serve::ServeSettings settings_;
    std::ostringstream err_;
    std::jthread serving_;
    int port_ = 0;
    std::vector<int> slow_;
    std::jthread trickling_;
};

void Latency(benchmark::State& state, const std::string& path) {
    Loaded loaded;
    std::vector<double> ms;
    for (auto _ : state) {
        const auto start = Clock::now();
        const std::string answer = Get(loaded.Port(), path);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!answer.starts_with("HTTP/1.1 200")) {
            state.SkipWithError(("no answer to " + path + ": " + answer).c_str());
            break;
        }
    }
    std::sort(ms.begin(), ms.end());
    if (!ms.empty()) {
        state.counters["p50_ms"] = ms[ms.size() / 2];
        state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    }
}

void BM_HealthzUnderTrickling(benchmark::State& state) { Latency(state, "/healthz"); }
void BM_MetricsUnderTrickling(benchmark::State& state) { Latency(state, "/metrics"); }

BENCHMARK(BM_HealthzUnderTrickling)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MetricsUnderTrickling)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
