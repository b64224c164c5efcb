#include "anim/animation_chain.h"

#include <algorithm>

#include "anim/keyframes.h"

namespace kelanim {

std::optional<chain_step> next_in_chain(const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    const std::int64_t k = animation_index(level, m, j);
    if (k < 0 || static_cast<std::size_t>(k) >= level.animations.size()) return std::nullopt;
    const tanimation& current = level.animations[static_cast<std::size_t>(k)];

    const std::int64_t first = level.moveables[static_cast<std::size_t>(m)].animation;
    const std::int64_t target = static_cast<std::int64_t>(current.next_animation) - first;
    if (target < 0 || target >= animation_count(level, m)) return std::nullopt;
    const auto next = static_cast<std::int32_t>(target);
    const std::int64_t next_k = animation_index(level, m, next);
    if (next_k < 0 || static_cast<std::size_t>(next_k) >= level.animations.size()) return std::nullopt;
    const tanimation& following = level.animations[static_cast<std::size_t>(next_k)];

    if (current.next_frame < following.frame_start || current.next_frame > following.frame_end) return std::nullopt;
    const std::int32_t keyframes = keyframe_count(level, m, next);
    if (keyframes <= 0) return std::nullopt;
    // A frame rate of 0 stores a keyframe for every frame, as 1 does.
    const std::int32_t rate = std::max<std::int32_t>(following.frame_rate, 1);
    const std::int32_t keyframe = (current.next_frame - following.frame_start) / rate;
    return chain_step{next, std::min(keyframe, keyframes - 1)};
}

}  // namespace kelanim
