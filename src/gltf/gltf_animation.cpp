#include "gltf/gltf_animation.h"

#include "anim/keyframes.h"
#include "gltf/gltf_axes.h"

namespace kelanim {

gltf_clip moveable_clip(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::size_t joints)
{
    gltf_clip clip;
    clip.name = "anim_" + std::to_string(j);
    clip.level_animation = animation_index(level, m, j);
    if (clip.level_animation >= 0 && static_cast<std::size_t>(clip.level_animation) < level.animations.size()) {
        const tanimation& a = level.animations[static_cast<std::size_t>(clip.level_animation)];
        clip.frame_rate = a.frame_rate;
        clip.state_id = a.state_id;
        clip.next_animation = a.next_animation;
        clip.next_frame = a.next_frame;
        clip.frame_start = a.frame_start;
        clip.frame_end = a.frame_end;
    }

    const std::int32_t count = keyframe_count(level, m, j);
    clip.rotations.assign(joints, std::vector<std::array<float, 4>>(static_cast<std::size_t>(std::max(count, 0))));
    for (std::int32_t k = 0; k < count; ++k) {
        clip.times.push_back(static_cast<float>(k * clip.frame_rate / game_frames_per_second));
        const tpose pose = decode_keyframe(level, m, j, k);
        clip.root_translations.push_back(gltf_point(pose.offset[0], pose.offset[1], pose.offset[2]));
        for (std::size_t b = 0; b < joints; ++b) {
            std::array<float, 4> q = gltf_rotation(b < pose.angles.size() ? pose.angles[b] : tangles{});
            if (k > 0) {
                const auto& before = clip.rotations[b][static_cast<std::size_t>(k) - 1];
                if (q[0] * before[0] + q[1] * before[1] + q[2] * before[2] + q[3] * before[3] < 0)
                    for (float& c : q) c = -c;
            }
            clip.rotations[b][static_cast<std::size_t>(k)] = q;
        }
    }
    return clip;
}

}  // namespace kelanim
