#include "anim/bone_walk.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelanim {
namespace {

// A level holding one moveable with the given bone links (bones 1 onward).
Ttrlevel level_with_links(const std::vector<tbone_link>& links)
{
    Ttrlevel level;
    level.version_code = code_tr4;
    tmoveable m{};
    m.num_meshes = std::uint16_t(links.size() + 1);
    level.moveables = {m};
    level.num_moveables = 1;
    for (const tbone_link& l : links) level.mesh_trees.insert(level.mesh_trees.end(), {l.flags, l.dx, l.dy, l.dz});
    level.num_mesh_trees = std::uint32_t(level.mesh_trees.size());
    return level;
}

tpose still_pose(std::size_t bones, std::array<std::int16_t, 3> offset = {})
{
    tpose pose;
    pose.offset = offset;
    pose.angles.resize(bones);
    return pose;
}

// Origin of every bone after the walk.
std::vector<glm::dvec3> origins(const Ttrlevel& level, const tpose& pose, root_mode mode = root_mode::translate,
                                const bone_matrix& base = bone_matrix(1.0))
{
    std::vector<glm::dvec3> out;
    walk_bones(level, 0, pose, mode, base, [&](std::int32_t b, const bone_matrix& t) {
        EXPECT_EQ(b, std::int32_t(out.size()));  // bone order
        out.push_back(transform_point(t, glm::dvec3(0.0)));
    });
    return out;
}

void expect_near(const glm::dvec3& actual, const glm::dvec3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
    EXPECT_NEAR(actual.z, expected.z, 1e-9);
}

TEST(BoneWalk, RotatesAboutZThenXThenYThenTranslates)
{
    const bone_matrix local = bone_local_transform({90, 90, 90}, {10, 20, 30});
    // (1, 2, 3): about z to (-2, 1, 3), about x to (-2, -3, 1), about y to (1, -3, 2).
    expect_near(transform_point(local, {1, 2, 3}), {11, 17, 32});
    // The D3DX layout: the translation lies in the fourth row, elements 12 to 14.
    EXPECT_DOUBLE_EQ((&local[0][0])[13], 20.0);
}

TEST(BoneWalk, RootOffsetAndBaseTransform)
{
    const Ttrlevel level = level_with_links({{0, 0, -100, 0}});
    const tpose pose = still_pose(2, {5, -442, 7});
    std::vector<glm::dvec3> at = origins(level, pose);
    expect_near(at[0], {5, -442, 7});
    expect_near(at[1], {5, -542, 7});
    at = origins(level, pose, root_mode::ignore_translation);
    expect_near(at[1], {0, -100, 0});
    bone_matrix base(1.0);
    base[3] = {1000, 0, 0, 1};
    at = origins(level, pose, root_mode::translate, base);
    expect_near(at[1], {1005, -542, 7});

    // No meshes, or no such moveable: no bone is visited.
    Ttrlevel empty = level_with_links({});
    empty.moveables[0].num_meshes = 0;
    EXPECT_TRUE(origins(empty, still_pose(0)).empty());
    int visits = 0;
    walk_bones(level, 1, pose, root_mode::translate, bone_matrix(1.0), [&](std::int32_t, const bone_matrix&) { ++visits; });
    EXPECT_EQ(visits, 0);
}

TEST(BoneWalk, ChildrenFollowTheirParentsRotation)
{
    const Ttrlevel level = level_with_links({{0, 100, 0, 0}, {0, 100, 0, 0}});
    tpose pose = still_pose(3);
    pose.angles[0].y = 90;  // x turns into -z
    pose.angles[1].z = 90;  // x turns into y, then the parent's turn applies
    const std::vector<glm::dvec3> at = origins(level, pose);
    expect_near(at[1], {0, 0, -100});
    expect_near(at[2], {0, 100, -100});
}

TEST(BoneWalk, LinksPopBeforeTheyPush)
{
    // Bone 1 saves the hips; bone 2 goes down a leg; bone 3 returns to the
    // saved transform and keeps it saved (flags 3); bone 4 pops it once more.
    const Ttrlevel level = level_with_links({
        {link_push, 100, 0, 0},
        {0, 0, 100, 0},
        {link_pop | link_push, 0, 0, 100},
        {link_pop, 0, 0, -100},
        {link_pop, 7, 0, 0},  // nothing saved any more: carries on from bone 4
    });
    const std::vector<glm::dvec3> at = origins(level, still_pose(6));
    expect_near(at[1], {100, 0, 0});
    expect_near(at[2], {100, 100, 0});
    expect_near(at[3], {0, 0, 100});
    expect_near(at[4], {0, 0, -100});
    expect_near(at[5], {7, 0, -100});
}

TEST(BoneWalk, AtMostSixtyThreeTransformsAreSaved)
{
    // Bones 1 to 64 each push, then move one unit along x; the 64th push is lost.
    std::vector<tbone_link> links(64, tbone_link{link_push, 1, 0, 0});
    links.push_back({link_pop, 1000, 0, 0});  // bone 65
    links.push_back({link_pop, 1000, 0, 0});  // bone 66
    const Ttrlevel level = level_with_links(links);
    const std::vector<glm::dvec3> at = origins(level, still_pose(67));
    expect_near(at[64], {64, 0, 0});
    expect_near(at[65], {1062, 0, 0});  // back to bone 62, the last saved
    expect_near(at[66], {1061, 0, 0});
}

TEST(BoneWalk, MissingLinksAndAnglesCountAsZero)
{
    Ttrlevel level = level_with_links({{0, 10, 0, 0}});
    level.moveables[0].num_meshes = 4;  // the mesh tree holds only bone 1's link
    tpose pose = still_pose(1, {1, 2, 3});
    pose.angles[0].x = 90;
    const std::vector<glm::dvec3> at = origins(level, pose);
    ASSERT_EQ(at.size(), 4u);
    expect_near(at[1], {11, 2, 3});
    expect_near(at[3], {11, 2, 3});
    EXPECT_FALSE(bone_link(level, 0, 2).has_value());
    EXPECT_FALSE(bone_link(level, 0, 0).has_value());
    EXPECT_EQ(bone_link(level, 0, 1)->dx, 10);

    level.moveables[0].mesh_tree = 0xFFFFFFF0u;  // far beyond the mesh tree words
    EXPECT_FALSE(bone_link(level, 0, 1).has_value());
    EXPECT_EQ(origins(level, pose).size(), 4u);
}

}  // namespace
}  // namespace kelanim
