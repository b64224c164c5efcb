// Small synthetic levels for the drawing tests: meshes written in the mesh
// layout of a generation, a moveable with bone links and keyframes, one
// texture page and object textures covering parts of it.
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

// A square of side 2 * half level units in the plane z = `z`, wound so that
// it faces the viewport's camera (clockwise on the screen), with object texture 0.
mesh_spec facing_square(std::int16_t half, std::int16_t z = 0);
// The same square wound the other way: it faces away from the camera.
mesh_spec away_square(std::int16_t half, std::int16_t z = 0);

struct keyframe_spec {
    std::array<std::int16_t, 6> bbox{};
    std::array<std::int16_t, 3> offset{};
    // Per bone: angles about x, y, z in units of 360/1024 degrees.
    std::vector<std::array<std::uint16_t, 3>> angles;
};

struct link_spec {
    std::int32_t flags = 0, dx = 0, dy = 0, dz = 0;
};

// A loaded level of the given version code with one 256 x 256 page (texels
// 1-5-5-5 green for codes 3 to 7, palette index 1 for codes 1 and 2) and one
// object texture covering the page's top-left 64 x 64 texels.
Ttrlevel make_level(std::int32_t version_code);

// Appends meshes to `mesh_data`, one mesh pointer each; returns the first
// pointer index.
std::uint16_t add_meshes(Ttrlevel& level, const std::vector<mesh_spec>& meshes);

// Appends a moveable of `num_meshes` bones from mesh pointer `first_mesh`
// with one animation holding `keyframes`; returns its index.
std::int32_t add_moveable(Ttrlevel& level, std::uint32_t object_id, std::uint16_t first_mesh,
                          std::uint16_t num_meshes, const std::vector<link_spec>& links,
                          const std::vector<keyframe_spec>& keyframes);

}  // namespace kelanim::test
