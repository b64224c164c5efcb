#include "render/viewport_state.h"

namespace kelanim {

void ViewportState::set_camera(TGLCamera* camera)
{
    camera_ = camera;
    if (camera_) camera_->view = &view;
}

void ViewportState::mouse_down(unsigned keys, int x, int y)
{
    const bool right = keys & button_right;
    if (right && !(keys & (key_shift | key_ctrl))) {
        rotate_anchor_x_ = x;
        rotate_anchor_y_ = y;
        rotating_ = true;
    }
    if (right && (keys & key_shift)) {
        pan_anchor_x_ = x;
        pan_anchor_y_ = y;
    }
}

void ViewportState::mouse_up()
{
    rotating_ = false;
    zooming_ = false;
    saved_rotation_x_ = rotation[0];
    saved_rotation_y_ = rotation[1];
    if (camera_) {
        saved_camera_x_ = camera_->x;
        saved_camera_y_ = camera_->y;
    }
}

void ViewportState::mouse_move(unsigned keys, int x, int y)
{
    const bool right = keys & button_right, shift = keys & key_shift, ctrl = keys & key_ctrl;
    if (rotating_ && !shift) {
        rotation[1] = (x - rotate_anchor_x_) + saved_rotation_y_;
        rotation[0] = (y - rotate_anchor_y_) + saved_rotation_x_;
    }
    if (right && shift && camera_) {
        const double d = camera_->dolly >= 0 ? 50.0 : 25.0;
        camera_->x = static_cast<float>(-(x - pan_anchor_x_) / d + saved_camera_x_);
        camera_->y = static_cast<float>((y - pan_anchor_y_) / d + saved_camera_y_);
    }
    if (right && ctrl && camera_) {
        if (!zooming_) {
            zooming_ = true;
            saved_dolly_ = camera_->dolly;
            zoom_anchor_x_ = x;
            zoom_anchor_y_ = y;
        }
        camera_->dolly = (y - zoom_anchor_y_) / camera_->zoom_divisor + saved_dolly_;
    }
    if (!ctrl) zooming_ = false;
}

d3d_matrix ViewportState::world_matrix() const
{
    const double divisor = camera_ ? camera_->rotation_divisor : 50.0;
    const d3d_matrix ry = matrix_rotation_y(static_cast<float>(rotation[1] / divisor));
    const d3d_matrix rx = matrix_rotation_x(static_cast<float>(-rotation[0] / divisor));
    const d3d_matrix rz = matrix_rotation_z(static_cast<float>(rotation[2] / divisor));
    const d3d_matrix t = matrix_translation(static_cast<float>(position[0]), static_cast<float>(position[1]),
                                            static_cast<float>(position[2]));
    return matrix_multiply(matrix_multiply(matrix_multiply(ry, rx), rz), t);
}

std::uint32_t ViewportState::clear_colour() const
{
    const std::uint32_t red = background & 0xFF, green = (background >> 8) & 0xFF, blue = (background >> 16) & 0xFF;
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

void ViewportState::prepare_frame(int width, int height)
{
    if (camera_)
        camera_->apply();
    else
        view = matrix_look_at_lh({0, 0, 5}, {0, 0, 0}, {0, 1, 0});
    projection = viewport_projection(width, height);
    world = world_matrix();
}

d3d_matrix viewport_projection(int width, int height)
{
    const float aspect = width > 0 && height > 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
    return matrix_perspective_fov_lh(view_field_of_view, aspect, view_near, view_far);
}

}  // namespace kelanim
