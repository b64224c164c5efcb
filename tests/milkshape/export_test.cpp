// Export of synthetic moveables and static meshes to MilkShape: joints and
// parents, triangles and shared vertices, groups and materials, timing, the
// root options, and the selections and names that must write nothing.
#include <gtest/gtest.h>

#include <cmath>

#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/mst_file.h"

namespace kelanim {
namespace {

using test::ExchangeLevel;
using test::moveable_plan;

export_request request_for(const std::filesystem::path& path, int m = 0, int j = 0)
{
    export_request r;
    r.path = path.string();
    r.moveable = m;
    r.animation = j;
    return r;
}

// The model an export would write, built in memory.
TMS3D_File prepared(ExchangeLevel& fixture, const export_request& request)
{
    TMS3D_File model;
    repack_result pages;
    const auto problem = prepare_export(fixture.level, fixture.meshes, request, model, pages);
    EXPECT_FALSE(problem) << *problem;
    return model;
}

std::string parent_of(const TMS3D_File& model, int joint)
{
    return name_text(model.joints[static_cast<std::size_t>(joint)].parent_name);
}

TEST(ExportJoints, BonesWithoutFlagsFormAChain)
{
    ExchangeLevel fixture(code_tr2, {{3, {}, {2}}});
    const TMS3D_File model = prepared(fixture, request_for("/tmp/unused.ms3d"));
    ASSERT_EQ(model.num_joints, 3);
    EXPECT_EQ(name_text(model.joints[0].name), "Bone#0");
    EXPECT_EQ(name_text(model.joints[2].name), "Bone#2");
    EXPECT_EQ(parent_of(model, 0), "");
    EXPECT_EQ(parent_of(model, 1), "Bone#0");
    EXPECT_EQ(parent_of(model, 2), "Bone#1");
    // Rest positions relative to the parent; links sit 100 level units below.
    EXPECT_EQ(model.joints[0].position, (std::array<float, 3>{0, 0, 0}));
    EXPECT_NEAR(model.joints[2].position[1], 1.0f, 1e-5);
    EXPECT_EQ(model.joints[1].num_rotation_keys, 2);
    EXPECT_EQ(model.joints[1].num_translation_keys, 2);
}

TEST(ExportJoints, PushAndPopChooseTheParentAndAnEmptyStackKeepsIt)
{
    // Bone 2 pushes, bone 4 pops: bone 4 hangs from bone 2's parent, joint 1.
    const std::vector<tbone_link> links{{0, 0, -100, 0}, {2, 50, 0, 0}, {0, 0, -100, 0}, {1, -50, 0, 0}};
    ExchangeLevel fixture(code_tr3, {{5, links, {1}}});
    const TMS3D_File model = prepared(fixture, request_for("/tmp/unused.ms3d"));
    EXPECT_EQ(parent_of(model, 2), "Bone#1");
    EXPECT_EQ(parent_of(model, 3), "Bone#2");
    EXPECT_EQ(parent_of(model, 4), "Bone#1");
    // Bone 4 is placed from bone 1's placement (0, 1, 0), moved by (-0.5, 0, 0).
    const auto& v = model.vertices;
    const bool placed = std::any_of(v.begin(), v.end(), [](const MS3D_Vertex& x) {
        return x.bone_id == 4 && std::abs(x.position[0] + 0.5f) < 1e-6 && std::abs(x.position[1] - 1.4f) < 1e-6;
    });
    EXPECT_TRUE(placed);

    // Pops with nothing saved keep the previous bone as parent.
    ExchangeLevel popping(code_tr4, {{3, {{1, 0, -100, 0}, {3, 0, -100, 0}}, {1}}});
    const TMS3D_File chain = prepared(popping, request_for("/tmp/unused.ms3d"));
    EXPECT_EQ(parent_of(chain, 1), "Bone#0");
    EXPECT_EQ(parent_of(chain, 2), "Bone#1");
}

TEST(ExportGeometry, RectanglesAreTwoTrianglesSharingCornersOneAndThree)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    tmesh& mesh = fixture.bone_mesh(0, 0);
    mesh.textured_tris.clear();
    export_request request = request_for("/tmp/unused.ms3d");
    request.by_bones = true;
    TMS3D_File model = prepared(fixture, request);
    ASSERT_EQ(model.num_triangles, 2);
    const auto& first = model.triangles[0].vertex_indices;
    const auto& second = model.triangles[1].vertex_indices;
    EXPECT_EQ(first[0], second[0]);  // corner 1
    EXPECT_EQ(first[2], second[1]);  // corner 3
    EXPECT_EQ(model.num_vertices, 4);
    // Triangle (1, 0, 3) of the square: corner 1 is level (100, 0, 0).
    EXPECT_EQ(model.vertices[first[0]].position, (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(model.triangles[0].smoothing_group, 1);
    const auto& normal = model.triangles[0].vertex_normals[0];
    EXPECT_NEAR(std::abs(normal[1]), 1.0f, 1e-6);  // a level floor is flat

    // Five rectangles and two triangles make twelve triangles of the bone's group.
    mesh.textured_rects.assign(5, tmesh_face4{{0, 1, 2, 3}, 0, 0});
    mesh.textured_tris.assign(2, tmesh_face3{{0, 1, 2}, 1, 0});
    model = prepared(fixture, request);
    ASSERT_EQ(model.num_groups, 1);
    EXPECT_EQ(name_text(model.groups[0].name), "Mesh#0");
    EXPECT_EQ(model.groups[0].num_triangles, 12);
    EXPECT_EQ(model.groups[0].material_index, -1);
    EXPECT_EQ(model.num_materials, 0);
}

TEST(ExportGeometry, VerticesAreSharedWithinABoneOnly)
{
    // Two bones at the same place with the same square: each keeps its own four vertices.
    ExchangeLevel fixture(code_tr2, {{2, {{0, 0, 0, 0}}, {1}}});
    fixture.bone_mesh(0, 1) = fixture.bone_mesh(0, 0);
    const TMS3D_File model = prepared(fixture, request_for("/tmp/unused.ms3d"));
    EXPECT_EQ(model.num_vertices, 8);
    EXPECT_EQ(model.num_triangles, 6);
    for (std::size_t i = 1; i < model.vertices.size(); ++i)
        EXPECT_LE(model.vertices[i - 1].bone_id, model.vertices[i].bone_id);  // the set is sorted
    for (const MS3D_VertexExtra& extra : model.vertex_extras) {
        EXPECT_EQ(extra.bone_ids, (std::array<std::int8_t, 3>{-1, -1, -1}));
        EXPECT_EQ(extra.weights[0], 100);
    }
}

TEST(ExportTiming, FpsKeyTimesAndRootKeysFollowTheAnimation)
{
    for (auto [rate, fps] : {std::pair{1, 32}, {2, 16}, {3, 10}}) {
        SCOPED_TRACE(rate);
        ExchangeLevel fixture(code_tr2, {{2, {}, {3}, static_cast<std::uint8_t>(rate)}});
        const TMS3D_File model = prepared(fixture, request_for("/tmp/unused.ms3d"));
        EXPECT_EQ(model.fps, fps);
        EXPECT_FLOAT_EQ(model.current_time, 1.0f / static_cast<float>(fps));
        EXPECT_EQ(model.total_frames, 3);
        for (int n = 0; n < 3; ++n) {
            EXPECT_FLOAT_EQ(model.joints[1].rotation_keys[static_cast<std::size_t>(n)].time,
                            static_cast<float>(n + 1) / static_cast<float>(fps));
            EXPECT_FLOAT_EQ(model.joints[0].translation_keys[static_cast<std::size_t>(n)].time,
                            static_cast<float>(n + 1) / static_cast<float>(fps));
        }
        // Offset (100, -200, 50) of keyframe 0 is the root key (1, 2, -0.5);
        // other joints do not move.
        EXPECT_EQ(model.joints[0].translation_keys[0].value, (std::array<float, 3>{1, 2, -0.5f}));
        EXPECT_EQ(model.joints[1].translation_keys[2].value, (std::array<float, 3>{0, 0, 0}));
    }
}

TEST(ExportTiming, RatesWithoutAUsableFpsAreRefusedAndWriteNothing)
{
    for (int rate : {0, 33, 200}) {
        SCOPED_TRACE(rate);
        ExchangeLevel fixture(code_tr4, {{1, {}, {2}, static_cast<std::uint8_t>(rate)}});
        const auto dir = test::exchange_dir("rate");
        TMS3D_File model;
        const exchange_outcome outcome =
            export_selection(fixture.level, fixture.meshes, request_for(dir / "model.ms3d"), model);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.message, export_done_message);
        EXPECT_NE(outcome.message.find("frame rate is " + std::to_string(rate)), std::string::npos) << outcome.message;
        EXPECT_TRUE(std::filesystem::is_empty(dir));
    }
    EXPECT_EQ(milkshape_fps(32), 1);
    EXPECT_FALSE(milkshape_fps(33));
    EXPECT_FALSE(milkshape_fps(0));
}

TEST(ExportTiming, AMoveableWithoutAnimationsExportsJointsWithoutKeys)
{
    ExchangeLevel fixture(code_tr3, {{2, {}, {}}});
    const TMS3D_File model = prepared(fixture, request_for("/tmp/unused.ms3d", 0, -1));
    EXPECT_EQ(model.num_joints, 2);
    EXPECT_EQ(model.total_frames, 0);
    EXPECT_EQ(model.joints[0].num_rotation_keys, 0);
    EXPECT_EQ(model.fps, 24);
}

TEST(ExportRootOptions, FixRootYAndIgnoreTranslation)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {2}}});
    const TMS3D_File plain = prepared(fixture, request_for("/tmp/unused.ms3d"));
    ASSERT_EQ(plain.joints[0].translation_keys[0].value[1], 2.0f);

    export_request request = request_for("/tmp/unused.ms3d");
    request.fix_root_y = true;
    const TMS3D_File fixed = prepared(fixture, request);
    for (std::size_t i = 0; i < plain.vertices.size(); ++i)
        EXPECT_FLOAT_EQ(fixed.vertices[i].position[1], plain.vertices[i].position[1] + 2.0f);
    EXPECT_FLOAT_EQ(fixed.joints[0].position[1], 2.0f);
    EXPECT_EQ(fixed.joints[0].translation_keys[0].value, (std::array<float, 3>{1, 0, -0.5f}));
    EXPECT_FLOAT_EQ(fixed.joints[0].translation_keys[1].value[1], 2.01f - 2.0f);

    request.fix_root_y = false;
    request.ignore_translation = true;
    const TMS3D_File still = prepared(fixture, request);
    for (const MS3D_Keyframe& key : still.joints[0].translation_keys)
        EXPECT_EQ(key.value, (std::array<float, 3>{0, 0, 0}));

    request.fix_root_y = true;
    const TMS3D_File both = prepared(fixture, request);
    EXPECT_EQ(both.joints[0].translation_keys[0].value, (std::array<float, 3>{0, 0, 0}));
    EXPECT_FLOAT_EQ(both.joints[0].translation_keys[1].value[1], 2.01f - 2.0f);
    EXPECT_EQ(both.joints[0].translation_keys[1].value[0], 0);
}

TEST(ExportMaterials, TextureNamesForOneAndThreePages)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    const TMS3D_File one = prepared(fixture, request_for("/out/model.ms3d"));
    ASSERT_EQ(one.num_materials, 1);
    ASSERT_EQ(one.num_groups, 1);
    EXPECT_EQ(name_text(one.materials[0].name), "Material#0");
    EXPECT_EQ(name_text(one.materials[0].texture), "/out/model.bmp");
    EXPECT_EQ(one.materials[0].diffuse, (std::array<float, 4>{0.5f, 0.5f, 0.5f, 0}));
    EXPECT_FLOAT_EQ(one.materials[0].transparency, 1.0f);
    EXPECT_EQ(name_text(one.groups[0].name), "Texture#0");
    EXPECT_EQ(one.groups[0].material_index, 0);

    // Three regions 256 x 129 cannot share a page.
    ExchangeLevel wide(code_tr2, {{3, {}, {1}}});
    for (int b = 0; b < 3; ++b) {
        wide.level.object_textures.push_back(test::square_texture(0, 0, b, 255, b + 128));
        wide.bone_mesh(0, b).textured_rects[0].texture = static_cast<std::uint16_t>(2 + b);
        wide.bone_mesh(0, b).textured_tris.clear();
    }
    const TMS3D_File three = prepared(wide, request_for("/out/model.ms3d"));
    ASSERT_EQ(three.num_materials, 3);
    for (int p = 0; p < 3; ++p) {
        const auto& material = three.materials[static_cast<std::size_t>(p)];
        EXPECT_EQ(name_text(material.texture), "/out/model_0" + std::to_string(p) + ".bmp");
        EXPECT_EQ(three.groups[static_cast<std::size_t>(p)].num_triangles, 2);
    }
}

TEST(ExportMaterials, TrianglesOnAPageWithoutGroupAreLeftOut)
{
    // Coloured faces only: no page, so no group for them when grouping by texture.
    ExchangeLevel fixture(code_tr1, {{1, {}, {1}}});
    tmesh& mesh = fixture.bone_mesh(0, 0);
    mesh.coloured_rects = mesh.textured_rects;
    mesh.coloured_tris = mesh.textured_tris;
    mesh.textured_rects.clear();
    mesh.textured_tris.clear();
    const TMS3D_File by_texture = prepared(fixture, request_for("/tmp/unused.ms3d"));
    EXPECT_EQ(by_texture.num_groups, 0);
    EXPECT_EQ(by_texture.num_triangles, 0);
    EXPECT_TRUE(model_inconsistency(by_texture).empty());
    export_request request = request_for("/tmp/unused.ms3d");
    request.by_bones = true;
    EXPECT_EQ(prepared(fixture, request).num_triangles, 3);

    // The same faces in a TR4 level are not exported: those levels have no coloured faces.
    ExchangeLevel tr4(code_tr4, {{1, {}, {1}}});
    tr4.bone_mesh(0, 0).coloured_rects = tr4.bone_mesh(0, 0).textured_rects;
    EXPECT_EQ(prepared(tr4, request).num_triangles, 3);
}

TEST(ExportStaticMesh, NoJointsFps24AndNoFrames)
{
    ExchangeLevel fixture(code_tr3, {{1, {}, {4}, 2}});
    const int s = fixture.add_static(test::square_mesh(-50));
    export_request request = request_for("/tmp/unused.ms3d");
    request.view_mode = export_static_mesh;
    request.static_mesh = s;
    request.by_bones = true;  // static meshes always group by texture
    const TMS3D_File model = prepared(fixture, request);
    EXPECT_EQ(model.num_joints, 0);
    EXPECT_EQ(model.fps, 24);
    EXPECT_EQ(model.total_frames, 0);
    EXPECT_EQ(model.num_triangles, 3);
    EXPECT_EQ(model.num_materials, 1);
    EXPECT_EQ(model.vertices[0].position[1], 0.5f);  // no placement, y mirrored
    for (const MS3D_Vertex& v : model.vertices) EXPECT_EQ(v.bone_id, -1);  // there is no joint to follow
}

TEST(ExportCommand, WritesModelAndPagesThatReadBack)
{
    ExchangeLevel fixture(code_tr2, {{3, {}, {2, 4}, 2}});
    for (const char* name : {"model.ms3d", "model.mst"}) {
        SCOPED_TRACE(name);
        const auto dir = test::exchange_dir("command");
        export_request request = request_for(dir / name, 0, 1);
        request.subversion = 1;
        TMS3D_File model;
        const exchange_outcome outcome = export_selection(fixture.level, fixture.meshes, request, model);
        ASSERT_TRUE(outcome.ok) << outcome.message;
        EXPECT_EQ(outcome.message, "Export Done.");
        EXPECT_EQ(model.num_vertices, 0);  // the model is emptied after writing
        EXPECT_TRUE(std::filesystem::exists(dir / "model.bmp"));
        ASSERT_EQ(outcome.files.size(), 2u);

        TMS3D_File back;
        ASSERT_EQ(load_ms3d(back, (dir / name).string(), true), ms3d_ok) << back.last_error;
        EXPECT_EQ(back.num_joints, 3);
        EXPECT_EQ(back.total_frames, 4);
        EXPECT_EQ(back.fps, std::string(name) == "model.mst" ? 24 : 16);  // the ascii form keeps no fps
        EXPECT_EQ(back.num_triangles, 9);
        ASSERT_EQ(back.joints[0].translation_keys.size(), 4u);
        EXPECT_NEAR(back.joints[0].translation_keys[3].value[0], 1.3f, 1e-5);  // offset x 130
    }
    EXPECT_EQ(subversion_for_filter(1), 2);
    EXPECT_EQ(subversion_for_filter(3), 0);
    EXPECT_EQ(subversion_for_filter(4), 2);
}

TEST(ExportCommand, UnknownExtensionsAndLongTexturePathsWriteNothing)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    for (const char* name : {"model.MS3D", "model.obj", "model"}) {
        SCOPED_TRACE(name);
        const auto dir = test::exchange_dir("extension");
        TMS3D_File model;
        const exchange_outcome outcome = export_selection(fixture.level, fixture.meshes, request_for(dir / name), model);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.message, export_done_message);
        EXPECT_NE(outcome.message.find("\".ms3d\""), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find("\".mst\""), std::string::npos);
        EXPECT_TRUE(std::filesystem::is_empty(dir));
    }

    const auto dir = test::exchange_dir("long");
    const std::string name = std::string(130, 'n') + ".ms3d";
    TMS3D_File model;
    const exchange_outcome outcome = export_selection(fixture.level, fixture.meshes, request_for(dir / name), model);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find("127"), std::string::npos) << outcome.message;
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    // Grouped by bones there are no materials, so the name does not matter.
    export_request request = request_for(dir / name);
    request.by_bones = true;
    EXPECT_TRUE(export_selection(fixture.level, fixture.meshes, request, model).ok);
}

TEST(ExportCommand, SelectionsOutsideTheLevelAreRefused)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    TMS3D_File model;
    repack_result pages;
    EXPECT_TRUE(prepare_export(fixture.level, fixture.meshes, request_for("/tmp/x.ms3d", 5), model, pages));
    EXPECT_TRUE(prepare_export(fixture.level, fixture.meshes, request_for("/tmp/x.ms3d", 0, 3), model, pages));
    export_request request = request_for("/tmp/x.ms3d");
    request.view_mode = export_static_mesh;
    request.static_mesh = 0;  // the level has none
    EXPECT_TRUE(prepare_export(fixture.level, fixture.meshes, request, model, pages));
    Ttrlevel empty;
    Tmesh_list no_meshes;
    EXPECT_TRUE(prepare_export(empty, no_meshes, request_for("/tmp/x.ms3d"), model, pages));

    // Keyframes of one word each: more than a joint can hold keys for.
    ExchangeLevel long_animation(code_tr2, {{1, {}, {1}}});
    long_animation.level.frames.resize(70000);
    long_animation.level.animations[0].frame_size = 1;
    long_animation.sync_counts();
    const auto keys = prepare_export(long_animation.level, long_animation.meshes, request_for("/tmp/x.ms3d"), model, pages);
    ASSERT_TRUE(keys);
    EXPECT_NE(keys->find("65535"), std::string::npos);

    ExchangeLevel many(code_tr4, {{129, {}, {1}}});
    const auto problem = prepare_export(many.level, many.meshes, request_for("/tmp/x.ms3d"), model, pages);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("128"), std::string::npos);
}

}  // namespace
}  // namespace kelanim
