#include "serve/http_server.h"

#include <microhttpd.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stop_token>
#include <string_view>
#include <thread>

namespace stallscan::serve {

namespace {

using Clock = std::chrono::steady_clock;

// Request headers and the library's buffers of one connection, at most.
constexpr size_t kConnectionMemory = 32 * 1024;

// The state of a GET or HEAD whose headers have arrived: its answer comes at its end.
char kHeadersRead;

// One connection as the limits see it.
struct Connection {
    int fd = -1;
    bool answering = false;  // its request is complete; the answer is on its way
    bool closing = false;    // shut down here; the library sees it end and closes it
    Clock::time_point deadline;  // for its (next) request, while not answering
};

// Keeps the limits of HttpServer's header on the open connections. The library tells it of each
// connection (Opened, Closed) and request (RequestComplete, Answered); a thread of its own shuts
// down the connections whose time is up, which the library then closes. It only ever shuts down
// a connection between Opened and Closed, and the library calls Closed before it closes the
// socket, so the descriptor is never another's.
class ConnectionLimits {
  public:
    // The thread goes first on destruction (std::jthread: a stop request, then the join).
    explicit ConnectionLimits(const HttpLimits& limits)
        : limits_(limits), thread_([this](std::stop_token stop) { Enforce(stop); }) {}

    Connection* Opened(int fd) {
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->deadline = Clock::now() + limits_.request_time;
        Connection* opened = connection.get();
        {
            std::lock_guard lock(mutex_);
            if (Connection* nearest = Nearest();
                nearest != nullptr && Unfinished() >= limits_.most_unfinished) {
                ShutDown(*nearest);
            }
            connections_.emplace(opened, std::move(connection));
            ++changes_;
        }
        changed_.notify_one();
        return opened;
    }
    void Closed(Connection* connection) {
        std::lock_guard lock(mutex_);
        connections_.erase(connection);
    }
    // A request has arrived whole on `connection`; false when too many wait for their answer.
    bool RequestComplete(Connection* connection) {
        std::lock_guard lock(mutex_);
        connection->answering = true;
        ++waiting_;
        return waiting_ <= limits_.most_waiting;
    }
    // Its answer has been sent, or the connection ended first.
    void Answered(Connection* connection) {
        {
            std::lock_guard lock(mutex_);
            connection->answering = false;
            connection->deadline = Clock::now() + limits_.keep_alive;
            --waiting_;
            ++changes_;
        }
        changed_.notify_one();
    }

  private:
    size_t Unfinished() const {
        return std::count_if(connections_.begin(), connections_.end(), [](const auto& entry) {
            return !entry.second->answering && !entry.second->closing;
        });
    }
    // The connection without a request whose time is up first; null when there is none.
    Connection* Nearest() const {
        Connection* nearest = nullptr;
        for (const auto& [key, connection] : connections_) {
            if (!connection->answering && !connection->closing &&
                (nearest == nullptr || connection->deadline < nearest->deadline)) {
                nearest = connection.get();
            }
        }
        return nearest;
    }
    static void ShutDown(Connection& connection) {
        ::shutdown(connection.fd, SHUT_RDWR);
        connection.closing = true;
    }
    void Enforce(const std::stop_token& stop) {
        std::unique_lock lock(mutex_);
        while (!stop.stop_requested()) {
            const auto now = Clock::now();
            auto next = Clock::time_point::max();
            for (const auto& [key, connection] : connections_) {
                if (connection->answering || connection->closing) {
                    continue;
                }
                if (connection->deadline <= now) {
                    ShutDown(*connection);
                } else {
                    next = std::min(next, connection->deadline);
                }
            }
            const auto changed = [this, seen = changes_] { return changes_ != seen; };
            if (next == Clock::time_point::max()) {
                changed_.wait(lock, stop, changed);
            } else {
                changed_.wait_until(lock, stop, next, changed);
            }
        }
    }

    const HttpLimits limits_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::map<Connection*, std::unique_ptr<Connection>> connections_;
    size_t waiting_ = 0;
    size_t changes_ = 0;  // a deadline was added or moved: Enforce looks again
    std::jthread thread_;
};

// A listening socket on host:port; -1 with the reason when there is none.
int Listen(const std::string& host, int port, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int failure =
            ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
        failure != 0) {
        *error = ::gai_strerror(failure);
        return -1;
    }
    int fd = -1;
    for (const addrinfo* address = found; address != nullptr && fd < 0;
         address = address->ai_next) {
        fd = ::socket(address->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) {
            continue;
        }
        // To listen again at once after a stop; a second server on the same port still fails.
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        // A burst of clients waits in the queue rather than for a SYN retry.
        if (::bind(fd, address->ai_addr, address->ai_addrlen) != 0 ||
            ::listen(fd, SOMAXCONN) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        *error = "the port is in use, or the address is not one of this machine's";
    }
    return fd;
}

int BoundPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return -1;
    }
    return ntohs(address.ss_family == AF_INET6
                     ? reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port
                     : reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

}  // namespace

class HttpServer::Impl {
  public:
    Impl(const HttpLimits& limits, HttpHandler handler)
        : settings_(limits), limits_(limits), handler_(std::move(handler)) {}
    ~Impl() {
        if (daemon_ != nullptr) {
            MHD_stop_daemon(daemon_);  // closes the connections, then the listening socket
        }
    }

    bool Start(int fd, bool ipv6) {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(
            std::max(settings_.request_time, settings_.keep_alive));
        // Enough for the unfinished connections, those a new one is closing, and the answered.
        const auto most_connections =
            static_cast<unsigned>(2 * settings_.most_unfinished + 2 * settings_.most_waiting);
        const unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | (ipv6 ? MHD_USE_IPv6 : 0);
        daemon_ = MHD_start_daemon(
            flags, 0, nullptr, nullptr, &Impl::Access, this, MHD_OPTION_LISTEN_SOCKET, fd,
            MHD_OPTION_THREAD_POOL_SIZE, static_cast<unsigned>(std::max<size_t>(settings_.threads, 1)),
            MHD_OPTION_CONNECTION_LIMIT, most_connections, MHD_OPTION_CONNECTION_TIMEOUT,
            static_cast<unsigned>(seconds.count()), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
            kConnectionMemory, MHD_OPTION_NOTIFY_CONNECTION, &Impl::Notify, this,
            MHD_OPTION_NOTIFY_COMPLETED, &Impl::Completed, this, MHD_OPTION_END);
        return daemon_ != nullptr;
    }

  private:
    static void Notify(void* self, MHD_Connection* connection, void** context,
                       MHD_ConnectionNotificationCode code) {
        ConnectionLimits& limits = static_cast<Impl*>(self)->limits_;
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            *context = limits.Opened(info->connect_fd);
        } else if (*context != nullptr) {
            limits.Closed(static_cast<Connection*>(*context));
            *context = nullptr;
        }
    }

    static void Completed(void* self, MHD_Connection*, void** request,
                          MHD_RequestTerminationCode) {
        if (*request != nullptr && *request != &kHeadersRead) {
            static_cast<Impl*>(self)->limits_.Answered(static_cast<Connection*>(*request));
        }
        *request = nullptr;
    }

    // Called once the request's headers are complete, again for each part of a body (read and
    // dropped), and a last time at its end. A GET or HEAD is answered then (an answer before that
    // would make the library close the connection, not keep it alive); other methods at once, so
    // that their body is never read.
    static MHD_Result Access(void* self, MHD_Connection* connection, const char* url,
                             const char* method, const char*, const char*,
                             size_t* upload_size, void** request) {
        Impl& impl = *static_cast<Impl*>(self);
        if (*request != nullptr && *request != &kHeadersRead) {  // answered already
            *upload_size = 0;
            return MHD_YES;
        }
        const std::string_view name = method;
        if (*request == nullptr && (name == "GET" || name == "HEAD")) {
            *request = &kHeadersRead;
            return MHD_YES;
        }
        if (*upload_size != 0) {
            *upload_size = 0;
            return MHD_YES;
        }
        auto* state = static_cast<Connection*>(
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT)
                ->socket_context);
        *request = state;
        HttpResponse response;
        if (impl.limits_.RequestComplete(state)) {
            const char* authorization =
                MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Authorization");
            response = impl.handler_({method, url, authorization != nullptr ? authorization : ""});
        } else {
            response = {503, "text/plain", "busy\n", {{"Retry-After", "1"}, {"Connection", "close"}}};
        }
        return Queue(connection, std::move(response));
    }

    static MHD_Result Queue(MHD_Connection* connection, HttpResponse&& response) {
        auto* body = new std::string(std::move(response.body));
        MHD_Response* answer = MHD_create_response_from_buffer_with_free_callback_cls(
            body->size(), body->data(), [](void* owned) { delete static_cast<std::string*>(owned); },
            body);
        if (answer == nullptr) {
            delete body;
            return MHD_NO;
        }
        MHD_add_response_header(answer, "Content-Type", response.content_type.c_str());
        MHD_add_response_header(answer, "X-Content-Type-Options", "nosniff");
        MHD_add_response_header(answer, "Cache-Control", "no-store");
        for (const auto& [name, value] : response.headers) {
            MHD_add_response_header(answer, name.c_str(), value.c_str());
        }
        const MHD_Result queued =
            MHD_queue_response(connection, static_cast<unsigned>(response.status), answer);
        MHD_destroy_response(answer);
        return queued;
    }

    const HttpLimits settings_;
    ConnectionLimits limits_;
    HttpHandler handler_;
    MHD_Daemon* daemon_ = nullptr;
};

std::unique_ptr<HttpServer> HttpServer::Start(const std::string& host, int port,
                                              const HttpLimits& limits, HttpHandler handler,
                                              std::string* error) {
    const int fd = Listen(host, port, error);
    if (fd < 0) {
        return nullptr;
    }
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    auto impl = std::make_unique<Impl>(limits, std::move(handler));
    if (!impl->Start(fd, address.ss_family == AF_INET6)) {
        ::close(fd);
        *error = "the HTTP server could not start";
        return nullptr;
    }
    auto server = std::unique_ptr<HttpServer>(new HttpServer(std::move(impl)));
    server->port_ = BoundPort(fd);
    return server;
}

HttpServer::HttpServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
HttpServer::~HttpServer() = default;
int HttpServer::Port() const { return port_; }

}  // namespace stallscan::serve
