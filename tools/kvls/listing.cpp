#include "listing.h"

#include <cstdlib>

namespace kvls {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool Selected(const ModelObject& object, const AttrSet& attrs, const Request& request) {
    if (!object.InDomain(request.domain)) {
        return false;
    }
    return !request.filter ||
           request.filter->Matches([&](std::string_view a) { return attrs.ValuesOf(a); });
}

// Splits "srv1:42.3" into server "srv1", job "42" and document "3" (each may be empty).
struct JobName {
    std::string_view server, job, document;
    bool valid = false;
};

JobName SplitJobName(std::string_view name, bool with_document) {
    JobName n;
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return n;
    }
    n.server = name.substr(0, colon);
    n.job = name.substr(colon + 1);
    const std::size_t dot = n.job.rfind('.');
    if (with_document && dot != std::string_view::npos) {
        n.document = n.job.substr(dot + 1);
        n.job = n.job.substr(0, dot);
        if (n.document.empty() || n.job.empty()) {
            return n;
        }
    }
    n.valid = true;
    return n;
}

std::vector<NamedObject> JobsNamed(const JobName& n, const ModelStore& store) {
    if (n.job.empty()) {
        return store.LoadJobs(n.server);
    }
    std::vector<NamedObject> jobs;
    if (std::optional<NamedObject> job = store.LoadJob(n.server, n.job)) {
        jobs.push_back(std::move(*job));
    }
    return jobs;
}

// Each List function appends the matching objects and returns how many matched.
int ListNamed(const Request& request, const ModelStore& store, std::string* out) {
    std::optional<ModelObject> object = store.LoadNamed(request.cls, request.object_name);
    if (!object || !Selected(*object, object->attrs, request)) {
        return 0;
    }
    AppendAttributes(out, request.object_name, object->attrs, request.attrs);
    return 1;
}

int ListJobs(const Request& request, const ModelStore& store, std::string* out) {
    const JobName n = SplitJobName(request.object_name, false);
    int matched = 0;
    if (n.valid) {
        for (const NamedObject& job : JobsNamed(n, store)) {
            if (Selected(job.object, job.object.attrs, request)) {
                AppendJob(out, job, request.attrs);
                ++matched;
            }
        }
    }
    return matched;
}

int ListDocuments(const Request& request, const ModelStore& store, std::string* out) {
    const JobName n = SplitJobName(request.object_name, true);
    int matched = 0;
    if (!n.valid) {
        return 0;
    }
    for (const NamedObject& job : JobsNamed(n, store)) {
        for (const Document& d : job.object.documents) {
            const std::string number = std::to_string(d.number);
            if ((n.document.empty() || n.document == number) &&
                Selected(job.object, d.attrs, request)) {
                AppendAttributes(out, job.name + "." + number, d.attrs, request.attrs);
                ++matched;
            }
        }
    }
    return matched;
}

}  // namespace

bool AppendAttributes(std::string* out, std::string_view name, const AttrSet& attrs,
                      const AttrSelection& selection) {
    bool any = false;
    for (const Attribute& a : attrs.items()) {
        if (!selection.Wants(a.name)) {
            continue;
        }
        any = true;
        const std::size_t line_start = out->size();
        out->append(name).append(": ").append(a.name).append(" = ");
        const std::size_t indent = out->size() - line_start;
        for (std::size_t i = 0; i < a.values.size(); ++i) {
            if (i > 0) {
                out->append(indent, ' ');
            }
            out->append(a.values[i]).append(kCrLf);
        }
        if (a.values.empty()) {
            out->append(kCrLf);
        }
    }
    return any;
}

void AppendJob(std::string* out, const NamedObject& job, const AttrSelection& selection) {
    AppendAttributes(out, job.name, job.object.attrs, selection);
    for (const Document& d : job.object.documents) {
        AppendAttributes(out, job.name + "." + std::to_string(d.number), d.attrs, selection);
    }
}

Answer AnswerRequest(const Request& request, const ModelStore& store) {
    Answer answer;
    if (!store.Exists()) {
        answer.err = "kvls: model folder not found: " + store.root().string() + std::string(kCrLf);
        answer.exit_code = kExitNoModel;
        return answer;
    }
    int matched = 0;
    switch (request.cls) {
        case ObjectClass::kServer:
        case ObjectClass::kPrinter:
        case ObjectClass::kQueue:
            matched = ListNamed(request, store, &answer.out);
            break;
        case ObjectClass::kJob:
            matched = ListJobs(request, store, &answer.out);
            break;
        case ObjectClass::kDocument:
            matched = ListDocuments(request, store, &answer.out);
            break;
    }
    if (matched == 0) {
        answer.err = std::string(kNoEntries) + std::string(kCrLf);
        answer.exit_code = kExitNoEntries;
    }
    return answer;
}

}  // namespace kvls
