#include "cli/options.h"

namespace stallscan::cli {

namespace {

bool IsKeyword(const std::string& arg) {
    return arg.find("pseudo-kvls") != std::string::npos ||
           arg.find("domain-name@") != std::string::npos;
}

}  // namespace

Options ParseArguments(const std::vector<std::string>& args) {
    Options options;
    for (const std::string& arg : args) {
        if (arg.empty() || IsKeyword(arg)) {
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "-V" || arg == "--version") {
            options.version = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg.front() == '-') {
            if (options.unknown_option.empty()) {
                options.unknown_option = arg;
            }
        } else {
            options.specs.push_back(arg);
        }
    }
    return options;
}

}  // namespace stallscan::cli
