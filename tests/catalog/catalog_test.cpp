#include "catalog/catalog.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "catalog/catalog_values.h"
#include "catalog_test_files.h"

namespace kelanim {
namespace {

using test::catalog_xml;
using test::write_text_file;

// The table lives on the heap in the tests: 600 records are large for a stack.
std::unique_ptr<catalog_table> empty_table() { return std::make_unique<catalog_table>(); }

TEST(CatalogGeneration, ChoosesTheSectionByVersionCode)
{
    // Code 2 is TR1's Unfinished Business, code 4 a TR2 level whose name holds ".TRG".
    const char* const expected[] = {"", "TR1", "TR1", "TR2", "TR2", "TR3", "TR4", "TRC", ""};
    for (std::int32_t code = 0; code <= 8; ++code) EXPECT_EQ(catalog_generation(code), expected[code]) << code;
    EXPECT_EQ(catalog_generation(-1), "");
}

TEST(MoveableName, UsesTheTableBelow600AndTheDefaultAbove)
{
    auto table = empty_table();
    (*table)[599].name = "LAST";
    EXPECT_EQ(moveable_name(*table, 599), "LAST");
    EXPECT_EQ(moveable_name(*table, 600), "Moveable Id#600");
    EXPECT_EQ(moveable_name(*table, 4294967295u), "Moveable Id#4294967295");
}

TEST(ReadCatalog, ResetsEveryEntryButKeepsTheAdjustmentsItDoesNotReset)
{
    auto table = empty_table();
    for (auto& r : *table) r = {"OLD", 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    // A missing file, or a folder, is no catalog: the table stays.
    read_catalog(*table, test::output_dir("catalog") / "absent.xml", 6);
    read_catalog(*table, test::output_dir("catalog"), 6);
    EXPECT_EQ((*table)[3].name, "OLD");
    read_catalog(*table, write_text_file("no-section.xml", catalog_xml({{"TR1", "<m ID=\"0\" NAME=\"A\"/>"}})), 6);
    for (std::size_t id = 0; id < catalog_size; ++id) {
        const tmovable_record& r = (*table)[id];
        EXPECT_EQ(r.name, "Moveable Id#" + std::to_string(id));
        EXPECT_EQ(r.id2, -1);
        EXPECT_EQ(r.use_body_from, -1);
        EXPECT_EQ(r.y_adjust, 0);
        EXPECT_EQ(r.level_index, 1);
        EXPECT_EQ(r.x_adjust, 7);
    }
}

TEST(ReadCatalog, ReadsEveryAttributeOfTheMatchingSection)
{
    auto table = empty_table();
    const auto path = write_text_file(
        "full.xml",
        catalog_xml({{"TR3", "<m ID=\"1\" NAME=\"WRONG\"/>"},
                     {"TR4", "<m ID=\"1\" NAME=\"ONE\" ID2=\"5\" USE_BODY_FROM=\"6\" Y_ADJUST=\"1.5\" "
                             "X_ADJUST=\"-2\" Z_ADJUST=\"3e1\" RX_ADJUST=\".25\" RY_ADJUST=\"+4.\" "
                             "RZ_ADJUST=\"5.5\" AI=\"9\"/>\n"
                             // "none" and -1 keep what the entry had; a missing adjustment sets it to 0
                             "<m ID=\"2\" NAME=\"TWO\" ID2=\"5\" USE_BODY_FROM=\"6\" X_ADJUST=\"12.5\" AI=\"4\"/>\n"
                             "<m ID=\"2\" NAME=\"none\" ID2=\"-1\" USE_BODY_FROM=\"-1\"/>"}}));
    read_catalog(*table, path, 6);
    const tmovable_record& r = (*table)[1];
    EXPECT_EQ(r.name, "ONE");
    EXPECT_EQ(r.id2, 5);
    EXPECT_EQ(r.use_body_from, 6);
    EXPECT_FLOAT_EQ(r.y_adjust, 1.5f);
    EXPECT_FLOAT_EQ(r.x_adjust, -2.f);
    EXPECT_FLOAT_EQ(r.z_adjust, 30.f);
    EXPECT_FLOAT_EQ(r.rx_adjust, 0.25f);
    EXPECT_FLOAT_EQ(r.ry_adjust, 4.f);
    EXPECT_FLOAT_EQ(r.rz_adjust, 5.5f);
    EXPECT_EQ(r.ai, 9);
    const tmovable_record& two = (*table)[2];
    EXPECT_EQ(two.name, "TWO");
    EXPECT_EQ(two.id2, 5);
    EXPECT_EQ(two.use_body_from, 6);
    EXPECT_EQ(two.x_adjust, 0);
    EXPECT_EQ(two.ai, 0);
}

// Which entries name which ids; every id not listed keeps the default name.
TEST(ReadCatalog, EntryRules)
{
    struct Case {
        const char* what;
        const char* entries;
        std::map<std::size_t, std::string> names;
    };
    const Case cases[] = {
        {"attribute names in any case, the last of two wins",
         "<m id=\"2\" name=\"lower\"/><m Id=\"3\" NaMe=\"first\" NAME=\"second\"/><m id=\"4\" ID=\"5\" NAME=\"moved\"/>",
         {{2, "lower"}, {3, "second"}, {5, "moved"}}},
        {"entries written with an end tag are skipped",
         "<m ID=\"1\" NAME=\"OPEN\"></m><m ID=\"2\" NAME=\"EMPTY\"/>", {{2, "EMPTY"}}},
        {"only the exact word none means no name",
         "<m ID=\"7\" NAME=\"SEVEN\"/><m ID=\"7\" NAME=\"none\"/><m ID=\"8\" NAME=\"none\"/><m ID=\"9\" NAME=\"None\"/>",
         {{7, "SEVEN"}, {9, "None"}}},
        {"ids missing or outside 0 to 599 are ignored",
         "<m NAME=\"NO_ID\"/><m ID=\"-1\" NAME=\"NEG\"/><m ID=\"600\" NAME=\"BIG\"/>"
         "<m ID=\"599\" NAME=\"LAST\"/><m ID=\"0\" NAME=\"FIRST\"/>",
         {{0, "FIRST"}, {599, "LAST"}}},
    };
    auto table = empty_table();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        read_catalog(*table, write_text_file("rules.xml", catalog_xml({{"TR4", c.entries}})), 6);
        for (std::size_t id = 0; id < catalog_size; ++id) {
            const auto named = c.names.find(id);
            ASSERT_EQ((*table)[id].name, named != c.names.end() ? named->second : "Moveable Id#" + std::to_string(id)) << id;
        }
    }
}

TEST(ReadCatalog, FollowsTheDepthAndSectionRules)
{
    auto table = empty_table();
    const std::string text =
        "<catalog>\n"
        // game elements below the root's children are not sections
        "  <wrap><game v=\"TR4\"><moveables><m ID=\"1\" NAME=\"DEEP_GAME\"/></moveables></game></wrap>\n"
        // the generation lives in the FIRST attribute, whatever its name, matched exactly
        "  <game other=\"x\" v=\"TR4\"><moveables><m ID=\"2\" NAME=\"SECOND_ATTR\"/></moveables></game>\n"
        "  <game v=\"tr4\"><moveables><m ID=\"3\" NAME=\"LOWER\"/></moveables></game>\n"
        "  <game><moveables><m ID=\"4\" NAME=\"NO_ATTR\"/></moveables></game>\n"
        // a matching game without moveables lets the reader go on
        "  <game v=\"TR4\"><m ID=\"5\" NAME=\"OUTSIDE_MOVEABLES\"/><other><moveables>"
        "<m ID=\"6\" NAME=\"DEEP_MOVEABLES\"/></moveables></other></game>\n"
        "  <game v=\"TR4\"><moveables>\n"
        "     <group><m ID=\"7\" NAME=\"NESTED\"/></group>\n"
        "     <m ID=\"8\" NAME=\"PLAIN\"/>\n"
        "  </moveables>\n"
        "  <m ID=\"9\" NAME=\"AFTER_MOVEABLES\"/></game>\n"
        // only the first matching section with moveables is read
        "  <game v=\"TR4\"><moveables><m ID=\"10\" NAME=\"LATER\"/></moveables></game>\n"
        "</catalog>\n";
    read_catalog(*table, write_text_file("depth.xml", text), 6);
    for (int id : {1, 2, 3, 4, 5, 6, 9, 10})
        EXPECT_EQ((*table)[id].name, "Moveable Id#" + std::to_string(id)) << id;
    EXPECT_EQ((*table)[7].name, "NESTED");
    EXPECT_EQ((*table)[8].name, "PLAIN");
}

TEST(ReadCatalog, MalformedXmlKeepsTheEntriesReadSoFar)
{
    auto table = empty_table();
    read_catalog(*table,
                 write_text_file("broken.xml", "<?xml version=\"1.0\"?><c><game v=\"TR1\"><moveables>"
                                               "<m ID=\"0\" NAME=\"LARA\"/><m ID=\"1\" NAME=\"WOLF\"/>"
                                               "<m ID=\"2\" NAME=<<broken/><m ID=\"3\" NAME=\"LATE\"/>"),
                 1);
    EXPECT_EQ((*table)[1].name, "WOLF");
    EXPECT_EQ((*table)[2].name, "Moveable Id#2");
    EXPECT_EQ((*table)[3].name, "Moveable Id#3");

    // A file cut short mid-section.
    read_catalog(*table, write_text_file("cut.xml", "<c><game v=\"TR1\"><moveables><m ID=\"4\" NAME=\"CUT\"/>"), 1);
    EXPECT_EQ((*table)[4].name, "CUT");
    EXPECT_EQ((*table)[0].name, "Moveable Id#0");  // the new read reset it

    // An empty file is a catalog that names nothing.
    (*table)[4].name = "OLD";
    read_catalog(*table, write_text_file("empty-catalog.xml", ""), 1);
    EXPECT_EQ((*table)[4].name, "Moveable Id#4");
}

TEST(ReadCatalog, ConversionErrorsCarryTheMessageAndKeepEarlierEntries)
{
    auto table = empty_table();
    const auto path = write_text_file(
        "bad-number.xml", catalog_xml({{"TR3", "<m ID=\"1\" NAME=\"KEPT\"/>\n<m NAME=\"LOST\" ID=\"1x\"/>\n"
                                               "<m ID=\"3\" NAME=\"NOT_REACHED\"/>"}}));
    try {
        read_catalog(*table, path, 5);
        FAIL() << "expected a conversion error";
    } catch (const conversion_error& e) {
        EXPECT_STREQ(e.what(), "'1x' is not a valid integer value");
    }
    EXPECT_EQ((*table)[1].name, "KEPT");
    EXPECT_EQ((*table)[3].name, "Moveable Id#3");
}

// Numbers in the C locale's forms only, the whole text, within range.
TEST(CatalogValues, IntegersAndFloatingPointNumbers)
{
    EXPECT_EQ(catalog_integer("-12"), -12);
    EXPECT_EQ(catalog_integer(" +42 "), 42);
    EXPECT_EQ(catalog_integer("-2147483648"), -2147483647 - 1);
    EXPECT_FLOAT_EQ(catalog_float("-0.5"), -0.5f);
    EXPECT_FLOAT_EQ(catalog_float(" +1e2 "), 100.f);
    auto message = [](auto convert, const char* text) {
        try {
            convert(text);
        } catch (const conversion_error& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    for (const char* bad : {"", "x", "1.0", "0x10", "12a", "+-1", "-", "2147483648", "1 2"})
        EXPECT_EQ(message(catalog_integer, bad), std::string("'") + bad + "' is not a valid integer value");
    for (const char* bad : {"", "abc", "1,5", "nan", "-inf", "1e99", "0x1p3", "1.5f"})
        EXPECT_EQ(message(catalog_float, bad), std::string("'") + bad + "' is not a valid floating point value");
}

}  // namespace
}  // namespace kelanim
