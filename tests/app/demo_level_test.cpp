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

TEST(DemoLevel, HoldsATexturedJointedFigureWithLoopingAnimations)
{
    for (const auto& [code, name] : {std::pair{code_tr2, "demo.tr2"}, std::pair{code_tr4, "demo.tr4"}}) {
        SCOPED_TRACE(name);
        Ttrlevel level;
        ASSERT_EQ(level.load_level((demo_dir / name).string()), load_ok);
        EXPECT_FALSE(level.truncated);
        ASSERT_EQ(level.num_moveables, 1u);
        EXPECT_GE(level.moveables[0].num_meshes, 10);

        // The shipped file holds what the generator makes today.
        Ttrlevel made;
        demo::make_demo_level(made, code);
        EXPECT_EQ(made.frames, level.frames);
        EXPECT_EQ(made.mesh_data, level.mesh_data);
        EXPECT_EQ(made.mesh_trees, level.mesh_trees);
        EXPECT_EQ(made.textile16, level.textile16);

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
            const std::int32_t i = meshes.bone_mesh(level, 0, b);
            EXPECT_NE(i, 0) << "no bone borrows a skin mesh";
            const tmesh& mesh = meshes.meshes[static_cast<std::size_t>(i)];
            EXPECT_GT(mesh.num_textured_rects, 0);
            textured += mesh.num_textured_rects;
            coloured += mesh.num_coloured_rects;
        }
        EXPECT_GT(textured, 50);
        EXPECT_GE(coloured, code < code_tr4 ? 3 : 0);
    }
}

}  // namespace
}  // namespace kelanim
