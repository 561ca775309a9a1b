// Writes the model as the listing files that the diagnosis program reads in its pseudo mode:
//
//   <server>-jids.txt   the server's waiting jobs, as listed with the waiting-jobs filter and the
//                       attribute job-identifier (an empty file when it has none); one for every
//                       server with a file or with jobs
//   <server>-<n>.txt    job server:n with all attributes and its documents
//   <name>.txt          a server, queue or printer with all attributes; objects of different
//                       classes with the same name share the file, in the order server, queue,
//                       printer (so the printer's value of a shared attribute is read last)
//
// Every line ends with CR LF. Domains are not exported (pseudo mode has none). Lines of the model
// files that were skipped are reported as warnings, so the export doubles as a model check.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "store.h"

namespace kvls {

struct ExportReport {
    int files = 0;
    std::vector<std::string> warnings;  // shared files, unusable names, skipped model lines
    std::string error;                  // set when the export failed
};

// Writes the files into dir (created when missing); false on failure, with report->error set.
bool ExportPseudo(const ModelStore& store, const std::filesystem::path& dir, ExportReport* report);

}  // namespace kvls
