// The glTF export of Lara of every level: the posed joints follow the bone walk,
// other readers take the files (Assimp, the Khronos validator), and importing
// the export gives every offset and angle word back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "anim/bone_walk.h"
#include "gltf/gltf_axes.h"
#include "gltf/gltf_pages.h"
#include "gltf/import_model.h"
#include "gltf/joint_names.h"
#include "gltf/model_reading.h"
#include "model_fixtures.h"

#ifdef KELANIM_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace kelanim {
namespace {

glm::dvec3 gltf_vec(glm::dvec3 p) { return glm::make_vec3(gltf_point(p.x, p.y, p.z).data()); }

// Where the glTF joints put a point of each bone at keyframe k: the nodes'
// rest translations (the root's from the keys) and the keyed rotations.
std::vector<glm::dmat4> posed_joints(const gltf_export_parts& parts, const gltf_clip& clip, std::size_t k)
{
    std::vector<glm::dmat4> world(parts.joints.size());
    for (std::size_t b = 0; b < parts.joints.size(); ++b) {
        const auto& [parent, offset, rest] = parts.joints[b];
        const auto& r = clip.rotations[b][k];
        glm::dmat4 local = glm::mat4_cast(glm::dquat(r[3], r[0], r[1], r[2]));
        local[3] = glm::dvec4(b == 0 ? glm::dvec3(glm::make_vec3(clip.root_translations[k].data()))
                                     : gltf_vec(glm::make_vec3(offset.data())), 1);
        world[b] = parent < 0 ? local : world[static_cast<std::size_t>(parent)] * local;
    }
    return world;
}

TEST(GltfExport, LaraOfEveryLevelFollowsTheBoneWalkReadsBackAndValidates)
{
    std::vector<std::string> written;
    for (const auto& path : test::exchange_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path.string()), load_ok);
        Tmesh_list meshes;
        meshes.decode_meshes(level);
        const gltf_export_parts parts = test::export_parts(level, meshes, 0, 0, true);
        ASSERT_EQ(std::pair(parts.joints.size(), parts.clips.size()),
                  std::pair(std::size_t{level.moveables[0].num_meshes}, std::size_t(animation_count(level, 0))));

        // Two points of every bone, at every keyframe of the first animations.
        for (std::int32_t j = 0; j < std::min<std::int32_t>(5, static_cast<std::int32_t>(parts.clips.size())); ++j)
            for (std::size_t k = 0; k < parts.clips[j].times.size(); ++k) {
                const auto world = posed_joints(parts, parts.clips[j], k);
                const auto pose = decode_keyframe(level, 0, j, static_cast<std::int32_t>(k));
                walk_bones(level, 0, pose, root_mode::translate, bone_matrix(1.0), [&](auto b, const bone_matrix& m) {
                    for (glm::dvec3 p : {glm::dvec3(0), glm::dvec3(100, 50, -25)}) {
                        const glm::dvec3 ours(world[b] * glm::dvec4(gltf_vec(p), 1));
                        ASSERT_LT(glm::length(ours - gltf_vec(transform_point(m, p))), 1e-5) << j << ":" << k << ":" << b;
                    }
                });
            }

        // Lara with every animation as .glb, with animation 0 as .gltf, and a static mesh.
        for (auto [file, all, mode] : {std::tuple{"lara.glb", true, export_moveable},
                                       {"lara.gltf", false, export_moveable}, {"static.glb", false, export_static_mesh}}) {
            const bool lara = mode == export_moveable;
            if (!lara && level.static_meshes.empty()) continue;
            const std::string out = (test::output_dir(path.filename().string()) / file).string();
            const auto outcome = export_gltf(level, meshes, {.path = out, .view_mode = mode, .all_animations = all});
            ASSERT_TRUE(outcome.ok) << file << ": " << outcome.message;
            if (!all) written.push_back(out);  // the validator takes seconds over every animation
#ifdef KELANIM_HAVE_ASSIMP
            Assimp::Importer importer;  // an independent reader agrees on the keys
            const aiScene* scene = importer.ReadFile(out, 0);
            ASSERT_TRUE(scene && (!lara || scene->mNumAnimations > 0)) << importer.GetErrorString();
            EXPECT_TRUE(!lara || scene->mAnimations[0]->mChannels[0]->mNumRotationKeys == parts.clips[0].times.size());
#endif
        }
    }

    // The Khronos validator finds no error in the .gltf and the static .glb.
    const std::filesystem::path validator = KELANIM_GLTF_VALIDATOR;
    if (std::system("node --version > /dev/null 2>&1") != 0 || !std::filesystem::exists(validator))
        GTEST_SKIP() << "node or the glTF validator (scripts/test-tools) is missing: the files are not validated";
    const auto report = test::output_dir() / "validator.txt";
    std::string command = "node '" KELANIM_GLTF_VALIDATE_SCRIPT "' '" + validator.string() + "'";
    for (const std::string& file : written) command += " '" + file + "'";
    EXPECT_EQ(std::system((command + " > '" + report.string() + "' 2>&1").c_str()), 0) << "see " << report;
}

TEST(GltfExport, DamagedLevelsGiveAMessageOrAnExportNeverACrash)
{
    struct damage {
        const char* what;
        void (*apply)(Ttrlevel&);
        bool all_animations;
        const char* message;  // part of the refusal or warning; empty: exports
    } cases[] = {
        {"no frame rate", [](Ttrlevel& l) { l.animations[0].frame_rate = 0; }, false, "frame rate 0"},
        {"no frame rate among all", [](Ttrlevel& l) { l.animations[0].frame_rate = 0; }, true, "left out"},
        {"absurd bone count", [](Ttrlevel& l) { l.moveables[0].num_meshes = 0xFFFF; }, true, "65535 bones"},
        {"mesh tree outside the level", [](Ttrlevel& l) { l.moveables[0].mesh_tree = 0xFFFFFFF0u; }, true, ""},
        {"missing object textures", [](Ttrlevel& l) { l.object_textures.clear(); }, false, ""},
    };
    for (const damage& d : cases) {
        SCOPED_TRACE(d.what);
        Ttrlevel level;
        ASSERT_EQ(level.load_level(std::string(KELANIM_DEMO_DIR) + "/demo.tr2"), load_ok);
        d.apply(level);
        Tmesh_list meshes;
        meshes.decode_meshes(level);
        gltf_export_parts parts;
        std::vector<std::string> said;
        const gltf_export_request request{.path = {}, .all_animations = d.all_animations};
        const auto problem = prepare_gltf_export(level, meshes, request, parts, said);
        said.push_back(problem.value_or(""));
        EXPECT_TRUE(std::any_of(said.begin(), said.end(), [&](auto& s) { return s.find(d.message) != s.npos; }))
            << testing::PrintToString(said);
        EXPECT_TRUE(problem || !encode_glb(parts).empty());
    }
}

TEST(GltfPages, MovedRegionsKeepTheirTransparentTexels)
{
    Ttrlevel level;  // texel 0 of row 1 transparent, every other one opaque
    level.version_code = code_tr3;
    level.textile16.assign(4 * 256, 0x80), level.textile16[2 * 256 + 1] = 0;
    repack_result packed;  // a 2 x 1 region moved from (0, 1) to (3, 0) of a grey page
    packed.pages = {1, std::vector<std::uint8_t>(3 * 256 * 256, 7)};
    packed.regions = {{.min_y = 1, .height = 1, .width = 2, .new_min_x = 3, .placed = true}};
    const std::vector<std::uint8_t> page = repacked_pages_rgba(packed, level).at(0);
    EXPECT_EQ(std::vector(page.begin() + 8, page.begin() + 24),
              (std::vector<std::uint8_t>{7, 7, 7, 255, 7, 7, 7, 0, 7, 7, 7, 255, 7, 7, 7, 255}));
}

// The words a keyframe's offset and rotations are stored in; packing a rotation read gives it back.
std::vector<std::uint16_t> pose_words(const Ttrlevel& level, int m, int j, int k)
{
    const std::int64_t w = keyframe_word(level, m, j, k);
    std::vector<std::uint16_t> words(level.frames.begin() + w + 6, level.frames.begin() + w + 9);
    const int header = level.version_code <= code_tr1_ub ? 10 : 9;
    for (const rotation_entry& e : read_rotation_entries(level, w + header, level.moveables[m].num_meshes)) {
        words.insert(words.end(), e.words.begin(), e.words.begin() + e.count);
        EXPECT_LT(degrees_between(pack_rotation(e.rotation, level.version_code).rotation, e.rotation), 1e-3);
    }
    return words;
}

TEST(ImportRoundTrip, EveryOffsetAndAngleWordComesBack)
{
    const int m = 0;
    for (const auto& path : test::exchange_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel original, level;
        ASSERT_TRUE(original.load_level(path.string()) == load_ok && level.load_level(path.string()) == load_ok);
        Tmesh_list meshes, exported_meshes;  // the export renumbers textures in its own
        meshes.decode_meshes(level);
        exported_meshes.decode_meshes(original);
        for (int j = 0; j < std::min(animation_count(level, m), 40); ++j) {  // a few seconds at most
            const int keys = keyframe_count(original, m, j);
            if (keys == 0 || keyframe_rate(original, m, j) == 0) continue;
            const auto read = read_gltf_bytes(encode_glb(test::export_parts(original, exported_meshes, m, j)), "");
            const exchange_outcome outcome = import_model_animation(level, meshes, m, j, read.skeleton, "");
            ASSERT_TRUE(read.error.empty() && outcome.ok && keyframe_count(level, m, j) == keys)
                << read.error << outcome.message << " animation " << j;
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
}  // namespace kelanim
