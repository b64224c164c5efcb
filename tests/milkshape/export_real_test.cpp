// Real data: every moveable and static mesh of every level exports, and
// load_ms3d reads a real MilkShape file as Assimp, an independent reader, does.
#include <gtest/gtest.h>

#include "anim/keyframes.h"
#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/mst_file.h"
#include "byte_builder.h"

#ifdef KELANIM_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace kelanim {
namespace {

TEST(ExportRealLevels, EveryMoveableAndStaticMeshCanBeExported)
{
    KELANIM_REQUIRE_REALDATA();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        test::ExchangeLevel real(code_tr1, {});
        ASSERT_EQ(real.level.load_level(path.string()), load_ok);
        real.meshes.decode_meshes(real.level);
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
    EXPECT_EQ(model.num_triangles, 240);
    // Saved again, the file is MilkShape's byte for byte up to the joint and model extras it adds last.
    const auto resaved = test::short_output_dir("milkshape-exchange") / "twospheres.ms3d";
    save_ms3d(model, resaved.string());
    const auto original = test::read_file(path), again = test::read_file(resaved);
    ASSERT_EQ(original.size(), again.size() + 20);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), original.begin()));
}

#endif

}  // namespace
}  // namespace kelanim
