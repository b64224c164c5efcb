#include "catalog/catalog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <tuple>

#include "catalog/catalog_file.h"
#include "catalog/catalog_values.h"
#include "catalog/xml_tokenizer.h"
#include "realdata.h"

namespace kelanim {
namespace {

std::filesystem::path write_text_file(const std::string& name, const std::string& text)
{
    const std::filesystem::path path = test::output_dir("catalog") / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(XmlTokenizer, HandsOutEveryTagBeforeTheEndOrAFaultAndNoneAfter)
{
    const auto secret = write_text_file("secret.txt", "SECRET");
    const struct {
        std::string text, tags;
        bool malformed;
    } cases[] = {
        {"<?xml version=\"1.0\"?>\n<!-- c --><r>text<?pi x?><a/><b></b><![CDATA[<c/>]]><d x=\"1\"> <e/> </d>"
         "<m Z=\"1\" a=\"&amp;&#65;&lt;\" ID=' 2 '/></r>",
         "S r\nE a\nS b\n/ b\nS d x=1\nE e\n/ d\nE m Z=1 a=&A< ID= 2 \n/ r\n", false},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r n=\"\xe9\"/>", "E r n=\xc3\xa9\n", false},
        {std::string("\xff\xfe<\0r\0/\0>\0", 10), "E r\n", false},  // UTF-16 with a byte order mark
        {"<!DOCTYPE r [<!ENTITY s SYSTEM \"" + secret.string() + "\">]><r><m n=\"&s;\"/></r>", "S r\n", true},
        {"<r><a/><b x=\"1\"/><c <<< /><d/></r>", "S r\nE a\nE b x=1\n", true},
        {"<r><a/></x><b/>", "S r\nE a\n", true},
        {"<r><a/><b n=\"unterminated", "S r\nE a\n", true},
        {"", "", true},
        {std::string("\0\x01\x02\xff\xfe\x00", 6), "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        XmlTokenizer xml(write_text_file("tags.xml", c.text));
        ASSERT_TRUE(xml.is_open());
        std::string tags;  // per tag a line: S (start tag), E (empty-element tag) or / (end tag), name, attributes
        while (xml.next()) {
            tags += xml.kind() == xml_tag_kind::start_tag ? "S " : xml.kind() == xml_tag_kind::empty_tag ? "E " : "/ ";
            tags += xml.name();
            for (const auto& a : xml.attributes()) tags += " " + a.name + "=" + a.value;
            tags += "\n";
        }
        EXPECT_EQ(tags, c.tags);
        EXPECT_EQ(xml.malformed(), c.malformed);
        EXPECT_FALSE(xml.next());  // stays finished
    }
}

// A catalog whose TR4 section holds `entries` (raw XML), after a TR3 section not to be read.
std::string tr4_catalog(const std::string& entries)
{
    return "<?xml version=\"1.0\"?>\n<catalog><game version=\"TR3\"><moveables><m ID=\"1\" NAME=\"WRONG\"/>"
           "</moveables></game>\n<game version=\"TR4\"><moveables>\n" + entries + "\n</moveables></game></catalog>\n";
}

// Every field of a record, in order.
auto fields(const tmovable_record& r)
{
    return std::tie(r.name, r.id2, r.use_body_from, r.y_adjust, r.x_adjust, r.z_adjust, r.rx_adjust, r.ry_adjust,
                    r.rz_adjust, r.ai, r.level_index);
}

// The message of the conversion error `read` raises, empty if none.
template <class Read>
std::string error_of(Read read)
{
    try { read(); } catch (const conversion_error& e) { return e.what(); }
    return "";
}

TEST(CatalogGeneration, ChoosesTheSectionByVersionCodeAndNamesByTheTable)
{
    // Code 2 is TR1's Unfinished Business, code 4 a TR2 level whose name holds ".TRG".
    const char* const expected[] = {"", "", "TR1", "TR1", "TR2", "TR2", "TR3", "TR4", "TRC", ""};
    for (std::int32_t code = -1; code <= 8; ++code) EXPECT_EQ(catalog_generation(code), expected[code + 1]) << code;

    auto table = std::make_unique<catalog_table>();  // 600 records are large for a stack
    (*table)[599].name = "LAST";
    EXPECT_EQ(moveable_name(*table, 599), "LAST");
    EXPECT_EQ(moveable_name(*table, 600), "Moveable Id#600");
}

TEST(ReadCatalog, ResetsEveryEntryThenWritesEveryAttributeOfTheMatchingSection)
{
    auto table = std::make_unique<catalog_table>();
    for (auto& r : *table) r = {"OLD", 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    // A missing file, or a folder, is no catalog: the table stays.
    for (const auto& path : {test::output_dir("catalog") / "absent.xml", test::output_dir("catalog")}) read_catalog(*table, path, 6);
    EXPECT_EQ(fields((*table)[3]), std::make_tuple("OLD", 7, 7, 7.f, 7.f, 7.f, 7.f, 7.f, 7.f, 7, 7));
    // The reset keeps the adjustments but y.
    read_catalog(*table, write_text_file("other.xml", tr4_catalog("")), 1);
    for (std::size_t id = 0; id < catalog_size; ++id)
        ASSERT_EQ(fields((*table)[id]), std::make_tuple(default_moveable_name(id), -1, -1, 0.f, 7.f, 7.f, 7.f, 7.f, 7.f, 7, 1));

    const std::string entries =
        "<m ID=\"1\" NAME=\"ONE\" ID2=\"5\" USE_BODY_FROM=\"6\" Y_ADJUST=\"1.5\" X_ADJUST=\"-2\" Z_ADJUST=\"3e1\" "
        "RX_ADJUST=\".25\" RY_ADJUST=\"+4.\" RZ_ADJUST=\"5.5\" AI=\"9\"/>"
        // "none" and -1 keep what the entry had; a missing adjustment writes 0
        "<m ID=\"2\" NAME=\"TWO\" ID2=\"5\" USE_BODY_FROM=\"6\" X_ADJUST=\"1\" AI=\"4\"/>"
        "<m ID=\"2\" NAME=\"none\" ID2=\"-1\" USE_BODY_FROM=\"-1\"/>";
    read_catalog(*table, write_text_file("full.xml", tr4_catalog(entries)), 6);
    EXPECT_EQ(fields((*table)[1]), std::make_tuple("ONE", 5, 6, 1.5f, -2.f, 30.f, .25f, 4.f, 5.5f, 9, 1));
    EXPECT_EQ(fields((*table)[2]), std::make_tuple("TWO", 5, 6, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0, 1));
}

// Which ids each catalog names, read one after the other into one table;
// every id not listed has its default name. A bad number ends the read with its message.
TEST(ReadCatalog, NamesOnlyTheEntriesOfTheFirstMatchingSection)
{
    const struct {
        const char* what;
        std::string text;
        std::map<std::size_t, std::string> names;
        std::string error = {};
    } cases[] = {
        {"entry rules",
         tr4_catalog(// attribute names in any case, the last of two wins
                     "<m id=\"2\" name=\"lower\"/><m Id=\"3\" NaMe=\"first\" NAME=\"second\"/><m id=\"4\" ID=\"5\" NAME=\"moved\"/>"
                     // entries written with an end tag are skipped
                     "<m ID=\"1\" NAME=\"OPEN\"></m><m ID=\"6\" NAME=\"EMPTY\"/>"
                     // only the exact word none means no name
                     "<m ID=\"7\" NAME=\"SEVEN\"/><m ID=\"7\" NAME=\"none\"/><m ID=\"8\" NAME=\"none\"/><m ID=\"9\" NAME=\"None\"/>"
                     // ids missing or outside 0 to 599 are ignored
                     "<m NAME=\"NO_ID\"/><m ID=\"-1\" NAME=\"NEG\"/><m ID=\"600\" NAME=\"BIG\"/><m ID=\"599\" NAME=\"LAST\"/>"
                     "<m ID=\"0\" NAME=\"FIRST\"/>"),
         {{0, "FIRST"}, {2, "lower"}, {3, "second"}, {5, "moved"}, {6, "EMPTY"}, {7, "SEVEN"}, {9, "None"}, {599, "LAST"}}},
        {"sections are children of the root named by their first attribute, exactly",
         "<catalog><wrap><game v=\"TR4\"><moveables><m ID=\"1\" NAME=\"X\"/></moveables></game></wrap>\n"
         "<game other=\"x\" v=\"TR4\"><moveables><m ID=\"2\" NAME=\"X\"/></moveables></game>\n"
         "<game v=\"tr4\"><moveables><m ID=\"3\" NAME=\"X\"/></moveables></game>\n"
         "<game><moveables><m ID=\"4\" NAME=\"X\"/></moveables></game>\n"
         // a matching game without moveables lets the reader go on; it stops at the end of the first moveables
         "<game v=\"TR4\"><m ID=\"5\" NAME=\"X\"/><o><moveables><m ID=\"6\" NAME=\"X\"/></moveables></o></game>\n"
         "<game v=\"TR4\"><moveables><g><m ID=\"7\" NAME=\"NESTED\"/></g><m ID=\"8\" NAME=\"PLAIN\"/></moveables>\n"
         "<m ID=\"9\" NAME=\"X\"/></game><game v=\"TR4\"><moveables><m ID=\"10\" NAME=\"X\"/></moveables></game></catalog>",
         {{7, "NESTED"}, {8, "PLAIN"}}},
        {"malformed XML keeps the entries read so far",
         "<?xml version=\"1.0\"?><c><game v=\"TR4\"><moveables><m ID=\"0\" NAME=\"LARA\"/><m ID=\"1\" NAME=\"WOLF\"/>"
         "<m ID=\"2\" NAME=<<broken/><m ID=\"3\" NAME=\"LATE\"/>",
         {{0, "LARA"}, {1, "WOLF"}}},
        {"a bad number ends the read", tr4_catalog("<m ID=\"1\" NAME=\"KEPT\"/><m NAME=\"LOST\" ID=\"1x\"/><m ID=\"3\" NAME=\"NO\"/>"),
         {{1, "KEPT"}}, "'1x' is not a valid integer value"},
    };
    auto table = std::make_unique<catalog_table>();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto path = write_text_file("rules.xml", c.text);
        EXPECT_EQ(error_of([&] { read_catalog(*table, path, 6); }), c.error);
        for (std::uint32_t id = 0; id < catalog_size; ++id)
            ASSERT_EQ((*table)[id].name, c.names.contains(id) ? c.names.at(id) : default_moveable_name(id)) << id;
    }
}

// Numbers in the C locale's forms only, the whole text, within range.
TEST(CatalogValues, IntegersAndFloatingPointNumbers)
{
    EXPECT_EQ(catalog_integer("-12"), -12);
    EXPECT_EQ(catalog_integer(" +42 "), 42);
    EXPECT_EQ(catalog_integer("-2147483648"), -2147483647 - 1);
    EXPECT_FLOAT_EQ(catalog_float("-0.5"), -0.5f);
    EXPECT_FLOAT_EQ(catalog_float(" +1e2 "), 100.f);
    for (const std::string bad : {"", "x", "1.0", "0x10", "12a", "+-1", "-", "2147483648", "1 2"})
        EXPECT_EQ(error_of([&] { catalog_integer(bad); }), "'" + bad + "' is not a valid integer value");
    for (const std::string bad : {"", "abc", "1,5", "nan", "-inf", "1e99", "0x1p3", "1.5f"})
        EXPECT_EQ(error_of([&] { catalog_float(bad); }), "'" + bad + "' is not a valid floating point value");
}

TEST(CatalogFile, PrefersTheExecutablesFolderThenTheDataFolder)
{
    const auto folder = test::output_dir("catalog/exe");
    const auto beside = write_text_file("exe/trcatalog.xml", "<c/>");
    const auto candidates = catalog_candidates(folder);
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0], beside);
    EXPECT_EQ(candidates[1], (folder / "../share/kelanim/trcatalog.xml").lexically_normal());  // a moved install
    EXPECT_EQ(find_catalog_file(folder), beside);
    EXPECT_TRUE(keeps_data_beside_itself(folder));

    // A folder named like the catalog is not taken for it.
    const auto decoy = test::output_dir("catalog/decoy");
    std::filesystem::create_directories(decoy / "trcatalog.xml");
    EXPECT_FALSE(keeps_data_beside_itself(decoy));
    EXPECT_NE(find_catalog_file(decoy), decoy / "trcatalog.xml");
}

}  // namespace
}  // namespace kelanim
