// Real data: every moveable of every level exports, Assimp reads Lara's
// exported .ms3d files, and load_ms3d reads a real MilkShape file as Assimp does.
#include <gtest/gtest.h>

#include "anim/keyframes.h"
#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/mst_file.h"

#ifdef KELANIM_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace kelanim {
namespace {

struct RealLevel {
    Ttrlevel level;
    Tmesh_list meshes;
    explicit RealLevel(const std::filesystem::path& path)
    {
        EXPECT_EQ(level.load_level(path.string()), load_ok) << path;
        meshes.decode_meshes(level);
    }
};

TEST(ExportRealLevels, EveryMoveableAndStaticMeshCanBeExported)
{
    KELANIM_REQUIRE_REALDATA();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        RealLevel real(path);
        TMS3D_File model;
        repack_result pages;
        export_request r{.path = "/nowhere/model.ms3d"};
        for (; r.moveable < static_cast<std::int32_t>(real.level.moveables.size()); ++r.moveable) {
            r.animation = std::max(animation_count(real.level, r.moveable) - 1, 0);
            const auto problem = prepare_export(real.level, real.meshes, r, model, pages);
            ASSERT_FALSE(problem) << "moveable " << r.moveable << ": " << *problem;
            ASSERT_EQ(model.num_joints, real.level.moveables[static_cast<std::size_t>(r.moveable)].num_meshes);
            ASSERT_EQ(model_inconsistency(model), "") << "moveable " << r.moveable;
        }
        r.view_mode = export_static_mesh;
        for (; r.static_mesh < static_cast<std::int32_t>(real.level.static_meshes.size()); r.static_mesh += 7)
            ASSERT_FALSE(prepare_export(real.level, real.meshes, r, model, pages)) << r.static_mesh;
    }
}

#ifdef KELANIM_HAVE_ASSIMP

unsigned face_count(const aiScene& scene)
{
    unsigned faces = 0;
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) faces += scene.mMeshes[i]->mNumFaces;
    return faces;
}

TEST(ExportRealLevels, AssimpReadsLaraOfEveryLevel)
{
    KELANIM_REQUIRE_REALDATA();
    for (const auto& path : test::real_levels()) {
        RealLevel real(path);
        const std::int32_t bones = real.level.moveables[0].num_meshes, keyframes = keyframe_count(real.level, 0, 0);
        const auto dir = test::exchange_dir("lara-" + path.stem().string());
        for (bool by_bones : {false, true}) {
            SCOPED_TRACE(path.filename().string() + (by_bones ? " by bones" : " by texture"));
            const export_request request{.path = (dir / "lara.ms3d").string(), .by_bones = by_bones};
            TMS3D_File model;
            repack_result pages;
            ASSERT_FALSE(prepare_export(real.level, real.meshes, request, model, pages));
            const auto triangles = model.num_triangles, materials = model.num_materials;
            ASSERT_TRUE(export_selection(real.level, real.meshes, request, model).ok);

            Assimp::Importer importer;
            const aiScene* scene = importer.ReadFile(request.path, 0);
            ASSERT_NE(scene, nullptr) << importer.GetErrorString();
            EXPECT_EQ(face_count(*scene), triangles);
            EXPECT_EQ(scene->mNumMeshes, by_bones ? static_cast<unsigned>(bones) : materials);
            EXPECT_EQ(materials, by_bones ? 0 : pages.new_page_count);
            for (unsigned i = 0; i < materials; ++i) {  // every page file, named as the material's texture
                aiString texture;
                ASSERT_EQ(scene->mMaterials[i]->GetTexture(aiTextureType_DIFFUSE, 0, &texture), AI_SUCCESS);
                EXPECT_EQ(texture.C_Str(), page_file_name((dir / "lara").string(), static_cast<int>(i), materials));
                EXPECT_TRUE(std::filesystem::exists(texture.C_Str()));
            }
            // One node per joint below a joint, one channel per joint with a key per keyframe.
            for (std::int32_t b = 1; b < bones; ++b) {
                const aiNode* node = scene->mRootNode->FindNode(("Bone#" + std::to_string(b)).c_str());
                ASSERT_TRUE(node && std::string(node->mParent->mName.C_Str()).rfind("Bone#", 0) == 0) << b;
            }
            ASSERT_EQ(scene->mNumAnimations, 1u);
            const aiAnimation& animation = *scene->mAnimations[0];
            ASSERT_EQ(animation.mNumChannels, static_cast<unsigned>(bones));
            for (unsigned c = 0; c < animation.mNumChannels; ++c)
                EXPECT_EQ(animation.mChannels[c]->mNumRotationKeys + animation.mChannels[c]->mNumPositionKeys,
                          2u * static_cast<unsigned>(keyframes));
            EXPECT_EQ(animation.mTicksPerSecond, *milkshape_fps(keyframe_rate(real.level, 0, 0)));
        }
    }
}

TEST(RealMilkShapeFiles, LoadWithTheGeometryAssimpFinds)
{
    const auto path = test::realdata_dir() / "ms3d" / "twospheres_withmats.ms3d";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "absent: " << path;
    TMS3D_File model;
    ASSERT_EQ(load_ms3d(model, path.string(), false), ms3d_ok) << model.last_error;
    EXPECT_EQ(model.num_vertices + model.num_joints, 124);
    // MilkShape 1.8's 14-byte vertex extras, every one "no further joint".
    EXPECT_EQ(model.subversion, 3);
    for (const MS3D_VertexExtra& e : model.vertex_extras)
        ASSERT_TRUE(e.bone_ids == MS3D_VertexExtra{}.bone_ids && e.weights == MS3D_VertexExtra{}.weights);

    // Assimp gives each group its own mesh in file order, with three vertices
    // of its own per triangle: compared corner by corner.
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path.string(), 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ASSERT_EQ(scene->mNumMeshes, model.num_groups);
    for (unsigned g = 0; g < scene->mNumMeshes; ++g) {
        const aiMesh* mesh = scene->mMeshes[g];
        ASSERT_EQ(mesh->mNumFaces, model.groups[g].num_triangles) << g;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f)
            for (int c = 0; c < 3; ++c) {
                const aiVector3D& p = mesh->mVertices[mesh->mFaces[f].mIndices[c]];
                const auto& corner = model.triangles[model.groups[g].triangle_indices[f]].vertex_indices[c];
                ASSERT_EQ((std::array<float, 3>{p.x, p.y, p.z}), model.vertices[corner].position) << g << " " << f;
            }
    }
    EXPECT_EQ(face_count(*scene) + model.num_triangles, 2 * 240u);
    // The interpolating mode reads the same model; welding and the ascii form keep its triangles.
    ASSERT_EQ(load_ms3d(model, path.string(), true), ms3d_ok) << model.last_error;
    ASSERT_TRUE(weld_vertices(model, false)) << model.last_error;
    const auto mst = test::short_output_dir("milkshape-exchange") / "twospheres.mst";
    save_mst(model, mst.string());
    TMS3D_File reread;
    ASSERT_EQ(load_ms3d(reread, mst.string(), true), ms3d_ok) << reread.last_error;
    EXPECT_EQ(reread.num_triangles, 240);
}

#endif

}  // namespace
}  // namespace kelanim
