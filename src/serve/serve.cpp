#include "serve/serve.h"

#include <condition_variable>
#include <mutex>
#include <ostream>

#include "serve/http_server.h"
#include "serve/routes.h"
#include "serve/scanner.h"

namespace stallscan::serve {

std::optional<std::pair<std::string, int>> ParseListen(const std::string& text,
                                                       std::string& error) {
    std::string host;
    std::string port_text;
    if (text.starts_with("[")) {
        const size_t close = text.find("]:");
        if (close == std::string::npos) {
            error = "--listen takes ADDR:PORT or [IPV6ADDR]:PORT, not \"" + text + "\"";
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        port_text = text.substr(close + 2);
    } else {
        const size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) {
            error = "--listen takes ADDR:PORT or [IPV6ADDR]:PORT, not \"" + text + "\"";
            return std::nullopt;
        }
        host = text.substr(0, colon);
        port_text = text.substr(colon + 1);
    }
    int port = -1;
    if (!port_text.empty() && port_text.size() <= 5 &&
        port_text.find_first_not_of("0123456789") == std::string::npos) {
        port = std::stoi(port_text);
    }
    if (host.empty() || port < 0 || port > 65535) {
        error = "--listen takes ADDR:PORT or [IPV6ADDR]:PORT, not \"" + text + "\"";
        return std::nullopt;
    }
    return std::pair{host, port};
}

bool Serve(const ServeSettings& settings, listing::ListingSource& source, std::stop_token stop,
           std::ostream& err) {
    // The scans start once the address is listened on, and end (the scanner's destructor waits
    // for the one in flight) after the server, whose requests read them.
    Scanner scanner(settings, source, stop);
    const HttpLimits limits{settings.request_threads, settings.most_waiting,
                            settings.most_unfinished, settings.read_timeout, settings.read_timeout};
    std::string error;
    std::unique_ptr<HttpServer> server = HttpServer::Start(
        settings.host, settings.port, limits,
        [&](const HttpRequest& request) { return Route(request, settings, scanner); }, error);
    if (server == nullptr) {
        err << "stallscan: cannot listen on " << settings.host << " port " << settings.port << ": "
            << error << "\n";
        return false;
    }
    scanner.Start();
    err << "stallscan: serving on http://"
        << (settings.host.find(':') != std::string::npos ? "[" + settings.host + "]"
                                                         : settings.host)
        << ":" << server->Port() << "/\n"
        << std::flush;
    if (settings.listening) {
        settings.listening(server->Port());
    }
    std::mutex wait_mutex;
    std::unique_lock lock(wait_mutex);
    std::condition_variable_any().wait(lock, stop, [] { return false; });
    server.reset();
    return true;
}

}  // namespace stallscan::serve
