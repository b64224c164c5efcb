// One level animation of a moveable as glTF keys: a rotation per joint and
// keyframe, the root joint's translation per keyframe, and the animation's
// level parameters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim {

// The game runs at 30 frames a second; keyframe k of an animation plays at
// k × frame_rate frames.
inline constexpr double game_frames_per_second = 30.0;

struct gltf_clip {
    std::string name;  // "anim_" and the animation's number within the moveable
    std::vector<float> times;  // seconds, one per keyframe
    std::vector<std::vector<std::array<float, 4>>> rotations;  // [joint][keyframe], x y z w
    std::vector<std::array<float, 3>> root_translations;       // [keyframe]
    // Level parameters, kept in the animation's extras.
    std::int32_t frame_rate = 0, state_id = 0, next_animation = 0, next_frame = 0;
    std::int32_t frame_start = 0, frame_end = 0;
    std::int64_t level_animation = -1;
};

// Animation j of moveable m on `joints` joints. Rotations of neighbouring
// keys are kept on the same side of the quaternion sphere, so the linear
// blend between them takes the short way. A clip without keyframes has no
// times.
gltf_clip moveable_clip(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::size_t joints);

}  // namespace kelanim
