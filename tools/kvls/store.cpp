#include "store.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <system_error>

namespace kvls {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSuffix = ".txt";

std::optional<ModelObject> LoadFile(const fs::path& path) {
    std::string text;
    if (!ReadWholeFile(path.string(), &text)) {
        return std::nullopt;
    }
    return ParseObjectText(text);
}

// Orders job numbers numerically where both are numbers, textually otherwise.
bool JobBefore(const NamedObject& a, const NamedObject& b) {
    const std::string_view na = std::string_view(a.name).substr(a.name.find(':') + 1);
    const std::string_view nb = std::string_view(b.name).substr(b.name.find(':') + 1);
    const long long va = std::strtoll(std::string(na).c_str(), nullptr, 10);
    const long long vb = std::strtoll(std::string(nb).c_str(), nullptr, 10);
    if (va != vb) {
        return va < vb;
    }
    return a.name < b.name;
}

}  // namespace

bool IsSafeName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool JobIdentity(const ModelObject& job, std::string_view stem, std::string* server,
                 std::string* number) {
    const std::size_t dash = stem.rfind('-');
    *server = job.server;
    if (server->empty() && dash != std::string_view::npos) {
        *server = stem.substr(0, dash);
    }
    const std::vector<std::string>* ids = job.attrs.ValuesOf("job-identifier");
    number->clear();
    if (ids != nullptr && !ids->empty()) {
        *number = ids->front();
    } else if (dash != std::string_view::npos) {
        *number = stem.substr(dash + 1);
    }
    return !server->empty() && !number->empty();
}

bool ModelStore::Exists() const {
    std::error_code ec;
    return fs::is_directory(root_, ec);
}

fs::path ModelStore::Folder(ObjectClass cls) const {
    switch (cls) {
        case ObjectClass::kServer:
            return root_ / "servers";
        case ObjectClass::kPrinter:
            return root_ / "printers";
        case ObjectClass::kQueue:
            return root_ / "queues";
        case ObjectClass::kJob:
        case ObjectClass::kDocument:
            break;
    }
    return root_ / "jobs";
}

std::vector<fs::path> ModelStore::TextFiles(ObjectClass cls) const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(Folder(cls), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() > kSuffix.size() && file.ends_with(kSuffix) && it->is_regular_file(ec)) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<ModelObject> ModelStore::LoadNamed(ObjectClass cls, std::string_view name) const {
    if (!IsSafeName(name)) {
        return std::nullopt;
    }
    return LoadFile(Folder(cls) / (std::string(name) + std::string(kSuffix)));
}

std::vector<NamedObject> ModelStore::LoadAllNamed(ObjectClass cls) const {
    std::vector<NamedObject> objects;
    for (const fs::path& file : TextFiles(cls)) {
        if (std::optional<ModelObject> object = LoadFile(file)) {
            objects.push_back({file.stem().string(), std::move(*object), file});
        }
    }
    return objects;
}

std::optional<NamedObject> ModelStore::LoadJob(std::string_view server,
                                               std::string_view number) const {
    std::string s, n;
    const std::string stem = std::string(server) + "-" + std::string(number);
    if (IsSafeName(stem)) {
        const fs::path file = Folder(ObjectClass::kJob) / (stem + ".txt");
        std::optional<ModelObject> job = LoadFile(file);
        if (job && JobIdentity(*job, stem, &s, &n) && s == server && n == number) {
            return NamedObject{s + ":" + n, std::move(*job), file};
        }
    }
    for (const fs::path& file : TextFiles(ObjectClass::kJob)) {
        std::optional<ModelObject> job = LoadFile(file);
        if (job && JobIdentity(*job, file.stem().string(), &s, &n) && s == server && n == number) {
            return NamedObject{s + ":" + n, std::move(*job), file};
        }
    }
    return std::nullopt;
}

std::vector<NamedObject> ModelStore::LoadJobs(std::string_view server) const {
    std::vector<NamedObject> jobs;
    std::set<std::string> seen;
    std::string s, n;
    for (const fs::path& file : TextFiles(ObjectClass::kJob)) {
        std::optional<ModelObject> job = LoadFile(file);
        if (job && JobIdentity(*job, file.stem().string(), &s, &n) &&
            (server.empty() || s == server) && seen.insert(s + ":" + n).second) {
            jobs.push_back({s + ":" + n, std::move(*job), file});
        }
    }
    std::stable_sort(jobs.begin(), jobs.end(), JobBefore);
    return jobs;
}

}  // namespace kvls
