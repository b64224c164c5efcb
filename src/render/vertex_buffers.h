// The vertex buffers the viewport draws: one per layer of the drawing layer,
// each split into texture groups that are drawn with one call apiece.
//
// The drawing layer fills the vertices here; the graphics device uploads a
// buffer whenever its `revision` is newer than what it last uploaded, so a lost
// or re-created graphics context is refilled from these arrays without the
// scene being built again.
#pragma once

#include <cstdint>
#include <vector>

namespace kelanim {

// Texture ids with a meaning of their own.
inline constexpr std::int32_t hidden_texture_id = 9999;  // vertices are written at the origin
inline constexpr std::int32_t no_texture_id = -1;        // drawn with the vertex colour alone

enum fill_modes : std::int32_t { fill_wireframe = 2, fill_solid = 3 };

// One vertex as the device draws it: position, colour 0xAARRGGBB, u, v.
struct device_vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
};
static_assert(sizeof(device_vertex) == 24);

struct Tvbuffer {
    std::int32_t vertex_count = 0;      // vertices the buffer was last sized for
    std::uint32_t primitive_count = 0;  // triangles held; 0 draws nothing
    std::int32_t fill_mode = fill_solid;
    std::int32_t texture_id = 0;  // fallback texture; the only one of a wireframe buffer
    std::vector<std::uint32_t> group_triangles;
    std::vector<std::int32_t> group_textures;
    std::vector<device_vertex> vertices;

    // Bumped whenever `vertices` change; the device compares it with what it uploaded.
    std::uint64_t revision = 0;
    // The device's own handle and the revision it holds (0: nothing uploaded).
    std::uint32_t device_buffer = 0;
    std::uint64_t uploaded_revision = 0;

    std::int32_t group_count() const { return static_cast<std::int32_t>(group_textures.size()); }
};

struct TVertexBuffer_array {
    std::vector<Tvbuffer> buffers;

    std::int32_t count() const { return static_cast<std::int32_t>(buffers.size()); }
    // Resizes to n buffers, every one empty, solid and without a device buffer.
    // Device buffers must have been released by their device before.
    void set_count(std::int32_t n)
    {
        buffers.assign(n > 0 ? static_cast<std::size_t>(n) : 0, Tvbuffer{});
    }
};

}  // namespace kelanim
