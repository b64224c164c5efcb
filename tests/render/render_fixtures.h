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

// A square of side 2 * half in the plane z = 0 with object texture 0, wound to
// face the viewport's camera: seen by it x runs right and y down, and corners
// 0, 1, 2, 3 go clockwise.
inline mesh_spec facing_square(std::int16_t half)
{
    const std::int16_t h = half, l = static_cast<std::int16_t>(-half);
    return {{{l, l, 0}, {h, l, 0}, {h, h, 0}, {l, h, 0}}, {}, {{0, 1, 2, 3, 0}}, {}, {}, {}};
}

struct keyframe_spec {
    std::array<std::int16_t, 6> bbox{};
    std::array<std::int16_t, 3> offset{};
    std::vector<std::array<std::uint16_t, 3>> angles;  // per bone, about x, y, z in 360/1024 degrees
};

using link_spec = std::array<std::int32_t, 4>;  // flags, then the offset from the parent

// A loaded level with one opaque green 256 x 256 page (palette index 1 for
// codes 1 and 2) and object texture 0 on its top-left 64 x 64 texels.
inline Ttrlevel make_level(std::int32_t version_code)
{
    Ttrlevel level;
    level.loaded_tag = "Vornisk";
    level.version_code = version_code;
    level.num_texture_pages = 1;
    if (version_code <= code_tr1_ub) {
        level.textile8.assign(level.textile8_size = texture_page_bytes8, 1);
        level.palette[4] = 63;  // entry 1 is (0, 63, 0)
    } else {
        for (std::size_t i = 0; i < texture_page_bytes16; i += 2)
            level.textile16.insert(level.textile16.end(), {0xE0, 0x83});  // 0x83E0: opaque, green 31
        level.textile16_size = texture_page_bytes16;
    }
    tobject_texture texture{};
    texture.corners = {ttexture_corner{1, 0, 1, 0}, {-1, 63, 1, 0}, {-1, 63, -1, 63}, {1, 0, -1, 63}};
    level.object_textures = {texture};
    level.num_object_textures = 1;
    return level;
}

// Appends meshes, one mesh pointer each; returns the first pointer index.
inline std::uint16_t add_meshes(Ttrlevel& level, const std::vector<mesh_spec>& meshes)
{
    const bool tr4 = level.version_code >= code_tr4;
    auto put = [&](int w) { level.mesh_data.push_back(static_cast<std::uint16_t>(w)); };
    auto put_faces = [&](const auto& faces, bool with_effects) {
        put(static_cast<int>(faces.size()));
        for (const auto& face : faces) {
            for (auto w : face) put(w);
            if (with_effects) put(0);
        }
    };
    const auto first = static_cast<std::uint16_t>(level.mesh_pointers.size());
    for (const mesh_spec& mesh : meshes) {
        level.mesh_pointers.push_back(static_cast<std::uint32_t>(2 * level.mesh_data.size()));
        for (int w : {0, 0, 0, 100, 0, static_cast<int>(mesh.vertices.size())}) put(w);  // centre, radius
        for (const auto& v : mesh.vertices)
            for (std::int16_t c : v) put(c);
        put(-static_cast<int>(mesh.lights.size()));  // no lights: zero normals
        for (std::int16_t l : mesh.lights) put(l);
        put_faces(mesh.textured_rects, tr4);
        put_faces(mesh.textured_tris, tr4);
        if (!tr4) put_faces(mesh.coloured_rects, false), put_faces(mesh.coloured_tris, false);
        if (level.mesh_data.size() % 2 != 0) put(0);
    }
    level.num_mesh_data = static_cast<std::uint32_t>(level.mesh_data.size());
    level.num_mesh_pointers = static_cast<std::uint32_t>(level.mesh_pointers.size());
    return first;
}

// Appends a moveable of `num_meshes` bones from mesh pointer `first_mesh`
// with one animation holding `keyframes`; returns its index.
inline std::int32_t add_moveable(Ttrlevel& level, std::uint32_t object_id, std::uint16_t first_mesh,
                                 std::uint16_t num_meshes, const std::vector<link_spec>& links,
                                 const std::vector<keyframe_spec>& keyframes)
{
    const bool tr1 = level.version_code <= code_tr1_ub;
    tmoveable moveable{};
    moveable.object_id = object_id;
    moveable.num_meshes = num_meshes;
    moveable.starting_mesh = first_mesh;
    moveable.mesh_tree = static_cast<std::uint32_t>(level.mesh_trees.size());
    for (const link_spec& l : links) level.mesh_trees.insert(level.mesh_trees.end(), l.begin(), l.end());

    tanimation animation{};
    animation.frame_offset = moveable.frame_offset = static_cast<std::uint32_t>(level.frames.size() * 2);
    animation.frame_size = static_cast<std::uint8_t>(9 + 2 * num_meshes + (tr1 ? 1 : 0));
    animation.frame_rate = 1;
    animation.frame_end = static_cast<std::uint16_t>(keyframes.empty() ? 0 : keyframes.size() - 1);
    moveable.animation = static_cast<std::int16_t>(level.animations.size());
    auto put = [&](std::uint32_t w) { level.frames.push_back(static_cast<std::int16_t>(w)); };
    for (const keyframe_spec& k : keyframes) {
        for (std::int16_t w : k.bbox) put(w);
        for (std::int16_t w : k.offset) put(w);
        if (tr1) put(num_meshes);
        for (std::size_t b = 0; b < num_meshes; ++b) {
            const auto a = b < k.angles.size() ? k.angles[b] : std::array<std::uint16_t, 3>{};
            const std::uint32_t v = (a[0] & 0x3FFu) << 20 | (a[1] & 0x3FFu) << 10 | (a[2] & 0x3FFu);
            put(tr1 ? v : v >> 16);  // the first generation keeps the low word first
            put(tr1 ? v >> 16 : v);
        }
    }
    level.animations.push_back(animation);
    level.moveables.push_back(moveable);
    level.num_mesh_trees = static_cast<std::uint32_t>(level.mesh_trees.size());
    level.num_animations = static_cast<std::uint32_t>(level.animations.size());
    level.num_frames = static_cast<std::uint32_t>(level.frames.size());
    level.num_moveables = static_cast<std::uint32_t>(level.moveables.size());
    return static_cast<std::int32_t>(level.moveables.size() - 1);
}

}  // namespace kelanim::test
