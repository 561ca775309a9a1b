#include "serve/routes.h"

#include <nlohmann/json.hpp>

#include "serve/authorization.h"
#include "serve/metrics.h"
#include "serve/page.h"

namespace stallscan::serve {

namespace {

// The page's icon: a printer with a red light.
constexpr std::string_view kIcon =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 16 16\">"
    "<rect x=\"4\" y=\"1\" width=\"8\" height=\"5\" fill=\"#fff\" stroke=\"#333\"/>"
    "<rect x=\"1\" y=\"5\" width=\"14\" height=\"7\" rx=\"1\" fill=\"#555\"/>"
    "<rect x=\"4\" y=\"10\" width=\"8\" height=\"5\" fill=\"#fff\" stroke=\"#333\"/>"
    "<circle cx=\"12.5\" cy=\"7.5\" r=\"1.2\" fill=\"#e33\"/></svg>\n";

// The API before the first scan has finished (the page tells it from a busy server's 503 by its
// body).
HttpResponse Starting() {
    return {503, "application/json", "{\"error\":\"the first scan has not finished yet\"}\n",
            {{"Retry-After", "5"}}};
}

HttpResponse Scan(const Snapshot& latest, const ServeSettings& settings) {
    const double interval_s = std::chrono::duration<double>(settings.interval).count();
    const double age =
        std::chrono::duration<double>(std::chrono::system_clock::now() - latest.finished).count();
    std::string body = latest.scan_json;
    // Stale: the last scan is older than two intervals, or failed.
    body.insert(body.rfind('}'), ",\"intervalSeconds\":" + nlohmann::json(interval_s).dump() +
                                     ",\"stale\":" +
                                     (latest.failed || age > 2 * interval_s ? "true" : "false"));
    return {200, "application/json", std::move(body), {}};
}

HttpResponse Health(const Snapshot* latest, const ServeSettings& settings) {
    const bool fresh = latest != nullptr && !latest->failed &&
                       std::chrono::system_clock::now() - latest->finished <
                           2 * settings.interval + std::chrono::seconds(1);
    return {fresh ? 200 : 503, "text/plain",
            latest == nullptr ? "starting\n"
            : fresh           ? "ok\n"
                              : "stale\n",
            {}};
}

}  // namespace

HttpResponse Route(const HttpRequest& request, const ServeSettings& settings,
                   const Scanner& scanner) {
    if (request.method != "GET" && request.method != "HEAD") {
        return {405, "text/plain", "only GET and HEAD\n", {{"Allow", "GET, HEAD"}}};
    }
    const std::string& path = request.path;
    const bool open = path == "/healthz" || path == "/favicon.svg" || path == "/favicon.ico";
    if (!open && !Authorized(request.authorization, settings.token)) {
        return {401, "text/plain", "the secret of --token-file is needed\n",
                {{"WWW-Authenticate", "Basic realm=\"stallscan\", charset=\"UTF-8\""}}};
    }
    if (path == "/") {
        return {200, "text/html; charset=utf-8", std::string(kPageHtml),
                {{"Content-Security-Policy",
                  "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self'; "
                  "connect-src 'self'; frame-ancestors 'none'"}}};
    }
    if (path == "/page.js") {
        return {200, "text/javascript; charset=utf-8", std::string(kPageScript), {}};
    }
    if (path == "/page.css") {
        return {200, "text/css; charset=utf-8", std::string(kPageStyle), {}};
    }
    if (path == "/favicon.svg" || path == "/favicon.ico") {
        return {200, "image/svg+xml", std::string(kIcon), {}};
    }
    const std::shared_ptr<const Snapshot> latest = scanner.Latest();
    if (path == "/healthz") {
        return Health(latest.get(), settings);
    }
    if (path == "/metrics") {
        return {200, "text/plain; version=0.0.4; charset=utf-8",
                Metrics(latest.get(), scanner.GetTotals()), {}};
    }
    if (path == "/api/v1/jobs") {
        return latest == nullptr ? Starting()
                                 : HttpResponse{200, "application/json", latest->jobs_json, {}};
    }
    if (path == "/api/v1/scan") {
        return latest == nullptr ? Starting() : Scan(*latest, settings);
    }
    return {404, "text/plain", "not found\n", {}};
}

}  // namespace stallscan::serve
