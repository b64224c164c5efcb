// 4 x 4 single-precision matrices in the row-vector convention the renderer
// reasons in: a point is a row vector multiplied on the left (p' = p * M), the
// translation sits in the fourth row, and element (r, c) is stored at 4r + c.
// A product A * B therefore applies A first and B afterwards.
//
// The same sixteen floats, handed to OpenGL without transposing, are the
// column-vector matrix of the same transform, so they go to the shaders as
// they are.
#pragma once

#include <array>

namespace kelanim {

struct d3d_vector3 {
    float x = 0, y = 0, z = 0;
};

struct d3d_matrix {
    std::array<float, 16> m{};  // all zero: a matrix nothing has been loaded into

    float& at(int row, int column) { return m[4 * row + column]; }
    float at(int row, int column) const { return m[4 * row + column]; }
};

d3d_matrix matrix_identity();
// a * b: a applied first, b afterwards.
d3d_matrix matrix_multiply(const d3d_matrix& a, const d3d_matrix& b);
d3d_matrix matrix_translation(float x, float y, float z);
// Rotations by `angle` radians about one axis, left-handed as in D3DX.
d3d_matrix matrix_rotation_x(float angle);
d3d_matrix matrix_rotation_y(float angle);
d3d_matrix matrix_rotation_z(float angle);
// A left-handed view matrix looking from `eye` to `at`.
d3d_matrix matrix_look_at_lh(d3d_vector3 eye, d3d_vector3 at, d3d_vector3 up);
// A left-handed perspective projection; depth maps to 0 at `near_z` and 1 at `far_z`.
d3d_matrix matrix_perspective_fov_lh(float fov_y, float aspect, float near_z, float far_z);
// (p, 1) * m, the first three components (no division by w).
d3d_vector3 transform_coord(d3d_vector3 p, const d3d_matrix& m);

}  // namespace kelanim
