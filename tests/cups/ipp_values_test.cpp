// How the CUPS source reads IPP, over messages built in memory (no scheduler): server addresses,
// states, values, media, and the jobs of a Get-Jobs response.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "cups/ipp_values.h"
#include "cups/server_address.h"

namespace {

using namespace stallscan::cups;

std::string Joined(const std::string& values) {
    std::string text = values;
    std::replace(text.begin(), text.end(), '\0', '|');
    return text;
}

TEST(ServerAddress, EveryFormAndWhatIsNoServer) {
    const struct {
        std::string text, host;
        int port;
        bool encrypted;
        std::string label;
    } good[] = {
        {"printhost", "printhost", 631, false, "printhost"},
        {"printhost:8631", "printhost", 8631, false, "printhost@8631"},
        {"ipp://printhost:631/", "printhost", 631, false, "printhost"},
        {"ipp://printhost/printers/office", "printhost", 631, false, "printhost"},
        {"ipps://printhost", "printhost", 631, true, "printhost"},
        {"ipps://[::1]:443", "::1", 443, true, "--1@443"},
        {"[fe80::1]", "fe80::1", 631, false, "fe80--1"},
        {"/run/cups/cups.sock", "/run/cups/cups.sock", 631, false, "localhost"},
        {"ipp:///run/cups.sock//", "/run/cups.sock", 631, false, "localhost"},
    };
    for (const auto& g : good) {
        std::string error;
        const auto server = ParseServer(g.text, &error);
        ASSERT_TRUE(server) << g.text << ": " << error;
        EXPECT_EQ(server->host, g.host) << g.text;
        EXPECT_EQ(server->port, g.port) << g.text;
        EXPECT_EQ(server->encrypted, g.encrypted) << g.text;
        EXPECT_EQ(server->label, g.label) << g.text;
    }
    for (const std::string bad : {"[::1", "[::1]8631", "printhost:0", "printhost:65536",
                                  "printhost:86x", "printhost:+631", "printhost: 631",
                                  "fe80::1:631", ":631", "ipp://"}) {
        std::string error;
        EXPECT_FALSE(ParseServer(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(IppValues, StatesInTheDiagnosisWords) {
    const std::pair<int, std::string> jobs[] = {
        {IPP_JSTATE_PENDING, "pending"},       {IPP_JSTATE_HELD, "held"},
        {IPP_JSTATE_PROCESSING, "processing"}, {IPP_JSTATE_STOPPED, "paused"},
        {IPP_JSTATE_CANCELED, "canceled"},     {IPP_JSTATE_ABORTED, "aborted"},
        {IPP_JSTATE_COMPLETED, "completed"},
    };
    for (const auto& [state, word] : jobs) {
        EXPECT_EQ(JobStateWord(state), word);
        EXPECT_EQ(Waiting(state), word == "pending" || word == "held" || word == "paused") << word;
    }
    EXPECT_EQ(PrinterStateWord(IPP_PSTATE_IDLE), "idle");
    EXPECT_EQ(PrinterStateWord(IPP_PSTATE_PROCESSING), "printing");
    EXPECT_EQ(PrinterStateWord(IPP_PSTATE_STOPPED), "paused");
    EXPECT_TRUE(IsDefaultStopMessage("Paused"));
    EXPECT_FALSE(IsDefaultStopMessage("Paused for the weekend"));
    EXPECT_EQ(DestinationOf("ipp://host:631/classes/floor2"), "floor2");
}

TEST(IppValues, EnumerationsRangesResolutionsAndMediaAsTheDiagnosisCompares) {
    IppPtr ipp(ippNew(), ippDelete);
    ipp_t* p = ipp.get();
    const int finishings[] = {IPP_FINISHINGS_STAPLE, IPP_FINISHINGS_PUNCH};
    ippAddIntegers(p, IPP_TAG_PRINTER, IPP_TAG_ENUM, "finishings-supported", 2, finishings);
    ippAddRange(p, IPP_TAG_PRINTER, "copies-supported", 1, 999);
    ippAddBoolean(p, IPP_TAG_PRINTER, "page-ranges-supported", 1);
    const int xres[] = {600, 1200}, yres[] = {600, 600};
    ippAddResolutions(p, IPP_TAG_PRINTER, "printer-resolution-supported", 2, IPP_RES_PER_INCH, xres,
                      yres);
    ippAddResolution(p, IPP_TAG_PRINTER, "printer-resolution-default", IPP_RES_PER_CM, 118, 118);
    const char* media[] = {"iso_a4_210x297mm", "Letter", "a3", "no-such-paper"};
    ippAddStrings(p, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "media-ready", 4, nullptr, media);
    const std::pair<const char*, std::string> expected[] = {
        {"finishings-supported", "staple|punch|"},
        {"copies-supported", "1:999|"},
        {"page-ranges-supported", "true|"},
        {"printer-resolution-supported", "600dpi|1200x600dpi|"},
        {"printer-resolution-default", "118dpcm|"},
        {"media-ready", "iso_a4_210x297mm|na_letter_8.5x11in|iso_a3_297x420mm|no-such-paper|"},
        {"no-such-attribute", ""},
    };
    for (const auto& [name, values] : expected) {
        EXPECT_EQ(Joined(Values(ippFindAttribute(p, name, IPP_TAG_ZERO))), values) << name;
    }
    EXPECT_EQ(First(std::string("a\0b\0", 4)), "a");
    for (const std::string name : {"a4", "A4", "iso_a4_210x297mm", "iso-a4"}) {
        EXPECT_EQ(MediumName(name), "iso_a4_210x297mm") << name;
    }
}

// A job asks for a medium by name or by the size of its media-col (width, then length, in
// hundredths of millimetres).
TEST(IppValues, TheMediumOfAJobByNameOrBySize) {
    const auto job_with_size = [](int width, int length) {
        ipp_t* size = ippNew();
        ippAddInteger(size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "x-dimension", width);
        ippAddInteger(size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "y-dimension", length);
        ipp_t* col = ippNew();
        ippAddCollection(col, IPP_TAG_ZERO, "media-size", size);
        ipp_t* job = ippNew();
        ippAddCollection(job, IPP_TAG_JOB, "media-col", col);
        ippDelete(size);
        ippDelete(col);
        return IppPtr(job, ippDelete);
    };
    EXPECT_EQ(Joined(JobMedia(job_with_size(21000, 29700).get())), "iso_a4_210x297mm|");
    EXPECT_EQ(Joined(JobMedia(job_with_size(21590, 27940).get())), "na_letter_8.5x11in|");
    EXPECT_EQ(JobMedia(job_with_size(29700, 21000).get()).find("iso_a4"), std::string::npos);
    IppPtr named(ippNew(), ippDelete);
    ippAddString(named.get(), IPP_TAG_JOB, IPP_TAG_KEYWORD, "media", nullptr, "A3");
    EXPECT_EQ(Joined(JobMedia(named.get())), "iso_a3_297x420mm|");
    IppPtr none(ippNew(), ippDelete);
    EXPECT_EQ(JobMedia(none.get()), "");
}

// The job groups of a Get-Jobs response, whatever the order of their attributes; who is ahead.
TEST(IppValues, JobsOfAResponseAndTheJobsAhead) {
    const IppPtr request(ippNewRequest(IPP_OP_GET_JOBS), ippDelete);
    IppPtr response(ippNewResponse(request.get()), ippDelete);
    ipp_t* r = response.get();
    bool first = true;
    const auto group = [r, &first](int id, int state, int priority, bool priority_first) {
        if (!std::exchange(first, false)) {
            ippAddSeparator(r);
        }
        if (priority_first) {
            ippAddInteger(r, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-priority", priority);
        }
        ippAddInteger(r, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", id);
        ippAddInteger(r, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state", state);
        if (!priority_first) {
            ippAddInteger(r, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-priority", priority);
        }
    };
    group(3, IPP_JSTATE_PENDING, 50, true);
    group(4, IPP_JSTATE_HELD, 90, false);
    group(5, IPP_JSTATE_PROCESSING, 10, true);
    group(7, IPP_JSTATE_PENDING, 60, false);
    group(8, IPP_JSTATE_PENDING, 50, true);
    group(9, IPP_JSTATE_PENDING, 40, false);
    const std::vector<JobEntry> jobs = Jobs(r);
    ASSERT_EQ(jobs.size(), 6u);
    EXPECT_EQ(jobs[1].id, 4);
    EXPECT_EQ(jobs[1].state, IPP_JSTATE_HELD);
    EXPECT_EQ(jobs[3].priority, 60);
    // Job 8 (50): 5 printing, 7 of a higher priority and 3 of the same and a lower number; not 4
    // (held), 9 (lower priority) or itself. Held job 4 (90) waits for 5 alone; 5 itself, printing,
    // for the four pending ones of higher priority.
    const PrintOrder order(jobs);
    EXPECT_EQ(order.Ahead(8, 50), 3);
    EXPECT_EQ(order.Ahead(3, 50), 2);
    EXPECT_EQ(order.Ahead(9, 40), 4);
    EXPECT_EQ(order.Ahead(7, 60), 1);
    EXPECT_EQ(order.Ahead(4, 90), 1);
    EXPECT_EQ(order.Ahead(5, 10), 4);
}

// A dateTime at any distance from UTC is the same moment, whatever the local zone (libcups's
// conversion is not: it goes through the zone stallscan runs in).
TEST(IppValues, DateTimesAtAnyOffsetAsSecondsSince1970) {
    const int64_t utc = 1796631245;  // 2026-12-07 08:14:05 UTC
    const ipp_uchar_t east[11] = {0x07, 0xEA, 12, 7, 9, 14, 5, 0, '+', 1, 0};
    const ipp_uchar_t west[11] = {0x07, 0xEA, 12, 7, 2, 44, 5, 0, '-', 5, 30};
    EXPECT_EQ(DateTimeSeconds(east), utc);
    EXPECT_EQ(DateTimeSeconds(west), utc);
}

}  // namespace
