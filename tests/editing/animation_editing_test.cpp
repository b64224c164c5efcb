#include "editing/animation_editing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace kelanim {
namespace {

constexpr std::uint8_t one_bone_keyframe = 11;  // box 6, offset 3, one two-word rotation

// A TR4 level whose moveable 0 is one bone drawn with one mesh, a textured
// rectangle over its first four `vertices` (the last repeated when there are
// fewer), and one animation of one keyframe: box words 1 to 6, the root
// `offset`, the two-word `rotation` entry.
struct OneBoneLevel {
    Ttrlevel level;
    Tmesh_list meshes;

    OneBoneLevel(const std::vector<tmesh_vertex>& vertices, std::array<std::int16_t, 3> offset = {},
                 std::array<std::uint16_t, 2> rotation = {})
    {
        tmesh& mesh = meshes.meshes.emplace_back();
        mesh.vertices = vertices;
        tmesh_face4& face = mesh.textured_rects.emplace_back();
        for (std::size_t c = 0; c < 4; ++c) face.vertices[c] = std::uint16_t(std::min(c, vertices.size() - 1));
        meshes.mesh_index = {0};
        level.version_code = code_tr4;
        level.moveables = {tmoveable{}}, level.moveables[0].num_meshes = 1, level.num_moveables = 1;
        level.animations = {tanimation{}}, level.num_animations = 1;
        level.animations[0].frame_size = one_bone_keyframe, level.animations[0].frame_rate = 1;
        level.frames = {1, 2, 3, 4, 5, 6, offset[0], offset[1], offset[2], std::int16_t(rotation[0]), std::int16_t(rotation[1])};
        level.num_frames = std::uint32_t(level.frames.size());
    }

    std::vector<std::int16_t> box() const { return {level.frames.begin(), level.frames.begin() + 6}; }
};

TEST(KeyframeBox, FieldsInMinimumThenMaximumOrderLowSixteenBitsAndOnlyInsideTheFrames)
{
    OneBoneLevel l({{0, 0, 0}});
    EXPECT_EQ(keyframe_box_fields(l.level, 0, 0, 0), (std::array<std::int16_t, 6>{1, 3, 5, 2, 4, 6}));
    ASSERT_TRUE(set_keyframe_box_field(l.level, 0, 0, 0, 3, 40000));  // maximum x, word 1
    ASSERT_TRUE(set_keyframe_box_field(l.level, 0, 0, 0, 0, -1 - 65536));
    EXPECT_EQ(l.box(), (std::vector<std::int16_t>{-1, std::int16_t(40000), 3, 4, 5, 6}));
    EXPECT_FALSE(set_keyframe_box_field(l.level, 0, 0, 0, 6, 7));
    l.level.moveables[0].num_meshes = 0;  // nothing to measure
    EXPECT_FALSE(automatic_bound(l.level, l.meshes, 0, 0, 0));
    l.level.moveables[0].num_meshes = 1;

    // No box, nothing written: the rest pose before the frames, a keyframe cut short, no such moveable.
    l.level.set_num_frames(5);
    for (const auto& [m, n] : {std::pair{0, -1}, std::pair{0, 0}, std::pair{3, 0}}) {
        EXPECT_FALSE(keyframe_box_fields(l.level, m, 0, n));
        EXPECT_FALSE(set_keyframe_box_field(l.level, m, 0, n, 0, 9));
        EXPECT_FALSE(automatic_bound(l.level, l.meshes, m, 0, n));
    }
    EXPECT_EQ(l.level.frames, (std::vector<std::int16_t>{-1, std::int16_t(40000), 3, 4, 5}));
}

TEST(AutomaticBound, MeasuresThePosedMeshInLevelAxesTruncatedAndMovedByTheRootOffset)
{
    const struct {
        std::vector<tmesh_vertex> vertices;
        std::array<std::int16_t, 3> offset;
        std::array<std::uint16_t, 2> rotation;
        std::vector<std::int16_t> box;
    } cases[] = {
        // The root offset is added to the measured box.
        {{{0, -500, 0}, {10, 20, 0}, {10, 20, 10}, {0, -500, 10}}, {0, -300, 0}, {0, 0}, {0, 10, -800, -280, 0, 10}},
        // x = 100 turned about y by 170 steps (59.77 degrees) comes to x = 50.4 and level z = -86.4 (the other way: +86.4).
        {{{100, 0, 0}}, {0, 0, 0}, {0x0002, 0xA800}, {50, 50, 0, 0, -86, -86}},
        {{{100, 0, 0}}, {0, 0, 7}, {0x000D, 0x5800}, {50, 50, 0, 0, 93, 93}},
        // Turned a quarter about x, a vertex below the bone swings to z +100.
        {{{0, 100, 0}}, {0, 0, 0}, {0x1000, 0x0000}, {0, 0, 0, 0, 100, 100}},
    };
    for (const auto& c : cases) {
        OneBoneLevel l(c.vertices, c.offset, c.rotation);
        ASSERT_TRUE(automatic_bound(l.level, l.meshes, 0, 0, 0));
        EXPECT_EQ(l.box(), c.box);
    }
}

// Moveable 0 owns animations 0 to 2, moveable 1 animations 3 and 4; every animation has two keyframes.
TEST(AnimationParameters, ApplyRenumbersTheMoveablesLaterAnimationsOnly)
{
    Ttrlevel level = OneBoneLevel({{0, 0, 0}}).level;
    level.moveables.push_back(level.moveables[0]), level.moveables[1].animation = 3, level.num_moveables = 2;
    const std::uint16_t frame_ranges[][2] = {{0, 99}, {100, 119}, {120, 140}, {0, 29}, {30, 50}};
    for (std::uint32_t k = 0; k < 5; ++k) {
        tanimation& a = k ? level.animations.emplace_back(level.animations[0]) : level.animations[0];
        a.frame_offset = k * 4 * one_bone_keyframe, a.frame_start = frame_ranges[k][0], a.frame_end = frame_ranges[k][1];
    }
    level.num_animations = 5;
    level.set_num_frames(5 * 2 * one_bone_keyframe);
    ASSERT_TRUE(apply_animation_parameters(level, 0, 1, {70000, 65537, 300, 10}));
    const auto read = animation_parameters(level, 0, 1);
    EXPECT_EQ(std::tie(read->next_animation, read->next_frame, read->frame_rate, read->amount_frames),
              std::make_tuple(70000 & 0xFFFF, 1, 300 & 0xFF, 10));
    // Animation 1 now spans 10 frames; the moveable's later animation moves
    // by the difference, -10; the earlier one and the other moveable's do not.
    std::vector<std::pair<int, int>> frames;
    for (const tanimation& a : level.animations) frames.emplace_back(a.frame_start, a.frame_end);
    EXPECT_EQ(frames, (std::vector<std::pair<int, int>>{{0, 99}, {100, 109}, {110, 130}, {0, 29}, {30, 50}}));

    // Nothing is applied to a moveable without animations, or to an animation without keyframes.
    level.moveables[1].animation = -1;                // moveable 0 now runs to the end,
    level.set_num_frames(4 * 2 * one_bone_keyframe);  // where its last animation has no keyframes
    const std::vector<tanimation> before = level.animations;
    for (const auto& [m, j] : {std::pair{1, 0}, {7, 0}, {0, 4}})
        EXPECT_FALSE(apply_animation_parameters(level, m, j, {1, 1, 1, 1})) << m << " " << j;
    EXPECT_EQ(std::memcmp(before.data(), level.animations.data(), before.size() * sizeof(tanimation)), 0);
    EXPECT_FALSE(animation_parameters(level, 0, 9));
}

}  // namespace
}  // namespace kelanim
