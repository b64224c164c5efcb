// TR5 rooms and whole TR5 levels built byte by byte, for the TR5 room, writer and round-trip tests.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "byte_builder.h"
#include "synthetic_level.h"

namespace kelanim::test {

// One layer of a TR5 room: vertex positions and faces that number the
// layer's own vertices. Vertex i gets colour seed + i in blue, green and red.
struct Tr5Layer {
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<std::uint16_t, 4>> rectangles;
    std::vector<std::array<std::uint16_t, 3>> triangles;
    std::uint8_t colour_seed = 0x40;
};

struct Tr5RoomPlan {
    std::vector<Tr5Layer> layers;
    std::uint16_t num_lights = 1;
    std::uint32_t num_records36 = 1;
    std::uint16_t z_sectors = 2, x_sectors = 3, num_portals = 1, num_statics = 1;
    std::int32_t x = 1024, z = 2048, y_bottom = 0, y_top = -3072;
    std::size_t tail_bytes = 0;    // bytes after the vertices that the room's size still covers
    std::int64_t size_adjust = 0;  // added to the room size written (negative: ends before the items do)
};

inline Bytes tr5_room(const Tr5RoomPlan& plan)
{
    std::uint32_t triangles = 0, rectangles = 0;
    for (const Tr5Layer& l : plan.layers) triangles += std::uint32_t(l.triangles.size()), rectangles += std::uint32_t(l.rectangles.size());
    Bytes b;
    b.text("XELA").u32(0).fill(4, 0xCD).u32(0x11).u32(0x22).u32(0xCDCDCDCD).u32(0x33);  // size, offsets, separator
    b.i32(plan.x).i32(-7).i32(plan.z).i32(plan.y_bottom).i32(plan.y_top).u16(plan.z_sectors).u16(plan.x_sectors);
    b.u32(0xFF405060).u16(plan.num_lights).u16(plan.num_statics).u32(0xA1).u32(0xA2).u32(0xA3);  // colour, water
    b.fill(8, 0xCD).fill(6, 0xFF).u8(0x01).u8(0x02).u8(0x03).u8(0x04).fill(10, 0).fill(4, 0xCD);  // flags, header word
    b.u32(0x0BADF00D).f32(static_cast<float>(plan.x)).f32(0).f32(static_cast<float>(plan.z)).fill(16, 0xCD);
    b.u32(0x12345678).fill(4, 0xCD);  // null marker
    b.u32(triangles).u32(rectangles).u32(0).u32(plan.num_lights * 88u).u32(plan.num_lights).u32(plan.num_records36);
    b.f32(static_cast<float>(plan.y_top)).f32(static_cast<float>(plan.y_bottom)).u32(static_cast<std::uint32_t>(plan.layers.size()));
    b.u32(0x51).u32(0x52).u32(0x53).u32(0x54).u32(0x55).fill(16, 0xCD);  // offsets, as some other tool wrote them
    for (int i = 0; i < plan.num_lights; ++i) b.fill(88, static_cast<std::uint8_t>(0x60 + i));
    for (std::uint32_t i = 0; i < plan.num_records36; ++i) b.fill(36, static_cast<std::uint8_t>(0x70 + i));
    for (int i = 0; i < plan.z_sectors * plan.x_sectors; ++i) b.fill(8, static_cast<std::uint8_t>(0x80 + i));
    b.u16(plan.num_portals);
    for (int i = 0; i < plan.num_portals; ++i) b.fill(32, static_cast<std::uint8_t>(0x90 + i));
    b.u8(0xCD).u8(0xCD);
    for (int i = 0; i < plan.num_statics; ++i) b.fill(20, static_cast<std::uint8_t>(0xA0 + i));
    for (std::size_t l = 0; l < plan.layers.size(); ++l) {
        const Tr5Layer& layer = plan.layers[l];
        b.u32(std::uint32_t(layer.vertices.size())).u16(std::uint16_t(0x700 + l)).u16(std::uint16_t(layer.rectangles.size()));
        b.u16(std::uint16_t(layer.triangles.size())).fill(46, std::uint8_t(0xB0 + l));
    }
    for (const Tr5Layer& layer : plan.layers) {
        std::uint16_t texture = 0;
        for (const auto& r : layer.rectangles) b.u16(r[0]).u16(r[1]).u16(r[2]).u16(r[3]).u16(texture++).u16(0xE4);
        for (const auto& t : layer.triangles) b.u16(t[0]).u16(t[1]).u16(t[2]).u16(texture++).u16(0xE3);
    }
    if (triangles % 2) b.u8(0xCD).u8(0xCD);
    for (const Tr5Layer& layer : plan.layers)
        for (std::size_t i = 0; i < layer.vertices.size(); ++i) {
            const auto c = static_cast<std::uint8_t>(layer.colour_seed + i);
            b.f32(layer.vertices[i][0])
                .f32(layer.vertices[i][1])
                .f32(layer.vertices[i][2])
                .fill(12, c)
                .u32(std::uint32_t{c} * 0x010101u | 0xFF000000u);
        }
    b.fill(plan.tail_bytes, 0xEE);
    b.patch_u32(4, static_cast<std::uint32_t>(static_cast<std::int64_t>(b.size() - 8) + plan.size_adjust));
    return b;
}

// A room of two layers: a square of four vertices, and a second layer that
// shares one corner of it (at a slightly different float position that
// truncates to the same integers) and adds two vertices.
inline Tr5RoomPlan two_layer_room(std::size_t triangles_in_second_layer = 1)
{
    Tr5RoomPlan plan;
    plan.layers = {{{{0, 0, 0}, {1024, 0, 0}, {1024, 0, 1024}, {0, 0, 1024}}, {{0, 1, 2, 3}}, {{0, 1, 2}}, 0x40},
                   {{{1024.75f, 0.5f, 1024.25f}, {2048, -512, 1024}, {2048, -512, 0}}, {{0, 1, 2, 0}}, {}, 0xC0}};
    plan.layers[1].triangles.assign(triangles_in_second_layer, {0, 1, 2});
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
    b.u32(0).u32(0).u32(0).u32(static_cast<std::uint32_t>(rooms.size()));
    for (const Bytes& room : rooms) b.append(room);
    b.append(detail::level_body(7)).fill(4, 0xCD);
    const auto data_size = static_cast<std::uint32_t>(b.size() - sizes_at - 8);
    b.patch_u32(sizes_at, data_size);
    b.patch_u32(sizes_at + 4, data_size);
    return b.u32(3).text("TR5 SAMPLE DATA");
}

}  // namespace kelanim::test
