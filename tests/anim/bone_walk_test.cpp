#include "anim/bone_walk.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace kelanim {
namespace {

using point = std::array<long, 3>;

// A level holding one moveable with the given bone links (bones 1 onward).
Ttrlevel level_with_links(const std::vector<tbone_link>& links)
{
    Ttrlevel level;
    level.version_code = code_tr4;
    level.moveables = {tmoveable{}}, level.num_moveables = 1;
    level.moveables[0].num_meshes = std::uint16_t(links.size() + 1);
    for (const tbone_link& l : links) level.mesh_trees.insert(level.mesh_trees.end(), {l.flags, l.dx, l.dy, l.dz});
    level.num_mesh_trees = std::uint32_t(level.mesh_trees.size());
    return level;
}

// The origin of every bone of moveable m after the walk, to the nearest unit.
std::vector<point> origins(const Ttrlevel& level, const tpose& pose, root_mode mode = root_mode::translate,
                           const bone_matrix& base = bone_matrix(1.0), std::int32_t m = 0)
{
    std::vector<point> out;
    walk_bones(level, m, pose, mode, base, [&](std::int32_t b, const bone_matrix& t) {
        EXPECT_EQ(b, std::int32_t(out.size()));  // bone order
        const glm::dvec3 at = transform_point(t, glm::dvec3(0.0));
        out.push_back({std::lround(at.x), std::lround(at.y), std::lround(at.z)});
    });
    return out;
}

TEST(BoneWalk, EachBoneFollowsItsLinkFromItsParentOrTheTransformItPops)
{
    const struct {
        const char* what;
        std::vector<tbone_link> links;
        std::array<std::int16_t, 3> offset;
        std::vector<tangles> angles;
        std::vector<point> origins;
        root_mode mode = root_mode::translate;
        double base_x = 0;
    } cases[] = {
        // (1, 2, 3) turns about z to (-2, 1, 3), about x to (-2, -3, 1), about y to (1, -3, 2), then moves.
        {"rotations about z, then x, then y", {{0, 1, 2, 3}}, {10, 20, 30}, {{90, 90, 90}}, {{10, 20, 30}, {11, 17, 32}}},
        {"the root offset moves every bone", {{0, 0, -100, 0}}, {5, -442, 7}, {}, {{5, -442, 7}, {5, -542, 7}}},
        {"or is ignored", {{0, 0, -100, 0}}, {5, -442, 7}, {}, {{0, 0, 0}, {0, -100, 0}}, root_mode::ignore_translation},
        {"the base transform moves all", {{0, 0, -100, 0}}, {5, -442, 7}, {}, {{1005, -442, 7}, {1005, -542, 7}},
         root_mode::translate, 1000},
        // Bone 0 turns x into -z; bone 1 turns x into y, then its parent's turn applies.
        {"children follow their parents' rotation", {{0, 100, 0, 0}, {0, 100, 0, 0}}, {}, {{0, 90, 0}, {0, 0, 90}},
         {{0, 0, 0}, {0, 0, -100}, {0, 100, -100}}},
        // Bone 1 saves the hips; bone 2 goes down a leg; bone 3 returns to the saved transform and keeps
        // it saved (flags 3); bone 4 pops it once more; nothing is saved for bone 5: it carries on from 4.
        {"links pop before they push",
         {{link_push, 100, 0, 0}, {0, 0, 100, 0}, {link_pop | link_push, 0, 0, 100}, {link_pop, 0, 0, -100}, {link_pop, 7, 0, 0}},
         {}, {}, {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 0, 100}, {0, 0, -100}, {7, 0, -100}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        tpose pose;
        pose.offset = c.offset, pose.angles = c.angles;
        bone_matrix base(1.0);
        base[3].x = c.base_x;
        EXPECT_EQ(origins(level_with_links(c.links), pose, c.mode, base), c.origins);
    }
}

TEST(BoneWalk, AtMostSixtyThreeTransformsAreSaved)
{
    // Bones 1 to 64 each push, then move one unit along x; the 64th push is lost: bone 65 pops back to bone
    // 62, the last saved, bone 66 to bone 61.
    std::vector<tbone_link> links(64, tbone_link{link_push, 1, 0, 0});
    links.insert(links.end(), 2, tbone_link{link_pop, 1000, 0, 0});
    const std::vector<point> at = origins(level_with_links(links), tpose{});
    ASSERT_EQ(at.size(), 67u);
    EXPECT_EQ(std::vector<point>(at.begin() + 64, at.end()), (std::vector<point>{{64, 0, 0}, {1062, 0, 0}, {1061, 0, 0}}));
}

TEST(BoneWalk, MissingLinksAnglesAndBonesCountAsZero)
{
    Ttrlevel level = level_with_links({{0, 10, 0, 0}});
    level.moveables[0].num_meshes = 4;  // the mesh tree holds only bone 1's link, the pose only bone 0's angles
    tpose pose;
    pose.offset = {1, 2, 3}, pose.angles = {{90, 0, 0}};
    EXPECT_EQ(origins(level, pose), (std::vector<point>{{1, 2, 3}, {11, 2, 3}, {11, 2, 3}, {11, 2, 3}}));
    EXPECT_FALSE(bone_link(level, 0, 2) || bone_link(level, 0, 0));
    level.moveables[0].mesh_tree = 0xFFFFFFF0u;  // far beyond the mesh tree words
    EXPECT_FALSE(bone_link(level, 0, 1).has_value());
    EXPECT_EQ(origins(level, pose).size(), 4u);
    level.moveables[0].num_meshes = 0;  // no meshes, or no such moveable: no bone is visited
    EXPECT_TRUE(origins(level, pose).empty());
    EXPECT_TRUE(origins(level_with_links({}), pose, root_mode::translate, bone_matrix(1.0), 1).empty());
}

}  // namespace
}  // namespace kelanim
