// Throughput of the listing parser and cost of the job list over a large captured listing.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "listing/job_list.h"
#include "model/listing_parser.h"
#include "model/string_list.h"

namespace {

using namespace stallscan;
using model::CapturedOutput;
using model::Entries;
using model::ParseListing;
using model::ParseObjects;
using model::StringList;

// Peak resident set size of the process in MiB (Linux reports kilobytes).
double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// About `bytes` of listing: jobs of a dozen attributes, a few with continuation lines and
// documents, separated by comment lines as the tool writes them.
std::string GenerateListing(size_t bytes) {
    std::string text;
    text.reserve(bytes + 4096);
    for (int job = 1; text.size() < bytes; ++job) {
        const std::string name = "srv1:" + std::to_string(job);
        text += "# job " + name + "\r\n";
        text += name + ": job-name = quarterly report " + std::to_string(job) + "\r\n";
        text += name + ": current-job-state = pending\r\n";
        text += name + ": job-owner = user" + std::to_string(job % 97) + "\r\n";
        text += name + ": printers-assigned = printer-a\r\n    printer-b\r\n    printer-c\r\n";
        text += name + ": assigned-queue = queue-" + std::to_string(job % 13) + "\r\n";
        text += name + ": job-priority = 50\r\n";
        text += name + ": number-up = 1\r\n";
        for (int doc = 1; doc <= 3; ++doc) {
            const std::string docName = name + "." + std::to_string(doc);
            text += docName + ": document-format = PCL\r\n";
            text += docName + ": file-name = c|/spool/job" + std::to_string(job) + "/doc" +
                    std::to_string(doc) + "\r\n";
            text += docName + ": octet-count = " + std::to_string(1000 * doc + job) + "\r\n";
        }
    }
    return text;
}

void BM_ParseListing(benchmark::State& state) {
    const std::string listing = GenerateListing(10u << 20);
    CapturedOutput out(listing);
    Entries entries;
    std::string name;
    int64_t objects = 0;
    for (auto _ : state) {
        out.Rewind();
        while (true) {
            entries.clear();
            if (!ParseListing(out, name, entries)) {
                break;
            }
            ++objects;
        }
        benchmark::DoNotOptimize(entries.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(listing.size()));
    state.counters["objects"] =
        benchmark::Counter(static_cast<double>(objects), benchmark::Counter::kAvgIterations);
    state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_ParseListing)->Unit(benchmark::kMillisecond);

// One object whose documents make a 10 MB listing: everything goes into one entries list.
void BM_ParseOneHugeJob(benchmark::State& state) {
    std::string listing = "srv1:1: job-name = huge\r\n";
    for (int doc = 1; listing.size() < (10u << 20); ++doc) {
        listing += "srv1:1." + std::to_string(doc) + ": document-format = PCL\r\n";
    }
    CapturedOutput out(listing);
    for (auto _ : state) {
        Entries entries;
        std::string name;
        out.Rewind();
        benchmark::DoNotOptimize(ParseListing(out, name, entries));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(listing.size()));
    state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_ParseOneHugeJob)->Unit(benchmark::kMillisecond);

// Answers every request with one listing text, parsed as the tool's answer would be.
class OutputSource : public listing::ListingSource {
  public:
    explicit OutputSource(const std::string& output) : output_(output) {}
    listing::Answer List(const listing::Request&, const listing::Control&) override {
        return {listing::Status::kOk, ParseObjects(output_), {}};
    }

  private:
    const std::string& output_;
};

// The job list of a server with 100,000 waiting jobs: parsing the listing and keeping the jobs.
void BM_JobList100k(benchmark::State& state) {
    std::string listing;
    for (int job = 1; job <= 100000; ++job) {
        listing +=
            "srv1:" + std::to_string(job) + ": job-identifier = " + std::to_string(job) + "\r\n";
    }
    OutputSource source(listing);
    listing::Lister lister(source);
    for (auto _ : state) {
        listing::JobList jobs;
        if (jobs.List(lister, "srv1", "") != listing::Status::kOk || jobs.Count() != 100000) {
            state.SkipWithError("job list incomplete");
            break;
        }
        benchmark::DoNotOptimize(jobs.IdText());
    }
    state.counters["listing_MiB"] = static_cast<double>(listing.size()) / (1 << 20);
    state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_JobList100k)->Unit(benchmark::kMillisecond);

// Positional reads and removals on a large list stay logarithmic.
void BM_StringListRemoveFromFront(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        StringList list;
        for (int32_t i = 1; i <= n; ++i) {
            list.Add("item" + std::to_string(i));
        }
        while (list.Count() > 0) {
            benchmark::DoNotOptimize(list.Item(list.Count() / 2 + 1));
            list.Remove(1);
        }
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StringListRemoveFromFront)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
