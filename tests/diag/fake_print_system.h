#pragma once
// A canned print system for the diagnosis tests: answers the listing tool's command lines through
// the runner seam with listings built from attribute tables, and records every run.

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "listing/listing_query.h"
#include "model/object_addr.h"
#include "model/object_attrs.h"

namespace diagtest {

// One attribute: its name (a document's attribute as "2.octet-count") and its values.
struct Attr {
    std::string name;
    std::vector<std::string> values;
    Attr(std::string n, std::string v) : name(std::move(n)), values{std::move(v)} {}
    Attr(std::string n, std::vector<std::string> v) : name(std::move(n)), values(std::move(v)) {}
    Attr(std::string n, std::initializer_list<std::string> v) : name(std::move(n)), values(v) {}
};

class FakePrintSystem {
  public:
    FakePrintSystem() {
        basPosixCtl::SetChildRunner(
            [this](const std::string&, const ChildCommand& cmd, clsKvOutput& out,
                   clsKvOutput& err) { return Answer(cmd.args, out, err); });
    }
    ~FakePrintSystem() { basPosixCtl::SetChildRunner({}); }

    // Makes the object listable with these attributes; with `requested`, only the listing of
    // exactly those requested attributes answers with them (none: that listing fails).
    void Add(int objectClass, const std::string& name, std::vector<Attr> attrs,
             const std::string& requested = "") {
        m_objects[Key(objectClass, name) + "|" + requested] = std::move(attrs);
    }
    // Every run as "class:name|requested", in order.
    const std::vector<std::string>& Calls() const { return m_calls; }
    int Runs(int objectClass, const std::string& name) const {
        const std::string prefix = Key(objectClass, name) + "|";
        return static_cast<int>(std::count_if(
            m_calls.begin(), m_calls.end(), [&](const auto& c) { return c.starts_with(prefix); }));
    }

    // Job S1:1 and printer P1 made of these attributes, listed in full.
    std::pair<clsObjectAttrs, clsObjectAttrs> JobAndPrinter(std::vector<Attr> job,
                                                            std::vector<Attr> printer) {
        job.insert(job.begin(), Attr{"job-identifier", "1"});
        printer.emplace_back("printer-state", "idle");
        Add(kClassJob, "S1:1", std::move(job));
        Add(kClassPrinter, "P1", std::move(printer));
        return {List(kClassJob, "S1:1"), List(kClassPrinter, "P1")};
    }

  private:
    static std::string Key(int objectClass, const std::string& name) {
        return std::to_string(objectClass) + ":" + name;
    }

    static clsObjectAttrs List(int objectClass, const std::string& name) {
        clsObjectAddr address;
        address.Init(objectClass, name, "");
        clsObjectAttrs attrs;
        attrs.Init(address, true, "");
        return attrs;
    }

    // The listing of the requested attributes: the object's own first, then its documents'.
    static std::string Render(const std::string& name, std::vector<Attr> attrs,
                              const std::string& requested) {
        std::stable_partition(attrs.begin(), attrs.end(),
                              [](const Attr& a) { return a.name.find('.') == std::string::npos; });
        std::string text;
        for (const Attr& attr : attrs) {
            const size_t dot = attr.name.find('.');
            const bool document = dot != std::string::npos;
            const std::string bare = document ? attr.name.substr(dot + 1) : attr.name;
            if (requested != "all" &&
                (" " + requested + " ").find(" " + bare + " ") == std::string::npos) {
                continue;
            }
            const std::string object = document ? name + "." + attr.name.substr(0, dot) : name;
            for (size_t i = 0; i < attr.values.size(); ++i) {
                text += (i == 0 ? object + ": " + bare + " = " : "    ") + attr.values[i] + "\r\n";
            }
        }
        return text;
    }

    // The command is: tool, class option, ..., "-r", requested, "-sl", "-F", name.
    int32_t Answer(const std::vector<std::string>& args, clsKvOutput& out, clsKvOutput& err) {
        static const std::vector<std::string> kOptions{"", "-cs", "-cp", "-cq", "-cj", "-cd"};
        const auto option = std::find(kOptions.begin(), kOptions.end(), args.at(1));
        const std::string key = Key(static_cast<int>(option - kOptions.begin()), args.back());
        const std::string requested = *(std::find(args.begin(), args.end(), "-r") + 1);
        m_calls.push_back(key + "|" + requested);

        out.Clear();
        err.Clear();
        auto found = m_objects.find(m_calls.back());
        if (found == m_objects.end()) {
            found = m_objects.find(key + "|");
        }
        if (found == m_objects.end()) {
            err.Init(" No entries.\r\n");
        } else {
            out.Init(Render(args.back(), found->second, requested));
        }
        return 0;
    }

    std::map<std::string, std::vector<Attr>> m_objects;
    std::vector<std::string> m_calls;
};

}  // namespace diagtest
