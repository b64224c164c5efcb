// The real levels of every generation: the keyframes of every animation lie inside their animation's run
// and inside `frames`, Lara's first keyframe stands upright inside its box, and the check finds only the
// known leftovers: a few frame numbers out of range in animations the game drives by its own code
// (weapons, key holes, inventory objects, mesh swaps). Any other finding there is a misreading.
#include <gtest/gtest.h>

#include <map>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "anim/level_check.h"
#include "realdata.h"

namespace kelanim {
namespace {

TEST(RealLevels, KeyframesLieInsideTheirRunsLaraStandsUprightAndTheCheckFindsOnlyKnownLeftovers)
{
    KELANIM_REQUIRE_REALDATA();
    const std::map<std::string, std::size_t> leftovers = {
        {"tr1.phd", 3}, {"tr2.tr2", 4}, {"tr3.tr2", 11}, {"tr4.tr4", 7}, {"tr5.trc", 11}};
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path.string()), load_ok);
        ASSERT_FALSE(level.truncated);
        const std::vector<check_finding> found = check_level(level);
        EXPECT_EQ(found.size(), leftovers.at(path.filename().string()));
        for (const check_finding& f : found)
            EXPECT_TRUE(f.problem == check_problem::next_frame_out_of_range ||
                        f.problem == check_problem::state_change_frame_out_of_range)
                << finding_place(f) << ": " << f.message;

        for (std::int32_t m = 0; m < std::int32_t(level.num_moveables); ++m)
            for (std::int32_t j = 0; j < animation_count(level, m); ++j) {
                SCOPED_TRACE(testing::Message() << "moveable " << m << " animation " << j);
                const std::int64_t k = animation_index(level, m, j);
                ASSERT_GE(k, 0);
                const std::int64_t run_start = level.animations[std::size_t(k)].frame_offset / 2;
                const std::int64_t run_end = std::size_t(k) + 1 < level.num_animations
                                                 ? level.animations[std::size_t(k) + 1].frame_offset / 2
                                                 : level.num_frames;
                const std::int32_t count = keyframe_count(level, m, j), length = keyframe_length(level, m, j);
                EXPECT_LE(run_start + std::int64_t(count) * length, std::max(run_end, run_start));
                EXPECT_LE(run_end, std::int64_t(level.num_frames));
                for (std::int32_t n = 0; n < count; ++n) {
                    const tpose pose = decode_keyframe(level, m, j, n);
                    ASSERT_FALSE(pose.cut_short) << "keyframe " << n;
                    ASSERT_EQ(pose.word, run_start + std::int64_t(n) * length);
                    ASSERT_EQ(pose.angles.size(), level.moveables[std::size_t(m)].num_meshes);
                }
            }

        // y points down: Lara's feet (bones 3 and 6) stand below her hips (bone 0), and every bone origin
        // lies inside the keyframe's box, with some slack for a mesh's reach beyond its origin.
        ASSERT_EQ(level.moveables.at(0).object_id, 0u);
        const tpose pose = decode_keyframe(level, 0, 0, 0);
        std::vector<glm::dvec3> at;
        walk_bones(level, 0, pose, root_mode::translate, bone_matrix(1.0),
                   [&](std::int32_t, const bone_matrix& t) { at.push_back(transform_point(t, glm::dvec3(0.0))); });
        ASSERT_GE(at.size(), 7u);
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
