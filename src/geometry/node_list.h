// Tlistmem: a list of named nodes, each owning one data record, with reuse of
// deleted slots, an optional order by name, lookup by name and an iteration
// from the end. The texture store, the drawing layer's vertex list and the
// texture repacking's region lists are kept in it.
//
// A deleted node leaves an empty entry behind; the entry is reused by the next
// `add` (the most recently freed first). In name order an empty entry comes
// before any node, so a sorted list holds its empty entries at indices 0 to
// free_count() - 1 and its nodes after them in ascending name order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelanim {

// The decimal value right-aligned in `width` characters, padded with spaces
// on the left; a longer number is kept whole. Keys made this way sort in
// numeric order by name order, for values that are not negative.
std::string int_to_key(std::int64_t value, int width);

template <class T>
struct tnode {
    std::string name;
    std::unique_ptr<T> data;
};

namespace node_order {
// Name order of two entries (null = empty entry): negative, 0, positive.
// Names compare byte by byte, case-sensitive; empty entries come first.
int compare_names(const std::string* a, const std::string* b);
}  // namespace node_order

template <class T>
class Tlistmem {
public:
    Tlistmem() { nodes_.reserve(1024); }

    // Number of entries, empty ones included.
    std::int32_t count() const { return std::int32_t(nodes_.size()); }
    std::int32_t free_count() const { return std::int32_t(free_slots_.size()); }
    // Indices of the empty entries, the most recently freed last.
    const std::vector<std::int32_t>& free_slots() const { return free_slots_; }

    // Adds a node owning `data`, reusing the most recently freed entry if
    // there is one; re-sorts a sorted list. Returns the node's index.
    std::int32_t add(std::string name, std::unique_ptr<T> data)
    {
        auto node = std::make_unique<tnode<T>>(tnode<T>{std::move(name), std::move(data)});
        const tnode<T>* added = node.get();
        std::int32_t index;
        if (!free_slots_.empty()) {
            index = free_slots_.back();
            free_slots_.pop_back();
            nodes_[std::size_t(index)] = std::move(node);
        } else {
            index = count();
            nodes_.push_back(std::move(node));
        }
        if (sorted) {
            sort();
            index = std::int32_t(std::find_if(nodes_.begin(), nodes_.end(),
                                              [&](const auto& n) { return n.get() == added; }) -
                                 nodes_.begin());
        }
        return index;
    }

    // Releases the node at i and its data, leaving the entry empty.
    void delete_at(std::int32_t i)
    {
        if (!holds_node(i)) return;
        nodes_[std::size_t(i)].reset();
        free_slots_.push_back(i);
        if (sorted) sort();
    }

    // Releases every node and its data.
    void clear()
    {
        nodes_.clear();
        free_slots_.clear();
    }

    // Removes the empty entries and gives back the room they took.
    void pack()
    {
        std::erase_if(nodes_, [](const auto& n) { return !n; });
        nodes_.shrink_to_fit();
        free_slots_.clear();
    }

    // Puts the entries in name order.
    void sort()
    {
        std::ranges::stable_sort(nodes_, [](const auto& a, const auto& b) {
            return node_order::compare_names(name_of(a), name_of(b)) < 0;
        });
        const std::int32_t empties = free_count();
        for (std::int32_t i = 0; i < empties; ++i) free_slots_[std::size_t(i)] = i;
    }

    // For a sorted list: the index of the first node named `name`, or -1.
    // Sets `found`.
    std::int32_t index_of_name(const std::string& name)
    {
        const std::int32_t p = lower_bound_of(name);
        found = p < count() && nodes_[std::size_t(p)] && nodes_[std::size_t(p)]->name == name;
        return found ? p : -1;
    }

    // For a sorted list: the index of the first node named `name`, or the
    // index at which such a node would be inserted; -1 (and `found` false)
    // when the list holds no node. Sets `found`.
    std::int32_t insert_position(const std::string& name)
    {
        if (free_count() >= count()) {
            found = false;
            return -1;
        }
        const std::int32_t p = lower_bound_of(name);
        found = p < count() && nodes_[std::size_t(p)] && nodes_[std::size_t(p)]->name == name;
        return p;
    }

    // The data of the first node named `name` (sorted list), or nullptr.
    T* data_of(const std::string& name)
    {
        const std::int32_t p = index_of_name(name);
        return p < 0 ? nullptr : nodes_[std::size_t(p)]->data.get();
    }

    // The data of entry i, or nullptr when i is out of range or the entry is empty.
    T* data_at(std::int32_t i) const { return holds_node(i) ? nodes_[std::size_t(i)]->data.get() : nullptr; }
    // The name of entry i, or nullptr when it holds no node.
    const std::string* name_at(std::int32_t i) const { return holds_node(i) ? &nodes_[std::size_t(i)]->name : nullptr; }

    // Gives entry i a new name when it holds a node; the order is not restored.
    void rename(std::int32_t i, std::string name)
    {
        if (holds_node(i)) nodes_[std::size_t(i)]->name = std::move(name);
    }

    // Iteration from the end: last(), then current_data() and prior() until eof().
    void last()
    {
        current = -1;
        for (std::int32_t i = count() - 1; i >= 0; --i)
            if (holds_node(i)) {
                current = i;
                break;
            }
        at_start = at_end = current < 0;
    }

    void prior()
    {
        std::int32_t i = current - 1;
        while (i >= 0 && !holds_node(i)) --i;
        if (i < 0) {
            at_end = true;
            return;
        }
        current = i;
    }

    bool eof() const { return at_end; }
    T* current_data() const { return data_at(current); }

    void save_position()
    {
        saved_current = current;
        saved_at_start = at_start;
        saved_at_end = at_end;
    }
    void restore_position()
    {
        current = saved_current;
        at_start = saved_at_start;
        at_end = saved_at_end;
    }

    bool at_start = true;
    bool at_end = true;
    std::int32_t current = -1;
    std::int32_t saved_current = -1;
    bool saved_at_start = true;
    bool saved_at_end = true;
    bool found = false;
    // Keep the entries in name order.
    bool sorted = false;

private:
    static const std::string* name_of(const std::unique_ptr<tnode<T>>& n) { return n ? &n->name : nullptr; }

    bool holds_node(std::int32_t i) const { return i >= 0 && i < count() && nodes_[std::size_t(i)]; }

    // Bisection over the entries after the empty ones: the first entry whose
    // name is not below `name`.
    std::int32_t lower_bound_of(const std::string& name) const
    {
        const auto first = nodes_.begin() + std::min(free_count(), count());
        return std::int32_t(std::partition_point(first, nodes_.end(),
                                                 [&](const auto& n) {
                                                     return node_order::compare_names(name_of(n), &name) < 0;
                                                 }) -
                            nodes_.begin());
    }

    std::vector<std::unique_ptr<tnode<T>>> nodes_;
    std::vector<std::int32_t> free_slots_;
};

}  // namespace kelanim
