#include "model_file.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

// "name=value;value;" of each attribute in order, blank-separated.
std::string Dump(const kvls::AttrSet& attrs) {
    std::string text;
    for (const kvls::Attribute& a : attrs.items()) {
        text += (text.empty() ? "" : " ") + a.name + "=";
        for (const std::string& v : a.values) text += v + ";";
    }
    return text;
}

TEST(KvlsModelFile, AttributesDirectivesAndDocumentSections) {
    const kvls::ModelObject o = kvls::ParseObjectText(
        "\xEF\xBB\xBF# printer\r\nDomain = D1\r\nformats = PCL\n# a comment between values\n\n"
        "    simple-text\n\t postscript  \nsides = one\nformats = pdf\ndomain = D2\n"
        "server = srv1\nmessage =\neq = a = b : \"c\"\n"
        "[document 3]\ndocument-format = PCL\n  simple-text\ndomain = not-a-directive-here\n"
        "[ Document 1 ]\noctet-count = 0\n[job]\nsides = two\n[document 3]\noctet-count = 5\n  \n");
    EXPECT_EQ(Dump(o.attrs),
              "formats=PCL;simple-text;postscript;pdf; sides=one;two; message= eq=a = b : \"c\";");
    EXPECT_EQ(o.domains, (Strings{"D1", "D2"}));
    EXPECT_EQ(o.server, "srv1");
    ASSERT_EQ(o.documents.size(), 2u);  // ascending by number
    EXPECT_EQ(o.documents[0].number, 1);
    EXPECT_EQ(Dump(o.documents[0].attrs), "octet-count=0;");
    EXPECT_EQ(Dump(o.FindDocument(3)->attrs),
              "document-format=PCL;simple-text; domain=not-a-directive-here; octet-count=5;");
    EXPECT_EQ(o.FindDocument(2), nullptr);
    EXPECT_TRUE(o.warnings.empty());
}

TEST(KvlsModelFile, OddLinesAreSkippedWithAWarningEach) {
    const kvls::ModelObject o = kvls::ParseObjectText(
        "   orphan continuation\nno equals sign\n= no name\na = 1\nbroken line\n  2\n"
        "[document 0]\nb = skipped\n[document x]\n[document 99999999999]\nc = skipped\n");
    EXPECT_EQ(Dump(o.attrs), "a=1;");  // "2" continued the skipped line
    EXPECT_TRUE(o.documents.empty());
    EXPECT_EQ(o.warnings.size(), 8u);  // every skipped line but those of skipped sections
    EXPECT_EQ(o.warnings[0].rfind("line 1: ", 0), 0u);
}

}  // namespace
