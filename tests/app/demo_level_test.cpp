// The demo level shipped in data/demo: what `scripts/run` opens by default.
#include "demo_level.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "anim/keyframes.h"
#include "catalog/catalog.h"
#include "catalog/catalog_file.h"
#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"

namespace kelanim {
namespace {

const std::filesystem::path demo_dir = std::filesystem::path(KELANIM_SOURCE_DIR) / "data/demo";

class ShippedDemo : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedDemo, HoldsATexturedJointedFigureWithLoopingAnimations)
{
    Ttrlevel level;
    ASSERT_EQ(level.load_level((demo_dir / GetParam()).string()), load_ok);
    EXPECT_FALSE(level.truncated);
    ASSERT_EQ(level.num_moveables, 1u);
    EXPECT_GE(level.moveables[0].num_meshes, 10);
    EXPECT_EQ(level.num_texture_pages, 1u);

    catalog_table names;
    const auto catalog = find_catalog_file();
    ASSERT_TRUE(catalog);
    read_catalog(names, *catalog, level.version_code);
    EXPECT_EQ(moveable_name(names, level.moveables[0].object_id), "LARA");

    const std::int32_t animations = animation_count(level, 0);
    EXPECT_GE(animations, 3);
    for (std::int32_t j = 0; j < animations; ++j) {
        EXPECT_GE(keyframe_count(level, 0, j), 3);
        EXPECT_GT(keyframe_rate(level, 0, j), 0);
        const tanimation& a = level.animations[static_cast<std::size_t>(j)];
        EXPECT_EQ(a.next_animation, j) << "animation " << j << " loops";
        EXPECT_EQ(a.next_frame, a.frame_start);
    }

    Tmesh_list meshes;
    meshes.decode_meshes(level);
    int textured = 0, coloured = 0;
    for (int b = 0; b < level.moveables[0].num_meshes; ++b) {
        const tmesh& mesh = meshes.meshes[static_cast<std::size_t>(meshes.bone_mesh(level, 0, b))];
        EXPECT_GT(mesh.num_textured_rects, 0);
        textured += mesh.num_textured_rects;
        coloured += mesh.num_coloured_rects;
        EXPECT_NE(meshes.bone_mesh(level, 0, b), 0) << "no bone borrows a skin mesh";
    }
    EXPECT_GT(textured, 50);
    if (level.version_code < code_tr4) {
        EXPECT_GE(coloured, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Generations, ShippedDemo, ::testing::Values("demo.tr2", "demo.tr4"));

TEST(DemoLevel, TheGeneratorMakesTheShippedFigure)
{
    // The shipped files hold what the generator makes today.
    for (const auto& [code, name] : {std::pair{code_tr2, "demo.tr2"}, std::pair{code_tr4, "demo.tr4"}}) {
        Ttrlevel made, shipped;
        demo::make_demo_level(made, code);
        ASSERT_EQ(shipped.load_level((demo_dir / name).string()), load_ok);
        EXPECT_EQ(made.frames, shipped.frames) << name;
        EXPECT_EQ(made.mesh_data, shipped.mesh_data) << name;
        EXPECT_EQ(made.mesh_trees, shipped.mesh_trees) << name;
        EXPECT_EQ(made.textile16, shipped.textile16) << name;
    }
}

}  // namespace
}  // namespace kelanim
