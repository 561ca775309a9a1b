#pragma once
// A canned print system for the diagnosis tests: answers the listing tool's command lines through
// the runner seam with listings built from attribute tables, and counts the runs per object.

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/globals.h"
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
    FakePrintSystem() : m_savedPseudoDir(gPseudoDir) {
        gPseudoDir.clear();
        basPosixCtl::SetChildRunner([this](const std::string&, const ChildCommand& cmd,
                                           clsKvOutput& out,
                                           clsKvOutput& err) { return Answer(cmd, out, err); });
    }
    ~FakePrintSystem() {
        basPosixCtl::SetChildRunner({});
        gPseudoDir = m_savedPseudoDir;
    }
    FakePrintSystem(const FakePrintSystem&) = delete;
    FakePrintSystem& operator=(const FakePrintSystem&) = delete;

    // Makes the object listable with these attributes (replacing an earlier set).
    void Add(int objectClass, const std::string& name, std::vector<Attr> attrs) {
        m_objects[Key(objectClass, name)] = std::move(attrs);
    }
    // Answers the listing of exactly these requested attributes with these attributes instead.
    void AddForRequest(int objectClass, const std::string& name, const std::string& requested,
                       std::vector<Attr> attrs) {
        m_overrides[Key(objectClass, name) + "|" + requested] = std::move(attrs);
    }
    // Makes the listing of exactly these requested attributes fail with a tool error.
    void FailRequest(int objectClass, const std::string& name, const std::string& requested) {
        m_failures.insert(Key(objectClass, name) + "|" + requested);
    }
    // Number of tool runs for the object.
    int Runs(int objectClass, const std::string& name) const {
        auto it = m_runs.find(Key(objectClass, name));
        return it == m_runs.end() ? 0 : it->second;
    }
    int TotalRuns() const { return static_cast<int>(m_calls.size()); }
    // Every run as "class:name|requested", in order.
    const std::vector<std::string>& Calls() const { return m_calls; }

    // Lists the object through clsObjectAttrs (all attributes).
    clsObjectAttrs Listed(int objectClass, const std::string& name,
                          const std::string& requested = {}) const {
        clsObjectAddr address;
        address.Init(objectClass, name, "");
        clsObjectAttrs attrs;
        attrs.Init(address, true, requested);
        return attrs;
    }

  private:
    static std::string Key(int objectClass, const std::string& name) {
        return std::to_string(objectClass) + ":" + name;
    }

    static int ClassOf(const std::string& line) {
        static const std::pair<const char*, int> kOptions[] = {
            {" -cs ", 1}, {" -cp ", 2}, {" -cq ", 3}, {" -cj ", 4}, {" -cd ", 5}};
        for (const auto& [option, code] : kOptions) {
            if (line.find(option) != std::string::npos) {
                return code;
            }
        }
        return 0;
    }

    static std::string Between(const std::string& line, const std::string& open,
                               const std::string& close) {
        const size_t start = line.find(open);
        if (start == std::string::npos) {
            return {};
        }
        const size_t from = start + open.size();
        const size_t end = close.empty() ? std::string::npos : line.find(close, from);
        return line.substr(from, end == std::string::npos ? std::string::npos : end - from);
    }

    static bool Wanted(const std::string& attrName, const std::string& requested) {
        if (requested == "all") {
            return true;
        }
        const size_t dot = attrName.find('.');
        const std::string bare = dot == std::string::npos ? attrName : attrName.substr(dot + 1);
        const std::string padded = " " + requested + " ";
        return padded.find(" " + bare + " ") != std::string::npos;
    }

    static std::string Render(const std::string& name, const std::vector<Attr>& attrs,
                              const std::string& requested) {
        // The object's own attributes first, then those of its documents, as the tool lists them.
        std::vector<const Attr*> ordered;
        for (bool documents : {false, true}) {
            for (const Attr& attr : attrs) {
                if ((attr.name.find('.') != std::string::npos) == documents) {
                    ordered.push_back(&attr);
                }
            }
        }
        std::string text;
        for (const Attr* attrPtr : ordered) {
            const Attr& attr = *attrPtr;
            if (!Wanted(attr.name, requested)) {
                continue;
            }
            std::string object = name;
            std::string attrName = attr.name;
            const size_t dot = attrName.find('.');
            if (dot != std::string::npos) {
                object += "." + attrName.substr(0, dot);
                attrName = attrName.substr(dot + 1);
            }
            for (size_t i = 0; i < attr.values.size(); ++i) {
                text += i == 0 ? object + ": " + attrName + " = " + attr.values[i]
                               : "    " + attr.values[i];
                text += "\r\n";
            }
        }
        return text;
    }

    int32_t Answer(const ChildCommand& cmd, clsKvOutput& out, clsKvOutput& err) {
        const std::string& line = cmd.commandLine;
        const std::string key = Key(ClassOf(line), Between(line, " -sl -F ", ""));
        const std::string requested = Between(line, " -r \"", "\"");
        m_calls.push_back(key + "|" + requested);
        ++m_runs[key];

        out.Clear();
        err.Clear();
        if (m_failures.count(key + "|" + requested) > 0) {
            err.Init("kvls: request failed\r\n");
            return 0;
        }
        const std::vector<Attr>* attrs = nullptr;
        if (auto it = m_overrides.find(key + "|" + requested); it != m_overrides.end()) {
            attrs = &it->second;
        } else if (auto found = m_objects.find(key); found != m_objects.end()) {
            attrs = &found->second;
        }
        if (attrs == nullptr) {
            err.Init(" No entries.\r\n");
            return 0;
        }
        out.Init(Render(Between(line, " -sl -F ", ""), *attrs, requested));
        return 0;
    }

    std::string m_savedPseudoDir;
    std::map<std::string, std::vector<Attr>> m_objects;
    std::map<std::string, std::vector<Attr>> m_overrides;
    std::set<std::string> m_failures;
    std::map<std::string, int> m_runs;
    std::vector<std::string> m_calls;
};

}  // namespace diagtest
