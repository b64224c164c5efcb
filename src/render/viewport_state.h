// What a viewport knows apart from the window it draws into: the clear
// colour, whether the scene is stale, the world transform the user turns with
// the mouse, the camera, the three matrices of a frame and the mouse drags
// that move them. The Qt viewport feeds its mouse events in here.
//
// Right-drag turns the world (50 pixels a radian), Shift+right-drag pans the
// camera, Ctrl+right-drag dollies it.
#pragma once

#include <array>
#include <cstdint>

#include "render/d3d_matrix.h"
#include "render/tglcamera.h"

namespace kelanim {

// Keys and buttons held during a mouse event.
enum mouse_keys : unsigned {
    key_shift = 1,
    key_ctrl = 2,
    button_left = 4,
    button_right = 8,
    button_middle = 16,
};

inline constexpr float view_field_of_view = 0.78539816f;  // pi / 4
inline constexpr float view_near = 0.1f;
inline constexpr float view_far = 1000.0f;

class ViewportState {
public:
    std::uint32_t background = 0;  // window colour value 0x00BBGGRR
    std::int32_t scene_built = 0;  // 0: the next frame builds the scene first
    std::array<double, 3> position{};  // world translation
    std::array<double, 3> rotation{};  // world rotation in drag pixels
    d3d_matrix world, projection, view;

    // Stores the camera and points it at this viewport's view matrix.
    void set_camera(TGLCamera* camera);
    TGLCamera* camera() const { return camera_; }

    // Mouse events in panel pixels; `keys` is a set of mouse_keys. Each
    // returns nothing: the caller redraws after a move.
    void mouse_down(unsigned keys, int x, int y);
    void mouse_up();
    void mouse_move(unsigned keys, int x, int y);

    // RY * RX * RZ * T from `rotation` (over the camera's rotation divisor,
    // x with its sign turned) and `position`.
    d3d_matrix world_matrix() const;
    // Device colour 0xFFRRGGBB of the background.
    std::uint32_t clear_colour() const;
    // Computes world, view and projection for a frame of width x height.
    void prepare_frame(int width, int height);

private:
    TGLCamera* camera_ = nullptr;
    int rotate_anchor_x_ = 0, rotate_anchor_y_ = 0;
    int pan_anchor_x_ = 0, pan_anchor_y_ = 0;
    int zoom_anchor_x_ = 0, zoom_anchor_y_ = 0;
    bool rotating_ = false, zooming_ = false;
    double saved_rotation_x_ = 0, saved_rotation_y_ = 0;
    double saved_camera_x_ = 0, saved_camera_y_ = 0;
    double saved_dolly_ = 0;
};

// The projection of a panel of width x height pixels (an empty panel counts as square).
d3d_matrix viewport_projection(int width, int height);

}  // namespace kelanim
