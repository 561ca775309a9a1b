#pragma once
// Serves canned listing-tool answers (code, standard output, standard error) in normal mode
// through the listing query's runner seam, and records the command lines asked for.

#include <deque>
#include <string>
#include <vector>

#include "app/globals.h"
#include "listing/listing_query.h"

struct CannedRunner {
    struct Answer {
        int32_t code;
        std::string out;
        std::string err;
    };
    CannedRunner() {
        gPseudoDir.clear();
        gListToolPath = "C:\\print\\bin\\kvls.exe";
        basPosixCtl::SetChildRunner([this](const std::string&, const ChildCommand& cmd,
                                           clsKvOutput& out, clsKvOutput& err) {
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
    ~CannedRunner() { basPosixCtl::SetChildRunner({}); }
    void Serve(const std::string& out, const std::string& err = {}, int32_t code = 0) {
        answers.push_back({code, out, err});
    }

    std::deque<Answer> answers;
    std::vector<std::string> commandLines;
};
