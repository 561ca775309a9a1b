#pragma once
// An in-memory print system for tests: objects with their attributes, answered as parsed entries
// (no listing text is rendered or parsed), every request recorded. Safe on several threads.

#include <algorithm>
#include <condition_variable>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "listing/source.h"

namespace fake {

using stallscan::listing::Answer;
using stallscan::listing::Control;
using stallscan::listing::Request;
using stallscan::listing::Status;
using stallscan::model::ObjectClass;

// One attribute: its name (a document's attribute as "2.octet-count") and its values.
struct Attr {
    std::string name;
    std::vector<std::string> values;
    Attr(std::string n, std::string v) : name(std::move(n)), values{std::move(v)} {}
    Attr(std::string n, std::vector<std::string> v) : name(std::move(n)), values(std::move(v)) {}
    Attr(std::string n, std::initializer_list<std::string> v) : name(std::move(n)), values(v) {}
};

class FakeSource : public stallscan::listing::ListingSource {
  public:
    // Makes the object listable with these attributes. With `requested`, only the listing of
    // exactly those requested attributes answers with them; a listing of other attributes lists
    // the object's attributes among them (kOk and nothing when it has none, as the tool does).
    void Add(ObjectClass object_class, const std::string& name, std::vector<Attr> attrs,
             const std::string& requested = "") {
        std::lock_guard lock(mutex_);
        objects_[Key(object_class, name) + "|" + requested] = std::move(attrs);
    }
    // The waiting jobs of a server, as its job list answers them ("S1:12" ...).
    void AddJobList(const std::string& server, const std::vector<std::string>& jobs) {
        Answer answer;
        for (const std::string& job : jobs) {
            stallscan::model::ListedObject object{job, {}};
            object.entries.Set("job-identifier", job.substr(job.find(':') + 1) + '\0');
            answer.objects.push_back(std::move(object));
        }
        std::lock_guard lock(mutex_);
        answers_[Key(ObjectClass::kJob, server + ":")] = std::move(answer);
    }
    // Every listing of the object fails with this status and error text (a failure that may
    // pass with `passing`).
    void Fail(ObjectClass object_class, const std::string& name, Status status,
              const std::string& error_text = "", bool passing = false) {
        std::lock_guard lock(mutex_);
        answers_[Key(object_class, name)] = {status, {}, error_text, passing};
    }
    // Every listing of the object waits until it is stopped or times out.
    void Hang(ObjectClass object_class, const std::string& name) {
        std::lock_guard lock(mutex_);
        hanging_.push_back(Key(object_class, name));
    }

    Answer List(const Request& request, const Control& control) override {
        const std::string key = Key(request.address.object_class, request.address.name);
        std::unique_lock lock(mutex_);
        calls_.push_back(key + "|" + request.attributes);
        if (std::find(hanging_.begin(), hanging_.end(), key) != hanging_.end()) {
            const auto limit =
                control.timeout.count() > 0 ? control.timeout : std::chrono::hours(1);
            std::condition_variable_any().wait_for(lock, control.stop, limit, [] { return false; });
            return {control.stop.stop_requested() ? Status::kStopped : Status::kTimedOut, {}, {}};
        }
        if (const auto answer = answers_.find(key); answer != answers_.end()) {
            return answer->second;
        }
        if (const auto exact = objects_.find(key + "|" + request.attributes);
            exact != objects_.end()) {
            return Render(request.address.name, exact->second, "all");
        }
        const auto found = objects_.find(key + "|");
        return found == objects_.end()
                   ? Answer{Status::kNoEntries, {}, {}}
                   : Render(request.address.name, found->second, request.attributes);
    }

    // The attribute names it answers in (the listing tool's unless a test says IPP's).
    stallscan::listing::Dialect dialect = stallscan::listing::Dialect::kListingTool;
    stallscan::listing::Dialect AttributeDialect() const override { return dialect; }

    std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // How often the object was listed.
    int Runs(ObjectClass object_class, const std::string& name) const {
        const std::string prefix = Key(object_class, name) + "|";
        std::lock_guard lock(mutex_);
        return static_cast<int>(
            std::ranges::count_if(calls_, [&](const auto& c) { return c.starts_with(prefix); }));
    }

  private:
    static std::string Key(ObjectClass object_class, const std::string& name) {
        return std::to_string(static_cast<int>(object_class)) + ":" + name;
    }

    // The requested attributes of the object (its own and its documents'), as one object.
    static Answer Render(const std::string& name, const std::vector<Attr>& attrs,
                         const std::string& requested) {
        stallscan::model::ListedObject object{name, {}};
        int highest_document = 0;
        for (const Attr& attr : attrs) {
            const size_t dot = attr.name.find('.');
            const std::string bare = attr.name.substr(dot == std::string::npos ? 0 : dot + 1);
            if (requested != "all" &&
                (" " + requested + " ").find(" " + bare + " ") == std::string::npos) {
                continue;
            }
            std::string values;
            for (const std::string& value : attr.values) {
                values += value.empty() ? "" : value + '\0';
            }
            object.entries.Set(attr.name, values);
            if (dot != std::string::npos) {
                highest_document = std::max(highest_document, std::stoi(attr.name.substr(0, dot)));
            }
        }
        if (highest_document > 0) {
            object.entries.Set("number-of-documents", std::to_string(highest_document));
        }
        return object.entries.empty() ? Answer{} : Answer{Status::kOk, {std::move(object)}, {}};
    }

    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Attr>> objects_;
    std::map<std::string, Answer> answers_;  // failures and job lists
    std::vector<std::string> hanging_;
    std::vector<std::string> calls_;
};

}  // namespace fake
