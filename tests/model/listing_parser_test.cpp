#include "model/listing_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "text/text_functions.h"

namespace {

using namespace std::string_literals;
using stallscan::model::CapturedOutput;
using stallscan::model::ParseListing;
using stallscan::text::FoldCase;
// Entries by key in lower case: keys ignore letter case, and the store keeps no order.
using Entries = std::map<std::string, std::string>;

struct Parsed {
    bool listed;
    std::string name;
    Entries entries;
};

Parsed Parse(CapturedOutput& out) {
    stallscan::model::Entries parsed;
    std::string name = "stale";
    const bool listed = ParseListing(out, name, parsed);
    Entries entries;
    for (const auto& [key, values] : parsed) {
        entries[FoldCase(key)] = values;
    }
    return {listed, name, entries};
}

Parsed Parse(const std::string& text) {
    CapturedOutput out(text);
    return Parse(out);
}

TEST(ListingParser, ReadsOneJobWithItsDocumentsAndStopsAtTheNextObject) {
    const std::string first =
        "srv1:42: job-name = weekly report\r\nsrv1:42: printers-assigned = p1\r\n   p2\r\n"
        "srv1:42.1: document-format = PCL\r\nsrv1:42.2: document-format = simple-text\r\n"
        "srv1:42.2: octet-count = 0\r\n";
    CapturedOutput out(first + "srv1:43: job-name = other\r\n");
    const Parsed job = Parse(out);
    EXPECT_TRUE(job.listed);
    EXPECT_EQ(job.name, "srv1:42");
    const Entries expected{
        {"job-name", "weekly report\0"s}, {"printers-assigned", "p1\0p2\0"s},
        {"1.document-format", "PCL\0"s},  {"2.document-format", "simple-text\0"s},
        {"2.octet-count", "0\0"s},        {"number-of-documents", "2"}};
    EXPECT_EQ(job.entries, expected);
    EXPECT_EQ(out.Tell(), static_cast<int32_t>(first.size()) + 1);
    EXPECT_EQ(Parse(out).entries, (Entries{{"job-name", "other\0"s}}));
    const Parsed end = Parse(out);
    EXPECT_FALSE(end.listed);
    EXPECT_EQ(end.name, "");
}

TEST(ListingParser, LineShapesAndContinuations) {
    for (const std::string& text :
         {""s, "# c\r\n#x: y = z\r\n"s, "s: a = \r\nx: y\r\na = b\r\n\tp: q = r\r\ns: = v\r\n"s}) {
        EXPECT_FALSE(Parse(text).listed) << text;  // no attribute
    }
    const Parsed parsed = Parse(
        "srv1:42  :  job-name   =  a = b: c  \r\n  srv1:43: cont = inued\r\n"
        "srv1:42: tab = \tx\t\r\n# comment\r\n  y\r\n\r\n      \r\nother line\r\n"
        "srv1:42: empty = \r\n  z\r\nsrv1:42: Job-Name = again\r\n");
    EXPECT_EQ(parsed.name, "srv1:42");
    EXPECT_EQ(parsed.entries,
              (Entries{{"tab", "\tx\t\0y\0"s}, {"empty", "z\0"s}, {"job-name", "again\0"s}}));
    EXPECT_EQ(Parse("srv1:42: job-name = a = b: c\r\n  srv1:43: x = y\r\n").entries,
              (Entries{{"job-name", "a = b: c\0srv1:43: x = y\0"s}}));
}

TEST(ListingParser, DocumentNumbers) {
    const Parsed docs = Parse(
        "j:1: job-name = n\r\nj:1.1: job-name = d1\r\nj:1.3: f = y\r\nj:1: late = z\r\n"
        "j:1.-3: b = 2\r\nj:1.: d = 4\r\nj:1.x: e = 5\r\n");
    // A main-object line after document lines keeps the current document number.
    const Entries expected{{"job-name", "n\0"s}, {"1.job-name", "d1\0"s},
                           {"3.f", "y\0"s},      {"3.late", "z\0"s},
                           {"-3.b", "2\0"s},     {"d", "4\0"s},
                           {"x.e", "5\0"s},      {"number-of-documents", "3"}};
    EXPECT_EQ(docs.entries, expected);
    EXPECT_EQ(Parse("j:1: a = 1\r\nj:1.99999999999: c = 3\r\n").entries["number-of-documents"],
              "2147483647");
}

// (Megabyte lines and 100,000 documents: tests/e2e.)
TEST(ListingParser, HostileInputNeitherCrashesNorHangs) {
    const Parsed nuls = Parse("s\0: a\0 = \0v\r\n\0\r\ns\0: b = \xff\xfe"s);
    EXPECT_EQ(nuls.name, "s\0"s);
    EXPECT_EQ(nuls.entries, (Entries{{"a\0"s, "\0v\0"s}, {"b", "\xff\xfe\0"s}}));
    // A lone CR is no line end.
    EXPECT_EQ(Parse("s: a = 1\rs: b = 2\r\n").entries, (Entries{{"a", "1\rs: b = 2\0"s}}));

    // Comments between continuations: the value is stored whole, once.
    std::string many = "s: a = x\r\n";
    for (int i = 0; i < 200000; ++i) {
        many += "  y\r\n#\r\n";
    }
    ASSERT_EQ(Parse(many).entries.at("a").size(), 2u + 200000u * 2u);
}

}  // namespace
