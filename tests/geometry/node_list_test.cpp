#include "geometry/node_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kelanim {
namespace {

using List = Tlistmem<int>;

std::int32_t add(List& list, const std::string& name, int value)
{
    return list.add(name, std::make_unique<int>(value));
}

// The entries as names, "-" for an empty one.
std::vector<std::string> entries(const List& list)
{
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < list.count(); ++i) out.push_back(list.name_at(i) ? *list.name_at(i) : "-");
    return out;
}

TEST(NodeList, UnsortedListReusesTheMostRecentlyFreedEntry)
{
    List list;
    add(list, "a", 1);
    add(list, "b", 2);
    add(list, "c", 3);
    list.delete_at(0);
    list.delete_at(2);
    list.delete_at(2);   // already empty: nothing
    list.delete_at(17);  // out of range: nothing
    EXPECT_EQ(list.free_slots(), (std::vector<std::int32_t>{0, 2}));
    EXPECT_EQ(add(list, "d", 4), 2);
    EXPECT_EQ(add(list, "e", 5), 0);
    EXPECT_EQ(add(list, "f", 6), 3);
    EXPECT_EQ(entries(list), (std::vector<std::string>{"e", "b", "d", "f"}));
}

TEST(NodeList, SortedListKeepsEmptyEntriesInFrontAndReusesThem)
{
    List list;
    list.sorted = true;
    add(list, "pear", 1);
    add(list, "apple", 2);
    add(list, "fig", 3);
    EXPECT_EQ(entries(list), (std::vector<std::string>{"apple", "fig", "pear"}));

    list.delete_at(2);  // pear; its empty entry moves to the front
    EXPECT_EQ(entries(list), (std::vector<std::string>{"-", "apple", "fig"}));
    list.delete_at(2);  // fig
    EXPECT_EQ(entries(list), (std::vector<std::string>{"-", "-", "apple"}));
    EXPECT_EQ(list.free_slots(), (std::vector<std::int32_t>{0, 1}));

    EXPECT_EQ(add(list, "banana", 4), 2);
    EXPECT_EQ(entries(list), (std::vector<std::string>{"-", "apple", "banana"}));
    EXPECT_EQ(list.free_slots(), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(*list.data_of("banana"), 4);

    // Names compare byte by byte, case-sensitive.
    List bytes;
    bytes.sorted = true;
    for (const char* name : {"b", "B", "ab", "a", "\xE9t\xE9"}) add(bytes, name, 0);
    EXPECT_EQ(entries(bytes), (std::vector<std::string>{"B", "a", "ab", "b", "\xE9t\xE9"}));
}

TEST(NodeList, NameSearchesFindTheFirstOfEqualNames)
{
    List list;
    list.sorted = true;
    add(list, "k", 1);
    add(list, "k", 2);
    add(list, "m", 3);
    add(list, "a", 4);
    list.delete_at(0);  // an empty entry in front must not disturb the searches
    EXPECT_EQ(entries(list), (std::vector<std::string>{"-", "k", "k", "m"}));

    EXPECT_EQ(list.index_of_name("k"), 1);
    EXPECT_TRUE(list.found);
    EXPECT_EQ(list.index_of_name("b"), -1);
    EXPECT_FALSE(list.found);

    EXPECT_EQ(list.insert_position("k"), 1);
    EXPECT_TRUE(list.found);
    EXPECT_EQ(list.insert_position("l"), 3);
    EXPECT_FALSE(list.found);
    EXPECT_EQ(list.insert_position("z"), 4);
    EXPECT_EQ(list.insert_position("0"), 1);
    EXPECT_EQ(list.data_of("nothing"), nullptr);
}

TEST(NodeList, InsertPositionWithOneNodeOrNone)
{
    List list;
    list.sorted = true;
    EXPECT_EQ(list.insert_position("x"), -1);
    add(list, "gone", 0);
    list.delete_at(0);
    list.found = true;
    EXPECT_EQ(list.insert_position("x"), -1);  // only empty entries
    EXPECT_FALSE(list.found);

    add(list, "m", 1);  // reuses entry 0: one node
    add(list, "b", 2);
    list.delete_at(0);  // b: leaves one empty entry and one node
    // A single node does not answer for every name: the position follows the order.
    EXPECT_EQ(list.insert_position("a"), 1);
    EXPECT_EQ(list.insert_position("m"), 1);
    EXPECT_TRUE(list.found);
    EXPECT_EQ(list.insert_position("z"), 2);
    EXPECT_FALSE(list.found);
}

TEST(NodeList, DataAtRenameAndPackOnlyTouchEntriesHoldingANode)
{
    List list;
    for (int v = 0; v < 4; ++v) add(list, std::string(1, char('a' + v)), v);
    list.delete_at(1);
    list.delete_at(3);
    EXPECT_EQ(list.data_at(1), nullptr);
    EXPECT_EQ(list.data_at(-1), nullptr);
    EXPECT_EQ(list.data_at(4), nullptr);
    EXPECT_EQ(*list.data_at(2), 2);
    list.rename(2, "z");
    list.rename(1, "y");  // empty: nothing
    EXPECT_EQ(entries(list), (std::vector<std::string>{"a", "-", "z", "-"}));
    list.pack();
    EXPECT_EQ(entries(list), (std::vector<std::string>{"a", "z"}));
    EXPECT_EQ(list.free_count(), 0);
    EXPECT_EQ(add(list, "e", 9), 2);
    list.clear();
    EXPECT_EQ(list.count(), 0);
}

TEST(NodeList, IteratesFromTheEndSkippingEmptyEntries)
{
    List list;
    list.last();
    EXPECT_TRUE(list.eof());
    EXPECT_EQ(list.current_data(), nullptr);
    for (int v = 0; v < 5; ++v) add(list, "n" + std::to_string(v), v);
    list.delete_at(4);
    list.delete_at(2);
    list.delete_at(0);

    std::vector<int> seen;
    for (list.last(); !list.eof(); list.prior()) seen.push_back(*list.current_data());
    EXPECT_EQ(seen, (std::vector<int>{3, 1}));
    EXPECT_EQ(list.current, 1);  // prior from the lowest node only sets the end

    list.last();
    list.save_position();
    list.prior();
    EXPECT_EQ(*list.current_data(), 1);
    list.restore_position();
    EXPECT_EQ(*list.current_data(), 3);

    // Only empty entries: nothing to visit.
    list.delete_at(1);
    list.delete_at(3);
    list.last();
    EXPECT_EQ(list.current, -1);
    EXPECT_TRUE(list.eof());
    EXPECT_EQ(list.current_data(), nullptr);
}

TEST(NodeList, IntToKeyRightAlignsSoKeysSortNumerically)
{
    EXPECT_EQ(int_to_key(7, 6), "     7");
    EXPECT_EQ(int_to_key(123456, 6), "123456");
    EXPECT_EQ(int_to_key(12345678, 6), "12345678");  // never cut
    EXPECT_EQ(int_to_key(-42, 4), " -42");

    List list;
    list.sorted = true;
    for (int id : {100, 9, 25, 0, 9999}) add(list, int_to_key(id, 6), id);
    std::vector<int> order;
    for (std::int32_t i = 0; i < list.count(); ++i) order.push_back(*list.data_at(i));
    EXPECT_EQ(order, (std::vector<int>{0, 9, 25, 100, 9999}));
}

}  // namespace
}  // namespace kelanim
