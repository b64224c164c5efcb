// The level check: what in a level's animation data breaks it in the game or
// in this program. Every moveable's animations are checked against the
// records and keyframe words the level really holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim {

enum class check_problem {
    animations_past_records,   // a moveable's animations run past the animation records
    animations_overlap,        // a moveable's animations start before an earlier moveable's
    meshes_past_records,       // a moveable's bones run past the mesh pointers or the mesh tree
    frame_rate_zero,           // the game divides by the frame rate
    frame_range_backwards,     // frame_end before frame_start
    frame_range_past_keyframes,  // the frame range needs more keyframes than the animation holds
    keyframes_past_frames,     // the keyframes run past the words of `frames`
    frame_size_too_small,      // a keyframe's rotations do not fit in its frame size
    next_animation_missing,
    next_frame_out_of_range,   // outside the next animation's frame range
    state_changes_past_records,  // state changes or their ranges run past the records held
    state_change_target_missing,
    state_change_frame_out_of_range,
    commands_past_block,       // the command list runs past the command words held
    unknown_command,           // a word where a command code stands is none the game knows
};

struct check_finding {
    check_problem problem{};
    std::int32_t moveable = -1;         // index in `moveables`
    std::int32_t animation = -1;        // number within the moveable; -1 for the moveable as a whole
    std::int64_t level_animation = -1;  // level-wide index; -1 for the moveable as a whole
    std::string message;                // what is wrong, in words, without the place
};

// A badly damaged level can hold tens of thousands of findings; listings
// show this many and then say how many more there are.
inline constexpr std::size_t findings_listed = 1000;

// A short stable name of the problem for scripts ("next_animation_missing").
std::string_view problem_id(check_problem problem);

// Every finding, moveable by moveable, animation by animation. At most one
// finding of each kind for each animation (or moveable): the first
// occurrence, with the number of others in its message.
std::vector<check_finding> check_level(const Ttrlevel& level);

// "moveable 3 animation 5 (level animation 120)" or "moveable 3".
std::string finding_place(const check_finding& finding);

}  // namespace kelanim
