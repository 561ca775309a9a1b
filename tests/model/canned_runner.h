#pragma once
// Serves canned listing-tool answers through the listing query's runner seam and records the
// command lines that were asked for.

#include <deque>
#include <string>
#include <vector>

#include "app/globals.h"
#include "listing/listing_query.h"

struct CannedAnswer {
    int32_t code = 0;
    std::string out;
    std::string err;
};

class CannedRunner {
  public:
    CannedRunner() {
        m_savedPseudo = gPseudoDir;
        m_savedTool = gListToolPath;
        gPseudoDir.clear();
        gListToolPath = "C:\\print\\bin\\kvls.exe";
        basPosixCtl::SetChildRunner([this](const std::string&, const ChildCommand& cmd,
                                           clsKvOutput& out, clsKvOutput& err) {
            commandLines.push_back(cmd.commandLine);
            const CannedAnswer answer = answers.empty() ? CannedAnswer{} : answers.front();
            if (!answers.empty()) {
                answers.pop_front();
            }
            out.Init(answer.code == 0 ? answer.out : std::string());
            err.Init(answer.code == 0 ? answer.err : std::string());
            return answer.code;
        });
    }
    ~CannedRunner() {
        basPosixCtl::SetChildRunner({});
        gPseudoDir = m_savedPseudo;
        gListToolPath = m_savedTool;
    }
    CannedRunner(const CannedRunner&) = delete;
    CannedRunner& operator=(const CannedRunner&) = delete;

    void Serve(const std::string& out, const std::string& err = {}, int32_t code = 0) {
        answers.push_back({code, out, err});
    }

    std::deque<CannedAnswer> answers;
    std::vector<std::string> commandLines;

  private:
    std::string m_savedPseudo;
    std::string m_savedTool;
};
