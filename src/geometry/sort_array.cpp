#include "geometry/sort_array.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>
#include <ranges>
#include <stdexcept>

namespace kelanim {

TQSortArray::TQSortArray(std::int32_t item_size, std::int32_t delta)
    : item_size_(item_size), delta_(delta > 0 ? delta : 1), capacity_(delta_)
{
    if (item_size < 1) throw std::invalid_argument("TQSortArray: element size must be at least 1 byte");
    items_.resize(std::size_t(capacity_) * std::size_t(item_size_));
}

void* TQSortArray::item_at(std::int32_t i)
{
    if (i < 0 || i >= count_) return nullptr;
    return slot(i);
}

const void* TQSortArray::item_at(std::int32_t i) const
{
    if (i < 0 || i >= count_) return nullptr;
    return slot(i);
}

std::int32_t TQSortArray::compare_items(const void* a, const void* b) const
{
    if (use_method && compare_method) return compare_method(a, b);
    if (!use_method && compare) return compare(a, b);
    return std::memcmp(a, b, std::size_t(item_size_));
}

void TQSortArray::grow_if_full()
{
    if (count_ + 1 < capacity_) return;
    const std::int64_t grown = std::int64_t(capacity_) + delta_;
    if (grown * item_size_ > std::numeric_limits<std::int32_t>::max())
        throw std::length_error("TQSortArray: the array cannot grow any further");
    capacity_ = std::int32_t(grown);
    items_.resize(std::size_t(capacity_) * std::size_t(item_size_));
}

void TQSortArray::append(const void* item)
{
    grow_if_full();
    std::memcpy(slot(count_), item, std::size_t(item_size_));
    ++count_;
    if (sorted && count_ >= 2 && compare_items(slot(count_ - 1), slot(count_ - 2)) < 0) sort();
}

std::int32_t TQSortArray::add_sorted(const void* item)
{
    if (count_ == 0 || compare_items(item, slot(count_ - 1)) > 0) {
        append(item);
        return count_ - 1;
    }
    grow_if_full();
    const std::int32_t p = find_insert(item, false);
    std::memmove(slot(p + 1), slot(p), std::size_t(count_ - p) * std::size_t(item_size_));
    std::memcpy(slot(p), item, std::size_t(item_size_));
    ++count_;
    return p;
}

std::int32_t TQSortArray::find_insert(const void* item, bool high) const
{
    if (count_ == 0) return -1;
    // The first element not below the item: on a sorted array this is the
    // first of a run of equal elements, or the place the item belongs.
    std::int32_t lo = 0, hi = count_;
    while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        if (compare_items(item, slot(mid)) > 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < count_ && compare_items(item, slot(lo)) == 0) return lo;
    return high ? lo - 1 : lo;
}

std::int32_t TQSortArray::index_of(const void* item) const
{
    const std::int32_t p = find_insert(item, false);
    if (p < 0 || p >= count_ || compare_items(item, slot(p)) != 0) return -1;
    return p;
}

void TQSortArray::set_count(std::int32_t n)
{
    if (n < 0 || n >= count_) return;
    count_ = n;
    if (n == 0) {
        capacity_ = delta_;
        items_.assign(std::size_t(capacity_) * std::size_t(item_size_), 0);
        items_.shrink_to_fit();
    }
}

void TQSortArray::swap(std::int32_t i, std::int32_t j)
{
    if (i < 0 || j < 0 || i >= count_ || j >= count_ || i == j) return;
    std::swap_ranges(slot(i), slot(i) + item_size_, slot(j));
}

void TQSortArray::sort()
{
    if (count_ < 2) return;
    // Sort positions, then lay the elements out in the new order. A stable
    // merge sort stays inside the array even if a comparison is inconsistent.
    std::vector<std::int32_t> order(static_cast<std::size_t>(count_));
    std::iota(order.begin(), order.end(), 0);
    std::ranges::stable_sort(order,
                             [&](std::int32_t a, std::int32_t b) { return compare_items(slot(a), slot(b)) < 0; });
    std::vector<std::uint8_t> reordered(items_.size());
    for (std::int32_t i = 0; i < count_; ++i)
        std::memcpy(reordered.data() + std::size_t(i) * std::size_t(item_size_), slot(order[std::size_t(i)]),
                    std::size_t(item_size_));
    items_.swap(reordered);
}

}  // namespace kelanim
