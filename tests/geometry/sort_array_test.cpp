#include "geometry/sort_array.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace kelanim {
namespace {

// Ordered by `key` alone, so equal elements can still be told apart by `tag`.
struct Keyed { std::int32_t key, tag; };
using Ints = std::vector<std::int32_t>;

TQSortArray keyed_array(std::int32_t delta, const Ints& appended = {})
{
    TQSortArray a(sizeof(Keyed), delta);
    a.compare = [](const void* p, const void* q) {
        Keyed x, y;
        std::memcpy(&x, p, sizeof x);
        std::memcpy(&y, q, sizeof y);
        return (x.key > y.key) - (x.key < y.key);
    };
    for (std::int32_t k : appended) {
        const Keyed item{k, 0};
        a.append(&item);
    }
    return a;
}

// The keys, or with `tags` the tags, in array order.
Ints keys(const TQSortArray& a, bool tags = false)
{
    Ints out(std::size_t(a.count()));
    for (std::int32_t i = 0; i < a.count(); ++i)
        std::memcpy(&out[std::size_t(i)], static_cast<const char*>(a.item_at(i)) + (tags ? offsetof(Keyed, tag) : 0),
                    4);
    return out;
}

TEST(SortArray, AddSortedPutsEqualsInFrontOfTheirRunAndSearchesFindTheRunsFirst)
{
    TQSortArray a = keyed_array(2);  // small delta: insertions cross several growths
    Ints places;
    for (const Keyed& k : {Keyed{50, 0}, {90, 0}, {10, 0}, {50, 1}, {50, 2}, {70, 0}, {90, 1}}) places.push_back(a.add_sorted(&k));
    EXPECT_EQ(places, (Ints{0, 1, 0, 1, 1, 4, 5}));
    EXPECT_EQ(keys(a), (Ints{10, 50, 50, 50, 70, 90, 90}));
    EXPECT_EQ(keys(a, true), (Ints{0, 2, 1, 0, 0, 1, 0}));
    Keyed probe{5, 0};
    EXPECT_EQ((Ints{keyed_array(4).find_insert(&probe, false), keyed_array(4).index_of(&probe)}), (Ints{-1, -1}));  // empty
    TQSortArray b = keyed_array(4, {1, 3, 3, 3, 3, 3, 3, 3, 8, 9});
    struct Row { std::int32_t key, low, high, index; };
    for (const Row& r : {Row{3, 1, 1, 1}, Row{5, 8, 7, -1}, Row{0, 0, -1, -1}, Row{10, 10, 9, -1}}) {
        probe.key = r.key;
        EXPECT_EQ((Ints{b.find_insert(&probe, false), b.find_insert(&probe, true), b.index_of(&probe)}),
                  (Ints{r.low, r.high, r.index}))
            << r.key;
    }
}

// Indices outside the elements are never touched; a sorted array re-sorts
// when an appended element breaks its order.
TEST(SortArray, IndicesOutsideTheElementsAreNeverTouchedAndOrderFollowsTheChosenComparison)
{
    TQSortArray a = keyed_array(3, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_TRUE(!keyed_array(3).item_at(0) && !a.item_at(-1) && !a.item_at(10));
    for (auto [i, j] : {std::pair{0, 2}, {0, 10}, {-1, 1}}) a.swap(i, j);
    for (std::int32_t n : {50, -1, 4}) a.set_count(n);
    EXPECT_EQ(keys(a), (Ints{2, 1, 0, 3}));
    a.sort();
    a.sorted = true;
    for (const Keyed item : {Keyed{-1, 0}, Keyed{7, 0}}) a.append(&item);
    EXPECT_EQ(keys(a), (Ints{-1, 0, 1, 2, 3, 7}));
    a.set_count(0);
    const Keyed last{42, 0};
    a.append(&last);
    EXPECT_EQ(keys(a), Ints{42});
    // Comparing through a method (descending here), or by the elements' bytes, with a delta of 0.
    TQSortArray method(sizeof(std::int32_t), 0);
    method.use_method = true;
    method.compare_method = [](const void* x, const void* y) { return -std::memcmp(x, y, 1); };  // small values: the low byte decides
    for (std::int32_t v : {3, 9, 1, 7}) method.add_sorted(&v);
    ASSERT_EQ(method.count(), 4);
    EXPECT_EQ(std::memcmp(method.item_at(0), Ints{9, 7, 3, 1}.data(), 16), 0);
    TQSortArray bytes(3, 4);
    for (const char* s : {"bcd", "abc", "bca"}) bytes.add_sorted(s);
    EXPECT_EQ(std::memcmp(bytes.item_at(0), "abcbcabcd", 9), 0);
    EXPECT_EQ(bytes.index_of("bca"), 1);
    EXPECT_THROW(TQSortArray(0, 10), std::invalid_argument);
}

}  // namespace
}  // namespace kelanim
