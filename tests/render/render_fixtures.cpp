#include "render_fixtures.h"

#include <cstring>

#include "byte_builder.h"

namespace kelanim::test {

mesh_spec facing_square(std::int16_t half, std::int16_t z)
{
    mesh_spec mesh;
    // Seen by the camera, x runs right and y down: top-left, top-right,
    // bottom-right, bottom-left is clockwise on the screen.
    mesh.vertices = {{std::int16_t(-half), std::int16_t(-half), z},
                     {half, std::int16_t(-half), z},
                     {half, half, z},
                     {std::int16_t(-half), half, z}};
    mesh.textured_rects = {{0, 1, 2, 3, 0}};
    return mesh;
}

mesh_spec away_square(std::int16_t half, std::int16_t z)
{
    mesh_spec mesh = facing_square(half, z);
    mesh.textured_rects = {{0, 3, 2, 1, 0}};
    return mesh;
}

Ttrlevel make_level(std::int32_t version_code)
{
    Ttrlevel level;
    level.loaded_tag = "Vornisk";
    level.version_code = version_code;
    level.num_texture_pages = 1;
    if (version_code <= code_tr1_ub) {
        level.textile8.assign(texture_page_bytes8, 1);
        level.textile8_size = texture_page_bytes8;
        level.palette[3] = 0;
        level.palette[4] = 63;
        level.palette[5] = 0;
    } else {
        level.textile16.resize(texture_page_bytes16);
        for (std::size_t i = 0; i < level.textile16.size(); i += 2) {
            level.textile16[i] = 0xE0;  // 0x83E0: opaque, green 31
            level.textile16[i + 1] = 0x83;
        }
        level.textile16_size = texture_page_bytes16;
    }
    tobject_texture texture{};
    texture.corners = {ttexture_corner{1, 0, 1, 0}, ttexture_corner{-1, 63, 1, 0}, ttexture_corner{-1, 63, -1, 63},
                       ttexture_corner{1, 0, -1, 63}};
    level.object_textures.push_back(texture);
    level.num_object_textures = 1;
    return level;
}

std::uint16_t add_meshes(Ttrlevel& level, const std::vector<mesh_spec>& meshes)
{
    const bool tr4 = level.version_code >= code_tr4;
    Bytes bytes;
    bytes.append(std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(level.mesh_data.data()),
                                           reinterpret_cast<const std::uint8_t*>(level.mesh_data.data()) +
                                               level.mesh_data.size() * 2));
    const auto first = static_cast<std::uint16_t>(level.mesh_pointers.size());
    for (const mesh_spec& mesh : meshes) {
        const std::size_t start = bytes.size();
        level.mesh_pointers.push_back(static_cast<std::uint32_t>(start));
        bytes.i16(0).i16(0).i16(0).i32(100);
        bytes.i16(static_cast<std::int16_t>(mesh.vertices.size()));
        for (const auto& v : mesh.vertices) bytes.i16(v[0]).i16(v[1]).i16(v[2]);
        if (mesh.lights.empty()) {
            bytes.i16(0);
        } else {
            bytes.i16(static_cast<std::int16_t>(-static_cast<int>(mesh.lights.size())));
            for (std::int16_t l : mesh.lights) bytes.i16(l);
        }
        bytes.i16(static_cast<std::int16_t>(mesh.textured_rects.size()));
        for (const auto& f : mesh.textured_rects) {
            for (std::uint16_t w : f) bytes.u16(w);
            if (tr4) bytes.u16(0);
        }
        bytes.i16(static_cast<std::int16_t>(mesh.textured_tris.size()));
        for (const auto& f : mesh.textured_tris) {
            for (std::uint16_t w : f) bytes.u16(w);
            if (tr4) bytes.u16(0);
        }
        if (!tr4) {
            bytes.i16(static_cast<std::int16_t>(mesh.coloured_rects.size()));
            for (const auto& f : mesh.coloured_rects)
                for (std::uint16_t w : f) bytes.u16(w);
            bytes.i16(static_cast<std::int16_t>(mesh.coloured_tris.size()));
            for (const auto& f : mesh.coloured_tris)
                for (std::uint16_t w : f) bytes.u16(w);
        }
        if ((bytes.size() - start) % 4 != 0) bytes.u16(0);
    }
    level.mesh_data.resize(bytes.size() / 2);
    std::memcpy(level.mesh_data.data(), bytes.data().data(), level.mesh_data.size() * 2);
    level.num_mesh_data = static_cast<std::uint32_t>(level.mesh_data.size());
    level.num_mesh_pointers = static_cast<std::uint32_t>(level.mesh_pointers.size());
    return first;
}

namespace {

void add_keyframe(Ttrlevel& level, const keyframe_spec& k, std::size_t bones)
{
    for (std::int16_t w : k.bbox) level.frames.push_back(w);
    for (std::int16_t w : k.offset) level.frames.push_back(w);
    const bool tr1 = level.version_code <= code_tr1_ub;
    if (tr1) level.frames.push_back(static_cast<std::int16_t>(bones));
    for (std::size_t b = 0; b < bones; ++b) {
        const auto a = b < k.angles.size() ? k.angles[b] : std::array<std::uint16_t, 3>{};
        const std::uint32_t v = (std::uint32_t(a[0] & 0x3FF) << 20) | (std::uint32_t(a[1] & 0x3FF) << 10) |
                                (a[2] & 0x3FF);
        const auto high = static_cast<std::int16_t>(v >> 16), low = static_cast<std::int16_t>(v & 0xFFFF);
        if (tr1) {
            level.frames.push_back(low);
            level.frames.push_back(high);
        } else {
            level.frames.push_back(high);
            level.frames.push_back(low);
        }
    }
}

}  // namespace

std::int32_t add_moveable(Ttrlevel& level, std::uint32_t object_id, std::uint16_t first_mesh,
                          std::uint16_t num_meshes, const std::vector<link_spec>& links,
                          const std::vector<keyframe_spec>& keyframes)
{
    tmoveable moveable{};
    moveable.object_id = object_id;
    moveable.num_meshes = num_meshes;
    moveable.starting_mesh = first_mesh;
    moveable.mesh_tree = static_cast<std::uint32_t>(level.mesh_trees.size());
    for (const link_spec& l : links) level.mesh_trees.insert(level.mesh_trees.end(), {l.flags, l.dx, l.dy, l.dz});
    level.num_mesh_trees = static_cast<std::uint32_t>(level.mesh_trees.size());

    tanimation animation{};
    animation.frame_offset = static_cast<std::uint32_t>(level.frames.size() * 2);
    const bool tr1 = level.version_code <= code_tr1_ub;
    animation.frame_size = static_cast<std::uint8_t>(9 + 2 * num_meshes + (tr1 ? 1 : 0));
    animation.frame_rate = 1;
    moveable.frame_offset = animation.frame_offset;
    moveable.animation = static_cast<std::int16_t>(level.animations.size());
    for (const keyframe_spec& k : keyframes) add_keyframe(level, k, num_meshes);
    animation.frame_end = static_cast<std::uint16_t>(keyframes.empty() ? 0 : keyframes.size() - 1);
    level.animations.push_back(animation);
    level.num_animations = static_cast<std::uint32_t>(level.animations.size());
    level.num_frames = static_cast<std::uint32_t>(level.frames.size());

    level.moveables.push_back(moveable);
    level.num_moveables = static_cast<std::uint32_t>(level.moveables.size());
    return static_cast<std::int32_t>(level.moveables.size() - 1);
}

}  // namespace kelanim::test
