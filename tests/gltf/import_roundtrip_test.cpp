// Export then import, in process: every keyframe's offset and rotation words
// come back equal, for Lara in every real level and the demo figure.
#include <gtest/gtest.h>

#include "geometry/mesh_list.h"
#include "gltf/import_model.h"
#include "gltf/joint_names.h"
#include "gltf/model_reading.h"
#include "model_fixtures.h"

namespace kelanim::test {
namespace {

// The words a keyframe's offset and rotations are stored in.
std::vector<std::uint16_t> pose_words(const Ttrlevel& level, int m, int j, int k)
{
    const std::int64_t w = keyframe_word(level, m, j, k);
    std::vector<std::uint16_t> words(level.frames.begin() + w + 6, level.frames.begin() + w + 9);
    const int header = level.version_code <= code_tr1_ub ? 10 : 9;
    for (const rotation_entry& e : read_rotation_entries(level, w + header, level.moveables[m].num_meshes))
        words.insert(words.end(), e.words.begin(), e.words.begin() + e.count);
    return words;
}

TEST(ImportRoundTrip, EveryOffsetAndAngleWordComesBack)
{
    const int m = 0;
    for (const auto& path : exchange_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel original, level;
        ASSERT_TRUE(original.load_level(path.string()) == load_ok && level.load_level(path.string()) == load_ok);
        Tmesh_list meshes, exported_meshes;  // the export renumbers textures in its own
        meshes.decode_meshes(level);
        exported_meshes.decode_meshes(original);
        const int animations = std::min(animation_count(level, m), 40);  // a few seconds at most
        for (int j = 0; j < animations; ++j) {
            const int keys = keyframe_count(original, m, j);
            if (keys == 0 || keyframe_rate(original, m, j) == 0) continue;
            const skeleton_read read = read_gltf_bytes(exported_glb(original, exported_meshes, m, j), "");
            ASSERT_EQ(read.error, "");
            const exchange_outcome outcome = import_model_animation(level, meshes, m, j, read.skeleton, "");
            ASSERT_TRUE(outcome.ok && keyframe_count(level, m, j) == keys) << outcome.message << " animation " << j;
            for (int k = 0; k < keys; ++k)
                ASSERT_EQ(pose_words(level, m, j, k), pose_words(original, m, j, k)) << "animation " << j << " keyframe " << k;
        }
    }
}

TEST(JointNames, ToolDecorationsKeepTheBoneNumber)
{
    const std::pair<const char*, std::optional<int>> joints[] = {
        {"bone_03", 3},           {"Armature|bone_03", 3}, {"Armature:bone_12.001", 12}, {"bone_100", 100},
        {"bone_03_end", {}},      {"mesh", {}},            {"bone_", {}},                {"bone_3.x", {}}};
    for (const auto& [name, bone] : joints) EXPECT_EQ(bone_number(name), bone) << name;
    const std::pair<const char*, const char*> animations[] = {
        {"anim_3", "anim_3"}, {"Armature|anim_3", "anim_3"}, {"Armature|anim_3_Armature", "anim_3"}};
    for (const auto& [name, plain] : animations) EXPECT_EQ(undecorated_animation_name(name), plain) << name;
}

}  // namespace
}  // namespace kelanim::test
