#pragma once
// An HTTP/1.1 server on one address, event-driven: a few threads each wait on many connections,
// and a connection costs a thread only while its complete request is answered (from memory, at
// once). Slow clients therefore cannot hold the threads, and their number and time are bounded:
//   - a connection must send a whole request within `request_time` of its start, and an idle
//     kept-alive one its next request within `keep_alive` of the last answer; it is closed
//     otherwise;
//   - at most `most_unfinished` connections may be without a request at a time: a new one
//     closes the oldest of them (so an idle kept-alive connection goes first when busy);
//   - at most `most_waiting` complete requests may be waiting for their answer to be sent; one
//     beyond is answered 503 "busy" with Retry-After: 1, and the connection closed.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace stallscan::serve {

struct HttpRequest {
    std::string method;
    std::string path;  // without the query
    std::string authorization;
};

struct HttpResponse {
    int status = 200;
    std::string content_type;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

struct HttpLimits {
    size_t threads = 2;
    size_t most_waiting = 64;
    size_t most_unfinished = 256;
    std::chrono::milliseconds request_time{std::chrono::seconds(5)};
    std::chrono::milliseconds keep_alive{std::chrono::seconds(5)};
};

// Answers a complete request; called on the server's threads, at the same time for several.
using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

class HttpServer {
  public:
    // Listens on `host` (an address or a name of this machine) and `port` (0: any free port) and
    // serves until destroyed; nothing, with the reason, when that address cannot be listened on.
    static std::unique_ptr<HttpServer> Start(const std::string& host, int port,
                                             const HttpLimits& limits, HttpHandler handler,
                                             std::string* error);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int Port() const;

    class Impl;

  private:
    explicit HttpServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    int port_ = -1;
};

}  // namespace stallscan::serve
