#include <gtest/gtest.h>

#include <cmath>

#include "render/tglcamera.h"
#include "render/viewport_state.h"

using namespace kelanim;

namespace {

struct Viewport : ::testing::Test {
    Viewport() { state.set_camera(&camera); }
    void drag(unsigned keys, int x0, int y0, int x1, int y1)
    {
        state.mouse_down(keys, x0, y0);
        state.mouse_move(keys, x1, y1);
        state.mouse_up();
    }
    void expect_world(const d3d_matrix& want)
    {
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(state.world_matrix().m[i], want.m[i], 1e-6) << i;
    }
    TGLCamera camera;
    ViewportState state;
};

}  // namespace

TEST_F(Viewport, ARightDragOfFiftyPixelsTurnsTheWorldOneRadian)
{
    state.mouse_move(0, 300, 300);  // moves without buttons change nothing
    drag(button_right, 100, 100, 150, 100);
    expect_world(matrix_rotation_y(1.0f));
    // A vertical drag turns about x with the opposite sign, carrying on from the last drag.
    drag(button_right, 0, 0, 0, 50);
    EXPECT_EQ((std::array{state.rotation[0], state.rotation[1]}), (std::array{50.0, 50.0}));
    state.rotation[1] = 0;
    expect_world(matrix_rotation_x(-1.0f));
}

TEST_F(Viewport, AShiftDragPansByTheDollyAndACtrlDragDolliesFivePixelsAUnit)
{
    camera.dolly = -1;  // twice as far back: the pan goes twice as far
    drag(button_right | key_shift, 10, 10, 60, 35);
    EXPECT_EQ((std::array{camera.x, camera.y, camera.eye().x}), (std::array{-2.0f, 1.0f, -4.0f}));
    // Letting go of Ctrl ends the zoom; the next one starts from the dolly reached.
    const unsigned zoom = button_right | key_ctrl;
    state.mouse_down(zoom, 0, 0);
    for (auto [keys, y, dolly] :
         {std::tuple{zoom, 5, -1.0}, {zoom, 15, 1.0}, {button_right, 50, 1.0}, {zoom, 100, 1.0}, {zoom, 95, 0.0}}) {
        state.mouse_move(keys, 0, y);
        EXPECT_DOUBLE_EQ(camera.dolly, dolly) << y;
    }
}

TEST_F(Viewport, TheCameraLooksDownMinusZWithMinusYUp)
{
    state.prepare_frame(800, 600);
    // The origin lies 5 units ahead; level "up" (device -y) shows up on the picture.
    const d3d_vector3 seen = transform_coord({1, -1, 0}, state.view);
    EXPECT_LT(std::hypot(seen.x - 1, seen.y - 1, seen.z - 5), 1e-6) << seen.x << ", " << seen.y << ", " << seen.z;

    EXPECT_NEAR(state.projection.at(1, 1), 1.0f / std::tan(0.39269908f), 1e-5);
    EXPECT_NEAR(state.projection.at(0, 0), state.projection.at(1, 1) * 600.0f / 800.0f, 1e-5);
    EXPECT_FLOAT_EQ(state.projection.at(2, 3), 1.0f);
    EXPECT_NEAR(state.projection.at(3, 2), -0.1f * 1000.0f / 999.9f, 1e-6);

    // The background is cleared in its own colour, 0x00BBGGRR made 0xAARRGGBB.
    state.background = 0xF0CAA6;
    EXPECT_EQ(state.clear_colour(), 0xFFA6CAF0u);
}
