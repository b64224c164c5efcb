// Blender, headless, when installed: it reads our .glb as one armature with a
// bone per mesh whose heads follow our pose at every keyframe, and what it
// exports again as .glb and .fbx imports back within a few level units.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include <nlohmann/json.hpp>

#include "anim/bone_walk.h"
#include "geometry/mesh_list.h"
#include "gltf/import_model.h"
#include "model_fixtures.h"

namespace kelanim::test {
namespace {

// Every bone's origin at every keyframe of animation j, level units.
std::vector<std::vector<glm::dvec3>> bone_origins(const Ttrlevel& level, int m, int j)
{
    std::vector<std::vector<glm::dvec3>> keyframes(static_cast<std::size_t>(keyframe_count(level, m, j)));
    for (std::size_t k = 0; k < keyframes.size(); ++k)
        walk_bones(level, m, decode_keyframe(level, m, j, static_cast<std::int32_t>(k)), root_mode::translate,
                   bone_matrix(1.0), [&](std::int32_t, const bone_matrix& t) { keyframes[k].emplace_back(t[3]); });
    return keyframes;
}

TEST(BlenderRoundTrip, ImportsOurPoseAndExportsItBack)
{
    if (std::system("command -v blender >/dev/null 2>&1") != 0) GTEST_SKIP() << "blender is not installed";
    // Lara when the real levels are there (her mesh tree pops and pushes), else the demo figure.
    const bool real = have_realdata();
    const std::string path = real ? real_level("tr4.tr4").string() : std::string(KELANIM_DEMO_DIR) + "/demo.tr4";
    const int m = 0, j = real ? 3 : 0;
    Ttrlevel original;
    ASSERT_EQ(original.load_level(path), 0);
    Tmesh_list meshes;
    meshes.decode_meshes(original);
    const auto dir = output_dir();
    ASSERT_TRUE(export_gltf(original, meshes, {.path = (dir / "ours.glb").string(), .moveable = m, .animation = j}).ok);
    const std::string command = "blender -b --factory-startup -P \"" KELANIM_BLENDER_SCRIPT "\" -- \"" +
                                (dir / "ours.glb").string() + "\" \"" + dir.string() + "\" " +
                                std::to_string(keyframe_rate(original, m, j)) + " >\"" + (dir / "blender.log").string() +
                                "\" 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "Blender failed, see " << (dir / "blender.log");

    const auto ours = bone_origins(original, m, j);
    const auto seen = nlohmann::json::parse(std::ifstream(dir / "blender.json"));
    const int bones = original.moveables[m].num_meshes;
    ASSERT_EQ(std::tuple(seen["armatures"].get<int>(), seen["bones"].size(), seen["keyframes"].size()),
              std::tuple(1, std::size_t(bones), ours.size()));
    for (std::size_t k = 0; k < ours.size(); ++k)
        for (int b = 0; b < bones; ++b) {
            const auto head = seen["keyframes"][k][joint_name(b)].get<std::array<double, 3>>();  // glTF axes, metres
            EXPECT_LT(glm::distance(glm::dvec3(head[0], -head[1], -head[2]) * 512.0, ours[k][b]), 1.0) << k << " " << b;
        }

    for (const char* exported : {"blender.glb", "blender.fbx"}) {
        SCOPED_TRACE(exported);
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path), 0);
        meshes.decode_meshes(level);
        const exchange_outcome outcome = import_model_file(level, meshes, m, j, (dir / exported).string(), "");
        ASSERT_TRUE(outcome.ok) << outcome.message;
        const auto back = bone_origins(level, m, j);
        ASSERT_EQ(back.size(), ours.size());
        for (std::size_t k = 0; k < ours.size(); ++k)
            for (std::size_t b = 0; b < ours[k].size(); ++b)
                EXPECT_LT(glm::distance(back[k][b], ours[k][b]), 4.0) << k << " " << b;
    }
}

}  // namespace
}  // namespace kelanim::test
