// A TCP proxy on a loopback port in front of a server on another loopback port, which makes the
// server slow or unreliable as a busy one is: requests reach the server late, answers stop in
// the middle for a while (as a single-threaded scheduler's do while it serves another client),
// and one chosen connection can be dropped on its first request. One thread serves every
// connection. Linux only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <string>
#include <thread>
#include <vector>

namespace test_proxy {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Faults {
    milliseconds request_delay{0};  // what a client sends reaches the server this much later
    milliseconds answer_pause{0};   // each piece of an answer stops this long before its end
    int drop = 0;  // connection number `drop` (1 for the first) is closed on its first request
};

class DelayProxy {
  public:
    // Listens on 127.0.0.1 (a free port) for clients of the server on 127.0.0.1:`server_port`.
    DelayProxy(int server_port, Faults faults) : server_port_(server_port), faults_(faults) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = Loopback(0);
        socklen_t size = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (::bind(listener_, any, size) != 0 || ::listen(listener_, 64) != 0 ||
            ::getsockname(listener_, any, &size) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        wake_ = ::eventfd(0, EFD_CLOEXEC);
        thread_ = std::thread([this] { Serve(); });
    }
    ~DelayProxy() {
        if (thread_.joinable()) {
            const uint64_t one = 1;
            (void)!::write(wake_, &one, sizeof one);
            thread_.join();
        }
        for (const Pair& pair : pairs_) {
            Close(pair);
        }
        for (const int fd : {listener_, wake_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    // 0 when the proxy could not listen.
    int Port() const { return port_; }
    std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }
    // Connections accepted so far.
    int Connections() const { return accepted_; }

  private:
    struct Chunk {
        Clock::time_point due;
        std::string bytes;
    };
    struct Pair {
        int client = -1;
        int server = -1;
        bool drop = false;
        bool server_closed = false;  // what it sent is still passed on
        std::deque<Chunk> to_server, to_client;  // due times ascend
    };
    // The bytes an answer keeps back for its pause.
    static constexpr size_t kTail = 100;

    static sockaddr_in Loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        return address;
    }
    static void Close(const Pair& pair) {
        ::close(pair.client);
        ::close(pair.server);
    }
    static void Queue(std::deque<Chunk>& queue, Clock::time_point due, std::string bytes) {
        if (!bytes.empty()) {
            queue.push_back({queue.empty() ? due : std::max(due, queue.back().due), std::move(bytes)});
        }
    }
    // Sends what is due; false when the peer is gone.
    static bool Flush(std::deque<Chunk>& queue, int fd) {
        while (!queue.empty() && queue.front().due <= Clock::now()) {
            const std::string& bytes = queue.front().bytes;
            if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(bytes.size())) {
                return false;
            }
            queue.pop_front();
        }
        return true;
    }

    void Accept() {
        Pair pair;
        pair.client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        pair.server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = Loopback(server_port_);
        if (pair.client < 0 ||
            ::connect(pair.server, reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
                0) {
            Close(pair);
            return;
        }
        pair.drop = ++accepted_ == faults_.drop;
        pairs_.push_back(std::move(pair));
    }

    // Moves what is readable and due on `pair`; false when the pair is over.
    bool Pump(Pair& pair, const pollfd& client, const pollfd& server) {
        char buffer[65536];
        const auto now = Clock::now();
        if (client.revents != 0) {
            const ssize_t n = ::recv(pair.client, buffer, sizeof buffer, 0);
            if (n <= 0 || pair.drop) {
                return false;
            }
            Queue(pair.to_server, now + faults_.request_delay, std::string(buffer, size_t(n)));
        }
        if (server.revents != 0) {
            const ssize_t n = ::recv(pair.server, buffer, sizeof buffer, 0);
            if (n <= 0) {
                pair.server_closed = true;
                return Flush(pair.to_client, pair.client) && !pair.to_client.empty();
            }
            const size_t head = size_t(n) > kTail ? size_t(n) - kTail : 0;
            Queue(pair.to_client, now, std::string(buffer, head));
            Queue(pair.to_client, now + faults_.answer_pause,
                  std::string(buffer + head, size_t(n) - head));
        }
        const bool sent = Flush(pair.to_server, pair.server) && Flush(pair.to_client, pair.client);
        return sent && !(pair.server_closed && pair.to_client.empty());
    }

    void Serve() {
        for (;;) {
            std::vector<pollfd> fds = {{wake_, POLLIN, 0}, {listener_, POLLIN, 0}};
            Clock::time_point next = Clock::time_point::max();
            for (const Pair& pair : pairs_) {
                fds.push_back({pair.client, POLLIN, 0});
                fds.push_back({pair.server_closed ? -1 : pair.server, POLLIN, 0});
                for (const auto* queue : {&pair.to_server, &pair.to_client}) {
                    next = queue->empty() ? next : std::min(next, queue->front().due);
                }
            }
            const int wait_ms =
                next == Clock::time_point::max()
                    ? -1
                    : static_cast<int>(std::max<long long>(
                          0, std::chrono::ceil<milliseconds>(next - Clock::now()).count()));
            if (::poll(fds.data(), fds.size(), wait_ms) < 0 || fds[0].revents != 0) {
                return;
            }
            std::vector<Pair> kept;
            for (size_t i = 0; i < pairs_.size(); ++i) {
                if (Pump(pairs_[i], fds[2 + 2 * i], fds[3 + 2 * i])) {
                    kept.push_back(std::move(pairs_[i]));
                } else {
                    Close(pairs_[i]);
                }
            }
            pairs_ = std::move(kept);
            if (fds[1].revents != 0) {
                Accept();
            }
        }
    }

    const int server_port_;
    const Faults faults_;
    int listener_ = -1;
    int wake_ = -1;
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::vector<Pair> pairs_;  // the serving thread's alone
    std::thread thread_;
};

}  // namespace test_proxy
