#include "export.h"

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <system_error>

#include "listing.h"

namespace kvls {

namespace fs = std::filesystem;

namespace {

struct PseudoFile {
    std::string content;
    std::string classes;  // for the shared-file warning, e.g. "server, printer"
};

bool WriteFile(const fs::path& path, const std::string& content) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.string().c_str(), "wb"),
                                                      &std::fclose);
    if (!f) {
        return false;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), f.get()) == content.size();
    return std::fclose(f.release()) == 0 && written;
}

void NoteFileWarnings(const NamedObject& object, ExportReport* report) {
    for (const std::string& w : object.object.warnings) {
        report->warnings.push_back(object.file.string() + ": " + w + ", skipped");
    }
}

void AddNamed(const ModelStore& store, ObjectClass cls, const char* label,
              std::map<std::string, PseudoFile>* files, ExportReport* report) {
    const AttrSelection all;
    for (const NamedObject& object : store.LoadAllNamed(cls)) {
        NoteFileWarnings(object, report);
        if (object.name.find(':') != std::string::npos) {
            report->warnings.push_back("not exported, the name holds \":\": " + object.name);
            continue;
        }
        PseudoFile& file = (*files)[object.name + ".txt"];
        file.classes += (file.classes.empty() ? "" : ", ") + std::string(label);
        AppendAttributes(&file.content, object.name, object.object.attrs, all);
    }
}

// The job list of a server, exactly as a listing run answers it.
std::string WaitingJobs(const ModelStore& store, const std::string& server) {
    Request request;
    request.cls = ObjectClass::kJob;
    request.attrs = AttrSelection::FromText("job-identifier");
    request.filter = Filter::Parse(kWaitingJobsFilter, nullptr);
    request.object_name = server + ":";
    return AnswerRequest(request, store).out;
}

}  // namespace

bool ExportPseudo(const ModelStore& store, const fs::path& dir, ExportReport* report) {
    if (!store.Exists()) {
        report->error = "model folder not found: " + store.root().string();
        return false;
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        report->error = "cannot create " + dir.string() + ": " + ec.message();
        return false;
    }
    std::map<std::string, PseudoFile> files;
    AddNamed(store, ObjectClass::kServer, "server", &files, report);
    AddNamed(store, ObjectClass::kQueue, "queue", &files, report);
    AddNamed(store, ObjectClass::kPrinter, "printer", &files, report);
    for (const auto& [name, file] : files) {
        if (file.classes.find(',') != std::string::npos) {
            report->warnings.push_back(name + " is shared by a " + file.classes);
        }
    }

    std::set<std::string> servers;
    for (const NamedObject& s : store.LoadAllNamed(ObjectClass::kServer)) {
        servers.insert(s.name);
    }
    const AttrSelection all;
    for (const NamedObject& job : store.LoadJobs("")) {
        NoteFileWarnings(job, report);
        const std::size_t colon = job.name.find(':');
        servers.insert(job.name.substr(0, colon));
        std::string& content =
            files[job.name.substr(0, colon) + "-" + job.name.substr(colon + 1) + ".txt"].content;
        AppendJob(&content, job, all);
    }
    for (const std::string& server : servers) {
        files[server + "-jids.txt"].content = WaitingJobs(store, server);
    }

    for (const auto& [name, file] : files) {
        if (!IsSafeName(name)) {
            report->warnings.push_back("not exported, not a file name: " + name);
        } else if (!WriteFile(dir / name, file.content)) {
            report->error = "cannot write " + (dir / name).string();
            return false;
        } else {
            ++report->files;
        }
    }
    return true;
}

}  // namespace kvls
