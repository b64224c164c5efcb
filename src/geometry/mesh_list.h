// The level's meshes, decoded once after a level is read.
//
// The level keeps every mesh in one raw run of bytes (`mesh_data`) addressed
// by byte offsets (`mesh_pointers`). `decode_meshes` walks the run from the
// first byte, decodes each mesh into a `tmesh`, maps every mesh pointer to its
// decoded mesh and works out the bounds used to centre a mesh in the view.
// Drawing, the automatic bound, the bone walk and the export read meshes only
// through the `Tmesh_list`.
//
// Guarantees for readers of a decoded list, whatever the level held:
// - every count field equals the size of its array;
// - every corner of every face is a valid index into `vertices` (faces that
//   name a missing vertex are left out and counted in `num_dropped_faces`);
// - every entry of `mesh_index` is a valid index into `meshes`, or 0 when
//   the list is empty.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim {

struct tmesh_vertex {
    std::int16_t x = 0, y = 0, z = 0;
};

struct tmesh_face4 {
    std::array<std::uint16_t, 4> vertices{};
    std::uint16_t texture = 0;  // object texture index, or palette colour for coloured faces
    std::uint16_t effects = 0;  // read for codes 6 and 7; the export's texture repacking reuses it
};

struct tmesh_face3 {
    std::array<std::uint16_t, 3> vertices{};
    std::uint16_t texture = 0;
    std::uint16_t effects = 0;
};

// Bounds of a mesh with no faces: nothing has widened them.
inline constexpr double empty_bounds_min = 2144883647.0;
inline constexpr double empty_bounds_max = -2144883648.0;

struct tmesh {
    std::uint32_t data_offset = 0;  // byte offset in `mesh_data`: what a mesh pointer holds for it
    std::array<std::int16_t, 3> centre{};
    std::int32_t coll_radius = 0;

    std::int16_t num_vertices = 0;
    std::vector<tmesh_vertex> vertices;  // level units, level axes (y down)

    // As read: 0 or more for that many normals, negative when -num_normals
    // light values are held instead.
    std::int16_t num_normals = 0;
    std::vector<tmesh_vertex> normals;
    std::vector<std::int16_t> lights;

    std::int16_t num_textured_rects = 0;
    std::vector<tmesh_face4> textured_rects;
    std::int16_t num_textured_tris = 0;
    std::vector<tmesh_face3> textured_tris;
    std::int16_t num_coloured_rects = 0;  // always 0 for codes 6 and 7
    std::vector<tmesh_face4> coloured_rects;
    std::int16_t num_coloured_tris = 0;  // always 0 for codes 6 and 7
    std::vector<tmesh_face3> coloured_tris;

    // Smallest and largest view coordinate (x / 100, -y / 100, -z / 100) of
    // the face corners on each axis, and the shift that moves the middle of
    // those bounds to the origin.
    std::array<double, 3> bounds_min{empty_bounds_min, empty_bounds_min, empty_bounds_min};
    std::array<double, 3> bounds_max{empty_bounds_max, empty_bounds_max, empty_bounds_max};
    std::array<double, 3> centre_shift{};

    // The mesh ran past the end of `mesh_data`: only what was there is held.
    bool cut_short = false;
    // Faces left out because a corner named a vertex the mesh does not have.
    std::int32_t num_dropped_faces = 0;
};

class Tmesh_list {
public:
    // Rebuilds the whole list from the level's mesh data and mesh pointers.
    // Never reads outside `mesh_data` and always ends.
    void decode_meshes(const Ttrlevel& level);

    // Index in `meshes` of the mesh drawn for bone b (from 0) of moveable m.
    // A bone pointing at the first mesh of the level borrows the matching
    // bone of the skin object, except the one exempt bone. -1 when m, b or
    // the moveable's meshes lie outside the level or the list.
    std::int32_t bone_mesh(const Ttrlevel& level, std::int32_t m, std::int32_t b) const;

    // The decoded mesh a mesh pointer index leads to, or nullptr.
    const tmesh* mesh_of_pointer(std::int64_t pointer_index) const;

    std::int32_t count = 0;
    std::vector<tmesh> meshes;  // in the order they lie in `mesh_data`
    // One entry per mesh pointer: the index in `meshes` of the mesh it points
    // at, or 0 when it points at no decoded mesh.
    std::vector<std::uint32_t> mesh_index;
    // Index into `mesh_pointers` of the skin object's first mesh, or 0.
    std::uint32_t skin_first_mesh = 0;
    std::int32_t skin_exempt_moveable = 0;  // moveable index of the exempt bone
    std::int32_t skin_exempt_bone = 0;      // bone number of the exempt bone, counted from 1
    // Number of mesh pointers that matched no decoded mesh.
    std::int32_t num_unmatched_pointers = 0;
};

// Decodes one mesh starting `offset` bytes into `bytes` (of `size` bytes) in
// the layout of the level generation `version_code`. Returns the number of
// bytes the mesh takes, padding included (at least 2 unless nothing is left).
std::uint32_t decode_mesh(const std::uint8_t* bytes, std::uint32_t size, std::uint32_t offset,
                          std::int32_t version_code, tmesh& mesh);

}  // namespace kelanim
