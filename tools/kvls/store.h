// The print-system model on disk: one text file per object in a folder per class.
//
//   <root>/servers/<name>.txt   <root>/printers/<name>.txt   <root>/queues/<name>.txt
//   <root>/jobs/<any>.txt       (conventionally <server>-<number>.txt)
//
// Lookups read only the files they need: a server, printer or queue is one file; a job is its
// conventional file when that file names the job, and a scan of jobs/ otherwise.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model_file.h"

namespace kvls {

enum class ObjectClass { kServer, kPrinter, kQueue, kJob, kDocument };

// An object with the name under which it is listed ("P1", "srv1:42").
struct NamedObject {
    std::string name;
    ModelObject object;
    std::filesystem::path file;  // the file it was read from
};

// True for a name that can be used as a file name in the model (no path separators, no NUL,
// not "." or "..", not empty).
bool IsSafeName(std::string_view name);

// Server and number of a job file: its "server" line and first "job-identifier" value, each taken
// from the file stem "<server>-<number>" (split at the last "-") when the file has none.
// False when either stays empty.
bool JobIdentity(const ModelObject& job, std::string_view stem, std::string* server,
                 std::string* number);

class ModelStore {
  public:
    explicit ModelStore(std::filesystem::path root) : root_(std::move(root)) {}

    const std::filesystem::path& root() const { return root_; }
    bool Exists() const;

    // A server, printer or queue; nothing when it has no file.
    std::optional<ModelObject> LoadNamed(ObjectClass cls, std::string_view name) const;
    // Every object of a class with a file, by name.
    std::vector<NamedObject> LoadAllNamed(ObjectClass cls) const;

    // The job server:number; nothing when no job file names it. The first file in name order
    // wins when several do.
    std::optional<NamedObject> LoadJob(std::string_view server, std::string_view number) const;
    // The jobs of a server (every job when server is empty), ordered by number.
    std::vector<NamedObject> LoadJobs(std::string_view server) const;

  private:
    std::filesystem::path Folder(ObjectClass cls) const;
    std::vector<std::filesystem::path> TextFiles(ObjectClass cls) const;

    std::filesystem::path root_;
};

}  // namespace kvls
