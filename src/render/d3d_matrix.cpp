#include "render/d3d_matrix.h"

#include <cmath>

namespace kelanim {

namespace {

d3d_vector3 subtract(d3d_vector3 a, d3d_vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

d3d_vector3 cross(d3d_vector3 a, d3d_vector3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float dot(d3d_vector3 a, d3d_vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

d3d_vector3 normalised(d3d_vector3 v)
{
    float length = std::sqrt(dot(v, v));
    if (length == 0.0f) return v;
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

d3d_matrix matrix_identity()
{
    d3d_matrix r;
    for (int i = 0; i < 4; ++i) r.at(i, i) = 1.0f;
    return r;
}

d3d_matrix matrix_multiply(const d3d_matrix& a, const d3d_matrix& b)
{
    d3d_matrix r;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.at(row, k) * b.at(k, column);
            r.at(row, column) = sum;
        }
    return r;
}

d3d_matrix matrix_translation(float x, float y, float z)
{
    d3d_matrix r = matrix_identity();
    r.at(3, 0) = x;
    r.at(3, 1) = y;
    r.at(3, 2) = z;
    return r;
}

d3d_matrix matrix_rotation_x(float angle)
{
    d3d_matrix r = matrix_identity();
    float c = std::cos(angle), s = std::sin(angle);
    r.at(1, 1) = c;
    r.at(1, 2) = s;
    r.at(2, 1) = -s;
    r.at(2, 2) = c;
    return r;
}

d3d_matrix matrix_rotation_y(float angle)
{
    d3d_matrix r = matrix_identity();
    float c = std::cos(angle), s = std::sin(angle);
    r.at(0, 0) = c;
    r.at(0, 2) = -s;
    r.at(2, 0) = s;
    r.at(2, 2) = c;
    return r;
}

d3d_matrix matrix_rotation_z(float angle)
{
    d3d_matrix r = matrix_identity();
    float c = std::cos(angle), s = std::sin(angle);
    r.at(0, 0) = c;
    r.at(0, 1) = s;
    r.at(1, 0) = -s;
    r.at(1, 1) = c;
    return r;
}

d3d_matrix matrix_look_at_lh(d3d_vector3 eye, d3d_vector3 at, d3d_vector3 up)
{
    d3d_vector3 z_axis = normalised(subtract(at, eye));
    d3d_vector3 x_axis = normalised(cross(up, z_axis));
    d3d_vector3 y_axis = cross(z_axis, x_axis);
    d3d_matrix r = matrix_identity();
    r.at(0, 0) = x_axis.x;
    r.at(1, 0) = x_axis.y;
    r.at(2, 0) = x_axis.z;
    r.at(0, 1) = y_axis.x;
    r.at(1, 1) = y_axis.y;
    r.at(2, 1) = y_axis.z;
    r.at(0, 2) = z_axis.x;
    r.at(1, 2) = z_axis.y;
    r.at(2, 2) = z_axis.z;
    r.at(3, 0) = -dot(x_axis, eye);
    r.at(3, 1) = -dot(y_axis, eye);
    r.at(3, 2) = -dot(z_axis, eye);
    return r;
}

d3d_matrix matrix_perspective_fov_lh(float fov_y, float aspect, float near_z, float far_z)
{
    d3d_matrix r;
    float y_scale = 1.0f / std::tan(fov_y / 2.0f);
    float x_scale = y_scale / aspect;
    r.at(0, 0) = x_scale;
    r.at(1, 1) = y_scale;
    r.at(2, 2) = far_z / (far_z - near_z);
    r.at(2, 3) = 1.0f;
    r.at(3, 2) = -near_z * far_z / (far_z - near_z);
    return r;
}

d3d_vector3 transform_coord(d3d_vector3 p, const d3d_matrix& m)
{
    return {p.x * m.at(0, 0) + p.y * m.at(1, 0) + p.z * m.at(2, 0) + m.at(3, 0),
            p.x * m.at(0, 1) + p.y * m.at(1, 1) + p.z * m.at(2, 1) + m.at(3, 1),
            p.x * m.at(0, 2) + p.y * m.at(1, 2) + p.z * m.at(2, 2) + m.at(3, 2)};
}

}  // namespace kelanim
