// A CUPS backend for the private schedulers of the tests. Its device URI
// "stallscan-state:/KEYWORD,KEYWORD...[?until=FILE]" names the printer-state-reasons that it sets,
// as CUPS backends do ("STATE: +KEYWORD" on standard error). Without "until" it then fails so that
// the scheduler stops the queue; with it, it goes on printing until FILE exists (a minute at
// most) and succeeds. Without arguments (the scheduler looking for devices) it lists nothing.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 6) {
        return 0;
    }
    const char* uri = std::getenv("DEVICE_URI");
    std::string keywords = uri != nullptr ? uri : "";
    keywords.erase(0, keywords.find(":/") == std::string::npos ? 0 : keywords.find(":/") + 2);
    std::string until;
    if (const size_t query = keywords.find("?until="); query != std::string::npos) {
        until = keywords.substr(query + 7);
        keywords.resize(query);
    }
    for (size_t start = 0; start < keywords.size();) {
        const size_t comma = std::min(keywords.find(',', start), keywords.size());
        std::fprintf(stderr, "STATE: +%s\n", keywords.substr(start, comma - start).c_str());
        start = comma + 1;
    }
    std::fflush(stderr);
    if (until.empty()) {
        std::fprintf(stderr, "ERROR: The test device has stopped.\n");
        return 4;  // CUPS_BACKEND_STOP: the scheduler stops the queue
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!std::filesystem::exists(until) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}
