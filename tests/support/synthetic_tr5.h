// TR5 rooms and whole TR5 levels built byte by byte, for the TR5 room,
// writer and round-trip tests.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "byte_builder.h"
#include "synthetic_level.h"

namespace kelanim::test {

// One layer of a TR5 room: vertex positions and faces that number the
// layer's own vertices.
struct Tr5Layer {
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<std::uint16_t, 4>> rectangles;
    std::vector<std::array<std::uint16_t, 3>> triangles;
    std::uint8_t colour_seed = 0x40;  // vertex i gets colour seed + i in blue, green and red
};

struct Tr5RoomPlan {
    std::vector<Tr5Layer> layers;
    std::uint16_t num_lights = 1;
    std::uint32_t num_records36 = 1;
    std::uint16_t z_sectors = 2, x_sectors = 3;
    std::uint16_t num_portals = 1;
    std::uint16_t num_statics = 1;
    std::int32_t x = 1024, z = 2048, y_bottom = 0, y_top = -3072;
    // Bytes after the vertices that the room's size still covers.
    std::size_t tail_bytes = 0;
    // Added to the room size written in the file (negative: a size that
    // ends before the parsed items do).
    std::int64_t size_adjust = 0;
};

// The vertex colour the builder gives vertex i of a layer.
inline std::uint32_t tr5_test_colour(const Tr5Layer& layer, std::size_t i)
{
    std::uint8_t c = static_cast<std::uint8_t>(layer.colour_seed + i);
    return std::uint32_t{c} | std::uint32_t{c} << 8 | std::uint32_t{c} << 16 | 0xFF000000u;
}

inline Bytes tr5_room(const Tr5RoomPlan& plan)
{
    Bytes b;
    b.text("XELA");
    const std::size_t size_at = b.size();
    b.u32(0);
    const std::size_t counted_from = b.size();
    b.fill(4, 0xCD);
    b.u32(0x11).u32(0x22).u32(0xCDCDCDCD).u32(0x33);  // sector and portal offsets, separator
    b.i32(plan.x).i32(-7);                              // x, the room's own y word
    b.i32(plan.z).i32(plan.y_bottom).i32(plan.y_top);
    b.u16(plan.z_sectors).u16(plan.x_sectors);
    b.u32(0xFF405060);  // room colour
    b.u16(plan.num_lights).u16(plan.num_statics);
    b.u32(0xA1).u32(0xA2).u32(0xA3);  // water words
    b.fill(8, 0xCD).fill(6, 0xFF);
    b.u8(0x01).u8(0x02);  // flags
    b.u8(0x03).u8(0x04);  // header word
    b.fill(10, 0).fill(4, 0xCD);
    b.u32(0x0BADF00D).f32(static_cast<float>(plan.x)).f32(0).f32(static_cast<float>(plan.z));
    b.fill(16, 0xCD);
    b.u32(0x12345678);  // null marker
    b.fill(4, 0xCD);
    std::uint32_t triangles = 0, rectangles = 0;
    for (const Tr5Layer& l : plan.layers) {
        triangles += static_cast<std::uint32_t>(l.triangles.size());
        rectangles += static_cast<std::uint32_t>(l.rectangles.size());
    }
    b.u32(triangles).u32(rectangles).u32(0).u32(plan.num_lights * 88u).u32(plan.num_lights);
    b.u32(plan.num_records36);
    b.f32(static_cast<float>(plan.y_top)).f32(static_cast<float>(plan.y_bottom));
    b.u32(static_cast<std::uint32_t>(plan.layers.size()));
    b.u32(0x51).u32(0x52).u32(0x53).u32(0x54).u32(0x55);  // offsets, as some other tool wrote them
    b.fill(16, 0xCD);
    for (int i = 0; i < plan.num_lights; ++i) b.fill(88, static_cast<std::uint8_t>(0x60 + i));
    for (std::uint32_t i = 0; i < plan.num_records36; ++i) b.fill(36, static_cast<std::uint8_t>(0x70 + i));
    for (int i = 0; i < plan.z_sectors * plan.x_sectors; ++i) b.fill(8, static_cast<std::uint8_t>(0x80 + i));
    b.u16(plan.num_portals);
    for (int i = 0; i < plan.num_portals; ++i) b.fill(32, static_cast<std::uint8_t>(0x90 + i));
    b.u8(0xCD).u8(0xCD);
    for (int i = 0; i < plan.num_statics; ++i) b.fill(20, static_cast<std::uint8_t>(0xA0 + i));
    for (std::size_t l = 0; l < plan.layers.size(); ++l) {
        const Tr5Layer& layer = plan.layers[l];
        b.u32(static_cast<std::uint32_t>(layer.vertices.size())).u16(static_cast<std::uint16_t>(0x700 + l));
        b.u16(static_cast<std::uint16_t>(layer.rectangles.size())).u16(static_cast<std::uint16_t>(layer.triangles.size()));
        b.fill(46, static_cast<std::uint8_t>(0xB0 + l));
    }
    for (const Tr5Layer& layer : plan.layers) {
        std::uint16_t texture = 0;
        for (const auto& r : layer.rectangles) {
            for (std::uint16_t v : r) b.u16(v);
            b.u16(texture++).u16(0xE4);
        }
        for (const auto& t : layer.triangles) {
            for (std::uint16_t v : t) b.u16(v);
            b.u16(texture++).u16(0xE3);
        }
    }
    if (triangles % 2) b.u8(0xCD).u8(0xCD);
    for (const Tr5Layer& layer : plan.layers) {
        for (std::size_t i = 0; i < layer.vertices.size(); ++i) {
            const auto& v = layer.vertices[i];
            b.f32(v[0]).f32(v[1]).f32(v[2]);
            b.fill(12, static_cast<std::uint8_t>(layer.colour_seed + i));
            b.u32(tr5_test_colour(layer, i));
        }
    }
    b.fill(plan.tail_bytes, 0xEE);
    b.patch_u32(size_at, static_cast<std::uint32_t>(static_cast<std::int64_t>(b.size() - counted_from) + plan.size_adjust));
    return b;
}

// A room of two layers: a square of four vertices, and a second layer that
// shares one corner of it (at a slightly different float position that
// truncates to the same integers) and adds two vertices.
inline Tr5RoomPlan two_layer_room(std::size_t triangles_in_second_layer = 1)
{
    Tr5RoomPlan plan;
    Tr5Layer first;
    first.vertices = {{0, 0, 0}, {1024, 0, 0}, {1024, 0, 1024}, {0, 0, 1024}};
    first.rectangles = {{0, 1, 2, 3}};
    first.triangles = {{0, 1, 2}};
    first.colour_seed = 0x40;
    Tr5Layer second;
    second.vertices = {{1024.75f, 0.5f, 1024.25f}, {2048, -512, 1024}, {2048, -512, 0}};
    for (std::size_t i = 0; i < triangles_in_second_layer; ++i) second.triangles.push_back({0, 1, 2});
    second.rectangles = {{0, 1, 2, 0}};
    second.colour_seed = 0xC0;
    plan.layers = {first, second};
    return plan;
}

// A whole TR5 level file: the packed texture pages, the TR5 head, the given
// rooms, the level body and a sample block.
inline Bytes synthetic_tr5_level(const std::vector<Bytes>& rooms)
{
    Bytes b;
    b.u32(version_tr4).u16(1).u16(0).u16(0);
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes32, 3, 1));
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes16, 4, 1));
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes32, 5, 1));
    for (int i = 0; i < 32; ++i) b.u8(static_cast<std::uint8_t>(0xF0 ^ i));  // the TR5 header
    const std::size_t sizes_at = b.size();
    b.u32(0).u32(0);
    const std::size_t data_from = b.size();
    b.u32(0).u32(static_cast<std::uint32_t>(rooms.size()));
    for (const Bytes& room : rooms) b.append(room);
    b.append(detail::level_body(7));
    b.fill(4, 0xCD);
    const std::uint32_t data_size = static_cast<std::uint32_t>(b.size() - data_from);
    b.patch_u32(sizes_at, data_size);
    b.patch_u32(sizes_at + 4, data_size);
    b.u32(3).text("TR5 SAMPLE DATA");
    return b;
}

}  // namespace kelanim::test
