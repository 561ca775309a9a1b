#pragma once
// A CUPS server as a listing source, asked through IPP with libcups. The server stands for the
// spooler and for every printer's supervisor (CUPS has none: the supervisor is the server itself,
// always enabled, of no supervisor type); a destination stands for the queue (a printer queue has
// itself as its one printer, a class its members); jobs, printers and their capabilities are
// answered in IPP's attribute names. docs/cups.md has the whole mapping.
//
// libcups never asks for a password here: a server that wants one gets none, and the listing
// fails with kAuthenticationRequired.

#include <optional>
#include <string>

#include "listing/source.h"

namespace stallscan::cups {

struct ServerAddress {
    std::string host;  // a host name or address, or the path of a local socket
    int port = 631;
    bool encrypted = false;  // ipps://: always encrypted; otherwise as the server asks
    // The name under which the server appears in reports and job keys ("server:job"): the host,
    // and "@port" for a port other than 631; never a ":" in it.
    std::string label;
};

// The server of "[ipp://|ipps://]HOST[:PORT]", "[V6ADDRESS]:PORT" or a socket path; empty text:
// the server the CUPS clients use (CUPS_SERVER, client.conf, the local socket). Nothing, with
// the reason in `error`, for a text that names no server.
std::optional<ServerAddress> ParseServer(const std::string& text, std::string& error);

class CupsSource : public listing::ListingSource {
  public:
    explicit CupsSource(ServerAddress server) : server_(std::move(server)) {}

    listing::Answer List(const listing::Request& request, const listing::Control& control) override;
    listing::Dialect AttributeDialect() const override { return listing::Dialect::kIpp; }
    std::string OnlyServer() const override { return server_.label; }

    const ServerAddress& Server() const { return server_; }

  private:
    ServerAddress server_;
};

// The name of the default destination of the CUPS clients (lpoptions, CUPS_PRINTER ...); empty
// when there is none.
std::string DefaultDestination();

}  // namespace stallscan::cups
