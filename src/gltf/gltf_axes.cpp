#include "gltf/gltf_axes.h"

#include <cmath>
#include <numbers>

namespace kelanim {

namespace {

struct quaternion {
    double w, x, y, z;
};

quaternion operator*(const quaternion& a, const quaternion& b)
{
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

// A turn by `degrees` about one axis, right-handed as the bone walk turns.
quaternion axis_turn(double degrees, int axis)
{
    const double half = degrees * std::numbers::pi / 360.0;
    quaternion q{std::cos(half), 0, 0, 0};
    (axis == 0 ? q.x : axis == 1 ? q.y : q.z) = std::sin(half);
    return q;
}

}  // namespace

std::array<float, 4> gltf_rotation(const tangles& angles)
{
    // The rightmost turn acts first: z, then x, then y.
    const quaternion q = axis_turn(angles.y, 1) * axis_turn(angles.x, 0) * axis_turn(angles.z, 2);
    // The half turn about x keeps x and negates y and z: C R C has the
    // quaternion (w, x, -y, -z).
    return {static_cast<float>(q.x), static_cast<float>(-q.y), static_cast<float>(-q.z), static_cast<float>(q.w)};
}

}  // namespace kelanim
