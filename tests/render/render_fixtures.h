// Small synthetic levels for the drawing tests: meshes in the layout of a
// generation, a moveable with bone links and keyframes, one texture page.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim::test {

struct mesh_spec {
    std::vector<std::array<std::int16_t, 3>> vertices;
    std::vector<std::int16_t> lights;  // when not empty the mesh holds lights, not normals
    std::vector<std::array<std::uint16_t, 5>> textured_rects;  // 4 corners, object texture
    std::vector<std::array<std::uint16_t, 4>> textured_tris;   // 3 corners, object texture
    std::vector<std::array<std::uint16_t, 5>> coloured_rects;  // 4 corners, colour word
    std::vector<std::array<std::uint16_t, 4>> coloured_tris;   // 3 corners, colour word
};

// A square of side 2 * half in the plane z = 0 with object texture 0, wound
// to face the viewport's camera (clockwise on the screen).
mesh_spec facing_square(std::int16_t half);

struct keyframe_spec {
    std::array<std::int16_t, 6> bbox{};
    std::array<std::int16_t, 3> offset{};
    std::vector<std::array<std::uint16_t, 3>> angles;  // per bone, about x, y, z in 360/1024 degrees
};

using link_spec = std::array<std::int32_t, 4>;  // flags, then the offset from the parent

// A loaded level with one opaque green 256 x 256 page (palette index 1 for
// codes 1 and 2) and object texture 0 on its top-left 64 x 64 texels.
Ttrlevel make_level(std::int32_t version_code);

// Appends meshes, one mesh pointer each; returns the first pointer index.
std::uint16_t add_meshes(Ttrlevel& level, const std::vector<mesh_spec>& meshes);

// Appends a moveable of `num_meshes` bones from mesh pointer `first_mesh`
// with one animation holding `keyframes`; returns its index.
std::int32_t add_moveable(Ttrlevel& level, std::uint32_t object_id, std::uint16_t first_mesh,
                          std::uint16_t num_meshes, const std::vector<link_spec>& links,
                          const std::vector<keyframe_spec>& keyframes);

}  // namespace kelanim::test
