#include "geometry/node_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace kelanim {
namespace {

using List = Tlistmem<int>;
using Names = std::vector<std::string>;

List& add_all(List& list, std::initializer_list<const char*> names)
{
    int value = 0;
    for (const char* name : names) list.add(name, std::make_unique<int>(value++));
    return list;
}

// The entries as names, "-" for an empty one.
Names entries(const List& list)
{
    Names out;
    for (std::int32_t i = 0; i < list.count(); ++i) out.push_back(list.name_at(i) ? *list.name_at(i) : "-");
    return out;
}

// Deleting twice or out of range does nothing; iteration runs from the end,
// skipping empty entries.
TEST(NodeList, UnsortedListReusesTheMostRecentlyFreedEntryPacksAndIteratesFromTheEnd)
{
    List list;
    add_all(list, {"a", "b", "c", "x"});
    for (std::int32_t i : {0, 2, 2, 17}) list.delete_at(i);
    EXPECT_EQ(list.data_at(-1), list.data_at(0));  // out of range and empty: nullptr
    using Indices = std::vector<std::int32_t>;
    EXPECT_EQ((Indices{list.add("d", std::make_unique<int>(4)), list.add("e", std::make_unique<int>(5)),
                       list.add("f", std::make_unique<int>(6))}),
              (Indices{2, 0, 4}));
    list.rename(3, "z");
    list.delete_at(1);
    list.rename(1, "y");  // empty: nothing
    EXPECT_EQ(entries(list), (Names{"e", "-", "d", "z", "f"}));
    list.pack();
    EXPECT_EQ(entries(list), (Names{"e", "d", "z", "f"}));
    EXPECT_EQ(list.free_count(), 0);
    for (std::int32_t i : {3, 1}) list.delete_at(i);
    std::vector<int> seen;
    for (list.last(); !list.eof(); list.prior()) seen.push_back(*list.current_data());
    EXPECT_EQ(seen, (std::vector<int>{3, 5}));
    list.last();
    list.save_position();
    list.prior();
    list.restore_position();
    EXPECT_EQ(*list.current_data(), 3);
    for (std::int32_t i : {0, 2}) list.delete_at(i);
    list.last();
    EXPECT_TRUE(list.eof() && !list.current_data());
}

// A sorted list holds its empty entries in front, its nodes in byte order.
TEST(NodeList, SortedListKeepsEmptyEntriesInFrontAndFindsTheFirstOfEqualNamesOrNumericKeys)
{
    List list;
    list.sorted = true;
    add_all(list, {"pear", "k", "apple", "k", "\xE9t\xE9", "B"});
    EXPECT_EQ(entries(list), (Names{"B", "apple", "k", "k", "pear", "\xE9t\xE9"}));
    list.delete_at(4);  // pear; its empty entry moves to the front
    list.delete_at(1);  // B
    EXPECT_EQ(entries(list), (Names{"-", "-", "apple", "k", "k", "\xE9t\xE9"}));
    EXPECT_EQ(list.free_slots(), (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(list.add("banana", std::make_unique<int>(9)), 2);
    EXPECT_EQ(*list.data_of("banana"), 9);
    EXPECT_EQ(list.data_of("nothing"), nullptr);
    // Name; index_of_name and found; insert_position and found.
    struct Row { const char* name; std::int32_t index; bool found; std::int32_t position; bool found_place; };
    for (const Row& r : {Row{"k", 3, true, 3, true}, Row{"b", -1, false, 2, false}, Row{"l", -1, false, 5, false},
                         Row{"\xFF", -1, false, 6, false}, Row{"0", -1, false, 1, false}}) {
        const std::int32_t index = list.index_of_name(r.name);
        const bool found = list.found;
        EXPECT_EQ((std::tuple{index, found, list.insert_position(r.name), list.found}),
                  (std::tuple{r.index, r.found, r.position, r.found_place}))
            << r.name;
    }
    // Only empty entries: no position; a single node: the position still follows the order.
    List one;
    one.sorted = true;
    add_all(one, {"gone"}).delete_at(0);
    one.found = true;
    EXPECT_EQ((std::pair{one.insert_position("x"), one.found}), (std::pair{-1, false}));
    add_all(one, {"m", "b"}).delete_at(0);
    EXPECT_EQ((std::vector<std::int32_t>{one.insert_position("a"), one.insert_position("m"), one.insert_position("z")}),
              (std::vector<std::int32_t>{1, 1, 2}));
    // Numeric keys are right-aligned so that they sort numerically, never cut.
    EXPECT_EQ((Names{int_to_key(7, 6), int_to_key(12345678, 6), int_to_key(-42, 4)}), (Names{"     7", "12345678", " -42"}));
}

}  // namespace
}  // namespace kelanim
