#include <gtest/gtest.h>

#include <cmath>

#include "render/txgl.h"

using namespace kelanim;

namespace {

using xyz = std::array<float, 3>;

void expect_near(xyz got, xyz want)
{
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-5) << "axis " << i;
}

xyz point(const TxGL& gl, std::size_t i) { return {gl.vertices().at(i).x, gl.vertices().at(i).y, gl.vertices().at(i).z}; }

// Where the transform takes a point.
xyz moved(const TxGL& gl, xyz p)
{
    gl.transform_point(p[0], p[1], p[2]);
    return p;
}

tgl_corner corner(float x, double u = 0) { return {x, 0, 0, u, u}; }
tgl_corner_rgb corner_rgb(float x) { return {x, 0, 0, static_cast<std::uint8_t>(x), 0, 0, x, x}; }

}  // namespace

TEST(TxGLMatrices, SixtyThreeTransformsAreSavedAndAPopOnAnEmptyStackKeepsTheTransform)
{
    TxGL gl;
    for (int k = 0; k < 64; ++k) {
        gl.load_identity();
        gl.translate(static_cast<float>(k), 0, 0);
        gl.push_matrix();
    }
    EXPECT_EQ(gl.stack_depth(), 63);
    for (int k = 62; k >= -1; --k) {
        gl.pop_matrix();
        EXPECT_FLOAT_EQ(gl.matrix().at(3, 0), static_cast<float>(std::max(k, 0))) << "pop restoring slot " << k;
    }
    EXPECT_EQ(gl.stack_depth(), 0);
}

TEST(TxGLMatrices, TranslateAndVertexNegateYAndRotationsGoBeforeTheCurrentTransform)
{
    TxGL gl;
    EXPECT_FLOAT_EQ(gl.matrix().at(0, 0), 0.0f) << "the transform is all zero before load_identity";
    // A vertex negates y, then the transform's translation (negated too) moves it.
    gl.load_identity();
    gl.translate(0, 1, 0);
    gl.vertex(0, 1, 0, 255, 255, 255);
    expect_near(point(gl, 0), {0, -2, 0});
    EXPECT_FLOAT_EQ(moved(gl, {0, 1, 0})[1], 0.0f) << "transform_point does not negate y";

    // Degrees or radians; about y, x turns towards -z; a rotation acts on the
    // point before a translation made earlier.
    struct turn {
        bool radians;
        xyz angles, translation, from, to;
    } turns[] = {{false, {90, 0, 0}, {}, {0, 1, 0}, {0, 0, 1}},
                 {true, {1, 0, 0}, {}, {0, 1, 0}, {0, std::cos(1.0f), std::sin(1.0f)}},
                 {false, {0, 90, 0}, {}, {1, 0, 0}, {0, 0, -1}},
                 {false, {0, 0, 90}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}}};
    for (const turn& t : turns) {
        gl.load_identity();
        gl.translate(t.translation[0], t.translation[1], t.translation[2]);
        gl.rotate(t.radians, t.angles[0], t.angles[1], t.angles[2]);
        expect_near(moved(gl, t.from), t.to);
    }
}

TEST(TxGLEmission, FacesEmitTheirCornersInTheirOwnOrders)
{
    TxGL gl;
    gl.load_identity();
    gl.set_colour(10, 20, 30);
    gl.quad(corner(1, 0.1), corner(2, 0.2), corner(3, 0.3), corner(4, 0.4));
    gl.quad_rgb(corner_rgb(1), corner_rgb(2), corner_rgb(3), corner_rgb(4));
    // A window colour value is 0x00BBGGRR and a pushed colour comes back.
    gl.set_colour_value(0x00332211);
    gl.push_colour();
    gl.set_colour(200, 200, 200);
    gl.pop_colour();
    gl.triangle(corner(1), corner(2), corner(3));
    gl.triangle_rgb(corner_rgb(4), corner_rgb(5), corner_rgb(6));
    const float order[] = {2, 3, 1, 4, 1, 3, /* rgb quad */ 1, 3, 4, 1, 2, 3, /* triangles */ 1, 2, 3, 4, 5, 6};
    ASSERT_EQ(gl.vertices().size(), 18u);
    for (std::size_t i = 0; i < 18; ++i) EXPECT_EQ(gl.vertices()[i].x, order[i]) << i;
    for (std::size_t i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(gl.vertices()[i].u, order[i] / 10.0) << i;
    for (std::size_t i : {6, 8, 16}) EXPECT_EQ(gl.vertices()[i].red, order[i]) << "corners keep their own colour";
    auto rgb = [&](std::size_t i) {
        return std::array<int, 3>{gl.vertices()[i].red, gl.vertices()[i].green, gl.vertices()[i].blue};
    };
    EXPECT_EQ(rgb(0), (std::array{10, 20, 30}));
    EXPECT_EQ(rgb(12), (std::array{0x11, 0x22, 0x33}));
}

TEST(TxGLLayers, VerticesAboveLayer15AreDroppedAndClearsWorkByLayer)
{
    TxGL gl;
    gl.load_identity();
    for (auto [layer, x] : {std::pair{16, 9}, {1, 1}, {0, 2}, {1, 3}}) {
        gl.set_layer(layer);
        gl.triangle(corner(x), corner(x), corner(x));
    }
    EXPECT_EQ(std::pair(gl.layer_counts()[0], gl.layer_counts()[1]), std::pair(3, 6));
    // Interleaved layers fill their own buffers, each in emission order.
    TVertexBuffer_array array;
    array.set_count(2);
    gl.build_buffers(array);
    ASSERT_EQ(array.buffers[1].vertices.size(), 6u);
    EXPECT_EQ(std::pair(array.buffers[0].vertices[0].x, array.buffers[1].vertices[3].x), std::pair(2.0f, 3.0f));

    gl.clear_layer(16);
    EXPECT_EQ(gl.vertices().size(), 9u);
    gl.clear_layer(0);
    ASSERT_EQ(gl.vertices().size(), 6u);
    EXPECT_EQ(gl.layer_counts()[0], 0);
    EXPECT_EQ(std::pair(point(gl, 0)[0], point(gl, 3)[0]), std::pair(1.0f, 3.0f));
    gl.set_texture(7);
    gl.clear_layer(-1);
    EXPECT_TRUE(gl.vertices().empty());
    EXPECT_EQ(std::pair(gl.layer_counts()[1], gl.current_texture()), std::pair(0, -1));
}

TEST(TxGLBuffers, TexturesMakeGroupsDeviceVerticesCarryColourAndAnEmptyLayerKeepsItsBuffer)
{
    TxGL gl;
    gl.load_identity();
    for (int texture : {3, 3, 5, 3}) {
        gl.set_texture(texture);
        gl.quad(corner(1), corner(2), corner(3), corner(4));
    }
    gl.triangle_rgb({1, 2, 3, 0x12, 0x34, 0x56, 0.25, 0.75}, {}, {});
    gl.set_texture(hidden_texture_id);
    gl.triangle({5, 5, 5, 0, 0}, {5, 5, 5, 0, 0}, {5, 5, 5, 0, 0});
    TVertexBuffer_array array;
    array.set_count(2);
    gl.build_buffers(array);
    const Tvbuffer& b = array.buffers[0];
    EXPECT_EQ(std::pair(b.vertex_count, b.primitive_count), std::pair(30, 10u));
    EXPECT_EQ(b.group_textures, (std::vector<std::int32_t>{3, 5, 3, hidden_texture_id}));
    EXPECT_EQ(b.group_triangles, (std::vector<std::uint32_t>{4, 2, 3, 1}));
    EXPECT_EQ(array.buffers[1].primitive_count, 0u);
    const device_vertex& rgb = b.vertices[24];
    EXPECT_EQ((std::tuple{rgb.y, rgb.colour, rgb.u, rgb.v}), (std::tuple{-2.0f, 0xFF123456u, 0.25f, 0.75f}));
    const device_vertex& hidden = b.vertices[27];
    EXPECT_EQ((xyz{hidden.x, hidden.y, hidden.z}), (xyz{}));

    // Rebuilding without vertices keeps the buffer's storage and revision;
    // vertices of a layer that has no buffer are left out.
    const std::uint64_t revision = b.revision;
    gl.clear_layer(-1);
    gl.set_layer(3);
    gl.triangle(corner(1), corner(2), corner(3));
    gl.build_buffers(array);
    EXPECT_EQ((std::tuple{b.vertex_count, b.primitive_count, b.revision}), (std::tuple{30, 0u, revision}));
    EXPECT_EQ(array.buffers[1].primitive_count, 0u);
}
