#include "cups/connection.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace stallscan::cups {

namespace {

using listing::Answer;
using listing::Status;
using Clock = std::chrono::steady_clock;

// libcups asks this often whether to go on waiting (for stops and the listing's time-out).
constexpr int kPollMs = 200;
// The longest a connection is waited for when the listing has no time-out.
constexpr int kConnectLimitMs = 30000;

const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
    return nullptr;  // never a prompt: cron and monitoring would hang
}

bool IsAuthentication(ipp_status_t status) {
    return status == IPP_STATUS_ERROR_NOT_AUTHORIZED || status == IPP_STATUS_ERROR_FORBIDDEN ||
           status == IPP_STATUS_ERROR_NOT_AUTHENTICATED ||
           status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED;
}

// A server error that the next request may not meet.
bool MayPass(ipp_status_t status) {
    return status == IPP_STATUS_ERROR_INTERNAL || status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE ||
           status == IPP_STATUS_ERROR_BUSY || status == IPP_STATUS_ERROR_TEMPORARY;
}

std::string StatusMessage(ipp_t* response) {
    ipp_attribute_t* message = ippFindAttribute(response, "status-message", IPP_TAG_TEXT);
    const char* text = message != nullptr ? ippGetString(message, 0, nullptr) : nullptr;
    return text != nullptr ? text : ippErrorString(ippGetStatusCode(response));
}

}  // namespace

Connection::Connection(const ServerAddress& server, const listing::Control& control)
    : server_(server),
      stop_(control.stop),
      deadline_(control.timeout.count() > 0 ? Clock::now() + control.timeout
                                            : Clock::time_point::max()),
      on_stop_(control.stop, [this] { std::atomic_ref<int>(cancel_).store(1); }) {
    cupsSetPasswordCB2(NoPassword, nullptr);  // libcups keeps the callback per thread
}

Connection::~Connection() {
    Close();
}

int Connection::MillisecondsLeft() const {
    if (deadline_ == Clock::time_point::max()) {
        return INT_MAX;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

bool Connection::KeepWaiting() {
    if (stop_.stop_requested()) {
        return false;
    }
    if (MillisecondsLeft() == 0) {
        timed_out_ = true;
        return false;
    }
    return true;
}

int Connection::TimeoutCallback(http_t*, void* self) {
    return static_cast<Connection*>(self)->KeepWaiting() ? 1 : 0;
}

void Connection::Fail(Answer& failure, Status status, const std::string& text) const {
    failure.objects.clear();
    if (stop_.stop_requested()) {
        failure = {Status::kStopped, {}, {}};
    } else if (timed_out_ || MillisecondsLeft() == 0) {
        failure = {Status::kTimedOut, {}, {}};
    } else {
        failure.status = status;
        failure.error_text = text;
    }
}

bool Connection::Open(Answer& failure) {
    if (http_ != nullptr) {
        return true;
    }
    const int limit = std::clamp(MillisecondsLeft(), 1, kConnectLimitMs);
    const auto started = Clock::now();
    if (!stop_.stop_requested()) {
        http_ = httpConnect2(server_.host.c_str(), server_.port, nullptr, AF_UNSPEC,
                             server_.encrypted ? HTTP_ENCRYPTION_ALWAYS : cupsEncryption(), 1,
                             limit, &cancel_);
    }
    if (http_ == nullptr) {
        const int error = errno;
        // A connection that was still not made when its time ran out: the server does not answer.
        timed_out_ = Clock::now() - started >= std::chrono::milliseconds(limit);
        Fail(failure, Status::kStartFailed,
             "cannot connect to " + server_.host +
                 (server_.host.starts_with("/") ? "" : ":" + std::to_string(server_.port)) + ": " +
                 (error != 0 ? std::strerror(error) : "no answer"));
        return false;
    }
    ++opened_;
    httpSetTimeout(http_, kPollMs / 1000.0, &Connection::TimeoutCallback, this);
    return true;
}

void Connection::Close() {
    if (http_ != nullptr) {
        httpClose(http_);
        http_ = nullptr;
    }
}

// Reads the IPP response body, a read-ahead buffer at a time. libcups's own reading gives up on a
// server that pauses for longer than the connection's wait (kPollMs), which a busy scheduler does
// in the middle of an answer while it serves another client; here the pause lasts as long as the
// listing may.
ssize_t Connection::ReadCallback(void* self, ipp_uchar_t* buffer, size_t length) {
    auto* connection = static_cast<Connection*>(self);
    size_t total = 0;
    while (total < length) {
        if (connection->read_from_ < connection->read_to_) {
            const size_t taken =
                std::min(length - total, connection->read_to_ - connection->read_from_);
            std::memcpy(buffer + total, connection->read_ahead_.data() + connection->read_from_,
                        taken);
            connection->read_from_ += taken;
            total += taken;
            continue;
        }
        while (httpGetReady(connection->http_) == 0 && !httpWait(connection->http_, kPollMs)) {
            if (!connection->KeepWaiting()) {
                return total > 0 ? static_cast<ssize_t>(total) : -1;
            }
        }
        const ssize_t read = httpRead2(connection->http_, connection->read_ahead_.data(),
                                       connection->read_ahead_.size());
        if (read <= 0) {
            return total > 0 ? static_cast<ssize_t>(total) : -1;
        }
        connection->read_from_ = 0;
        connection->read_to_ = static_cast<size_t>(read);
    }
    return static_cast<ssize_t>(total);
}

bool Connection::ReadResponse(ipp_t* response) {
    read_ahead_.resize(32768);
    read_from_ = read_to_ = 0;
    for (;;) {
        const ipp_state_t state = ippReadIO(this, &Connection::ReadCallback, 1, nullptr, response);
        if (state == IPP_STATE_DATA) {
            return true;
        }
        if (state == IPP_STATE_ERROR) {
            return false;
        }
    }
}

Connection::Outcome Connection::Try(ipp_t* request, IppPtr& response, Answer& failure) {
    // cupsSendRequest waits for the server's go-ahead and answers a request for a password
    // through the refusing callback.
    http_status_t status = cupsSendRequest(http_, request, "/", ippLength(request));
    if (status == HTTP_STATUS_CONTINUE || status == HTTP_STATUS_OK) {
        do {
            status = httpUpdate(http_);
        } while (status == HTTP_STATUS_CONTINUE);
    }
    if (status == HTTP_STATUS_OK) {
        response.reset(ippNew());
        const bool read = ReadResponse(response.get());
        if (httpGetState(http_) != HTTP_STATE_WAITING) {
            httpFlush(http_);
        }
        if (!read) {
            Fail(failure, Status::kToolError, "the answer broke off");
            return failure.status == Status::kToolError ? Outcome::kPassing : Outcome::kFinal;
        }
        const ipp_status_t code = ippGetStatusCode(response.get());
        if (code <= IPP_STATUS_OK_EVENTS_COMPLETE) {
            return Outcome::kOk;
        }
        const std::string said = StatusMessage(response.get());
        if (code == IPP_STATUS_ERROR_NOT_FOUND) {
            failure = {Status::kNoEntries, {}, {}};
            return Outcome::kFinal;
        }
        if (IsAuthentication(code)) {
            Fail(failure, Status::kAuthenticationRequired, "authentication required");
            return Outcome::kFinal;
        }
        Fail(failure, Status::kToolError, said);
        return MayPass(code) ? Outcome::kPassing : Outcome::kFinal;
    }
    if (status == HTTP_STATUS_ERROR || status == HTTP_STATUS_NONE) {
        const int error = httpError(http_);
        Fail(failure, Status::kToolError,
             error != 0 && error != EPIPE ? std::strerror(error)
                                          : "the server closed the connection");
        return failure.status == Status::kToolError ? Outcome::kPassing : Outcome::kFinal;
    }
    httpFlush(http_);
    // Credentials that need nobody (a local certificate) are tried once, as libcups does; a
    // password is asked of the refusing callback, which gives none.
    if (status == HTTP_STATUS_UNAUTHORIZED && !authenticated_) {
        authenticated_ = true;
        if (cupsDoAuthentication(http_, "POST", "/") == 0 &&
            httpReconnect2(http_, std::clamp(MillisecondsLeft(), 1, kConnectLimitMs), &cancel_) ==
                0) {
            return Outcome::kAgain;
        }
    }
    if (status == HTTP_STATUS_UNAUTHORIZED || status == HTTP_STATUS_FORBIDDEN ||
        status == HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED) {
        Fail(failure, Status::kAuthenticationRequired, "authentication required");
        return Outcome::kFinal;
    }
    if (status == HTTP_STATUS_NOT_FOUND) {
        failure = {Status::kNoEntries, {}, {}};
        return Outcome::kFinal;
    }
    Fail(failure, Status::kToolError, httpStatus(status));
    return status >= HTTP_STATUS_SERVER_ERROR ? Outcome::kPassing : Outcome::kFinal;
}

IppPtr Connection::Send(ipp_t* request, Answer& failure) {
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    const IppPtr owned(request, ippDelete);
    IppPtr response(nullptr, ippDelete);
    for (int attempt = 0; attempt < 2;) {
        failure = {};
        if (!Open(failure)) {
            return response;
        }
        const Outcome outcome = Try(request, response, failure);
        if (outcome == Outcome::kOk) {
            return response;
        }
        response.reset();
        if (outcome == Outcome::kAgain) {
            continue;
        }
        if (outcome != Outcome::kPassing) {
            return response;
        }
        Close();  // a failure that may pass: once more, on a new connection
        ++attempt;
    }
    failure.passing = true;
    return response;
}

}  // namespace stallscan::cups
