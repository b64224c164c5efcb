#include "geometry/sort_array.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace kelanim {
namespace {

// An element whose order looks only at `key`, so equal elements can still be
// told apart by `tag`.
struct Keyed {
    std::int32_t key;
    std::int32_t tag;
};

std::int32_t by_key(const void* a, const void* b)
{
    Keyed x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    return (x.key > y.key) - (x.key < y.key);
}

TQSortArray keyed_array(std::int32_t delta = 4)
{
    TQSortArray a(sizeof(Keyed), delta);
    a.compare = by_key;
    return a;
}

Keyed at(const TQSortArray& a, std::int32_t i)
{
    Keyed k;
    std::memcpy(&k, a.item_at(i), sizeof k);
    return k;
}

std::int32_t add_sorted(TQSortArray& a, std::int32_t key, std::int32_t tag = 0)
{
    const Keyed k{key, tag};
    return a.add_sorted(&k);
}

void append(TQSortArray& a, std::int32_t key)
{
    const Keyed k{key, 0};
    a.append(&k);
}

std::vector<std::int32_t> keys(const TQSortArray& a)
{
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i < a.count(); ++i) out.push_back(at(a, i).key);
    return out;
}

TEST(SortArray, GrowsWithADeltaOfZeroAndRejectsElementsOfNoSize)
{
    TQSortArray one(4, 0);
    for (std::int32_t v = 1; v <= 3; ++v) one.append(&v);
    ASSERT_EQ(one.count(), 3);
    EXPECT_EQ(*static_cast<const std::int32_t*>(one.item_at(2)), 3);
    EXPECT_THROW(TQSortArray(0, 10), std::invalid_argument);
    EXPECT_THROW(TQSortArray(-4, 10), std::invalid_argument);
}

TEST(SortArray, AddSortedKeepsOrderAndPutsEqualsBeforeTheFirstOfTheirRun)
{
    TQSortArray a = keyed_array(2);  // small delta: insertions cross several growths
    EXPECT_EQ(add_sorted(a, 50, 0), 0);
    EXPECT_EQ(add_sorted(a, 90, 0), 1);  // above the last: appended
    EXPECT_EQ(add_sorted(a, 10, 0), 0);
    EXPECT_EQ(add_sorted(a, 50, 1), 1);
    EXPECT_EQ(add_sorted(a, 50, 2), 1);
    EXPECT_EQ(add_sorted(a, 70, 0), 4);
    EXPECT_EQ(keys(a), (std::vector<std::int32_t>{10, 50, 50, 50, 70, 90}));
    // The newest equal element stands in front of the older ones.
    EXPECT_EQ(at(a, 1).tag, 2);
    EXPECT_EQ(at(a, 2).tag, 1);
    EXPECT_EQ(at(a, 3).tag, 0);
}

TEST(SortArray, SearchesFindTheFirstOfARunOrThePlaceAnItemBelongs)
{
    TQSortArray a = keyed_array();
    Keyed probe{5, 0};
    EXPECT_EQ(a.find_insert(&probe, false), -1);
    EXPECT_EQ(a.find_insert(&probe, true), -1);
    EXPECT_EQ(a.index_of(&probe), -1);

    for (std::int32_t k : {1, 3, 3, 3, 3, 3, 3, 3, 8, 9}) append(a, k);
    probe.key = 3;
    EXPECT_EQ(a.find_insert(&probe, false), 1);
    EXPECT_EQ(a.find_insert(&probe, true), 1);
    EXPECT_EQ(a.index_of(&probe), 1);

    probe.key = 5;  // between 3 and 8
    EXPECT_EQ(a.find_insert(&probe, false), 8);
    EXPECT_EQ(a.find_insert(&probe, true), 7);
    EXPECT_EQ(a.index_of(&probe), -1);

    probe.key = 0;  // below everything
    EXPECT_EQ(a.find_insert(&probe, false), 0);
    EXPECT_EQ(a.find_insert(&probe, true), -1);
    probe.key = 10;  // above everything
    EXPECT_EQ(a.find_insert(&probe, false), 10);
    EXPECT_EQ(a.index_of(&probe), -1);
}

// Indices outside the elements are never touched.
TEST(SortArray, ItemAtSwapAndSetCountStayInsideTheElements)
{
    TQSortArray a = keyed_array(3);
    EXPECT_EQ(a.item_at(0), nullptr);
    for (std::int32_t k = 0; k < 10; ++k) append(a, k);
    EXPECT_EQ(a.item_at(-1), nullptr);
    EXPECT_EQ(a.item_at(10), nullptr);
    a.swap(0, 2);
    a.swap(0, 10);
    a.swap(-1, 1);
    EXPECT_EQ(keys(a), (std::vector<std::int32_t>{2, 1, 0, 3, 4, 5, 6, 7, 8, 9}));

    a.set_count(50);
    a.set_count(-1);
    EXPECT_EQ(a.count(), 10);
    a.set_count(4);
    EXPECT_EQ(keys(a), (std::vector<std::int32_t>{2, 1, 0, 3}));
    EXPECT_EQ(a.item_at(4), nullptr);
    a.set_count(0);
    append(a, 42);
    EXPECT_EQ(keys(a), std::vector<std::int32_t>{42});
}

TEST(SortArray, SortedAppendReSortsWhenTheOrderBreaks)
{
    TQSortArray a = keyed_array();
    for (std::int32_t k : {5, 1, 4}) append(a, k);
    EXPECT_EQ(keys(a), (std::vector<std::int32_t>{5, 1, 4}));  // not asked to keep order
    a.sort();
    EXPECT_EQ(keys(a), (std::vector<std::int32_t>{1, 4, 5}));
    a.sorted = true;
    append(a, 2);
    append(a, 9);
    EXPECT_EQ(keys(a), (std::vector<std::int32_t>{1, 2, 4, 5, 9}));
}

// Ordering through a method with its own state, and without any comparison
// by the elements' bytes.
TEST(SortArray, ComparesThroughAMethodOrByTheElementsBytes)
{
    TQSortArray a(sizeof(std::int32_t), 8);
    a.use_method = true;
    a.compare_method = [](const void* x, const void* y) {  // descending
        std::int32_t p, q;
        std::memcpy(&p, x, 4);
        std::memcpy(&q, y, 4);
        return (q > p) - (q < p);
    };
    for (std::int32_t v : {3, 9, 1, 7}) a.add_sorted(&v);
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0; i < a.count(); ++i) out.push_back(*static_cast<const std::int32_t*>(a.item_at(i)));
    EXPECT_EQ(out, (std::vector<std::int32_t>{9, 7, 3, 1}));

    TQSortArray bytes(3, 4);
    for (const char* s : {"bcd", "abc", "bca"}) bytes.add_sorted(s);
    const char* const sorted[] = {"abc", "bca", "bcd"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(std::memcmp(bytes.item_at(i), sorted[i], 3), 0) << i;
    EXPECT_EQ(bytes.index_of("bca"), 1);
}

}  // namespace
}  // namespace kelanim
