// Every animation of every moveable of the real levels: keyframes lie inside
// their animation's run and inside `frames`, the walk places every bone, and
// Lara's first keyframe stands upright inside its box.
#include <gtest/gtest.h>

#include <cmath>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "realdata.h"

namespace kelanim {
namespace {

TEST(RealLevelAnimations, EveryKeyframeLiesInsideItsRunAndLaraStandsUpright)
{
    KELANIM_REQUIRE_REALDATA();
    const auto levels = test::real_levels();
    ASSERT_FALSE(levels.empty());
    for (const auto& path : levels) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path.string()), load_ok);
        ASSERT_FALSE(level.truncated);

        std::int64_t keyframes_seen = 0;
        for (std::int32_t m = 0; m < std::int32_t(level.num_moveables); ++m) {
            const std::int32_t animations = animation_count(level, m);
            for (std::int32_t j = 0; j < animations; ++j) {
                SCOPED_TRACE(testing::Message() << "moveable " << m << " animation " << j);
                const std::int64_t k = animation_index(level, m, j);
                ASSERT_GE(k, 0);
                const std::int64_t run_start = level.animations[std::size_t(k)].frame_offset / 2;
                const std::int64_t run_end = std::size_t(k) + 1 < level.num_animations
                                                 ? level.animations[std::size_t(k) + 1].frame_offset / 2
                                                 : level.num_frames;
                const std::int32_t count = keyframe_count(level, m, j);
                const std::int32_t length = keyframe_length(level, m, j);
                EXPECT_LE(run_start + std::int64_t(count) * length, std::max(run_end, run_start));
                EXPECT_LE(run_end, std::int64_t(level.num_frames));

                for (std::int32_t n = 0; n < count; ++n) {
                    const tpose pose = decode_keyframe(level, m, j, n);
                    ASSERT_FALSE(pose.cut_short) << "keyframe " << n;
                    ASSERT_EQ(pose.word, run_start + std::int64_t(n) * length);
                    ASSERT_EQ(pose.angles.size(), level.moveables[std::size_t(m)].num_meshes);
                    ++keyframes_seen;
                    if (n == 0) {
                        walk_bones(level, m, pose, root_mode::translate, bone_matrix(1.0),
                                   [&](std::int32_t b, const bone_matrix& t) {
                                       const glm::dvec3 at = transform_point(t, glm::dvec3(0.0));
                                       ASSERT_TRUE(std::isfinite(at.x) && std::isfinite(at.y) && std::isfinite(at.z))
                                           << "bone " << b;
                                   });
                    }
                }
            }
        }
        EXPECT_GT(keyframes_seen, 0);

        // Lara's first keyframe stands upright.
        ASSERT_EQ(level.moveables.at(0).object_id, 0u);
        ASSERT_GT(keyframe_count(level, 0, 0), 0);
        const tpose pose = decode_keyframe(level, 0, 0, 0);
        std::vector<glm::dvec3> at;
        walk_bones(level, 0, pose, root_mode::translate, bone_matrix(1.0),
                   [&](std::int32_t, const bone_matrix& t) { at.push_back(transform_point(t, glm::dvec3(0.0))); });
        ASSERT_GE(at.size(), 7u);
        // y points down: the feet (bones 3 and 6) stand below the hips (bone
        // 0), and every bone origin lies inside the keyframe's box, with some
        // slack for a mesh's reach beyond its origin.
        EXPECT_GT(at[3].y, at[0].y + 150);
        EXPECT_GT(at[6].y, at[0].y + 150);
        for (const glm::dvec3& p : at)
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_GE(p[axis], pose.bbox[2 * axis] - 50.0) << "axis " << axis;
                EXPECT_LE(p[axis], pose.bbox[2 * axis + 1] + 50.0) << "axis " << axis;
            }
    }
}

}  // namespace
}  // namespace kelanim
