#include "model_file.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

Strings ValuesOf(const kvls::AttrSet& attrs, std::string_view name) {
    const Strings* v = attrs.ValuesOf(name);
    return v == nullptr ? Strings{"<absent>"} : *v;
}

Strings Names(const kvls::AttrSet& attrs) {
    Strings names;
    for (const kvls::Attribute& a : attrs.items()) names.push_back(a.name);
    return names;
}

TEST(KvlsModelFile, AttributesRepeatedLinesContinuationsAndComments) {
    const kvls::ModelObject o = kvls::ParseObjectText(
        "\xEF\xBB\xBF# printer\r\n"
        "printer-state = idle\r\n"
        "formats = PCL\n"
        "# a comment between values\n"
        "\n"
        "    simple-text\n"
        "\t postscript  \n"
        "sides = one\n"
        "formats = pdf\n"
        "sides = two\n"
        "message =\n"
        "eq = a = b : \"c\"\n"
        "  \n");
    EXPECT_EQ(Names(o.attrs), (Strings{"printer-state", "formats", "sides", "message", "eq"}));
    EXPECT_EQ(ValuesOf(o.attrs, "formats"), (Strings{"PCL", "simple-text", "postscript", "pdf"}));
    EXPECT_EQ(ValuesOf(o.attrs, "sides"), (Strings{"one", "two"}));
    EXPECT_EQ(ValuesOf(o.attrs, "message"), Strings{});
    EXPECT_EQ(ValuesOf(o.attrs, "eq"), Strings{"a = b : \"c\""});
    EXPECT_TRUE(o.warnings.empty());
}

TEST(KvlsModelFile, DirectivesAreNotAttributes) {
    const kvls::ModelObject o =
        kvls::ParseObjectText("Domain = D1\ndomain = D2\nserver = srv1\njob-identifier = 42\n");
    EXPECT_EQ(o.domains, (Strings{"D1", "D2"}));
    EXPECT_EQ(o.server, "srv1");
    EXPECT_EQ(Names(o.attrs), Strings{"job-identifier"});
    EXPECT_TRUE(o.InDomain(""));
    EXPECT_TRUE(o.InDomain("D2"));
    EXPECT_FALSE(o.InDomain("d2"));
    EXPECT_FALSE(kvls::ParseObjectText("a = 1").InDomain("D1"));
}

TEST(KvlsModelFile, DocumentSectionsInAscendingOrder) {
    const kvls::ModelObject o = kvls::ParseObjectText(
        "job-name = x\n"
        "[document 3]\n"
        "document-format = PCL\n"
        "  simple-text\n"
        "domain = not-a-directive-here\n"
        "[ Document 1 ]\n"
        "octet-count = 0\n"
        "[job]\n"
        "job-state = held\n"
        "[document 3]\n"
        "octet-count = 5\n");
    EXPECT_EQ(Names(o.attrs), (Strings{"job-name", "job-state"}));
    ASSERT_EQ(o.documents.size(), 2u);
    EXPECT_EQ(o.documents[0].number, 1);
    EXPECT_EQ(o.documents[1].number, 3);
    const kvls::AttrSet& d3 = o.FindDocument(3)->attrs;
    EXPECT_EQ(ValuesOf(d3, "document-format"), (Strings{"PCL", "simple-text"}));
    EXPECT_EQ(ValuesOf(d3, "domain"), Strings{"not-a-directive-here"});
    EXPECT_EQ(ValuesOf(d3, "octet-count"), Strings{"5"});
    EXPECT_TRUE(o.domains.empty());
    EXPECT_EQ(o.FindDocument(2), nullptr);
}

TEST(KvlsModelFile, OddLinesAreSkippedWithWarnings) {
    const kvls::ModelObject o = kvls::ParseObjectText(
        "   orphan continuation\n"
        "no equals sign\n"
        "= no name\n"
        "a = 1\n"
        "[document 0]\n"
        "b = skipped\n"
        "[document x]\n"
        "[document 99999999999]\n"
        "c = skipped\n");
    EXPECT_EQ(Names(o.attrs), Strings{"a"});
    EXPECT_TRUE(o.documents.empty());
    EXPECT_EQ(o.warnings.size(), 6u);
    EXPECT_EQ(o.warnings[0].rfind("line 1: ", 0), 0u);
}

TEST(KvlsModelFile, ContinuationAfterASkippedLineIsNotAttached) {
    const kvls::ModelObject o = kvls::ParseObjectText("a = 1\nbroken line\n  2\n");
    EXPECT_EQ(ValuesOf(o.attrs, "a"), Strings{"1"});
}

}  // namespace
