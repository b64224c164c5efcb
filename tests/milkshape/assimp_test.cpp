// Real MilkShape files read by load_ms3d, checked against what Assimp finds.
// (Files the export writes are read by Assimp in export_real_test.)
#include <gtest/gtest.h>

#ifdef KELANIM_HAVE_ASSIMP

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>

#include "milkshape/mst_file.h"
#include "ms3d_samples.h"

namespace kelanim {
namespace {

std::filesystem::path real_model(const std::string& name) { return test::realdata_dir() / "ms3d" / name; }

// Assimp gives each group its own mesh in file order, with three vertices of
// its own per triangle; compares them with the model's groups, corner by corner.
void expect_same_geometry(const TMS3D_File& model, const aiScene* scene)
{
    ASSERT_EQ(scene->mNumMeshes, model.num_groups);
    unsigned total_faces = 0;
    for (unsigned g = 0; g < scene->mNumMeshes; ++g) {
        SCOPED_TRACE(g);
        const aiMesh* mesh = scene->mMeshes[g];
        const MS3D_Group& group = model.groups[g];
        ASSERT_EQ(mesh->mNumFaces, group.num_triangles);
        total_faces += mesh->mNumFaces;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            ASSERT_EQ(face.mNumIndices, 3u);
            const MS3D_Triangle& triangle = model.triangles[group.triangle_indices[f]];
            for (int c = 0; c < 3; ++c) {
                const aiVector3D& p = mesh->mVertices[face.mIndices[c]];
                ASSERT_EQ((std::array<float, 3>{p.x, p.y, p.z}), model.vertices[triangle.vertex_indices[c]].position)
                    << f << " " << c;
            }
        }
    }
    EXPECT_EQ(total_faces, model.num_triangles);
    // Groups without a material get a default one from Assimp.
    bool needs_default = std::any_of(model.groups.begin(), model.groups.end(),
                                     [&](const MS3D_Group& g) { return g.material_index < 0; });
    EXPECT_EQ(scene->mNumMaterials, model.num_materials + (needs_default ? 1u : 0u));
}

TEST(RealMilkShapeFiles, LoadWithTheCountsAssimpFinds)
{
    auto path = real_model("twospheres_withmats.ms3d");
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "absent: " << path;

    TMS3D_File model;
    ASSERT_EQ(load_ms3d(model, path.string(), false), ms3d_ok) << model.last_error;
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path.string(), 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    expect_same_geometry(model, scene);
    EXPECT_EQ(model.num_vertices, 124);
    EXPECT_EQ(model.num_triangles, 240);
    EXPECT_EQ(model.num_joints, 0);
    EXPECT_EQ(scene->mNumAnimations, 0u);

    // MilkShape 1.8's 14-byte vertex extras, every one "no further joint".
    EXPECT_EQ(model.subversion, 3);
    for (const MS3D_VertexExtra& e : model.vertex_extras) {
        ASSERT_EQ(e.bone_ids, (std::array<std::int8_t, 3>{-1, -1, -1}));
        ASSERT_EQ(e.weights, (std::array<std::uint8_t, 3>{0, 0, 0}));
    }

    // The interpolating mode reads the same model; welding and the ascii form
    // keep its triangles.
    TMS3D_File interpolated;
    ASSERT_EQ(load_ms3d(interpolated, path.string(), true), ms3d_ok) << interpolated.last_error;
    EXPECT_EQ(interpolated.num_triangles, 240);
    ASSERT_TRUE(weld_vertices(interpolated, false)) << interpolated.last_error;
    auto mst = test::temp_path("twospheres.mst");
    save_mst(interpolated, mst.string());
    TMS3D_File reread;
    ASSERT_EQ(load_ms3d(reread, mst.string(), true), ms3d_ok) << reread.last_error;
    EXPECT_EQ(reread.num_triangles, 240);
}

}  // namespace
}  // namespace kelanim

#endif  // KELANIM_HAVE_ASSIMP
