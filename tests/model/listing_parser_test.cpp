#include "model/listing_parser.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;
using Entries = std::vector<std::pair<std::string, std::string>>;

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

Entries KeyedItems(const clsStringList& list) {
    Entries items;
    for (int32_t i = 1; i <= list.Count(); ++i) {
        items.emplace_back(list.KeyAt(i), list.Item(i));
    }
    return items;
}

struct Parsed {
    int32_t result;
    std::string name;
    Entries entries;
};

Parsed Parse(clsKvOutput& out) {
    clsStringList list;
    std::string name = "stale";
    const int32_t result = basPosixCtl::ParseListing(out, name, list);
    return {result, name, KeyedItems(list)};
}

Parsed Parse(const std::string& text) {
    clsKvOutput out;
    out.Init(text);
    return Parse(out);
}

TEST(ListingParser, ReadsOneJobWithItsDocumentsAndStopsAtTheNextObject) {
    clsKvOutput out;
    const std::string first = Lines({
        "srv1:42: job-name = weekly report",
        "srv1:42: printers-assigned = p1",
        "   p2",
        "srv1:42.1: document-format = PCL",
        "srv1:42.2: document-format = simple-text",
        "srv1:42.2: octet-count = 0",
    });
    out.Init(first + Lines({"srv1:43: job-name = other"}));

    const Parsed job = Parse(out);
    EXPECT_EQ(job.result, 0);
    EXPECT_EQ(job.name, "srv1:42");
    EXPECT_EQ(job.entries, (Entries{{"job-name", "weekly report\0"s},
                                    {"printers-assigned", "p1\0p2\0"s},
                                    {"1.document-format", "PCL\0"s},
                                    {"2.document-format", "simple-text\0"s},
                                    {"2.octet-count", "0\0"s},
                                    {"number-of-documents", "2"}}));
    EXPECT_EQ(out.OTell(), static_cast<int32_t>(first.size()) + 1);

    const Parsed next = Parse(out);
    EXPECT_EQ(next.name, "srv1:43");
    EXPECT_EQ(next.entries, (Entries{{"job-name", "other\0"s}}));
    const Parsed end = Parse(out);
    EXPECT_EQ(end.result, 900);
    EXPECT_EQ(end.name, "");
}

TEST(ListingParser, ListingsWithoutAttributeLinesGiveNoEntry) {
    for (const std::string& text : {""s, Lines({"# comment", "#x: y = z"}),
                                    Lines({"srv1: job-name = ", "x: y", "a = b", "\tp: q = r"})}) {
        const Parsed parsed = Parse(text);
        EXPECT_EQ(parsed.result, 900) << text;
        EXPECT_TRUE(parsed.entries.empty()) << text;
    }
    EXPECT_EQ(Parse("").name, "");
}

TEST(ListingParser, EarlierEntriesCountForTheResult) {
    clsKvOutput out;
    out.Init(Lines({"# nothing"}));
    clsStringList list;
    list.Add("kept", "k");
    std::string name;
    EXPECT_EQ(basPosixCtl::ParseListing(out, name, list), 0);
    EXPECT_EQ(list.Count(), 1);
}

TEST(ListingParser, LineShapes) {
    const Parsed parsed = Parse(Lines({
        "srv1:42  :  job-name   =  a = b: c  ",
        "  srv1:43: leading = blank",
        "srv1:42: tab = \tx\t",
        "srv1:42: empty = ",
        "",
        "      ",
        "srv1:42: cr = x\ry",
    }));
    EXPECT_EQ(parsed.name, "srv1:42");
    EXPECT_EQ(parsed.entries, (Entries{{"job-name", "a = b: c\0srv1:43: leading = blank\0"s},
                                       {"tab", "\tx\t\0"s},
                                       {"cr", "x\ry\0"s}}));
}

TEST(ListingParser, ContinuationValuesCollectAcrossCommentsAndEmptyLines) {
    // The entry is stored when its values end, after the later attribute.
    const Parsed parsed = Parse(Lines({
        "s: a = 1",
        "s: b = 2",
        "# between",
        "  3",
        "",
        "  4",
        "other line",
    }));
    EXPECT_EQ(parsed.entries, (Entries{{"a", "1\0"s},
                                       {"b",
                                        "2\0"
                                        "3\0"
                                        "4\0"s}}));

    // An attribute line with an empty first value still collects its continuations.
    EXPECT_EQ(Parse(Lines({"s: a = ", "  x"})).entries, (Entries{{"a", "x\0"s}}));
    // Continuations before any attribute belong to nothing.
    EXPECT_EQ(Parse(Lines({"  x", "s: a = 1"})).entries, (Entries{{"a", "1\0"s}}));
}

TEST(ListingParser, RepeatedKeysMoveToTheEnd) {
    const Parsed parsed = Parse(Lines({"s: a = 1", "s: b = 2", "s: A = 3"}));
    EXPECT_EQ(parsed.entries, (Entries{{"b", "2\0"s}, {"A", "3\0"s}}));
}

TEST(ListingParser, DocumentNumbers) {
    const Parsed gaps = Parse(Lines({"j:1.1: f = x", "j:1.3: f = y", "j:1: job-name = n"}));
    // The first line names the main object, so "j:1.1" is the main object here.
    EXPECT_EQ(gaps.name, "j:1.1");

    const Parsed docs = Parse(
        Lines({"j:1: job-name = n", "j:1.1: job-name = d1", "j:1.3: f = y", "j:1: late = z"}));
    // A main-object line after document lines keeps the current document number.
    EXPECT_EQ(docs.entries, (Entries{{"job-name", "n\0"s},
                                     {"1.job-name", "d1\0"s},
                                     {"3.f", "y\0"s},
                                     {"3.late", "z\0"s},
                                     {"number-of-documents", "3"}}));

    const Parsed hostile = Parse(Lines(
        {"j:1: a = 1", "j:1.-3: b = 2", "j:1.99999999999: c = 3", "j:1.: d = 4", "j:1.x: e = 5"}));
    EXPECT_EQ(hostile.entries, (Entries{{"a", "1\0"s},
                                        {"-3.b", "2\0"s},
                                        {"99999999999.c", "3\0"s},
                                        {"d", "4\0"s},
                                        {"x.e", "5\0"s},
                                        {"number-of-documents", "2147483647"}}));
    // Negative or missing numbers give no count.
    const Parsed negative = Parse(Lines({"j:1: a = 1", "j:1.-3: b = 2"}));
    EXPECT_EQ(negative.entries.back().first, "-3.b");
}

TEST(ListingParser, HostileBytesNeitherCrashNorHang) {
    const std::string big(1 << 20, 'v');
    const Parsed longLine = Parse(Lines({"s: a = " + big, " " + big, "s: b" + big}));
    ASSERT_EQ(longLine.entries.size(), 1u);
    EXPECT_EQ(longLine.entries[0].second.size(), 2 * big.size() + 2);

    const Parsed nuls = Parse(Lines({"s\0: a\0 = \0v"s, "\0"s, "s\0: b = \xff\xfe"s}));
    EXPECT_EQ(nuls.name, "s\0"s);
    EXPECT_EQ(nuls.entries, (Entries{{"a\0"s, "\0v\0"s}, {"b", "\xff\xfe\0"s}}));

    // A lone CR is no line end: one line, whose value keeps the CR.
    const Parsed cr = Parse("s: a = 1\rs: b = 2\r\n");
    EXPECT_EQ(cr.entries, (Entries{{"a", "1\rs: b = 2\0"s}}));
    // No CR LF at all.
    EXPECT_EQ(Parse("s: a = 1").entries, (Entries{{"a", "1\0"s}}));

    // Many lines that each end nothing: values stay whole and parsing stays linear.
    std::string many = "s: a = x\r\n";
    for (int i = 0; i < 200000; ++i) {
        many += "  y\r\n#\r\n";
    }
    const Parsed repeated = Parse(many);
    ASSERT_EQ(repeated.entries.size(), 1u);
    EXPECT_EQ(repeated.entries[0].second.size(), 2u + 200000u * 2u);
}

TEST(ListingParser, ManyDocuments) {
    std::string text = "srv:7: job-name = big\r\n";
    for (int d = 1; d <= 100000; ++d) {
        text += "srv:7." + std::to_string(d) + ": document-format = PCL\r\n";
    }
    const Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.entries.size(), 100002u);
    EXPECT_EQ(parsed.entries[1],
              (std::pair<std::string, std::string>{"1.document-format", "PCL\0"s}));
    EXPECT_EQ(parsed.entries.back(),
              (std::pair<std::string, std::string>{"number-of-documents", "100000"}));
}

}  // namespace
