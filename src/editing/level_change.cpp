#include "editing/level_change.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace kelanim {

namespace {

// Records are compared byte for byte: what matters is what the writer will
// write, and the records have no padding that could differ unseen.
template <class Element>
bool same(const Element& a, const Element& b)
{
    static_assert(std::has_unique_object_representations_v<Element>);
    return std::memcmp(&a, &b, sizeof(Element)) == 0;
}

template <class Element>
array_splice<Element> splice_between(const std::vector<Element>& before, const std::vector<Element>& after)
{
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < shorter && same(before[head], after[head])) ++head;
    std::size_t tail = 0;
    while (tail < shorter - head && same(before[before.size() - 1 - tail], after[after.size() - 1 - tail])) ++tail;

    array_splice<Element> splice;
    splice.at = head;
    splice.before.assign(before.begin() + static_cast<std::ptrdiff_t>(head),
                         before.end() - static_cast<std::ptrdiff_t>(tail));
    splice.after.assign(after.begin() + static_cast<std::ptrdiff_t>(head),
                        after.end() - static_cast<std::ptrdiff_t>(tail));
    return splice;
}

// Whether `array` holds `expected` at `at`.
template <class Element>
bool holds(const std::vector<Element>& array, std::size_t at, const std::vector<Element>& expected)
{
    if (at > array.size() || expected.size() > array.size() - at) return false;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (!same(array[at + i], expected[i])) return false;
    return true;
}

template <class Element>
void replace(std::vector<Element>& array, std::size_t at, std::size_t old_length, const std::vector<Element>& with)
{
    const auto first = array.begin() + static_cast<std::ptrdiff_t>(at);
    if (old_length == with.size()) {
        std::copy(with.begin(), with.end(), first);
        return;
    }
    array.erase(first, first + static_cast<std::ptrdiff_t>(old_length));
    array.insert(array.begin() + static_cast<std::ptrdiff_t>(at), with.begin(), with.end());
}

template <class Element>
std::size_t splice_bytes(const array_splice<Element>& splice)
{
    return (splice.before.size() + splice.after.size()) * sizeof(Element);
}

}  // namespace

animation_data copy_animation_data(const Ttrlevel& level)
{
    return {level.frames,     level.num_frames, level.animations, level.num_animations,
            level.moveables, level.num_moveables};
}

level_change level_change::between(const animation_data& before, const Ttrlevel& level)
{
    level_change change;
    change.frames_ = splice_between(before.frames, level.frames);
    change.animations_ = splice_between(before.animations, level.animations);
    change.moveables_ = splice_between(before.moveables, level.moveables);
    change.num_frames_[0] = before.num_frames;
    change.num_frames_[1] = level.num_frames;
    change.num_animations_[0] = before.num_animations;
    change.num_animations_[1] = level.num_animations;
    change.num_moveables_[0] = before.num_moveables;
    change.num_moveables_[1] = level.num_moveables;
    return change;
}

bool level_change::empty() const
{
    return frames_.empty() && animations_.empty() && moveables_.empty() && num_frames_[0] == num_frames_[1] &&
           num_animations_[0] == num_animations_[1] && num_moveables_[0] == num_moveables_[1];
}

bool level_change::undo(Ttrlevel& level) const { return apply(level, false); }

bool level_change::redo(Ttrlevel& level) const { return apply(level, true); }

bool level_change::apply(Ttrlevel& level, bool forward) const
{
    // `from` is what the level must hold now, `to` what it gets.
    auto from = [forward](const auto& splice) -> const auto& { return forward ? splice.before : splice.after; };
    auto to = [forward](const auto& splice) -> const auto& { return forward ? splice.after : splice.before; };
    if (!holds(level.frames, frames_.at, from(frames_)) ||
        !holds(level.animations, animations_.at, from(animations_)) ||
        !holds(level.moveables, moveables_.at, from(moveables_)))
        return false;

    replace(level.frames, frames_.at, from(frames_).size(), to(frames_));
    replace(level.animations, animations_.at, from(animations_).size(), to(animations_));
    replace(level.moveables, moveables_.at, from(moveables_).size(), to(moveables_));
    const int side = forward ? 1 : 0;
    level.num_frames = num_frames_[side];
    level.num_animations = num_animations_[side];
    level.num_moveables = num_moveables_[side];
    return true;
}

bool level_change::absorb(const level_change& later)
{
    const bool only_words = animations_.empty() && moveables_.empty() && later.animations_.empty() &&
                            later.moveables_.empty() && num_frames_[0] == num_frames_[1] &&
                            later.num_frames_[0] == later.num_frames_[1];
    if (!only_words || frames_.at != later.frames_.at || frames_.after.size() != later.frames_.before.size() ||
        frames_.before.size() != frames_.after.size() || later.frames_.before.size() != later.frames_.after.size())
        return false;
    frames_.after = later.frames_.after;
    return true;
}

std::size_t level_change::kept_bytes() const
{
    return sizeof(*this) + splice_bytes(frames_) + splice_bytes(animations_) + splice_bytes(moveables_);
}

}  // namespace kelanim
