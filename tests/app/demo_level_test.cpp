// The demo level shipped in data/demo: what `scripts/run` opens by default.
#include "demo_level.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "anim/keyframes.h"
#include "level/ttrlevel.h"

namespace kelanim {
namespace {

const std::filesystem::path demo_dir = std::filesystem::path(KELANIM_SOURCE_DIR) / "data/demo";

TEST(DemoLevel, IsWhatTheGeneratorMakesAJointedFigureWithLoopingAnimations)
{
    for (const auto& [code, name] : {std::pair{code_tr2, "demo.tr2"}, std::pair{code_tr4, "demo.tr4"}}) {
        SCOPED_TRACE(name);
        Ttrlevel level;
        ASSERT_EQ(level.load_level((demo_dir / name).string()), load_ok);
        EXPECT_FALSE(level.truncated);
        ASSERT_EQ(level.num_moveables, 1u);

        // The shipped file holds what the generator makes today.
        Ttrlevel made;
        demo::make_demo_level(made, code);
        EXPECT_EQ(made.frames, level.frames);
        EXPECT_EQ(made.mesh_data, level.mesh_data);
        EXPECT_EQ(made.mesh_trees, level.mesh_trees);
        EXPECT_EQ(made.textile16, level.textile16);

        // A figure of ten bones or more whose animations loop; the window's and
        // the exchange's tests rely on it.
        EXPECT_GE(level.moveables[0].num_meshes, 10);
        EXPECT_GE(animation_count(level, 0), 3);
        for (std::int32_t j = 0; j < animation_count(level, 0); ++j) {
            const tanimation& a = level.animations[static_cast<std::size_t>(j)];
            EXPECT_GE(keyframe_count(level, 0, j), 3);
            EXPECT_EQ(std::pair(int(a.next_animation), int(a.next_frame)), std::pair(j, int(a.frame_start)));
        }
    }
}

}  // namespace
}  // namespace kelanim
