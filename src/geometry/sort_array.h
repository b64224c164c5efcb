// TQSortArray: a growable array of fixed-size elements, kept in the order of
// a caller-supplied comparison and searched by bisection. The program uses it
// as a set of distinct records (vertex and normal sets of the exchange code).
//
// Elements are copied in and out byte for byte; the array never looks inside
// them except through the comparison.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace kelanim {

class TQSortArray {
public:
    // Negative, 0, positive for `a` before, equal to, after `b`.
    using compare_fn = std::int32_t (*)(const void* a, const void* b);
    // The same, for callers that need their own state (captured in the closure).
    using compare_method_fn = std::function<std::int32_t(const void* a, const void* b)>;

    // `item_size` is the byte size of one element (at least 1, or
    // std::invalid_argument is thrown); the array grows by `delta` elements
    // at a time, at least 1.
    TQSortArray(std::int32_t item_size, std::int32_t delta);

    std::int32_t item_size() const { return item_size_; }
    std::int32_t count() const { return count_; }
    std::int32_t delta() const { return delta_; }
    std::int32_t capacity() const { return capacity_; }
    std::int32_t byte_size() const { return capacity_ * item_size_; }

    // The address of element i, or nullptr when i < 0 or i >= count.
    void* item_at(std::int32_t i);
    const void* item_at(std::int32_t i) const;

    // Copies `item_size` bytes from `item` to the end. When `sorted` is set and
    // the new element compares below the one before it, the array is re-sorted.
    void append(const void* item);

    // Inserts the item at its place in the order and returns that place. An
    // item equal to elements already held goes in front of the first of them.
    std::int32_t add_sorted(const void* item);

    // Position of the first element equal to the item, or -1.
    std::int32_t index_of(const void* item) const;

    // Position of the first element equal to the item; when none is equal,
    // the position where the item belongs (or, with `high`, the one before
    // it). -1 for an empty array.
    std::int32_t find_insert(const void* item, bool high) const;

    // Shrinks only: n below count becomes the count; n = 0 also gives the
    // block back and leaves room for `delta` elements. Other n change nothing.
    void set_count(std::int32_t n);

    // Exchanges elements i and j when both are valid.
    void swap(std::int32_t i, std::int32_t j);

    // Sorts the elements ascending by the comparison. Elements that compare
    // equal keep their relative order.
    void sort();

    // Re-sort after an append that breaks the order.
    bool sorted = false;
    // Compare through `compare_method` instead of `compare`.
    bool use_method = false;
    // With no comparison set, elements compare by their bytes.
    compare_fn compare = nullptr;
    compare_method_fn compare_method;

private:
    std::int32_t compare_items(const void* a, const void* b) const;
    // Makes room for one more element, keeping one slot free.
    void grow_if_full();
    std::uint8_t* slot(std::int32_t i) { return items_.data() + std::size_t(i) * std::size_t(item_size_); }
    const std::uint8_t* slot(std::int32_t i) const
    {
        return items_.data() + std::size_t(i) * std::size_t(item_size_);
    }

    std::vector<std::uint8_t> items_;  // capacity_ * item_size_ bytes
    std::int32_t item_size_;
    std::int32_t count_ = 0;
    std::int32_t delta_;
    std::int32_t capacity_;
};

}  // namespace kelanim
