// Export of synthetic moveables and static meshes to MilkShape, and the
// selections, names and disk faults that must write nothing.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "byte_builder.h"
#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "milkshape/ms3d_file.h"
#include "ms3d_samples.h"
#include "small_filesystem.h"

namespace kelanim {
namespace {

using test::ExchangeLevel;
using test::Vec3;
namespace fs = std::filesystem;

export_request request_for(const std::filesystem::path& path, int m = 0, int j = 0, bool by_bones = false)
{
    return {.path = path.string(), .moveable = m, .animation = j, .by_bones = by_bones};
}
const export_request plain_request = request_for("/out/model.ms3d");

// The model an export would write, built in memory.
TMS3D_File prepared(ExchangeLevel& fixture, const export_request& request = plain_request)
{
    TMS3D_File model;
    repack_result pages;
    const auto problem = prepare_export(fixture.level, fixture.meshes, request, model, pages);
    EXPECT_FALSE(problem) << *problem;
    return model;
}

TEST(ExportJoints, ParentsFollowTheLinksAndTheirSavedPlaces)
{
    const auto parents = [](ExchangeLevel&& fixture) {
        std::string names;
        for (const MS3D_Joint& joint : prepared(fixture).joints) names += name_text(joint.parent_name) + ";";
        return names;
    };
    // Bone 2 pushes, bone 4 pops: bone 4 hangs from bone 2's parent, joint 1,
    // and is placed from bone 1's place (0, 1, 0), moved by (-0.5, 0, 0).
    ExchangeLevel pushing(code_tr3, {{5, {{0, 0, -100, 0}, {2, 50, 0, 0}, {0, 0, -100, 0}, {1, -50, 0, 0}}, {1}}});
    const TMS3D_File pushed = prepared(pushing);
    EXPECT_EQ(parents(std::move(pushing)), ";Bone#0;Bone#1;Bone#2;Bone#1;");
    EXPECT_TRUE(std::any_of(pushed.vertices.begin(), pushed.vertices.end(), [](const MS3D_Vertex& x) {
        return x.bone_id == 4 && std::abs(x.position[0] + 0.5f) < 1e-6 && std::abs(x.position[1] - 1.4f) < 1e-6;
    }));
    // Pops with nothing saved keep the previous bone as parent.
    EXPECT_EQ(parents(ExchangeLevel(code_tr4, {{3, {{1, 0, -100, 0}, {3, 0, -100, 0}}, {1}}})), ";Bone#0;Bone#1;");
    ExchangeLevel chain(code_tr2, {{3, {}, {2}}});
    const TMS3D_File chained = prepared(chain);  // rest positions relative to the parent, 100 units below
    EXPECT_EQ(chained.joints[0].position, (Vec3{0, 0, 0}));
    EXPECT_NEAR(chained.joints[2].position[1], 1.0f, 1e-5);
}

TEST(ExportGeometry, ARectangleIsTwoTrianglesAndVerticesAreSharedWithinABoneOnly)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    fixture.bone_mesh(0, 0).textured_tris.clear();
    TMS3D_File model = prepared(fixture, request_for("/out/model.ms3d", 0, 0, true));
    EXPECT_EQ(model.num_triangles + 10 * model.num_vertices, 2 + 10 * 4);
    ASSERT_EQ(model.num_groups, 1);  // by bones: the bone's triangles, without material
    EXPECT_EQ(name_text(model.groups[0].name), "Mesh#0");
    EXPECT_EQ(model.groups[0].material_index + model.num_materials, -1);
    // Two bones at one place with one square keep four vertices each, to follow their own joints.
    ExchangeLevel twins(code_tr2, {{2, {{0, 0, 0, 0}}, {1}}});
    twins.bone_mesh(0, 1) = twins.bone_mesh(0, 0);
    model = prepared(twins);
    EXPECT_EQ(model.num_triangles + 10 * model.num_vertices, 6 + 10 * 8);
}

TEST(ExportMaterials, FacesOnNoPageHaveNoGroupAndStaticMeshesNoJoints)
{
    // Coloured faces only: no page, so no group for them when grouping by texture.
    ExchangeLevel fixture(code_tr1, {{1, {}, {1}}});
    tmesh& mesh = fixture.bone_mesh(0, 0);
    mesh.coloured_rects = std::exchange(mesh.textured_rects, {});
    mesh.coloured_tris = std::exchange(mesh.textured_tris, {});
    const TMS3D_File by_texture = prepared(fixture);
    EXPECT_TRUE(by_texture.num_groups + by_texture.num_triangles == 0 && model_inconsistency(by_texture).empty());
    export_request request = request_for("/out/model.ms3d", 0, 0, true);
    EXPECT_EQ(prepared(fixture, request).num_triangles, 3);
    // TR4 levels have no coloured faces: the same faces are not exported.
    ExchangeLevel tr4(code_tr4, {{1, {}, {1}}});
    tr4.bone_mesh(0, 0).coloured_rects = tr4.bone_mesh(0, 0).textured_rects;
    EXPECT_EQ(prepared(tr4, request).num_triangles, 3);
    // A static mesh: grouped by texture whatever asked, without joints, keys or placement.
    request.view_mode = export_static_mesh;
    request.static_mesh = tr4.add_static(test::square_mesh(-50));
    const TMS3D_File model = prepared(tr4, request);
    EXPECT_TRUE(model.num_joints + model.total_frames == 0 && model.fps == 24 && model.num_materials == 1);
    EXPECT_EQ(name_text(model.groups[0].name) + name_text(model.materials[0].texture), "Texture#0/out/model.bmp");
    std::vector<std::pair<Vec3, int>> vertices;
    for (const MS3D_Vertex& v : model.vertices) vertices.emplace_back(v.position, v.bone_id);
    std::sort(vertices.begin(), vertices.end());  // the square at height -50 in hundredths, y and z mirrored
    EXPECT_EQ(vertices, (std::vector<std::pair<Vec3, int>>{
                            {{0, 0.5f, -1}, -1}, {{0, 0.5f, 0}, -1}, {{1, 0.5f, -1}, -1}, {{1, 0.5f, 0}, -1}}));
}

TEST(ExportCommand, DialogFiltersAreSubversionsTwoOneZeroThenTheAsciiForm)
{
    for (auto [filter, subversion] : {std::pair{1, 2}, {2, 1}, {3, 0}, {4, 2}})
        EXPECT_EQ(subversion_for_filter(filter), subversion);
}

TEST(ExportCommand, RefusedExportsWriteNothingAndSayWhy)
{
    const std::string long_name = std::string(130, 'n') + ".ms3d";  // its page name is past 127 characters
    const std::tuple<std::string, std::uint8_t, std::string> cases[] = {
        {"model.MS3D", 1, "\".ms3d\""},         {"model.obj", 1, "\".mst\""}, {"model", 1, "\".ms3d\""},
        {long_name, 1, "127"},                  {"model.ms3d", 0, "frame rate is 0"},
        {"model.ms3d", 33, "frame rate is 33"}, {"model.ms3d", 200, "frame rate is 200"}};
    for (const auto& [name, frame_rate, reason] : cases) {
        SCOPED_TRACE(reason);
        ExchangeLevel fixture(code_tr4, {{1, {}, {2}, frame_rate}});
        const auto dir = test::exchange_dir("refused");
        TMS3D_File model;
        const exchange_outcome outcome =
            export_selection(fixture.level, fixture.meshes, request_for(dir / name), model);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.message.find(reason), std::string::npos) << outcome.message;
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
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}}), many(code_tr4, {{129, {}, {1}}}), empty(code_tr2, {});
    const auto problem = [](ExchangeLevel& level, const export_request& request) {
        TMS3D_File model;
        repack_result pages;
        return prepare_export(level.level, level.meshes, request, model, pages).value_or("none");
    };
    const export_request statics{.path = "/out/x.ms3d", .view_mode = export_static_mesh};  // the level has none
    for (const export_request& request : {request_for("/out/x.ms3d", 5), request_for("/out/x.ms3d", 0, 3), statics})
        EXPECT_TRUE(problem(fixture, request) != "none" && problem(empty, request) != "none");
    EXPECT_NE(problem(many, plain_request).find("128"), std::string::npos);
    // Keyframes of one word each: more than a joint can hold keys for.
    fixture.level.frames.resize(70000);
    fixture.level.animations[0].frame_size = 1;
    fixture.sync_counts();
    EXPECT_NE(problem(fixture, plain_request).find("65535"), std::string::npos);
}

// A full filesystem, one that fills up between the pages and the model, a
// read-only one and a model name that is a folder: the earlier export's files
// stay as they were, the outcome carries the system's reason, and the level
// exports the same afterwards.
TEST(ExportDiskFaults, EveryFailedExportKeepsTheEarlierOne)
{
    ExchangeLevel fixture{code_tr4, {{3, {}, {4}, 1}}};
    const auto export_to = [&](const std::filesystem::path& path) {
        TMS3D_File model;
        return export_selection(fixture.level, fixture.meshes, request_for(path), model);
    };
    const std::filesystem::path reference = test::exchange_dir("disk-faults-reference");
    const exchange_outcome first = export_to(reference / "model.ms3d");
    EXPECT_EQ(first.message, "Export Done.");
    EXPECT_EQ(first.files, (std::vector{(reference / "model.bmp").string(), (reference / "model.ms3d").string()}));
    const auto first_model = test::read_file(reference / "model.ms3d");
    const auto page_bytes = std::filesystem::file_size(reference / "model.bmp");
    const auto old_model = test::bytes_of("the old model"), old_page = test::bytes_of("the old page");
    enum Fault { full, full_after_pages, read_only, folder };
    const std::tuple<Fault, int, std::vector<std::string>> rows[] = {
        {full, ENOSPC, {".filler", "model.bmp", "model.ms3d"}},
        {full_after_pages, ENOSPC, {".filler", "model.bmp", "model.ms3d", "page-link"}},
        {read_only, EROFS, {"model.bmp", "model.ms3d"}},
        {folder, EISDIR, {"model.bmp", "model.ms3d"}}};
    for (const auto& [fault, error, left] : rows) {
        SCOPED_TRACE(fault);
        // A bitmap page is 192 KB: the small disk holds an earlier export and little more.
        test::SmallFilesystem disk(test::short_output_dir("milkshape-exchange") / ("disk" + std::to_string(fault)),
                                   640);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const std::filesystem::path dir = disk.folder();
        ASSERT_TRUE(export_to(dir / "model.ms3d").ok);
        test::Bytes().append(old_page).save(dir / "model.bmp");
        const auto old_model_path = fault == folder ? dir / "model.ms3d" / "inside" : dir / "model.ms3d";
        if (fault == folder) fs::remove(dir / "model.ms3d"), fs::create_directory(dir / "model.ms3d");
        test::Bytes().append(old_model).save(old_model_path);
        if (fault == full_after_pages) {
            // A second name keeps the old page's blocks in use once it is
            // replaced; then room for the new page and none for the model.
            std::filesystem::create_hard_link(dir / "model.bmp", dir / "page-link");
            ASSERT_TRUE(disk.fill() && disk.free_room(page_bytes));
        }
        ASSERT_TRUE(fault != full || disk.fill());
        ASSERT_TRUE(fault != read_only || disk.make_read_only());
        for (const char* name : {"model.ms3d", fault == read_only ? "model.mst" : "model.ms3d"}) {
            const exchange_outcome outcome = export_to(dir / name);
            EXPECT_FALSE(outcome.ok);
            EXPECT_NE(outcome.message.find(std::strerror(error)), std::string::npos) << outcome.message;
        }
        EXPECT_EQ(test::read_file(old_model_path), old_model);
        EXPECT_EQ(test::read_file(dir / "model.bmp"), old_page);
        EXPECT_EQ(test::folder_entries(dir), left);
        ASSERT_TRUE(export_to(reference / "model.ms3d").ok);
        EXPECT_EQ(test::read_file(reference / "model.ms3d"), first_model);
    }
}

}  // namespace
}  // namespace kelanim
