#pragma once
// The requests of one listing to a CUPS server. A connection belongs to one listing and to the
// thread that runs it: it is opened on the first request, gives up when the listing is stopped or
// its time is over (the whole listing's, not one request's), and never asks for a password.
//
// A request that fails in a way that may pass (the connection dropped, the server busy or in
// error) is sent once more on a new connection; when that fails too, the failure is marked
// `passing`, so that no cache keeps it. What the server says for certain (not found, not
// authorized) and a server that cannot be reached or does not answer in time are not retried.

#include <atomic>
#include <chrono>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "cups/ipp_values.h"
#include "cups/server_address.h"
#include "listing/source.h"

namespace stallscan::cups {

class Connection {
  public:
    Connection(const ServerAddress& server, const listing::Control& control);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Sends the request (which it takes, adding requesting-user-name) and returns the response
    // when the server answers with success; nothing otherwise, with `failure` set: kNoEntries (not
    // found), kAuthenticationRequired, kTimedOut, kStopped, kStartFailed (no connection) or
    // kToolError with what went wrong.
    IppPtr Send(ipp_t* request, listing::Answer& failure);

    // How many connections were opened (the first and those of retries).
    int Opened() const { return opened_; }

  private:
    // How a request went: answered, failed for good (or stopped, or out of time), failed in a
    // way that may pass, or to be sent again with credentials found meanwhile.
    enum class Outcome { kOk, kFinal, kPassing, kAgain };

    bool Open(listing::Answer& failure);
    void Close();
    Outcome Try(ipp_t* request, IppPtr& response, listing::Answer& failure);
    bool ReadResponse(ipp_t* response);
    void Fail(listing::Answer& failure, listing::Status status, const std::string& text) const;
    bool KeepWaiting();
    int MillisecondsLeft() const;

    static int TimeoutCallback(http_t* http, void* self);
    static ssize_t ReadCallback(void* self, ipp_uchar_t* buffer, size_t length);

    const ServerAddress& server_;
    std::stop_token stop_;
    std::chrono::steady_clock::time_point deadline_;
    bool timed_out_ = false;
    bool authenticated_ = false;  // credentials were looked for once
    http_t* http_ = nullptr;
    int opened_ = 0;
    // The answer's bytes read ahead of what the IPP reader has taken: it asks for a few bytes at a
    // time, and libcups reads exactly what it is asked for when nothing is buffered, so without
    // this every value costs a system call or two.
    std::vector<char> read_ahead_;
    size_t read_from_ = 0;
    size_t read_to_ = 0;
    // The cancel flag of libcups's connect calls, which take a plain int * and read it on this
    // thread while they wait. The stop callback sets it from the thread that stops the listing,
    // through std::atomic_ref. This is safe: it only goes from 0 to 1, the int is aligned so that
    // it is read and written whole, and libcups reads it again on every pass of its wait, so a
    // read that comes before the write only delays the cancel by one pass.
    alignas(std::atomic_ref<int>::required_alignment) int cancel_ = 0;
    std::stop_callback<std::function<void()>> on_stop_;
};

}  // namespace stallscan::cups
