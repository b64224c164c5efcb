// Collecting what the MilkShape export writes: the selection's faces as
// triangles in exchange space, the distinct vertices they use, the bones of a
// moveable with their rest positions and parents, and each keyframe's
// rotations as MilkShape Euler angles.
//
// Exchange space: a level point (x, y, z) becomes (x / 100, -y / 100,
// -z / 100); rotations about the level's y and z axes change sign there.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/mesh_list.h"
#include "geometry/sort_array.h"
#include "geometry/vecmath.h"
#include "level/ttrlevel.h"
#include "milkshape/ms3d_model.h"
#include "milkshape/texture_repack.h"

namespace kelanim {

// One collected triangle.
struct ttriangle_item {
    std::array<TVector3, 3> points{};  // corner positions in exchange space
    std::int32_t bone = 0;             // its low byte is the vertices' bone_id
    std::int32_t group = 0;            // new texture page of the face (0 for coloured faces)
    std::array<MS3D_TexCoord, 3> uvs{};
};

// One bone of the exported moveable.
struct tbone {
    std::int32_t parent = 0;  // index of the parent bone plus 1; 0 for the root
    std::int32_t num_triangles = 0;
    std::int32_t first_triangle = 0;
    TVector3 placement{};  // where the bone's mesh is placed in the rest pose
    TVector3 position{};   // joint position, absolute
    std::int32_t num_frames = 0;
    std::vector<TVector3> rotations;  // per keyframe, MilkShape Euler angles in degrees
};

// Order of the export's vertex set: by bone (as a signed byte), then by x,
// y and z. Flags and reference counts are not compared.
std::int32_t compare_export_vertex(const void* a, const void* b);

// The export's working lists.
struct export_collection {
    export_collection();

    std::int32_t version_code = 0;
    // The repacked object textures the faces' effects words name.
    const tarraytexture* textures = nullptr;

    TQSortArray vertex_set;  // MS3D_Vertex, distinct, sorted by compare_export_vertex
    std::vector<ttriangle_item> triangles;  // in collection order
    std::vector<tbone> bones;
    // Root offset words 6, 7, 8 of every keyframe of the exported animation.
    std::vector<std::array<std::int16_t, 3>> root_offsets;

    // Position of the vertex (bone, point) in the vertex set, or -1.
    std::int32_t vertex_index(std::int32_t bone, const TVector3& point) const;
};

// A level vertex in exchange space.
TVector3 exchange_point(const tmesh_vertex& v);

// Adds the faces of a decoded mesh as triangles of `bone`, moved by
// `placement`: textured rectangles, textured triangles and, for version codes
// 1 to 5, coloured rectangles and triangles. A rectangle 0-1-2-3 becomes the
// triangles (1, 0, 3) and (1, 3, 2), a triangle 0-1-2 the triangle (1, 0, 2).
void collect_mesh(export_collection& work, const tmesh& mesh, std::int32_t bone, const TVector3& placement);

// The bones of moveable m in the rest pose with their meshes, and one
// rotation slot per keyframe of its animation j. Nothing for a moveable
// outside the level.
void collect_moveable(export_collection& work, const Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m,
                      std::int32_t j);

// Every keyframe's bone rotations as MilkShape Euler angles (degrees), and
// its root offset. Nothing for a moveable outside the level.
void collect_rotations(export_collection& work, const Ttrlevel& level, std::int32_t m, std::int32_t j);

}  // namespace kelanim
