#pragma once
// Serves canned listing-tool answers (code, standard output, standard error) in normal mode, with
// the tool at kCannedTool, through the listing query's runner seam, and records the programs and
// command lines asked for. Without an answer left a run succeeds with no output.

#include <deque>
#include <string>
#include <vector>

#include "app/globals.h"
#include "listing/listing_query.h"

inline const std::string kCannedTool = "C:\\print\\bin\\kvls.exe";

struct CannedRunner {
    struct Answer {
        int32_t code;
        std::string out;
        std::string err;
    };
    CannedRunner() {
        gPseudoDir.clear();
        gListToolPath = kCannedTool;
        basPosixCtl::SetChildRunner([this](const std::string& app, const ChildCommand& cmd,
                                           clsKvOutput& out, clsKvOutput& err) {
            apps.push_back(app);
            commandLines.push_back(cmd.commandLine);
            const Answer answer = answers.empty() ? Answer{0, "", ""} : answers.front();
            if (!answers.empty()) {
                answers.pop_front();
            }
            out.Init(answer.out);
            err.Init(answer.err);
            return answer.code;
        });
    }
    ~CannedRunner() {
        basPosixCtl::SetChildRunner({});
        gListToolPath.clear();
        gPseudoDir.clear();
    }
    void Serve(const std::string& out, const std::string& err = {}, int32_t code = 0) {
        answers.push_back({code, out, err});
    }

    std::deque<Answer> answers;
    std::vector<std::string> apps;
    std::vector<std::string> commandLines;
};
