// How the game goes on after an animation's last keyframe: it plays the
// animation's next animation, from the keyframe its next frame falls in.
#pragma once

#include <cstdint>
#include <optional>

#include "level/ttrlevel.h"

namespace kelanim {

// An animation of a moveable (its number within the moveable) and a keyframe.
struct chain_step {
    std::int32_t animation = 0;
    std::int32_t keyframe = 0;
};

// Where animation j of moveable m continues: its `next_animation` (a
// level-wide index) as the moveable's own animation number, entered at the
// keyframe that holds `next_frame`, counted from that animation's
// `frame_start` in steps of its frame rate. Nothing when the chain cannot be
// followed: the next animation is not one of the moveable's, the next frame
// lies outside its frame range, or it has no keyframes. Playback then loops
// the animation it plays.
std::optional<chain_step> next_in_chain(const Ttrlevel& level, std::int32_t m, std::int32_t j);

}  // namespace kelanim
