// Export of synthetic moveables and static meshes to MilkShape, and the
// selections, names and disk faults that must write nothing.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "byte_builder.h"
#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "milkshape/ms3d_file.h"
#include "small_filesystem.h"

namespace kelanim {
namespace {

using test::ExchangeLevel;
using Vec3 = std::array<float, 3>;

export_request request_for(const std::filesystem::path& path, int m = 0, int j = 0, bool by_bones = false)
{
    export_request r;
    r.path = path.string();
    r.moveable = m;
    r.animation = j;
    r.by_bones = by_bones;
    return r;
}

// The model an export would write, built in memory.
TMS3D_File prepared(ExchangeLevel& fixture, const export_request& request = request_for("/out/model.ms3d"))
{
    TMS3D_File model;
    repack_result pages;
    const auto problem = prepare_export(fixture.level, fixture.meshes, request, model, pages);
    EXPECT_FALSE(problem) << *problem;
    return model;
}

std::vector<std::string> parents(const TMS3D_File& model)
{
    std::vector<std::string> names;
    for (const MS3D_Joint& joint : model.joints) names.push_back(name_text(joint.parent_name));
    return names;
}

TEST(ExportJoints, ParentsFollowTheLinksAndTheirSavedPlaces)
{
    ExchangeLevel chain(code_tr2, {{3, {}, {2}}});
    const TMS3D_File model = prepared(chain);
    ASSERT_EQ(model.num_joints, 3);
    // Rest positions relative to the parent; links sit 100 level units below.
    EXPECT_EQ(model.joints[0].position, (Vec3{0, 0, 0}));
    EXPECT_NEAR(model.joints[2].position[1], 1.0f, 1e-5);

    // Bone 2 pushes, bone 4 pops: bone 4 hangs from bone 2's parent, joint 1,
    // and is placed from bone 1's place (0, 1, 0), moved by (-0.5, 0, 0).
    const std::vector<tbone_link> links{{0, 0, -100, 0}, {2, 50, 0, 0}, {0, 0, -100, 0}, {1, -50, 0, 0}};
    ExchangeLevel pushing(code_tr3, {{5, links, {1}}});
    const TMS3D_File pushed = prepared(pushing);
    EXPECT_EQ(parents(pushed), (std::vector<std::string>{"", "Bone#0", "Bone#1", "Bone#2", "Bone#1"}));
    EXPECT_TRUE(std::any_of(pushed.vertices.begin(), pushed.vertices.end(), [](const MS3D_Vertex& x) {
        return x.bone_id == 4 && std::abs(x.position[0] + 0.5f) < 1e-6 && std::abs(x.position[1] - 1.4f) < 1e-6;
    }));

    // Pops with nothing saved keep the previous bone as parent.
    ExchangeLevel popping(code_tr4, {{3, {{1, 0, -100, 0}, {3, 0, -100, 0}}, {1}}});
    EXPECT_EQ(parents(prepared(popping)), (std::vector<std::string>{"", "Bone#0", "Bone#1"}));
}

TEST(ExportGeometry, ARectangleIsTwoTrianglesAndVerticesAreSharedWithinABoneOnly)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    fixture.bone_mesh(0, 0).textured_tris.clear();
    TMS3D_File model = prepared(fixture, request_for("/out/model.ms3d", 0, 0, true));
    EXPECT_EQ(model.num_triangles, 2);
    EXPECT_EQ(model.num_vertices, 4);
    // By bones: a group of the bone's triangles without material.
    ASSERT_EQ(model.num_groups, 1);
    EXPECT_EQ(name_text(model.groups[0].name), "Mesh#0");
    EXPECT_EQ(model.groups[0].material_index, -1);
    EXPECT_EQ(model.num_materials, 0);

    // Two bones at the same place with the same square: each keeps its own
    // four vertices, so that each follows its own joint.
    ExchangeLevel twins(code_tr2, {{2, {{0, 0, 0, 0}}, {1}}});
    twins.bone_mesh(0, 1) = twins.bone_mesh(0, 0);
    model = prepared(twins);
    EXPECT_EQ(model.num_vertices, 8);
    EXPECT_EQ(model.num_triangles, 6);
}

TEST(ExportTiming, KeysAreTimedByTheFrameRateAndTheRootKeysMove)
{
    for (auto [rate, fps] : {std::pair{1, 32}, {2, 16}, {3, 10}}) {
        SCOPED_TRACE(rate);
        ExchangeLevel fixture(code_tr2, {{2, {}, {3}, static_cast<std::uint8_t>(rate)}});
        const TMS3D_File model = prepared(fixture);
        EXPECT_EQ(model.fps, fps);
        EXPECT_FLOAT_EQ(model.current_time, 1.0f / static_cast<float>(fps));
        EXPECT_EQ(model.total_frames, 3);
        ASSERT_EQ(model.joints[1].num_rotation_keys, 3);
        ASSERT_EQ(model.joints[1].num_translation_keys, 3);
        EXPECT_FLOAT_EQ(model.joints[1].rotation_keys[2].time, 3.0f / static_cast<float>(fps));
        EXPECT_FLOAT_EQ(model.joints[0].translation_keys[1].time, 2.0f / static_cast<float>(fps));
        // Offset (100, -200, 50) of keyframe 0 is the root key (1, 2, -0.5);
        // other joints do not move.
        EXPECT_EQ(model.joints[0].translation_keys[0].value, (Vec3{1, 2, -0.5f}));
        EXPECT_EQ(model.joints[1].translation_keys[2].value, (Vec3{0, 0, 0}));
    }

    // Without animations: joints without keys, at 24 frames a second.
    ExchangeLevel still(code_tr3, {{2, {}, {}}});
    const TMS3D_File model = prepared(still, request_for("/out/model.ms3d", 0, -1));
    EXPECT_EQ(model.num_joints, 2);
    EXPECT_EQ(model.total_frames + model.joints[0].num_rotation_keys, 0);
    EXPECT_EQ(model.fps, 24);
}

TEST(ExportRootOptions, FixRootYAndIgnoreTranslation)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {2}}});
    const TMS3D_File plain = prepared(fixture);
    ASSERT_EQ(plain.joints[0].translation_keys[0].value[1], 2.0f);

    // The model and its root move up by the first root key's height, which the keys lose.
    export_request request = request_for("/out/model.ms3d");
    request.fix_root_y = true;
    const TMS3D_File fixed = prepared(fixture, request);
    for (std::size_t i = 0; i < plain.vertices.size(); ++i)
        EXPECT_FLOAT_EQ(fixed.vertices[i].position[1], plain.vertices[i].position[1] + 2.0f);
    EXPECT_FLOAT_EQ(fixed.joints[0].position[1], 2.0f);
    EXPECT_EQ(fixed.joints[0].translation_keys[0].value, (Vec3{1, 0, -0.5f}));
    EXPECT_FLOAT_EQ(fixed.joints[0].translation_keys[1].value[1], 2.01f - 2.0f);

    request.fix_root_y = false;
    request.ignore_translation = true;
    const TMS3D_File still = prepared(fixture, request);
    for (const MS3D_Keyframe& key : still.joints[0].translation_keys) EXPECT_EQ(key.value, (Vec3{0, 0, 0}));

    // Both: the height keeps its motion, x and z lose theirs.
    request.fix_root_y = true;
    const TMS3D_File both = prepared(fixture, request);
    EXPECT_EQ(both.joints[0].translation_keys[0].value, (Vec3{0, 0, 0}));
    EXPECT_FLOAT_EQ(both.joints[0].translation_keys[1].value[1], 2.01f - 2.0f);
    EXPECT_EQ(both.joints[0].translation_keys[1].value[0], 0);
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
    const TMS3D_File by_texture = prepared(fixture);
    EXPECT_EQ(by_texture.num_groups + by_texture.num_triangles, 0);
    EXPECT_TRUE(model_inconsistency(by_texture).empty());
    const export_request request = request_for("/out/model.ms3d", 0, 0, true);
    EXPECT_EQ(prepared(fixture, request).num_triangles, 3);

    // The same faces in a TR4 level are not exported: those levels have no coloured faces.
    ExchangeLevel tr4(code_tr4, {{1, {}, {1}}});
    tr4.bone_mesh(0, 0).coloured_rects = tr4.bone_mesh(0, 0).textured_rects;
    EXPECT_EQ(prepared(tr4, request).num_triangles, 3);
}

TEST(ExportStaticMesh, NoJointsToFollowFps24AndNoFrames)
{
    ExchangeLevel fixture(code_tr3, {{1, {}, {4}, 2}});
    export_request request = request_for("/out/model.ms3d");
    request.view_mode = export_static_mesh;
    request.static_mesh = fixture.add_static(test::square_mesh(-50));
    request.by_bones = true;  // static meshes always group by texture
    const TMS3D_File model = prepared(fixture, request);
    EXPECT_EQ(model.num_joints + model.total_frames, 0);
    EXPECT_EQ(model.fps, 24);
    ASSERT_EQ(model.num_materials, 1);
    EXPECT_EQ(name_text(model.groups[0].name), "Texture#0");
    EXPECT_EQ(name_text(model.materials[0].texture), "/out/model.bmp");
    std::vector<Vec3> positions;
    for (const MS3D_Vertex& v : model.vertices) {
        positions.push_back(v.position);
        EXPECT_EQ(v.bone_id, -1);  // there is no joint to follow
    }
    std::sort(positions.begin(), positions.end());
    // The square at height -50 in hundredths, y and z mirrored, without placement.
    EXPECT_EQ(positions, (std::vector<Vec3>{{0, 0.5f, -1}, {0, 0.5f, 0}, {1, 0.5f, -1}, {1, 0.5f, 0}}));
}

TEST(ExportCommand, DialogFiltersAreSubversionsTwoOneZeroThenTheAsciiForm)
{
    for (auto [filter, subversion] : {std::pair{1, 2}, {2, 1}, {3, 0}, {4, 2}})
        EXPECT_EQ(subversion_for_filter(filter), subversion);
}

TEST(ExportCommand, RefusedExportsWriteNothingAndSayWhy)
{
    struct Case {
        std::string name;
        std::uint8_t frame_rate;
        std::string reason;
    };
    const std::string long_name = std::string(130, 'n') + ".ms3d";  // its page name is past 127 characters
    const Case cases[] = {{"model.MS3D", 1, "\".ms3d\""},        {"model.obj", 1, "\".mst\""},
                          {"model", 1, "\".ms3d\""},             {long_name, 1, "127"},
                          {"model.ms3d", 0, "frame rate is 0"},   {"model.ms3d", 33, "frame rate is 33"},
                          {"model.ms3d", 200, "frame rate is 200"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ExchangeLevel fixture(code_tr4, {{1, {}, {2}, c.frame_rate}});
        const auto dir = test::exchange_dir("refused");
        TMS3D_File model;
        const exchange_outcome outcome =
            export_selection(fixture.level, fixture.meshes, request_for(dir / c.name), model);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.message.find(c.reason), std::string::npos) << outcome.message;
        EXPECT_TRUE(std::filesystem::is_empty(dir));
    }

    // Grouped by bones there are no materials, so the long name does not matter.
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    TMS3D_File model;
    const export_request by_bones = request_for(test::exchange_dir("long") / long_name, 0, 0, true);
    EXPECT_TRUE(export_selection(fixture.level, fixture.meshes, by_bones, model).ok);
}

TEST(ExportCommand, SelectionsOutsideTheLevelAreRefused)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    TMS3D_File model;
    repack_result pages;
    export_request statics = request_for("/out/x.ms3d");
    statics.view_mode = export_static_mesh;  // static mesh 0: the level has none
    for (const export_request& request : {request_for("/out/x.ms3d", 5), request_for("/out/x.ms3d", 0, 3), statics})
        EXPECT_TRUE(prepare_export(fixture.level, fixture.meshes, request, model, pages));
    Ttrlevel empty;
    Tmesh_list no_meshes;
    EXPECT_TRUE(prepare_export(empty, no_meshes, request_for("/out/x.ms3d"), model, pages));

    // Keyframes of one word each: more than a joint can hold keys for.
    fixture.level.frames.resize(70000);
    fixture.level.animations[0].frame_size = 1;
    fixture.sync_counts();
    const auto keys = prepare_export(fixture.level, fixture.meshes, request_for("/out/x.ms3d"), model, pages);
    EXPECT_NE(keys.value_or("").find("65535"), std::string::npos);
    ExchangeLevel many(code_tr4, {{129, {}, {1}}});
    const auto joints = prepare_export(many.level, many.meshes, request_for("/out/x.ms3d"), model, pages);
    EXPECT_NE(joints.value_or("").find("128"), std::string::npos);
}

// A full filesystem, one that fills up between the pages and the model, a
// read-only one and a model name that is a folder: the earlier export's files
// stay as they were, the outcome carries the system's reason, and the level
// exports the same afterwards.
TEST(ExportDiskFaults, EveryFailedExportKeepsTheEarlierOne)
{
    ExchangeLevel fixture{code_tr4, {{3, {}, {4}, 1}}};
    auto export_to = [&](const std::filesystem::path& path) {
        TMS3D_File model;
        return export_selection(fixture.level, fixture.meshes, request_for(path), model);
    };
    const std::filesystem::path reference = test::exchange_dir("disk-faults-reference");
    const exchange_outcome first = export_to(reference / "model.ms3d");
    EXPECT_EQ(first.message, "Export Done.");
    EXPECT_EQ(first.files,
              (std::vector<std::string>{(reference / "model.bmp").string(), (reference / "model.ms3d").string()}));
    const auto first_model = test::read_file(reference / "model.ms3d");
    const auto page_bytes = std::filesystem::file_size(reference / "model.bmp");
    const auto old_model = test::Bytes().text("the old model").data(), old_page = test::Bytes().text("the old page").data();

    enum Fault { full, full_after_pages, read_only, folder };
    struct Row {
        Fault fault;
        int error;
        std::vector<std::string> left;
    };
    for (const Row& row : {Row{full, ENOSPC, {".filler", "model.bmp", "model.ms3d"}},
                           Row{full_after_pages, ENOSPC, {".filler", "model.bmp", "model.ms3d", "page-link"}},
                           Row{read_only, EROFS, {"model.bmp", "model.ms3d"}},
                           Row{folder, EISDIR, {"model.bmp", "model.ms3d"}}}) {
        SCOPED_TRACE(row.fault);
        // A bitmap page is 192 KB: the small disk holds an earlier export and little more.
        test::SmallFilesystem disk(test::short_output_dir("milkshape-exchange") / ("disk" + std::to_string(row.fault)), 640);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const std::filesystem::path dir = disk.folder();
        ASSERT_TRUE(export_to(dir / "model.ms3d").ok);
        test::Bytes().append(old_page).save(dir / "model.bmp");
        if (row.fault == folder) {
            std::filesystem::remove(dir / "model.ms3d");
            std::filesystem::create_directory(dir / "model.ms3d");
            test::Bytes().append(old_model).save(dir / "model.ms3d" / "inside");
        } else {
            test::Bytes().append(old_model).save(dir / "model.ms3d");
        }
        if (row.fault == full_after_pages) {
            // A second name keeps the old page's blocks in use once it is
            // replaced; then room for the new page and none for the model.
            std::filesystem::create_hard_link(dir / "model.bmp", dir / "page-link");
            ASSERT_TRUE(disk.fill());
            ASSERT_TRUE(disk.free_room(page_bytes));
        }
        if (row.fault == full) { ASSERT_TRUE(disk.fill()); }
        if (row.fault == read_only) { ASSERT_TRUE(disk.make_read_only()); }

        for (const char* name : {"model.ms3d", "model.mst"}) {
            if (row.fault != read_only && name != std::string("model.ms3d")) continue;
            const exchange_outcome outcome = export_to(dir / name);
            EXPECT_FALSE(outcome.ok);
            EXPECT_NE(outcome.message.find(std::strerror(row.error)), std::string::npos) << outcome.message;
        }
        EXPECT_EQ(test::read_file(dir / (row.fault == folder ? "model.ms3d/inside" : "model.ms3d")), old_model);
        EXPECT_EQ(test::read_file(dir / "model.bmp"), old_page);
        EXPECT_EQ(test::folder_entries(dir), row.left);
        ASSERT_TRUE(export_to(reference / "model.ms3d").ok);
        EXPECT_EQ(test::read_file(reference / "model.ms3d"), first_model);
    }
}

}  // namespace
}  // namespace kelanim
