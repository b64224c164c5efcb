// What an edit of the level replaced, kept so that the edit can be taken
// back and done again byte for byte.
//
// Every edit of the window changes only the level's animation data: the
// keyframe words (box edits, the automatic bound, imports), the animation
// records (parameters, and the keyframe offsets an import shifts) and the
// moveable records (whose keyframe offsets an import shifts too). A change
// holds, for each of the three arrays, the one run of elements that differs
// between before and after, so a box edit keeps one word and an import the
// replaced keyframes plus the shifted records, never a copy of the level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim {

// A copy of the parts of the level an edit may change, taken before it.
struct animation_data {
    std::vector<std::int16_t> frames;
    std::uint32_t num_frames = 0;
    std::vector<tanimation> animations;
    std::uint32_t num_animations = 0;
    std::vector<tmoveable> moveables;
    std::uint32_t num_moveables = 0;
};

animation_data copy_animation_data(const Ttrlevel& level);

// One run of an array replaced by another run, possibly of another length.
template <class Element>
struct array_splice {
    std::size_t at = 0;
    std::vector<Element> before;
    std::vector<Element> after;

    bool empty() const { return before.empty() && after.empty(); }
};

class level_change {
public:
    // What turned `before` into what `level` holds now.
    static level_change between(const animation_data& before, const Ttrlevel& level);

    // The edit changed nothing.
    bool empty() const;
    // Put back what the edit replaced, or what it wrote. Each returns false,
    // changing nothing, when the level does not hold what the change expects
    // there (it belongs to another level).
    bool undo(Ttrlevel& level) const;
    bool redo(Ttrlevel& level) const;

    // Takes in a change made right after this one when both replaced the same
    // keyframe words and nothing else (typing on in one box field), so that
    // one undo takes back both. Returns false, changing nothing, otherwise.
    bool absorb(const level_change& later);

    // Bytes the change keeps, for the undo history's cost.
    std::size_t kept_bytes() const;

private:
    bool apply(Ttrlevel& level, bool forward) const;

    array_splice<std::int16_t> frames_;
    array_splice<tanimation> animations_;
    array_splice<tmoveable> moveables_;
    // The counts beside the arrays, before [0] and after [1].
    std::uint32_t num_frames_[2] = {0, 0};
    std::uint32_t num_animations_[2] = {0, 0};
    std::uint32_t num_moveables_[2] = {0, 0};
};

}  // namespace kelanim
