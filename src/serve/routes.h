#pragma once
// What the live view answers to a complete request: the page and its parts, the last scan's data,
// the health check and the metrics; 405 for methods other than GET and HEAD, 401 without the
// secret, 404 for other paths.

#include "serve/http_server.h"
#include "serve/scanner.h"
#include "serve/serve.h"

namespace stallscan::serve {

HttpResponse Route(const HttpRequest& request, const ServeSettings& settings,
                   const Scanner& scanner);

}  // namespace stallscan::serve
