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

TEST(KvlsModelFile, AttributesDirectivesAndDocumentSections) {
    const kvls::ModelObject o = kvls::ParseObjectText(
        "\xEF\xBB\xBF# printer\r\n"
        "Domain = D1\r\n"
        "formats = PCL\n"
        "# a comment between values\n"
        "\n"
        "    simple-text\n"
        "\t postscript  \n"
        "sides = one\n"
        "formats = pdf\n"
        "domain = D2\n"
        "server = srv1\n"
        "message =\n"
        "eq = a = b : \"c\"\n"
        "[document 3]\n"
        "document-format = PCL\n"
        "  simple-text\n"
        "domain = not-a-directive-here\n"
        "[ Document 1 ]\n"
        "octet-count = 0\n"
        "[job]\n"
        "sides = two\n"
        "[document 3]\n"
        "octet-count = 5\n"
        "  \n");
    EXPECT_EQ(Names(o.attrs), (Strings{"formats", "sides", "message", "eq"}));
    EXPECT_EQ(ValuesOf(o.attrs, "formats"), (Strings{"PCL", "simple-text", "postscript", "pdf"}));
    EXPECT_EQ(ValuesOf(o.attrs, "sides"), (Strings{"one", "two"}));
    EXPECT_EQ(ValuesOf(o.attrs, "message"), Strings{});
    EXPECT_EQ(ValuesOf(o.attrs, "eq"), Strings{"a = b : \"c\""});
    EXPECT_EQ(o.domains, (Strings{"D1", "D2"}));
    EXPECT_EQ(o.server, "srv1");
    EXPECT_TRUE(o.InDomain(""));
    EXPECT_TRUE(o.InDomain("D2"));
    EXPECT_FALSE(o.InDomain("d2"));
    EXPECT_FALSE(kvls::ParseObjectText("a = 1").InDomain("D1"));
    ASSERT_EQ(o.documents.size(), 2u);  // ascending by number
    EXPECT_EQ(o.documents[0].number, 1);
    EXPECT_EQ(o.documents[1].number, 3);
    const kvls::AttrSet& d3 = o.FindDocument(3)->attrs;
    EXPECT_EQ(ValuesOf(d3, "document-format"), (Strings{"PCL", "simple-text"}));
    EXPECT_EQ(ValuesOf(d3, "domain"), Strings{"not-a-directive-here"});
    EXPECT_EQ(ValuesOf(d3, "octet-count"), Strings{"5"});
    EXPECT_EQ(o.FindDocument(2), nullptr);
    EXPECT_TRUE(o.warnings.empty());
}

TEST(KvlsModelFile, OddLinesAreSkippedWithAWarningEach) {
    const kvls::ModelObject o = kvls::ParseObjectText(
        "   orphan continuation\n"
        "no equals sign\n"
        "= no name\n"
        "a = 1\n"
        "broken line\n"
        "  2\n"
        "[document 0]\n"
        "b = skipped\n"
        "[document x]\n"
        "[document 99999999999]\n"
        "c = skipped\n");
    EXPECT_EQ(Names(o.attrs), Strings{"a"});
    EXPECT_EQ(ValuesOf(o.attrs, "a"), Strings{"1"});  // "2" continued the skipped line
    EXPECT_TRUE(o.documents.empty());
    EXPECT_EQ(o.warnings.size(), 8u);  // every skipped line but those of skipped sections
    EXPECT_EQ(o.warnings[0].rfind("line 1: ", 0), 0u);
}

}  // namespace
