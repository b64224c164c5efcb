#include "editing/animation_editing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "anim/keyframes.h"

namespace kelanim {
namespace {

constexpr std::uint8_t one_bone_keyframe = 11;  // box 6, offset 3, one two-word rotation

struct vertex {
    std::int16_t x, y, z;
};

// One TR4 mesh with one textured rectangle over its first four vertices
// (the last one repeated when there are fewer).
std::vector<std::uint16_t> tr4_mesh(const std::vector<vertex>& vertices)
{
    std::vector<std::uint16_t> w = {0, 0, 0, 100, 0, static_cast<std::uint16_t>(vertices.size())};
    for (const vertex& v : vertices)
        w.insert(w.end(), {std::uint16_t(v.x), std::uint16_t(v.y), std::uint16_t(v.z)});
    w.push_back(0);  // no normals
    w.push_back(1);  // one textured rectangle
    for (std::size_t c = 0; c < 4; ++c) w.push_back(static_cast<std::uint16_t>(std::min(c, vertices.size() - 1)));
    w.insert(w.end(), {0, 0});  // texture, effects
    w.push_back(0);             // no textured triangles
    if (w.size() % 2) w.push_back(0);
    return w;
}

// A TR4 level whose moveable 0 has one bone drawn with the mesh of
// `vertices` and one animation of one keyframe with the given root offset
// and rotation entry; its box words are 1 to 6.
struct OneBoneLevel {
    Ttrlevel level;
    Tmesh_list meshes;

    OneBoneLevel(const std::vector<vertex>& vertices, std::array<std::int16_t, 3> offset = {},
                 std::array<std::uint16_t, 2> rotation = {0, 0}, std::uint16_t num_meshes = 1)
    {
        const std::vector<std::uint16_t> mesh = tr4_mesh(vertices);
        level.loaded_tag = "Vornisk";
        level.version_code = code_tr4;
        level.mesh_data = mesh;
        level.num_mesh_data = std::uint32_t(mesh.size());
        level.mesh_pointers = {0};
        level.num_mesh_pointers = 1;
        tmoveable m{};
        m.num_meshes = num_meshes;
        m.animation = 0;
        level.moveables = {m};
        level.num_moveables = 1;
        tanimation a{};
        a.frame_size = one_bone_keyframe;
        a.frame_rate = 1;
        level.animations = {a};
        level.num_animations = 1;
        level.frames = {1, 2, 3, 4, 5, 6, offset[0], offset[1], offset[2], std::int16_t(rotation[0]),
                        std::int16_t(rotation[1])};
        level.num_frames = std::uint32_t(level.frames.size());
        meshes.decode_meshes(level);
    }

    std::vector<std::int16_t> box() const { return {level.frames.begin(), level.frames.begin() + 6}; }
};

TEST(KeyframeBox, FieldsInMinimumThenMaximumOrderLowSixteenBitsAndOnlyInsideTheFrames)
{
    OneBoneLevel l({{0, 0, 0}});
    EXPECT_EQ(keyframe_box_fields(l.level, 0, 0, 0), (std::array<std::int16_t, 6>{1, 3, 5, 2, 4, 6}));
    // The fourth field, maximum x, is word 1.
    ASSERT_TRUE(set_keyframe_box_field(l.level, 0, 0, 0, 3, 40000));
    EXPECT_EQ(std::uint16_t(l.level.frames[1]), 0x9C40);
    ASSERT_TRUE(set_keyframe_box_field(l.level, 0, 0, 0, 0, -1 - 65536));
    EXPECT_EQ(l.level.frames[0], -1);
    EXPECT_FALSE(set_keyframe_box_field(l.level, 0, 0, 0, 6, 7));

    // The rest pose of the level's first animation lies before the frames.
    const std::vector<std::int16_t> before = l.level.frames;
    EXPECT_FALSE(keyframe_box_fields(l.level, 0, 0, -1));
    EXPECT_FALSE(set_keyframe_box_field(l.level, 0, 0, -1, 0, 9));
    EXPECT_FALSE(automatic_bound(l.level, l.meshes, 0, 0, -1));
    // A keyframe count of 0 makes keyframe 0 the one before the first.
    l.level.set_num_frames(5);
    EXPECT_FALSE(keyframe_box_fields(l.level, 0, 0, 0));
    EXPECT_FALSE(set_keyframe_box_field(l.level, 0, 0, 0, 0, 9));
    EXPECT_EQ(std::vector<std::int16_t>(before.begin(), before.begin() + 5), l.level.frames);
    EXPECT_FALSE(keyframe_box_fields(l.level, 3, 0, 0));

    // A moveable without meshes keeps its box.
    OneBoneLevel meshless({{0, 0, 0}}, {}, {0, 0}, 0);
    EXPECT_FALSE(automatic_bound(meshless.level, meshless.meshes, 0, 0, 0));
    EXPECT_EQ(meshless.box(), (std::vector<std::int16_t>{1, 2, 3, 4, 5, 6}));
}

TEST(AutomaticBound, MeasuresThePosedMeshInLevelAxesTruncatedAndMovedByTheRootOffset)
{
    struct Case {
        std::vector<vertex> vertices;
        std::array<std::int16_t, 3> offset;
        std::array<std::uint16_t, 2> rotation;
        std::vector<std::int16_t> box;
    };
    const Case cases[] = {
        // The root offset is added to the measured box.
        {{{0, -500, 0}, {10, 20, 0}, {10, 20, 10}, {0, -500, 10}}, {0, -300, 0}, {0, 0}, {0, 10, -800, -280, 0, 10}},
        // x = 100 turned about y by 170 steps (59.77 degrees) comes to x = 50.4
        // and level z = -86.4; turned the other way, z = +86.4.
        {{{100, 0, 0}}, {0, 0, 0}, {0x0002, 0xA800}, {50, 50, 0, 0, -86, -86}},
        {{{100, 0, 0}}, {0, 0, 7}, {0x000D, 0x5800}, {50, 50, 0, 0, 93, 93}},
        // Turned a quarter about x, a vertex below the bone swings to z +100.
        {{{0, 100, 0}}, {0, 0, 0}, {0x1000, 0x0000}, {0, 0, 0, 0, 100, 100}},
    };
    for (const Case& c : cases) {
        OneBoneLevel l(c.vertices, c.offset, c.rotation);
        ASSERT_TRUE(automatic_bound(l.level, l.meshes, 0, 0, 0));
        EXPECT_EQ(l.box(), c.box);
    }
}

// Moveable 0 owns animations 0 to 2, moveable 1 animations 3 and 4; every
// animation has two keyframes.
Ttrlevel two_moveables()
{
    Ttrlevel level;
    level.version_code = code_tr4;
    tmoveable first{}, second{};
    first.num_meshes = 1;
    first.animation = 0;
    second.num_meshes = 1;
    second.animation = 3;
    level.moveables = {first, second};
    level.num_moveables = 2;
    const std::uint16_t starts[] = {0, 100, 120, 0, 30};
    const std::uint16_t ends[] = {99, 119, 140, 29, 50};
    for (int k = 0; k < 5; ++k) {
        tanimation a{};
        a.frame_offset = std::uint32_t(k * 2 * one_bone_keyframe * 2);
        a.frame_size = one_bone_keyframe;
        a.frame_rate = 2;
        a.frame_start = starts[k];
        a.frame_end = ends[k];
        a.next_animation = std::uint16_t(k);
        level.animations.push_back(a);
    }
    level.num_animations = 5;
    level.set_num_frames(5 * 2 * one_bone_keyframe);
    return level;
}

TEST(AnimationParameters, ApplyRenumbersTheMoveablesLaterAnimationsOnly)
{
    Ttrlevel level = two_moveables();
    ASSERT_TRUE(apply_animation_parameters(level, 0, 1, {70000, 65537, 300, 10}));
    const tanimation& edited = level.animations[1];
    EXPECT_EQ(edited.next_animation, 70000 & 0xFFFF);
    EXPECT_EQ(edited.next_frame, 1);
    EXPECT_EQ(edited.frame_rate, 300 & 0xFF);
    // Animation 1 now spans 10 frames; the moveable's later animation moves
    // by the difference, -10; the earlier one and the other moveable's do not.
    std::vector<std::pair<int, int>> frames;
    for (const tanimation& a : level.animations) frames.emplace_back(a.frame_start, a.frame_end);
    EXPECT_EQ(frames, (std::vector<std::pair<int, int>>{{0, 99}, {100, 109}, {110, 130}, {0, 29}, {30, 50}}));
}

TEST(AnimationParameters, NothingIsAppliedWithoutAnimationOrKeyframes)
{
    Ttrlevel level = two_moveables();
    level.moveables[1].animation = -1;  // moveable 0 now runs to the end
    const std::vector<tanimation> before = level.animations;
    auto unchanged = [&] {
        for (std::size_t k = 0; k < before.size(); ++k)
            if (std::memcmp(&before[k], &level.animations[k], sizeof(tanimation)) != 0) return false;
        return true;
    };
    EXPECT_FALSE(apply_animation_parameters(level, 1, 0, {1, 1, 1, 1}));  // no animations
    EXPECT_FALSE(apply_animation_parameters(level, 7, 0, {1, 1, 1, 1}));
    level.set_num_frames(4 * 2 * one_bone_keyframe);  // the last animation loses its keyframes
    EXPECT_FALSE(apply_animation_parameters(level, 0, 4, {1, 1, 1, 1}));
    EXPECT_TRUE(unchanged());
    EXPECT_FALSE(animation_parameters(level, 0, 9));
}

}  // namespace
}  // namespace kelanim
