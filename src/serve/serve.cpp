#include "serve/serve.h"

#include <chrono>
#include <ostream>

#include "run/sleep_until.h"
#include "serve/http_server.h"
#include "serve/routes.h"
#include "serve/scanner.h"
#include "text/host_port.h"

namespace stallscan::serve {

std::optional<std::pair<std::string, int>> ParseListen(const std::string& text,
                                                       std::string* error) {
    const std::optional<text::HostPort> address = text::ParseHostPort(text, nullptr);
    if (!address || address->host.empty() || !address->port) {
        *error = "--listen takes ADDR:PORT or [IPV6ADDR]:PORT, not \"" + text + "\"";
        return std::nullopt;
    }
    return std::pair{address->host, *address->port};
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
        [&](const HttpRequest& request) { return Route(request, settings, scanner); }, &error);
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
    run::SleepUntil(stop, std::chrono::steady_clock::time_point::max());
    server.reset();
    return true;
}

}  // namespace stallscan::serve
