#include "milkshape/keyframe_splice.h"

#include <limits>
#include <string>

#include "editing/animation_editing.h"
#include "anim/keyframes.h"

namespace kelanim {

std::optional<exchange_outcome> check_import_target(const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    if (!level.is_loaded()) return exchange_failure("No level is loaded.");
    if (m < 0 || static_cast<std::size_t>(m) >= level.moveables.size())
        return exchange_failure("Moveable " + std::to_string(m) + " does not exist.");
    const std::int32_t animations = animation_count(level, m);
    if (animations <= 0)
        return exchange_failure("The selected moveable has no animation to import into. The level is unchanged.");
    if (j < 0 || j >= animations)
        return exchange_failure("No animation is selected (the moveable has " + std::to_string(animations) +
                                " animations). The level is unchanged.");
    return std::nullopt;
}

exchange_outcome splice_keyframes(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                  const std::vector<std::int16_t>& keyframes, std::int32_t count,
                                  std::int32_t length)
{
    // Where the animation's keyframes lie: from its own offset to the next
    // animation's, or to the end of the frames for the level's last one.
    const std::int64_t k = animation_index(level, m, j);
    if (k < 0 || static_cast<std::size_t>(k) >= level.animations.size())
        return exchange_failure("The selected animation lies outside the level's animation list.");
    const std::size_t kk = static_cast<std::size_t>(k);
    const std::size_t total = level.frames.size();
    const std::size_t start = level.animations[kk].frame_offset / 2;
    const std::size_t end = kk + 1 < level.animations.size() && kk + 1 < level.num_animations
                                ? level.animations[kk + 1].frame_offset / 2
                                : total;
    if (start > end || end > total)
        return exchange_failure("The selected animation's keyframes do not lie inside the level's frames. The level "
                                "is unchanged.");
    const std::size_t block = static_cast<std::size_t>(count) * static_cast<std::size_t>(length);
    if (keyframes.size() != block) return exchange_failure("The imported keyframes are not whole. The level is unchanged.");
    const std::size_t new_total = total - (end - start) + block;
    if (new_total > std::numeric_limits<std::uint32_t>::max() / 2)
        return exchange_failure("The level's frames would grow past what its byte offsets can address.");

    std::vector<std::int16_t> spliced;
    spliced.reserve(new_total);
    spliced.insert(spliced.end(), level.frames.begin(), level.frames.begin() + static_cast<std::ptrdiff_t>(start));
    spliced.insert(spliced.end(), keyframes.begin(), keyframes.end());
    spliced.insert(spliced.end(), level.frames.begin() + static_cast<std::ptrdiff_t>(end), level.frames.end());
    level.set_num_frames(static_cast<std::uint32_t>(new_total));
    level.frames = std::move(spliced);

    // Keyframe offsets are in bytes. Later moveables and animations move with
    // the keyframes behind the replaced block; one that points before the
    // block's end (keyframes it shares with an earlier one) keeps its offset,
    // and so do later moveables without animations, which point at none.
    const std::int64_t delta_bytes = 2 * (static_cast<std::int64_t>(block) - static_cast<std::int64_t>(end - start));
    const std::uint64_t end_bytes = 2 * static_cast<std::uint64_t>(end);
    for (std::size_t i = static_cast<std::size_t>(m) + 1; i < level.moveables.size(); ++i)
        if (level.moveables[i].animation != -1 && level.moveables[i].frame_offset >= end_bytes)
            level.moveables[i].frame_offset = static_cast<std::uint32_t>(level.moveables[i].frame_offset + delta_bytes);
    for (std::size_t i = kk + 1; i < level.animations.size(); ++i)
        if (level.animations[i].frame_offset >= end_bytes)
            level.animations[i].frame_offset = static_cast<std::uint32_t>(level.animations[i].frame_offset + delta_bytes);
    level.animations[kk].frame_size = tr1_keyframe_layout(level.version_code) ? 0 : static_cast<std::uint8_t>(length);

    for (std::int32_t f = 0; f < count; ++f) automatic_bound(level, meshes, m, j, f);

    exchange_outcome outcome;
    outcome.ok = true;
    outcome.message = import_done_message;
    return outcome;
}

}  // namespace kelanim
