#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "milkshape/mst_file.h"
#include "milkshape/mst_text.h"
#include "ms3d_samples.h"

namespace kelanim {
namespace {

using test::temp_path;

std::string save_text(const TMS3D_File& model, const std::string& name)
{
    save_mst(model, temp_path(name).string());
    const auto bytes = test::read_file(temp_path(name));
    return {bytes.begin(), bytes.end()};
}

std::int16_t load_text(TMS3D_File& model, const std::string& text, const std::string& name = "loaded.mst")
{
    const auto path = temp_path(name);
    std::filesystem::remove(path);  // rewriting a file in place waits for the disk
    test::Bytes().text(text).save(path);
    return load_mst(model, path.string());
}

TMS3D_File welded_sample()
{
    TMS3D_File m = test::sample_model(0);
    EXPECT_TRUE(weld_vertices(m, false)) << m.last_error;
    return m;
}

TEST(MstText, NumbersConvertOrNameTheBadTextAndPrintNineDigitsSixDecimals)
{
    EXPECT_EQ(to_integer(" 12"), 12);
    EXPECT_EQ(to_integer("+7"), 7);
    EXPECT_DOUBLE_EQ(to_number("-1.5e2"), -150);
    auto message = [](auto convert, const char* text) {
        try {
            convert(text);
        } catch (const ConversionError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    for (const char* bad : {"1.5", "", "99999999999"})
        EXPECT_EQ(message(to_integer, bad), std::string("'") + bad + "' is not a valid integer value");
    for (const char* bad : {"abc", "1.5x", "nan"})
        EXPECT_EQ(message(to_number, bad), std::string("'") + bad + "' is not a valid floating point value");
    EXPECT_EQ(message(to_single, "1e39"), "'1e39' is not a valid floating point value");

    const std::pair<double, const char*> fixed[] = {{0.123456789, "0.123457"}, {12345.6787109375, "12345.678700"},
                                                    {-1e-7, "0.000000"},       {999999999.4, "999999999.000000"},
                                                    {12345678901.0, "1.23456789E+10"}};
    for (const auto& [value, text] : fixed) EXPECT_EQ(format_fixed(value, 9, 6), text);
}

TEST(MstSave, WritesTheLayoutLineByLine)
{
    TMS3D_File m;
    m.total_frames = 2;
    m.current_time = 2.5f;  // rounds to the even 2
    m.vertices = {test::sample_vertex(1, 2, 3, 0), test::sample_vertex(0, 0, 0.125f, -1), test::sample_vertex(-1, 0, 0, 0)};
    m.num_vertices = 3;
    m.triangles = {test::sample_triangle(0, 1, 2, 0)};
    m.num_triangles = 1;
    m.vertex_extras.assign(3, MS3D_VertexExtra{});
    m.vertex_extras[0] = {{2, -1, -1}, {100, 33, 0}, 0};
    m.joints = {test::sample_joint("Left Arm", "", {test::key(1, 0.5f, 0, 0)}, {test::key(1, 0, 1, 0)})};
    m.num_joints = 1;
    ASSERT_TRUE(weld_vertices(m, false));
    const std::string expected =
        ";//Milkshape3D Extra ASCII, By Brennick\r\n\r\nSignature: mst 1.0\r\n\r\n"
        ";//total frames\r\nFrames: 2\r\n;//current frame\r\nFrame: 2\r\n\r\n"
        ";//number of meshes\r\nMeshes: 1\r\n\r\n;//mesh: name, flags, material index\r\n\"Mesh1\" 0 0\r\n\r\n"
        ";//number of vertices\r\n3\r\n;//vertex: flags, x, y, z, u, v, bone index\r\n"
        "0 1.000000 2.000000 3.000000 0.000000 0.000000 0\r\n"
        "0 0.000000 0.000000 0.125000 1.000000 0.000000 -1\r\n"
        "0 -1.000000 0.000000 0.000000 1.000000 1.000000 0\r\n"
        ";//number of normals\r\n1\r\n;//normal: x, y, z\r\n0.000000 0.000000 1.000000\r\n"
        ";//number vertex extra\r\n3\r\n;//Vertex Extra: joint2,joint3,joint4,weight1,weight2,weight3,weight4\r\n"
        "2 -1 -1 1.00 0.33 0.00 0.00\r\n-1 -1 -1 0.00 0.00 0.00 0.00\r\n-1 -1 -1 0.00 0.00 0.00 0.00\r\n"
        "; // number of triangles\r\n1\r\n; //Faces: flag, p1,p2,p3,n1,n2,n3,smoothGroup \r\n"
        "0 0 1 2 0 0 0 1\r\n\r\n"
        ";//Materials\r\nMaterials: 0\r\n;*** SKELETON & ANIMATIONS\r\n;//Number of joints\r\nBones: 1\r\n"
        ";//Joint Name\r\n\"Left Arm\"\r\n\"\"\r\n;//joint: flags, posx, posy, posz, rotx, roty, rotz\r\n"
        "0 0.000000 1.500000 0.000000 0.000000 0.000000 0.250000\r\n"
        ";// number of position keys\r\n1\r\n;// position key: time, posx, posy, posz\r\n"
        "1 0.000000 1.000000 0.000000\r\n"
        ";//number of rotation keys\r\n1\r\n;//rotation key: time, posx, posy, posz\r\n"
        "1 0.500000 0.000000 0.000000 \r\n";
    EXPECT_EQ(save_text(m, "layout.mst"), expected);
    EXPECT_THROW(save_mst(test::sample_model(0), temp_path("unwelded.mst").string()), std::invalid_argument);
}

TEST(MstRoundTrip, ASavedModelReadsBackAndSavesTheSameText)
{
    // Key slots per frame, as the export writes them; subversion 2 for the weights.
    TMS3D_File original = test::sample_model(2);
    save_ms3d(original, temp_path("per_frame.ms3d").string());
    ASSERT_EQ(load_ms3d(original, temp_path("per_frame.ms3d").string(), true), ms3d_ok) << original.last_error;
    ASSERT_TRUE(weld_vertices(original, false)) << original.last_error;
    const std::string text = save_text(original, "roundtrip.mst");
    TMS3D_File loaded;
    ASSERT_EQ(load_mst(loaded, temp_path("roundtrip.mst").string()), ms3d_ok) << loaded.last_error;
    EXPECT_EQ(loaded.fps, 24);
    EXPECT_EQ(name_text(loaded.joints.at(1).parent_name), "root");  // names come back in lower case
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    };
    ASSERT_TRUE(weld_vertices(loaded, false)) << loaded.last_error;
    EXPECT_EQ(lower(save_text(loaded, "resaved.mst")), lower(text));
}

// The counts before the joints, for a model of `frames` frames.
std::string header(int frames)
{
    return "Signature: mst 1.0\r\nFrames: " + std::to_string(frames) + "\r\nFrame: 3\r\nMeshes: 0\r\nMaterials: 0\r\n";
}

TEST(MstLoad, ReadsCountsAndRecordsAmongCommentsAndBlankLines)
{
    std::string text =
        "; heading\r\n\r\nSIGNATURE: anything\r\n\r\nFrames:   12\r\n;c\r\nFrame: 3\r\nMeshes: 1\r\n"
        "\"My Mesh\" 1 0\r\n;c\r\n\r\n3\r\n;c\r\n0 0 0 0 0.25 0.5 0\r\n\r\n0 1 0 0 1 0.5 0\r\n0 0 1 0 0 1 -1\r\n"
        "1\r\n;c\r\n0 0 1\r\n3\r\n-1 -1 -1 1.00 0.00 0.00 0.00\r\n;c\r\n0 -1 -1 0.50 0.50 0.00 0.00\r\n"
        "-1 -1 -1 0 0 0 0\r\n1\r\n\r\n8 0 1 2 0 0 0 4\r\n"
        "Materials: 1\r\n\"Red Skin\"\r\n0.2 0.2 0.2 1\r\n1 0 0 1\r\n0 0 0 1\r\n0 0 0 1\r\n5\r\n1\r\n\"Page 0.bmp\"\r\n\"\"\r\n"
        "Bones: 1\r\n\"Left Arm\"\r\n\"\"\r\n8 1 2 3 0 0 0\r\n2\r\n0 5 5 5\r\n3 7 7 7\r\n0\r\n";
    TMS3D_File m;
    ASSERT_EQ(load_text(m, text), ms3d_ok) << m.last_error;
    EXPECT_EQ(m.total_frames, 12);
    EXPECT_EQ(m.current_time, 3);
    ASSERT_EQ(m.num_groups, 1);
    EXPECT_EQ(name_text(m.groups[0].name), "my_mesh");
    EXPECT_EQ(m.groups[0].flags, 1);
    ASSERT_EQ(m.num_vertices, 3);
    EXPECT_EQ(m.triangles[0].flags, 8);
    EXPECT_EQ(m.triangles[0].smoothing_group, 4);
    EXPECT_EQ(m.triangles[0].s, (std::array<float, 3>{0.25f, 1, 0}));
    EXPECT_EQ(m.triangles[0].t, (std::array<float, 3>{0.5f, 0.5f, 1}));
    EXPECT_EQ(m.triangles[0].vertex_normals[2], (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(m.vertex_extras[m.triangles[0].vertex_indices[1]].weights, (std::array<std::uint8_t, 3>{50, 50, 0}));
    EXPECT_EQ(m.vertices[m.triangles[0].vertex_indices[2]].bone_id, -1);
    ASSERT_EQ(m.num_materials, 1);
    EXPECT_EQ(name_text(m.materials[0].name), "red_skin");
    EXPECT_EQ(m.materials[0].diffuse, (std::array<float, 4>{1, 0, 0, 1}));
    EXPECT_EQ(m.materials[0].shininess, 5);
    EXPECT_EQ(name_text(m.materials[0].texture), "page_0.bmp");
    ASSERT_EQ(m.num_joints, 1);
    const MS3D_Joint& j = m.joints[0];
    EXPECT_EQ(name_text(j.name), "left_arm");
    EXPECT_EQ(j.flags, 8);
    EXPECT_EQ(j.position, (std::array<float, 3>{1, 2, 3}));
    // A key at frame 0 lands in slot 0 with time 0: empty, so the first slots
    // take the key of frame 3.
    ASSERT_EQ(j.translation_keys.size(), 12u);
    EXPECT_EQ(j.translation_keys[0].value, (std::array<float, 3>{7, 7, 7}));
    EXPECT_EQ(j.rotation_keys.size(), 12u);
}

TEST(MstLoad, FailuresAreReportedAndLeaveTheModelAlone)
{
    TMS3D_File m = test::sample_model(0);
    EXPECT_EQ(load_mst(m, temp_path("absent.mst").string()), ms3d_no_file);
    EXPECT_EQ(load_text(m, ""), ms3d_bad_signature);
    EXPECT_EQ(load_text(m, ";only a comment\r\nFrames: 3\r\n"), ms3d_bad_signature);

    auto expect_failure = [&m](const std::string& text, const std::string& reason) {
        EXPECT_EQ(load_text(m, text), ms3d_damaged) << text;
        EXPECT_NE(m.last_error.find(reason), std::string::npos) << m.last_error;
        EXPECT_EQ(m.num_joints, 3);
        EXPECT_EQ(m.total_frames, 10);
    };
    const std::string mesh_start = "Signature: mst 1.0\r\nFrames: 2\r\nFrame: 0\r\nMeshes: 1\r\nm 0 0\r\n";
    expect_failure(mesh_start + "1\r\n0 abc 0 0 0 0 0\r\n", "'abc' is not a valid floating point value");
    expect_failure(mesh_start + "1\r\n0 0 0 0 0 0 zero\r\n", "'zero' is not a valid integer value");
    expect_failure(mesh_start + "1\r\n0 0 0 0 0 0 0\r\n", "'' is not a valid integer value");  // ends early
    expect_failure(mesh_start + "-4\r\n", "negative");
    expect_failure(mesh_start + "1\r\n0 0 0 0 0 0 0\r\n0\r\n1\r\n-1 -1 -1 0 0 0 0\r\n1\r\n0 0 0 5 0 0 0 0\r\n",
                   "names vertex 5");
    expect_failure(mesh_start + "1\r\n0 0 0 0 0 0 0\r\n0\r\n1\r\n-1 -1 -1 0 0 0 0\r\n1\r\n0 0 0 0 0 0 0 0\r\n",
                   "names normal 0");
    expect_failure(mesh_start + "1\r\n0 0 0 0 0 0 300\r\n", "out of range");
    expect_failure(header(12) + "Bones: 70000\r\n", "out of range");
    expect_failure(header(60000) + "Bones: 9000\r\n", "too many keys");
    // 16 bones fit at the most frames a joint can hold; 17 do not.
    expect_failure(header(65535) + "Bones: 17\r\n", "17 joints of 65535 frames are too many keys");
    expect_failure(header(-3) + "Bones: 1\r\n", "negative");
}

TEST(MstLoad, EveryShortenedFileFailsCleanly)
{
    std::string text = save_text(welded_sample(), "full.mst");
    TMS3D_File m;
    ASSERT_EQ(load_text(m, text), ms3d_ok) << m.last_error;
    // Cut after each line but the last; the last significant line is a key.
    std::size_t last_line = text.rfind("\r\n", text.size() - 3);
    for (std::size_t end = text.find("\r\n"); end < last_line; end = text.find("\r\n", end + 2)) {
        TMS3D_File cut = test::sample_model(0);
        std::int16_t result = load_text(cut, text.substr(0, end + 2), "cut.mst");
        ASSERT_NE(result, ms3d_ok) << end;
        ASSERT_EQ(cut.num_joints, 3);
    }
}

TEST(WeldVertices, CornersShareAVertexOnlyWithTheSameTextureCoordinatesJointAndWeights)
{
    TMS3D_File m;
    m.vertices = {test::sample_vertex(0, 0, 0, 0), test::sample_vertex(1, 0, 0, 0), test::sample_vertex(1, 1, 0, 0),
                  test::sample_vertex(0, 1, 0, 0), test::sample_vertex(0, 0, 0.0000001f, 0)};
    m.num_vertices = 5;
    // Vertex 4 is vertex 0 within 6 decimals.
    MS3D_Triangle a = test::sample_triangle(0, 1, 2, 0), b = test::sample_triangle(4, 2, 3, 0);
    b.s = {0.5f, 1, 0};
    b.t = {0.5f, 1, 1};
    b.vertex_normals[2] = {0, 1, 0};
    m.triangles = {a, b};
    m.num_triangles = 2;

    TMS3D_File textured = m;
    ASSERT_TRUE(weld_vertices(textured, false));
    EXPECT_EQ(textured.num_vertices, 5);  // the corner at (0, 0, 0) has two texture coordinates
    EXPECT_EQ(textured.triangles[0].vertex_indices, (std::array<std::uint16_t, 3>{0, 1, 2}));
    EXPECT_EQ(textured.triangles[1].vertex_indices, (std::array<std::uint16_t, 3>{3, 2, 4}));
    EXPECT_EQ(textured.vertices[3].position, (std::array<float, 3>{0, 0, 0}));
    EXPECT_FLOAT_EQ(textured.tex_coords[3].u, 0.5f);
    EXPECT_EQ(textured.num_normals, 2);
    EXPECT_EQ(textured.triangle_normals[1].normal_indices, (std::array<std::int32_t, 3>{0, 0, 1}));
    EXPECT_EQ(textured.normals[1], (TVector3{0, 1, 0}));
    EXPECT_EQ(model_inconsistency(textured, true), "");

    TMS3D_File positions = m;
    ASSERT_TRUE(weld_vertices(positions, true));
    EXPECT_EQ(positions.num_vertices, 4);
    EXPECT_EQ(positions.triangles[1].vertex_indices, (std::array<std::uint16_t, 3>{0, 2, 3}));
    EXPECT_TRUE(positions.num_normals == 0 && positions.triangle_normals.empty() && positions.tex_coords[0].u == 0);
    EXPECT_EQ(positions.triangles[1].s, b.s);  // corners keep their own coordinates

    // Another joint or other weights keep a vertex apart, even by position.
    m.vertices = {test::sample_vertex(0, 0, 0, 0), test::sample_vertex(0, 0, 0, 1), test::sample_vertex(0, 0, 0, 0)};
    m.num_vertices = 3;
    m.vertex_extras.assign(3, MS3D_VertexExtra{});
    m.vertex_extras[2].weights = {40, 0, 0};
    m.triangles = {test::sample_triangle(0, 1, 2, 0)};
    m.triangles[0].s = m.triangles[0].t = {0, 0, 0};
    m.num_triangles = 1;
    ASSERT_TRUE(weld_vertices(m, true));
    EXPECT_EQ(m.num_vertices, 3);
    EXPECT_EQ(m.vertex_extras[2].weights[0], 40);
}

TEST(WeldVertices, AMissingVertexIsRefusedAndChangesNothing)
{
    TMS3D_File m = test::sample_model(0);
    m.triangles[1].vertex_indices[2] = 40;
    EXPECT_FALSE(weld_vertices(m, false));
    EXPECT_NE(m.last_error.find("names vertex 40"), std::string::npos);
    EXPECT_EQ(m.num_vertices, 7);
    EXPECT_EQ(m.triangles[1].vertex_indices[2], 40);
}

}  // namespace
}  // namespace kelanim
