// What every animation import shares once its keyframes are built: the
// checks of the selection it imports into, and the splice that puts the new
// keyframes in place of the selected animation's.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"
#include "milkshape/exchange_outcome.h"

namespace kelanim {

inline constexpr char import_done_message[] = "Import Sucessfull.";

// An animation records its keyframe length in a byte.
inline constexpr std::int32_t max_keyframe_words = 255;

// TR1 and its Unfinished Business levels store a rotation entry's low word
// first, count the bones in word 9 and size keyframes from the moveable.
inline bool tr1_keyframe_layout(std::int32_t version_code)
{
    return version_code == code_tr1 || version_code == code_tr1_ub;
}

// Why animation j of moveable m cannot receive imported keyframes, or nothing
// when it can.
std::optional<exchange_outcome> check_import_target(const Ttrlevel& level, std::int32_t m, std::int32_t j);

// Replaces the keyframes of animation j of moveable m (a valid target) with
// `count` keyframes of `length` words each, held in `keyframes`: the keyframe
// offsets of the later animations and moveables move with the frames behind
// the replaced block, the animation's frame_size becomes `length` (0 for the
// TR1 layout, which sizes keyframes from the moveable), and every new
// keyframe's bounding box is recomputed. On failure the level is unchanged.
exchange_outcome splice_keyframes(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                  const std::vector<std::int16_t>& keyframes, std::int32_t count,
                                  std::int32_t length);

}  // namespace kelanim
