// Export of the real levels' moveables: every moveable of every level can be
// exported, and Assimp reads Lara's .ms3d files with the joints, keys,
// vertices and materials the level gives her.
#include <gtest/gtest.h>

#include "anim/keyframes.h"
#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "milkshape/ms3d_file.h"

#ifdef KELANIM_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace kelanim {
namespace {

struct RealLevel {
    Ttrlevel level;
    Tmesh_list meshes;
};

std::unique_ptr<RealLevel> open_real(const std::filesystem::path& path)
{
    auto real = std::make_unique<RealLevel>();
    EXPECT_EQ(real->level.load_level(path.string()), load_ok) << path;
    real->meshes.decode_meshes(real->level);
    return real;
}

TEST(ExportRealLevels, EveryMoveableAndStaticMeshCanBeExported)
{
    KELANIM_REQUIRE_REALDATA();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        auto real = open_real(path);
        TMS3D_File model;
        repack_result pages;
        export_request request;
        request.path = "/nowhere/model.ms3d";
        for (std::int32_t m = 0; m < static_cast<std::int32_t>(real->level.moveables.size()); ++m) {
            request.moveable = m;
            request.animation = std::max(animation_count(real->level, m) - 1, 0);
            const auto problem = prepare_export(real->level, real->meshes, request, model, pages);
            ASSERT_FALSE(problem) << "moveable " << m << ": " << *problem;
            ASSERT_EQ(model.num_joints, real->level.moveables[static_cast<std::size_t>(m)].num_meshes);
            ASSERT_EQ(model_inconsistency(model), "") << "moveable " << m;
        }
        request.view_mode = export_static_mesh;
        for (request.static_mesh = 0; request.static_mesh < static_cast<std::int32_t>(real->level.static_meshes.size());
             request.static_mesh += 7)
            ASSERT_FALSE(prepare_export(real->level, real->meshes, request, model, pages)) << request.static_mesh;
    }
}

#ifdef KELANIM_HAVE_ASSIMP

TEST(ExportRealLevels, AssimpReadsLaraOfEveryLevel)
{
    KELANIM_REQUIRE_REALDATA();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        auto real = open_real(path);
        const Ttrlevel& level = real->level;
        const std::int32_t bones = level.moveables[0].num_meshes;
        const std::int32_t keyframes = keyframe_count(level, 0, 0);
        const auto dir = test::exchange_dir("lara-" + path.stem().string());

        for (bool by_bones : {false, true}) {
            SCOPED_TRACE(by_bones ? "by bones" : "by texture");
            export_request request;
            request.path = (dir / "lara.ms3d").string();
            request.by_bones = by_bones;
            TMS3D_File model;
            repack_result pages;
            ASSERT_FALSE(prepare_export(level, real->meshes, request, model, pages));
            const auto triangles = model.num_triangles, materials = model.num_materials;
            ASSERT_TRUE(export_selection(level, real->meshes, request, model).ok);

            Assimp::Importer importer;
            const aiScene* scene = importer.ReadFile(request.path, 0);
            ASSERT_NE(scene, nullptr) << importer.GetErrorString();
            unsigned faces = 0, vertices = 0;
            for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
                faces += scene->mMeshes[i]->mNumFaces;
                vertices += scene->mMeshes[i]->mNumVertices;
            }
            EXPECT_EQ(faces, triangles);
            EXPECT_EQ(vertices, 3u * triangles);  // Assimp gives every corner its own vertex
            if (by_bones) {
                EXPECT_EQ(scene->mNumMeshes, static_cast<unsigned>(bones));
            } else {
                EXPECT_EQ(materials, pages.new_page_count);
                ASSERT_EQ(scene->mNumMaterials, static_cast<unsigned>(materials));
                for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
                    const aiMaterial& material = *scene->mMaterials[i];
                    aiString texture, name;
                    ASSERT_EQ(material.GetTexture(aiTextureType_DIFFUSE, 0, &texture), AI_SUCCESS);
                    EXPECT_EQ(texture.C_Str(), page_file_name((dir / "lara").string(), static_cast<int>(i), materials));
                    EXPECT_TRUE(std::filesystem::exists(texture.C_Str()));
                    material.Get(AI_MATKEY_NAME, name);
                    EXPECT_EQ(name.C_Str(), "Material#" + std::to_string(i));
                    float opacity = 0;
                    material.Get(AI_MATKEY_OPACITY, opacity);
                    EXPECT_EQ(opacity, 1.0f);
                }
            }

            // One node per joint with its parent, one channel per joint with a key per keyframe.
            for (std::int32_t b = 0; b < bones; ++b) {
                const aiNode* node = scene->mRootNode->FindNode(("Bone#" + std::to_string(b)).c_str());
                ASSERT_NE(node, nullptr) << b;
                const std::string parent = b > 0 ? node->mParent->mName.C_Str() : "Bone#";
                EXPECT_EQ(parent.rfind("Bone#", 0), 0u) << b;
            }
            ASSERT_EQ(scene->mNumAnimations, 1u);
            const aiAnimation* animation = scene->mAnimations[0];
            ASSERT_EQ(animation->mNumChannels, static_cast<unsigned>(bones));
            for (unsigned c = 0; c < animation->mNumChannels; ++c) {
                EXPECT_EQ(animation->mChannels[c]->mNumRotationKeys, static_cast<unsigned>(keyframes));
                EXPECT_EQ(animation->mChannels[c]->mNumPositionKeys, static_cast<unsigned>(keyframes));
            }
            EXPECT_EQ(animation->mTicksPerSecond, *milkshape_fps(keyframe_rate(level, 0, 0)));
        }
    }
}

#endif

}  // namespace
}  // namespace kelanim
