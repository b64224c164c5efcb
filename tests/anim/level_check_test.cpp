#include "anim/level_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "anim/state_changes.h"
#include "realdata.h"
#include "synthetic_level.h"

namespace kelanim {
namespace {

// The synthetic TR2 level with its links made consistent: moveable 0 owns
// animations 0 (frame 0) and 1 (frame 10), one keyframe each.
Ttrlevel clean_level()
{
    Ttrlevel level;
    EXPECT_EQ(level.load_level_from_memory(test::synthetic_level(code_tr2).data(), "clean.tr2"), load_ok);
    for (tanimation& a : level.animations) a.frame_end = a.frame_start;
    level.animations[1].next_frame = level.anim_dispatches[0].next_frame = 10;
    return level;
}

TEST(LevelCheck, FindsEachKindOfFault)
{
    ASSERT_TRUE(check_level(clean_level()).empty());
    using P = check_problem;
    const std::vector<std::pair<P, std::function<void(Ttrlevel&)>>> faults = {
        {P::next_animation_missing, [](Ttrlevel& l) { l.animations[0].next_animation = 2; }},
        {P::next_frame_out_of_range, [](Ttrlevel& l) { l.animations[0].next_frame = 5; }},
        {P::frame_range_backwards, [](Ttrlevel& l) { l.animations[1].frame_start = 11; }},
        {P::frame_range_past_keyframes, [](Ttrlevel& l) { l.animations[0].frame_end = 3; }},
        {P::frame_rate_zero, [](Ttrlevel& l) { l.animations[0].frame_rate = 0; }},
        {P::keyframes_past_frames, [](Ttrlevel& l) { l.animations[1].frame_offset = 100; }},
        {P::frame_size_too_small, [](Ttrlevel& l) { l.animations[0].frame_size = 9; }},
        {P::state_change_target_missing, [](Ttrlevel& l) { l.anim_dispatches[0].next_animation = 7; }},
        {P::state_change_frame_out_of_range, [](Ttrlevel& l) { l.anim_dispatches[0].next_frame = 3; }},
        {P::state_changes_past_records, [](Ttrlevel& l) { l.animations[0].num_state_changes = 5; }},
        {P::state_changes_past_records, [](Ttrlevel& l) { l.state_changes[0].num_anim_dispatches = 4; }},
        {P::commands_past_block, [](Ttrlevel& l) { l.animations[0].num_anim_commands = 3; }},
        {P::unknown_command, [](Ttrlevel& l) { l.anim_commands[0] = 9; }},
        {P::animations_past_records, [](Ttrlevel& l) { l.moveables[1].animation = 10; }},
        {P::animations_overlap, [](Ttrlevel& l) {  // first animations 0, 2, 1
             l.moveables = {l.moveables[0], l.moveables[0], l.moveables[0]}, l.num_moveables = 3;
             l.moveables[1].animation = 2, l.moveables[2].animation = 1;
         }},
        {P::meshes_past_records, [](Ttrlevel& l) { l.moveables[0].num_meshes = 3; }},
    };
    for (const auto& [expected, damage] : faults) {
        SCOPED_TRACE(std::string(problem_id(expected)));
        Ttrlevel level = clean_level();
        damage(level);
        const std::vector<check_finding> found = check_level(level);
        EXPECT_TRUE(std::any_of(found.begin(), found.end(), [&](const check_finding& f) { return f.problem == expected; }));
    }
}

TEST(StateChanges, DecodesCommandsByCodeAndStopsAtTheEndOfTheirBlock)
{
    Ttrlevel level = clean_level();
    level.anim_commands = {1, 10, 20, 30, 2, 0xFFFB, 7, 5, 12, 0x4011, 6, 8, 0x8002, 4, 5, 9};
    level.num_anim_commands = std::uint32_t(level.anim_commands.size());
    level.animations[0].num_anim_commands = 6;  // the sixth lacks its sound word
    const tanim_command_list list = anim_commands_of(level, 0);
    EXPECT_TRUE(list.cut_short);
    std::string text;  // per command: name, frame, condition, arguments
    for (const tanim_command& c : list.commands) {
        text += std::string(anim_command_name(c.code)) + " " + std::to_string(c.frame) + " " + std::string(condition_name(c.condition));
        for (std::int16_t argument : c.arguments) text += " " + std::to_string(argument);
        text += "\n";
    }
    EXPECT_EQ(text, "Set Position -1  10 20 30\nJump Velocity -1  -5 7\nPlay Sound 12 on land 17\nFlip Effect 8 in water 2\nKill -1 \n");

    const tstate_change_list changes = state_changes_of(level, 0);
    ASSERT_TRUE(changes.entries.size() == 1 && changes.entries[0].ranges.size() == 1);
    EXPECT_EQ(std::pair(int(changes.entries[0].state_id), int(changes.entries[0].ranges[0].next_animation)), std::pair(2, 1));
    EXPECT_TRUE(state_changes_of(level, 2).entries.empty());  // no such animation
}

// The real levels of every generation: the keyframes of every animation lie inside their animation's run
// and inside `frames`, Lara's first keyframe stands upright inside its box, and the check finds only the
// known leftovers: a few frame numbers out of range in animations the game drives by its own code
// (weapons, key holes, inventory objects, mesh swaps). Any other finding there is a misreading.
TEST(RealLevelAnimations, KeyframesLieInsideTheirRunsLaraStandsUprightAndTheCheckFindsOnlyKnownLeftovers)
{
    KELANIM_REQUIRE_REALDATA();
    const std::map<std::string, std::size_t> leftovers = {{"tr1.phd", 3}, {"tr2.tr2", 4}, {"tr3.tr2", 11}, {"tr4.tr4", 7}, {"tr5.trc", 11}};
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path.string()), load_ok);
        ASSERT_FALSE(level.truncated);
        const std::vector<check_finding> found = check_level(level);
        EXPECT_EQ(found.size(), leftovers.at(path.filename().string()));
        for (const check_finding& f : found)
            EXPECT_TRUE(f.problem == check_problem::next_frame_out_of_range || f.problem == check_problem::state_change_frame_out_of_range)
                << finding_place(f) << ": " << f.message;

        for (std::int32_t m = 0; m < std::int32_t(level.num_moveables); ++m)
            for (std::int32_t j = 0; j < animation_count(level, m); ++j) {
                SCOPED_TRACE(testing::Message() << "moveable " << m << " animation " << j);
                const std::int64_t k = animation_index(level, m, j);
                ASSERT_GE(k, 0);
                const std::int64_t run_start = level.animations[std::size_t(k)].frame_offset / 2;
                const std::int64_t run_end =
                    std::size_t(k) + 1 < level.num_animations ? level.animations[std::size_t(k) + 1].frame_offset / 2 : level.num_frames;
                const std::int32_t count = keyframe_count(level, m, j), length = keyframe_length(level, m, j);
                EXPECT_LE(run_start + std::int64_t(count) * length, std::max(run_end, run_start));
                EXPECT_LE(run_end, std::int64_t(level.num_frames));
                for (std::int32_t n = 0; n < count; ++n) {
                    const tpose pose = decode_keyframe(level, m, j, n);
                    const std::size_t bones = level.moveables[std::size_t(m)].num_meshes;
                    ASSERT_EQ(std::tuple(pose.cut_short, pose.word, pose.angles.size()),
                              std::tuple(false, run_start + std::int64_t(n) * length, bones)) << "keyframe " << n;
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
        EXPECT_TRUE(at[3].y > at[0].y + 150 && at[6].y > at[0].y + 150) << at[0].y << " " << at[3].y << " " << at[6].y;
        for (const glm::dvec3& p : at)
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_TRUE(p[axis] >= pose.bbox[2 * axis] - 50.0 && p[axis] <= pose.bbox[2 * axis + 1] + 50.0) << axis;
    }
}

}  // namespace
}  // namespace kelanim
