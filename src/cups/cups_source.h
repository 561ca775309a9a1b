#pragma once
// A CUPS server as a listing source, asked through IPP with libcups. The server stands for the
// spooler and for every printer's supervisor (CUPS has none: the supervisor is the server itself,
// always enabled, of no supervisor type); a destination stands for the queue (a printer queue has
// itself as its one printer, a class its members); jobs, printers and their capabilities are
// answered in IPP's attribute names. docs/cups.md has the whole mapping.
//
// Each listing has a connection of its own (cups/connection.h): libcups never asks for a
// password, and a server that wants one fails the listing with kAuthenticationRequired. The
// source lists one object per listing, whatever asked before: a job costs a Get-Job-Attributes
// and a Get-Jobs of its destination (the jobs ahead). A scan asks its snapshot instead.

#include <memory>
#include <string>

#include "cups/server_address.h"
#include "listing/source.h"

namespace stallscan::cups {

class CupsSource : public listing::ListingSource {
  public:
    explicit CupsSource(ServerAddress server) : server_(std::move(server)) {}

    listing::Answer List(const listing::Request& request, const listing::Control& control) override;
    listing::Dialect AttributeDialect() const override { return listing::Dialect::kIpp; }
    std::string OnlyServer() const override { return server_.label; }
    std::string ServerForCommands() const override { return server_.command_name; }
    // A scan snapshot (cups/scan_snapshot.h) of this server.
    std::unique_ptr<listing::ListingSource> NewScan() override;

    const ServerAddress& Server() const { return server_; }

  private:
    ServerAddress server_;
};

// The name of the default destination of the CUPS clients (lpoptions, CUPS_PRINTER ...); empty
// when there is none.
std::string DefaultDestination();

}  // namespace stallscan::cups
