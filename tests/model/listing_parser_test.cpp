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

Parsed Parse(const std::string& text) {
    CapturedOutput out(text);
    stallscan::model::Entries parsed;
    std::string name = "stale";
    const bool listed = ParseListing(out, name, parsed);
    Entries entries;
    for (const auto& [key, values] : parsed) {
        entries[FoldCase(key)] = values;
    }
    return {listed, name, entries};
}

// (A job with its documents and continuations, and listings of several objects, each read whole
// and stopping at the next: every demo report and job list of tests/e2e.)
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
    // (A number beyond 32 bits counts as the highest: tests/listing, through ParseObjects.)
}

// (Megabyte lines and 100,000 documents: tests/e2e.)
TEST(ListingParser, HostileInputNeitherCrashesNorHangs) {
    const Parsed nuls = Parse("s\0: a\0 = \0v\r\n\0\r\ns\0: b = \xff\xfe"s);
    EXPECT_EQ(nuls.name, "s\0"s);
    EXPECT_EQ(nuls.entries, (Entries{{"a\0"s, "\0v\0"s}, {"b", "\xff\xfe\0"s}}));
    // (A lone CR, no line end, reaches the report whole: tests/e2e, odd bytes.)

    // Comments between continuations: the value is stored whole, once.
    std::string many = "s: a = x\r\n";
    for (int i = 0; i < 200000; ++i) {
        many += "  y\r\n#\r\n";
    }
    ASSERT_EQ(Parse(many).entries.at("a").size(), 2u + 200000u * 2u);
}

}  // namespace
