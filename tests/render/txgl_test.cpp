#include <gtest/gtest.h>

#include <cmath>

#include "render/txgl.h"

using namespace kelanim;

namespace {

using xyz = std::array<float, 3>;

void expect_near(xyz got, xyz want)
{
    EXPECT_LT(std::hypot(got[0] - want[0], got[1] - want[1], got[2] - want[2]), 1e-5)
        << got[0] << ", " << got[1] << ", " << got[2];
}

xyz moved(const TxGL& gl, xyz p)  // where the transform takes a point
{
    gl.transform_point(p[0], p[1], p[2]);
    return p;
}

tgl_corner corner(float x) { return {x, 0, 0, x, x}; }
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
    expect_near({gl.vertices()[0].x, gl.vertices()[0].y, gl.vertices()[0].z}, {0, -2, 0});
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

TEST(TxGLEmission, FacesEmitTheirCornersInTheirOwnOrdersAndColours)
{
    TxGL gl;
    gl.load_identity();
    gl.set_colour(10, 20, 30);
    gl.quad(corner(1), corner(2), corner(3), corner(4));
    gl.quad_rgb(corner_rgb(1), corner_rgb(2), corner_rgb(3), corner_rgb(4));
    // A window colour value is 0x00BBGGRR and a pushed colour comes back.
    gl.set_colour_value(0x00332211);
    gl.push_colour();
    gl.set_colour(200, 200, 200);
    gl.pop_colour();
    gl.triangle(corner(1), corner(2), corner(3));
    gl.triangle_rgb(corner_rgb(4), corner_rgb(5), corner_rgb(6));
    std::vector<float> xs, us;
    std::vector<std::array<int, 3>> colours;
    for (const tgl_vertex& v : gl.vertices()) {
        xs.push_back(v.x);
        us.push_back(static_cast<float>(v.u));
        colours.push_back({v.red, v.green, v.blue});
    }
    const std::vector<float> order{2, 3, 1, 4, 1, 3, /* rgb quad */ 1, 3, 4, 1, 2, 3, /* triangles */ 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(std::pair(xs, us), std::pair(order, order));
    // Plain faces take the current colour, coloured corners keep their own.
    EXPECT_EQ((std::vector{colours[0], colours[6], colours[8], colours[12], colours[16]}),
              (std::vector<std::array<int, 3>>{{10, 20, 30}, {1, 0, 0}, {4, 0, 0}, {0x11, 0x22, 0x33}, {5, 0, 0}}));
}

TEST(TxGLLayers, LayersFillTheirOwnBuffersInTextureGroupsAndClearByLayer)
{
    TxGL gl;
    gl.load_identity();
    for (auto [layer, texture, x] : {std::tuple{16, 3, 9}, {1, 3, 1}, {0, 3, 2}, {0, 5, 3}, {0, 3, 4}}) {
        gl.set_layer(layer);
        gl.set_texture(texture);
        gl.triangle(corner(x), corner(x), corner(x));
    }
    gl.triangle_rgb({1, 2, 3, 0x12, 0x34, 0x56, 0.25, 0.75}, {}, {});
    TVertexBuffer_array array;
    array.set_count(2);
    gl.build_buffers(array);
    const Tvbuffer& b = array.buffers[0];
    EXPECT_EQ(std::pair(b.group_textures, b.group_triangles),
              std::pair(std::vector<std::int32_t>{3, 5, 3}, std::vector<std::uint32_t>{1, 1, 2}));
    const device_vertex& rgb = b.vertices.at(9);
    EXPECT_EQ((std::tuple{rgb.y, rgb.colour, rgb.u, rgb.v}), (std::tuple{-2.0f, 0xFF123456u, 0.25f, 0.75f}));
    EXPECT_EQ(std::pair(array.buffers[1].vertex_count, array.buffers[1].vertices.at(0).x), std::pair(3, 1.0f));
    gl.clear_layer(0);
    EXPECT_EQ(std::pair(gl.vertices().at(0).x, gl.layer_counts()[0]), std::pair(1.0f, 0));
    gl.clear_layer(-1);
    EXPECT_EQ(std::pair(gl.vertices().size(), gl.current_texture()), std::pair(std::size_t{0}, -1));
}
