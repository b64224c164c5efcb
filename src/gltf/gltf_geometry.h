// The exported mesh: the selection's faces as triangles grouped by what they
// are drawn with. Textured faces are grouped by repacked page, by whether
// the level draws them double-sided and by whether their texture lets
// transparent texels through; coloured faces keep their palette colour as a
// vertex colour and share one untextured group (two, when some are
// double-sided).
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <vector>

#include "geometry/mesh_list.h"
#include "gltf/gltf_skeleton.h"
#include "level/ttrlevel.h"
#include "milkshape/texture_repack.h"

namespace kelanim {

// What a group of triangles is drawn with.
struct gltf_look {
    std::int32_t page = -1;  // repacked texture page; -1 for coloured faces
    bool double_sided = false;
    bool alpha_mask = false;  // transparent texels stay transparent
    auto operator<=>(const gltf_look&) const = default;
};

struct gltf_vertex {
    std::array<float, 3> position{};  // glTF space, rest pose
    std::array<float, 2> uv{};
    std::array<std::uint8_t, 4> colour{255, 255, 255, 255};
    std::uint16_t joint = 0;
};

struct gltf_primitive {
    gltf_look look;
    std::vector<gltf_vertex> vertices;
    std::vector<std::uint32_t> indices;  // three a triangle, wound counter-clockwise seen from the front
};

struct gltf_geometry {
    std::vector<gltf_primitive> primitives;  // ordered by look
    std::size_t vertex_count() const;
};

// The faces of moveable m on its joints in the rest pose. The meshes' effects
// words must hold the repacked texture numbers (pack_textures).
gltf_geometry moveable_geometry(const Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m,
                                const std::vector<gltf_joint>& joints, const tarraytexture& textures);

// The faces of one decoded mesh, unskinned.
gltf_geometry mesh_geometry(const Ttrlevel& level, const tmesh& mesh, const tarraytexture& textures);

}  // namespace kelanim
