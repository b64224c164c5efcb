#include <gtest/gtest.h>

#include <cmath>

#include "render/txgl.h"

using namespace kelanim;

namespace {

void expect_point(const TxGL& gl, std::size_t index, float x, float y, float z)
{
    ASSERT_LT(index, gl.vertices().size());
    const tgl_vertex& v = gl.vertices()[index];
    EXPECT_NEAR(v.x, x, 1e-5f) << "vertex " << index;
    EXPECT_NEAR(v.y, y, 1e-5f) << "vertex " << index;
    EXPECT_NEAR(v.z, z, 1e-5f) << "vertex " << index;
}

tgl_corner corner(float x, double u = 0) { return {x, 0, 0, u, u}; }

tgl_corner_rgb corner_rgb(float x, std::uint8_t red) { return {x, 0, 0, red, 0, 0, x, x}; }

// Where the transform takes a point.
std::array<float, 3> moved(const TxGL& gl, float x, float y, float z)
{
    gl.transform_point(x, y, z);
    return {x, y, z};
}

void expect_near(std::array<float, 3> got, std::array<float, 3> want)
{
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-6) << "axis " << i;
}

void emit_square(TxGL& gl, int texture)
{
    gl.set_texture(texture);
    gl.quad(corner(1), corner(2), corner(3), corner(4));
}

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
    gl.load_identity();
    gl.translate(1000, 0, 0);
    for (int k = 62; k >= 0; --k) {
        gl.pop_matrix();
        EXPECT_FLOAT_EQ(gl.matrix().at(3, 0), static_cast<float>(k)) << "pop restoring slot " << k;
    }
    gl.pop_matrix();
    EXPECT_FLOAT_EQ(gl.matrix().at(3, 0), 0.0f);
    EXPECT_EQ(gl.stack_depth(), 0);
}

TEST(TxGLMatrices, TranslateAndVertexNegateYAndRotationsGoBeforeTheCurrentTransform)
{
    TxGL gl;
    EXPECT_FLOAT_EQ(gl.matrix().at(0, 0), 0.0f) << "the transform is all zero before load_identity";
    gl.load_identity();
    gl.translate(0, 1, 0);
    gl.vertex(0, 0, 0, 255, 255, 255);
    expect_point(gl, 0, 0, -1, 0);
    EXPECT_FLOAT_EQ(moved(gl, 0, 0, 0)[1], -1.0f);
    gl.load_identity();
    gl.vertex(0, 1, 0, 255, 255, 255);
    expect_point(gl, 1, 0, -1, 0);
    EXPECT_FLOAT_EQ(moved(gl, 0, 1, 0)[1], 1.0f) << "transform_point does not negate y";

    // Degrees or radians; about y, x turns towards -z; a rotation acts on the
    // point before a translation made earlier.
    gl.load_identity();
    gl.rotate(false, 90, 0, 0);
    expect_near(moved(gl, 0, 1, 0), {0, 0, 1});
    gl.load_identity();
    gl.rotate(true, 1, 0, 0);
    expect_near(moved(gl, 0, 1, 0), {0, static_cast<float>(std::cos(1.0)), static_cast<float>(std::sin(1.0))});
    gl.load_identity();
    gl.rotate(false, 0, 90, 0);
    expect_near(moved(gl, 1, 0, 0), {0, 0, -1});
    gl.load_identity();
    gl.translate(1, 0, 0);
    gl.rotate(false, 0, 0, 90);
    expect_near(moved(gl, 1, 0, 0), {1, 1, 0});
}

TEST(TxGLEmission, FacesEmitTheirCornersInTheirOwnOrders)
{
    TxGL gl;
    gl.load_identity();
    gl.set_colour(10, 20, 30);
    gl.quad(corner(1, 0.1), corner(2, 0.2), corner(3, 0.3), corner(4, 0.4));
    const float quad_order[] = {2, 3, 1, 4, 1, 3};
    for (std::size_t i = 0; i < 6; ++i) {
        expect_point(gl, i, quad_order[i], 0, 0);
        EXPECT_DOUBLE_EQ(gl.vertices()[i].u, quad_order[i] / 10.0);
        EXPECT_EQ(gl.vertices()[i].red, 10);
        EXPECT_EQ(gl.vertices()[i].blue, 30);
    }

    gl.clear_layer(-1);
    gl.quad_rgb(corner_rgb(1, 1), corner_rgb(2, 2), corner_rgb(3, 3), corner_rgb(4, 4));
    const float rgb_order[] = {1, 3, 4, 1, 2, 3};
    for (std::size_t i = 0; i < 6; ++i) {
        expect_point(gl, i, rgb_order[i], 0, 0);
        EXPECT_EQ(gl.vertices()[i].red, static_cast<int>(rgb_order[i]));
    }

    // Triangles keep their order; a window colour value is 0x00BBGGRR and
    // a pushed colour comes back.
    gl.clear_layer(-1);
    gl.set_colour_value(0x00332211);
    gl.push_colour();
    gl.set_colour(200, 200, 200);
    gl.pop_colour();
    gl.triangle(corner(1), corner(2), corner(3));
    gl.triangle_rgb(corner_rgb(4, 4), corner_rgb(5, 5), corner_rgb(6, 6));
    for (std::size_t i = 0; i < 6; ++i) expect_point(gl, i, static_cast<float>(i + 1), 0, 0);
    EXPECT_EQ(gl.vertices()[0].red, 0x11);
    EXPECT_EQ(gl.vertices()[0].green, 0x22);
    EXPECT_EQ(gl.vertices()[0].blue, 0x33);
}

TEST(TxGLLayers, VerticesAboveLayer15AreDroppedAndClearsWorkByLayer)
{
    TxGL gl;
    gl.load_identity();
    gl.set_layer(16);
    gl.triangle(corner(1), corner(2), corner(3));
    EXPECT_TRUE(gl.vertices().empty());

    gl.set_layer(1);
    gl.triangle(corner(1), corner(1), corner(1));
    gl.set_layer(0);
    gl.triangle(corner(2), corner(2), corner(2));
    gl.set_layer(1);
    gl.triangle(corner(3), corner(3), corner(3));
    EXPECT_EQ(gl.layer_counts()[0], 3);
    EXPECT_EQ(gl.layer_counts()[1], 6);
    // Interleaved layers fill their own buffers, each in emission order.
    TVertexBuffer_array array;
    array.set_count(2);
    gl.build_buffers(array);
    ASSERT_EQ(array.buffers[1].vertices.size(), 6u);
    EXPECT_FLOAT_EQ(array.buffers[1].vertices[3].x, 3);
    EXPECT_FLOAT_EQ(array.buffers[0].vertices[0].x, 2);

    gl.clear_layer(16);
    EXPECT_EQ(gl.vertices().size(), 9u);
    gl.clear_layer(0);
    ASSERT_EQ(gl.vertices().size(), 6u);
    EXPECT_EQ(gl.layer_counts()[0], 0);
    expect_point(gl, 0, 1, 0, 0);
    expect_point(gl, 3, 3, 0, 0);

    gl.set_texture(7);
    gl.clear_layer(-1);
    EXPECT_TRUE(gl.vertices().empty());
    EXPECT_EQ(gl.layer_counts()[1], 0);
    EXPECT_EQ(gl.current_texture(), -1);
}

TEST(TxGLBuffers, EveryChangeOfTextureStartsAGroupAndAnEmptyLayerKeepsItsBufferButDrawsNothing)
{
    TxGL gl;
    gl.load_identity();
    for (int texture : {3, 3, 5, 3}) emit_square(gl, texture);
    TVertexBuffer_array array;
    array.set_count(2);
    gl.build_buffers(array);
    const Tvbuffer& b = array.buffers[0];
    EXPECT_EQ(b.vertex_count, 24);
    EXPECT_EQ(b.primitive_count, 8u);
    EXPECT_EQ(b.group_textures, (std::vector<std::int32_t>{3, 5, 3}));
    EXPECT_EQ(b.group_triangles, (std::vector<std::uint32_t>{4, 2, 2}));
    EXPECT_EQ(array.buffers[1].primitive_count, 0u);

    // Rebuilding without vertices keeps the buffer's storage and revision.
    const std::uint64_t revision = b.revision;
    gl.clear_layer(-1);
    gl.build_buffers(array);
    EXPECT_EQ(b.vertex_count, 24);
    EXPECT_EQ(b.primitive_count, 0u);
    EXPECT_EQ(b.revision, revision);

    // Vertices of a layer that has no buffer are left out, not written anywhere.
    gl.set_layer(3);
    emit_square(gl, 1);
    gl.build_buffers(array);
    EXPECT_EQ(b.primitive_count, 0u);
    EXPECT_EQ(array.buffers[1].primitive_count, 0u);
}

TEST(TxGLBuffers, DeviceVerticesCarryColourAndCoordinatesAndHiddenOnesSitAtTheOrigin)
{
    TxGL gl;
    gl.load_identity();
    gl.set_texture(2);
    gl.triangle_rgb({1, 2, 3, 0x12, 0x34, 0x56, 0.25, 0.75}, {1, 2, 3, 0, 0, 0, 0, 0}, {1, 2, 3, 0, 0, 0, 0, 0});
    gl.set_texture(hidden_texture_id);
    gl.triangle(tgl_corner{5, 5, 5, 0, 0}, tgl_corner{5, 5, 5, 0, 0}, tgl_corner{5, 5, 5, 0, 0});
    TVertexBuffer_array array;
    array.set_count(1);
    gl.build_buffers(array);
    const device_vertex& first = array.buffers[0].vertices[0];
    EXPECT_FLOAT_EQ(first.y, -2.0f);
    EXPECT_EQ(first.colour, 0xFF123456u);
    EXPECT_FLOAT_EQ(first.u, 0.25f);
    EXPECT_FLOAT_EQ(first.v, 0.75f);
    const device_vertex& hidden = array.buffers[0].vertices[3];
    EXPECT_EQ((std::array<float, 3>{hidden.x, hidden.y, hidden.z}), (std::array<float, 3>{}));
}
