// The ascii .mst form: numbers in and out, the exact text save_mst writes,
// what load_mst reads back, and the vertex welding around both.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "milkshape/mst_file.h"
#include "milkshape/mst_text.h"
#include "ms3d_samples.h"

namespace kelanim {
namespace {

#define EXPECT_THROW_MESSAGE(call, text)                                    \
    try {                                                                   \
        call;                                                               \
        ADD_FAILURE() << #call " did not throw";                            \
    } catch (const ConversionError& e) { EXPECT_EQ(e.what(), std::string(text)); }

using test::sample_triangle;
using test::sample_vertex;

TEST(MstText, NumbersConvertOrNameTheBadTextAndPrintNineDigitsSixDecimals)
{
    EXPECT_TRUE(to_integer(" 12") + to_integer("+7") == 19 && to_number("-1.5e2") == -150);
    for (const char* bad : {"1.5", "", "99999999999"})
        EXPECT_THROW_MESSAGE(to_integer(bad), std::string("'") + bad + "' is not a valid integer value");
    for (const char* bad : {"abc", "1.5x", "nan"})
        EXPECT_THROW_MESSAGE(to_number(bad), std::string("'") + bad + "' is not a valid floating point value");
    EXPECT_THROW_MESSAGE(to_single("1e39"), "'1e39' is not a valid floating point value");
    const std::pair<double, const char*> fixed[] = {{0.123456789, "0.123457"}, {12345.6787109375, "12345.678700"},
                                                    {-1e-7, "0.000000"},       {999999999.4, "999999999.000000"},
                                                    {12345678901.0, "1.23456789E+10"}};
    for (const auto& [value, text] : fixed) EXPECT_EQ(format_fixed(value, 9, 6), text);
}

TEST(MstSave, WritesTheLayoutLineByLine)
{
    TMS3D_File m{.current_time = 2.5f, .total_frames = 2};  // the current frame rounds to the even 2
    m.vertices = {sample_vertex(1, 2, 3, 0), sample_vertex(0, 0, 0.125f, -1), sample_vertex(-1, 0, 12345.67871f, 0)};
    m.triangles = {sample_triangle(0, 1, 2, 0)};
    m.num_vertices = 3, m.num_triangles = 1, m.num_joints = 1;
    m.vertex_extras.assign(3, MS3D_VertexExtra{});
    m.vertex_extras[0] = {{2, -1, -1}, {100, 33, 0}, 0};
    m.joints = {test::sample_joint("Left Arm", "", {test::key(1, 0.5f, 0, 0)}, {test::key(1, 0, 1, 0)})};
    ASSERT_TRUE(weld_vertices(m, false));
    const std::string expected =
        ";//Milkshape3D Extra ASCII, By Brennick\r\n\r\nSignature: mst 1.0\r\n\r\n;//total frames\r\nFrames: 2\r\n"
        ";//current frame\r\nFrame: 2\r\n\r\n"
        ";//number of meshes\r\nMeshes: 1\r\n\r\n;//mesh: name, flags, material index\r\n\"Mesh1\" 0 0\r\n\r\n"
        ";//number of vertices\r\n3\r\n;//vertex: flags, x, y, z, u, v, bone index\r\n"
        "0 1.000000 2.000000 3.000000 0.000000 0.000000 0\r\n0 0.000000 0.000000 0.125000 1.000000 0.000000 -1\r\n"
        "0 -1.000000 0.000000 12345.678700 1.000000 1.000000 0\r\n"
        ";//number of normals\r\n1\r\n;//normal: x, y, z\r\n0.000000 0.000000 1.000000\r\n"
        ";//number vertex extra\r\n3\r\n;//Vertex Extra: joint2,joint3,joint4,weight1,weight2,weight3,weight4\r\n"
        "2 -1 -1 1.00 0.33 0.00 0.00\r\n-1 -1 -1 0.00 0.00 0.00 0.00\r\n-1 -1 -1 0.00 0.00 0.00 0.00\r\n"
        "; // number of triangles\r\n1\r\n; //Faces: flag, p1,p2,p3,n1,n2,n3,smoothGroup \r\n0 0 1 2 0 0 0 1\r\n\r\n"
        ";//Materials\r\nMaterials: 0\r\n;*** SKELETON & ANIMATIONS\r\n;//Number of joints\r\nBones: 1\r\n"
        ";//Joint Name\r\n\"Left Arm\"\r\n\"\"\r\n;//joint: flags, posx, posy, posz, rotx, roty, rotz\r\n"
        "0 0.000000 1.500000 0.000000 0.000000 0.000000 0.250000\r\n"
        ";// number of position keys\r\n1\r\n;// position key: time, posx, posy, posz\r\n"
        "1 0.000000 1.000000 0.000000\r\n;//number of rotation keys\r\n1\r\n;//rotation key: time, posx, posy, posz\r\n"
        "1 0.500000 0.000000 0.000000 \r\n";
    EXPECT_EQ(encode_mst(m), expected);
    EXPECT_THROW(encode_mst(test::sample_model(0)), std::invalid_argument);  // not welded
}

TEST(MstRoundTrip, ASavedModelReadsBackAndSavesTheSameText)
{
    // Key slots per frame, as the export writes them; subversion 2 for the weights.
    TMS3D_File original;
    ASSERT_EQ(test::load_bytes(original, test::saved_bytes(test::sample_model(2), "per_frame.ms3d"), true), ms3d_ok);
    ASSERT_TRUE(weld_vertices(original, false)) << original.last_error;
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    };
    const std::string text = encode_mst(original);
    TMS3D_File loaded;
    ASSERT_EQ(test::load_bytes(loaded, test::bytes_of(text), false, "roundtrip.mst"), ms3d_ok) << loaded.last_error;
    EXPECT_EQ(loaded.fps, 24);
    EXPECT_EQ(name_text(loaded.joints.at(1).parent_name), "root");  // names come back in lower case
    ASSERT_TRUE(weld_vertices(loaded, false)) << loaded.last_error;
    EXPECT_EQ(lower(encode_mst(loaded)), lower(text));
}

TEST(MstLoad, ReadsCountsAndRecordsAmongCommentsAndBlankLines)
{
    const std::string text =
        "; heading\r\n\r\nSIGNATURE: anything\r\n\r\nFrames:   12\r\n;c\r\nFrame: 3\r\nMeshes: 1\r\n"
        "\"My Mesh\" 1 0\r\n;c\r\n\r\n3\r\n;c\r\n0 0 0 0 0.25 0.5 0\r\n\r\n0 1 0 0 1 0.5 0\r\n0 0 1 0 0 1 -1\r\n"
        "1\r\n;c\r\n0 0 1\r\n3\r\n-1 -1 -1 1.00 0.00 0.00 0.00\r\n;c\r\n0 -1 -1 0.50 0.50 0.00 0.00\r\n"
        "-1 -1 -1 0 0 0 0\r\n1\r\n\r\n8 0 1 2 0 0 0 4\r\n"
        "Materials: 1\r\n\"Red Skin\"\r\n0.2 0.2 0.2 1\r\n1 0 0 1\r\n0 0 0 1\r\n0 0 0 1\r\n5\r\n1\r\n"
        "\"Page 0.bmp\"\r\n\"\"\r\n"
        "Bones: 1\r\n\"Left Arm\"\r\n\"\"\r\n8 1 2 3 0 0 0\r\n2\r\n0 5 5 5\r\n3 7 7 7\r\n0\r\n";
    TMS3D_File m;
    ASSERT_EQ(test::load_bytes(m, test::bytes_of(text), false, "records.mst"), ms3d_ok) << m.last_error;
    EXPECT_TRUE(m.total_frames == 12 && m.current_time == 3);
    ASSERT_TRUE(m.num_groups == 1 && m.num_vertices == 3 && m.num_materials == 1 && m.num_joints == 1);
    EXPECT_EQ(name_text(m.groups[0].name) + name_text(m.materials[0].name) + name_text(m.materials[0].texture) +
                  name_text(m.joints[0].name),
              "my_meshred_skinpage_0.bmpleft_arm");
    const MS3D_Triangle& t = m.triangles[0];
    EXPECT_TRUE(m.groups[0].flags == 1 && t.flags == 8 && t.smoothing_group == 4 && m.joints[0].flags == 8);
    EXPECT_EQ((std::vector{t.s, t.t, t.vertex_normals[2], m.joints[0].position}),
              (std::vector<test::Vec3>{{0.25f, 1, 0}, {0.5f, 0.5f, 1}, {0, 0, 1}, {1, 2, 3}}));
    EXPECT_EQ(m.vertex_extras[t.vertex_indices[1]].weights, (std::array<std::uint8_t, 3>{50, 50, 0}));
    EXPECT_EQ(m.vertices[t.vertex_indices[2]].bone_id, -1);
    EXPECT_TRUE(m.materials[0].diffuse == (std::array<float, 4>{1, 0, 0, 1}) && m.materials[0].shininess == 5);
    // A key at frame 0 lands in slot 0 with time 0: empty, so the first slots take the key of frame 3.
    ASSERT_TRUE(m.joints[0].translation_keys.size() == 12u && m.joints[0].rotation_keys.size() == 12u);
    EXPECT_EQ(m.joints[0].translation_keys[0].value, (test::Vec3{7, 7, 7}));
}

TEST(WeldVertices, CornersShareAVertexOnlyWithTheSameTextureCoordinatesJointAndWeights)
{
    TMS3D_File m;  // vertex 4 is vertex 0 within 6 decimals
    m.vertices = {sample_vertex(0, 0, 0, 0), sample_vertex(1, 0, 0, 0), sample_vertex(1, 1, 0, 0),
                  sample_vertex(0, 1, 0, 0), sample_vertex(0, 0, 0.0000001f, 0)};
    m.num_vertices = 5;
    MS3D_Triangle b = sample_triangle(4, 2, 3, 0);
    b.s = {0.5f, 1, 0}, b.t = {0.5f, 1, 1}, b.vertex_normals[2] = {0, 1, 0};
    m.triangles = {sample_triangle(0, 1, 2, 0), b};
    m.num_triangles = 2;
    TMS3D_File textured = m;  // the corner at (0, 0, 0) has two texture coordinates
    ASSERT_TRUE(weld_vertices(textured, false));
    EXPECT_EQ(textured.num_vertices, 5);
    EXPECT_EQ(textured.triangles[1].vertex_indices, (std::array<std::uint16_t, 3>{3, 2, 4}));
    EXPECT_TRUE(textured.vertices[3].position == (test::Vec3{0, 0, 0}) && textured.tex_coords[3].u == 0.5f);
    EXPECT_EQ(textured.triangle_normals[1].normal_indices, (std::array<std::int32_t, 3>{0, 0, 1}));
    EXPECT_TRUE(textured.num_normals == 2 && textured.normals[1] == (TVector3{0, 1, 0}));
    EXPECT_EQ(model_inconsistency(textured, true), "");
    TMS3D_File positions = m;
    ASSERT_TRUE(weld_vertices(positions, true));
    EXPECT_EQ(positions.triangles[1].vertex_indices, (std::array<std::uint16_t, 3>{0, 2, 3}));
    EXPECT_TRUE(positions.num_vertices == 4 && positions.num_normals == 0 && positions.triangle_normals.empty());
    EXPECT_TRUE(positions.tex_coords[0].u == 0 && positions.triangles[1].s == b.s);  // corners keep their own
    // Another joint or other weights keep a vertex apart, even by position.
    m.vertices = {sample_vertex(0, 0, 0, 0), sample_vertex(0, 0, 0, 1), sample_vertex(0, 0, 0, 0)};
    m.vertex_extras.assign(3, MS3D_VertexExtra{});
    m.vertex_extras[2].weights = {40, 0, 0};
    m.triangles = {sample_triangle(0, 1, 2, 0)};
    m.triangles[0].s = m.triangles[0].t = {0, 0, 0};
    m.num_vertices = 3, m.num_triangles = 1;
    ASSERT_TRUE(weld_vertices(m, true));
    EXPECT_TRUE(m.num_vertices == 3 && m.vertex_extras[2].weights[0] == 40);
    // A missing vertex is refused and changes nothing.
    m = test::sample_model(0);
    m.triangles[1].vertex_indices[2] = 40;
    EXPECT_FALSE(weld_vertices(m, false));
    EXPECT_TRUE(m.last_error.find("names vertex 40") != std::string::npos && m.num_vertices == 7);
}

}  // namespace
}  // namespace kelanim
