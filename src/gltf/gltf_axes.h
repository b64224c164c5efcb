// Level space to glTF space. glTF is y-up, right-handed and in metres; the
// level's y points down. A level point (x, y, z) becomes (x, -y, -z) / 512:
// a half turn about x (a rotation, never a mirror) and 1/512 m a level unit,
// which makes Lara about 1.5 m tall and keeps every level coordinate exact
// in a float.
#pragma once

#include <array>

#include "anim/keyframes.h"

namespace kelanim {

inline constexpr double gltf_units_per_metre = 512.0;

// A level point or offset, in metres and glTF axes.
inline std::array<float, 3> gltf_point(double x, double y, double z)
{
    return {static_cast<float>(x / gltf_units_per_metre), static_cast<float>(-y / gltf_units_per_metre),
            static_cast<float>(-z / gltf_units_per_metre)};
}

// A bone's keyframe angles (turned about z, then x, then y) as a glTF
// rotation, stored x, y, z, w.
std::array<float, 4> gltf_rotation(const tangles& angles);

}  // namespace kelanim
