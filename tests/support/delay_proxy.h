// A TCP proxy on a loopback port in front of a server on another loopback port, which makes the
// server slow or unreliable as a busy one is: its answers stop in the middle for a while (as a
// single-threaded scheduler's do while it serves another client), and one chosen connection can
// be dropped on its first request. A thread accepts, two relay each connection; all end with the
// proxy. Linux only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace test_proxy {

class DelayProxy {
  public:
    // Listens on 127.0.0.1 (a free port) for clients of the server on 127.0.0.1:`server_port`.
    // Each piece of an answer stops for `pause` before its last bytes; connection number `drop`
    // (1 for the first, 0 for none) is closed when its first request arrives.
    DelayProxy(int server_port, std::chrono::milliseconds pause, int drop = 0)
        : server_port_(server_port), pause_(pause), drop_(drop) {
        sockaddr_in address = Loopback(0);
        socklen_t size = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (::bind(listener_, any, size) == 0 && ::listen(listener_, 64) == 0 &&
            ::getsockname(listener_, any, &size) == 0) {
            port_ = ntohs(address.sin_port);
            accepter_ = std::thread([this] { Accept(); });
        }
    }
    ~DelayProxy() {
        ::shutdown(listener_, SHUT_RDWR);  // ends accept()
        if (accepter_.joinable()) {
            accepter_.join();
        }
        for (const int fd : sockets_) {
            ::shutdown(fd, SHUT_RDWR);  // ends every relay
        }
        for (std::thread& relay : relays_) {
            relay.join();
        }
        for (const int fd : sockets_) {
            ::close(fd);
        }
        ::close(listener_);
    }
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }
    int Port() const { return port_; }
    int Connections() const { return accepted_; }

  private:
    static constexpr ssize_t kTail = 100;  // the bytes of a piece of an answer that wait

    static sockaddr_in Loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        return address;
    }

    // Passes what `from` sends on to `to`, pausing before the tail of each piece; then closes both
    // ways of both.
    static void Relay(int from, int to, std::chrono::milliseconds pause, bool drop) {
        char buffer[65536];
        for (ssize_t n; !drop && (n = ::recv(from, buffer, sizeof buffer, 0)) > 0;) {
            const ssize_t head = n > kTail ? n - kTail : 0;
            ::send(to, buffer, size_t(head), MSG_NOSIGNAL);
            std::this_thread::sleep_for(pause);
            if (::send(to, buffer + head, size_t(n - head), MSG_NOSIGNAL) < 0) {
                break;
            }
        }
        if (drop) {
            ::recv(from, buffer, sizeof buffer, 0);  // the request arrives, and nothing more
        }
        ::shutdown(from, SHUT_RDWR);
        ::shutdown(to, SHUT_RDWR);
    }

    // Runs in the accepting thread, until the listener is shut down.
    void Accept() {
        for (int client; (client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_in address = Loopback(server_port_);
            ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            const bool drop = ++accepted_ == drop_;
            sockets_.insert(sockets_.end(), {client, server});
            relays_.emplace_back(Relay, client, server, std::chrono::milliseconds(0), drop);
            relays_.emplace_back(Relay, server, client, pause_, false);
        }
    }

    const int server_port_;
    const std::chrono::milliseconds pause_;
    const int drop_;
    const int listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::thread accepter_;
    // The accepting thread's until it is joined.
    std::vector<int> sockets_;
    std::vector<std::thread> relays_;
};

}  // namespace test_proxy
