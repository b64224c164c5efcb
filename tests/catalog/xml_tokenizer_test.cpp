#include "catalog/xml_tokenizer.h"

#include <gtest/gtest.h>

#include "catalog_test_files.h"

namespace kelanim {
namespace {

using test::write_text_file;

// "S name", "E name" (empty-element tag) or "/ name", one line per tag.
std::string tags_of(XmlTokenizer& xml)
{
    std::string out;
    while (xml.next()) {
        out += xml.kind() == xml_tag_kind::start_tag ? "S " : xml.kind() == xml_tag_kind::empty_tag ? "E " : "/ ";
        out += xml.name();
        for (const auto& a : xml.attributes()) out += " " + a.name + "=" + a.value;
        out += "\n";
    }
    return out;
}

TEST(XmlTokenizer, TellsEmptyElementTagsFromStartTagsAndPassesOverTheRest)
{
    XmlTokenizer xml(write_text_file("kinds.xml",
                                     "<?xml version=\"1.0\"?>\n<!-- c --><r>text<?pi x?><a/><b></b>"
                                     "<![CDATA[<c/>]]><d x=\"1\"> <e/> </d></r>"));
    ASSERT_TRUE(xml.is_open());
    EXPECT_EQ(tags_of(xml), "S r\nE a\nS b\n/ b\nS d x=1\nE e\n/ d\n/ r\n");
    EXPECT_FALSE(xml.malformed());
}

TEST(XmlTokenizer, KeepsAttributeOrderAndReplacesReferences)
{
    XmlTokenizer xml(write_text_file("attributes.xml", "<r><m Z=\"1\" a=\"&amp;&#65;&lt;\" ID=' 2 '/></r>"));
    EXPECT_EQ(tags_of(xml), "S r\nE m Z=1 a=&A< ID= 2 \n/ r\n");
}

TEST(XmlTokenizer, ReadsOtherEncodings)
{
    // ISO-8859-1 e-acute comes out as UTF-8.
    XmlTokenizer latin(write_text_file("latin1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r n=\"\xe9\"/>"));
    ASSERT_TRUE(latin.next());
    EXPECT_EQ(latin.attributes().at(0).value, "\xc3\xa9");

    // UTF-16 with a byte order mark.
    std::string utf16 = "\xff\xfe";
    for (char c : std::string("<r n=\"x\"/>")) utf16 += std::string{c, '\0'};
    XmlTokenizer wide(write_text_file("utf16.xml", utf16));
    EXPECT_EQ(tags_of(wide), "E r n=x\n");
}

TEST(XmlTokenizer, HandsOutEveryTagBeforeAFaultAndNoneAfter)
{
    XmlTokenizer xml(write_text_file("fault.xml", "<r><a/><b x=\"1\"/><c <<< /><d/></r>"));
    EXPECT_EQ(tags_of(xml), "S r\nE a\nE b x=1\n");
    EXPECT_TRUE(xml.malformed());
    EXPECT_FALSE(xml.next());  // stays finished

    XmlTokenizer mismatched(write_text_file("mismatch.xml", "<r><a/></x><b/>"));
    EXPECT_EQ(tags_of(mismatched), "S r\nE a\n");
    EXPECT_TRUE(mismatched.malformed());

    XmlTokenizer cut(write_text_file("cut.xml", "<r><a/><b n=\"unterminated"));
    EXPECT_EQ(tags_of(cut), "S r\nE a\n");
    EXPECT_TRUE(cut.malformed());
}

TEST(XmlTokenizer, EmptyAndMissingFiles)
{
    XmlTokenizer empty(write_text_file("empty.xml", ""));
    EXPECT_FALSE(empty.next());

    XmlTokenizer binary(write_text_file("binary.xml", std::string("\0\x01\x02\xff\xfe\x00", 6)));
    EXPECT_FALSE(binary.next());

    XmlTokenizer missing(test::output_dir("catalog") / "no-such-file.xml");
    EXPECT_FALSE(missing.is_open());

    XmlTokenizer folder(test::output_dir("catalog"));
    EXPECT_FALSE(folder.is_open());
}

TEST(XmlTokenizer, DoesNotFetchExternalEntities)
{
    const auto secret = write_text_file("secret.txt", "SECRET");
    XmlTokenizer xml(write_text_file(
        "external.xml", "<!DOCTYPE r [<!ENTITY s SYSTEM \"" + secret.string() + "\">]><r><m n=\"&s;\"/></r>"));
    while (xml.next())
        for (const auto& a : xml.attributes()) EXPECT_EQ(a.value.find("SECRET"), std::string::npos);
}

}  // namespace
}  // namespace kelanim
