// Small levels of every generation, built byte by byte, with every block the
// generation has holding a known, recognisable value. Used by the reader,
// writer and round-trip tests.
#pragma once

#include <cstdint>
#include <vector>

#include "byte_builder.h"
#include "level/ttrlevel.h"
#include "level/zfile.h"

namespace kelanim::test {

// What the synthetic level holds, so tests can check fields against it.
struct SyntheticFacts {
    static constexpr std::uint32_t pages = 1;
    static constexpr std::int32_t room_x = 2048;
    static constexpr std::int32_t room_z = 3072;
    static constexpr std::int32_t room_y_bottom = 512;
    static constexpr std::int32_t room_y_top = -1024;
    static constexpr std::uint16_t num_vertices = 4;
    static constexpr std::uint16_t num_rectangles = 1;
    static constexpr std::uint16_t num_triangles = 2;
    static constexpr std::uint16_t num_sprites = 1;
    static constexpr std::uint16_t z_sectors = 2, x_sectors = 3;
    static constexpr std::uint32_t num_floor_data = 3;
    static constexpr std::uint32_t num_mesh_pointers = 1;
    static constexpr std::uint32_t num_animations = 2;
    static constexpr std::uint32_t num_frames = 24;
    static constexpr std::uint32_t num_moveables = 2;
    static constexpr std::uint32_t num_object_textures = 4;
    static constexpr std::uint32_t num_boxes = 2;
    static constexpr std::uint32_t num_items = 2;
    static constexpr std::int16_t item_intensity_tr1 = 0x1FFF;
    static constexpr std::uint32_t num_demo_data = 3;
    static constexpr std::uint32_t num_sample_indices = 2;
    static constexpr std::uint32_t samples_size = 6;
    static constexpr std::uint8_t palette_marker = 0x5A;  // palette entry 1, red
};

namespace detail {

inline Bytes texture_pages(std::size_t bytes_per_page, std::uint8_t seed, std::uint32_t pages)
{
    Bytes b;
    for (std::size_t i = 0; i < bytes_per_page * pages; ++i)
        b.u8(static_cast<std::uint8_t>(i * 7 + seed));
    return b;
}

inline Bytes palette_bytes(std::uint8_t marker)
{
    Bytes b;
    b.u8(1).u8(2).u8(3);  // entry 0, kept as read
    b.u8(marker).u8(0x11).u8(0x22);
    b.fill(768 - 6, 0x33);
    return b;
}

// The room form of codes 1 to 6.
inline Bytes classic_room(int code)
{
    using F = SyntheticFacts;
    Bytes b;
    b.i32(F::room_x).i32(F::room_z).i32(F::room_y_bottom).i32(F::room_y_top);
    const std::uint32_t vertex_bytes = code <= 2 ? 8 : 12;
    b.u32((F::num_vertices * vertex_bytes + F::num_rectangles * 10 + F::num_triangles * 8 + F::num_sprites * 4 + 8) / 2);
    b.u16(F::num_vertices);
    for (int v = 0; v < F::num_vertices; ++v) {
        b.i16(static_cast<std::int16_t>(v * 1024)).i16(-256).i16(static_cast<std::int16_t>(v * 512)).i16(static_cast<std::int16_t>(0x1000 + v));
        if (code >= 3) b.u16(0x8000).u16(static_cast<std::uint16_t>(0x7C00 | v));
    }
    b.u16(F::num_rectangles).u16(0).u16(1).u16(2).u16(3).u16(0x0002);
    b.u16(F::num_triangles).u16(0).u16(1).u16(2).u16(1).u16(3).u16(2).u16(1).u16(0x8003);
    b.u16(F::num_sprites).i16(3).i16(0);
    b.u16(1).fill(32, 0x44);  // one portal
    b.u16(F::z_sectors).u16(F::x_sectors);
    for (int s = 0; s < F::z_sectors * F::x_sectors; ++s) b.fill(8, static_cast<std::uint8_t>(0x50 + s));
    b.u8(0xAB).u8(0x0C);                  // ambient
    if (code >= 3) b.i16(0x0123);         // ambient2
    if (code == 3 || code == 4) b.i16(1);  // light mode
    const int light_bytes = code <= 2 ? 18 : code <= 5 ? 24 : 46;
    b.u16(1).fill(light_bytes, 0x66);
    const int static_bytes = code <= 2 ? 18 : 20;
    b.u16(1).fill(static_bytes, 0x77);
    b.i16(-1).u8(0x08).u8(0x00);  // alternate room, flags
    if (code >= 5) b.u8(0x04).u8(0x00).u8(0x02);
    return b;
}

inline Bytes level_body(int code, bool trng = false)
{
    using F = SyntheticFacts;
    Bytes b;
    b.u32(F::num_floor_data).u16(0x8001).u16(0x0002).u16(0x0003);
    // One mesh: centre, radius, no vertices, no normals, no faces of any kind.
    std::vector<std::uint16_t> mesh = {0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0};
    b.u32(static_cast<std::uint32_t>(mesh.size()));
    for (std::uint16_t w : mesh) b.u16(w);
    b.u32(F::num_mesh_pointers).u32(0);
    b.u32(F::num_animations);
    for (std::uint32_t a = 0; a < F::num_animations; ++a) {
        b.u32(a * 24).u8(1).u8(12).u16(static_cast<std::uint16_t>(a + 2)).i32(0x10000).i32(-5);
        if (code >= 6) b.i32(7).i32(-7);
        b.u16(static_cast<std::uint16_t>(a * 10)).u16(static_cast<std::uint16_t>(a * 10 + 1));
        b.u16(static_cast<std::uint16_t>(a)).u16(0).u16(1).u16(0).u16(2).u16(0);
    }
    b.u32(1).u16(2).u16(1).u16(0);                    // state changes
    b.u32(1).i16(0).i16(1).i16(1).i16(0);            // anim dispatches
    b.u32(2).u16(3).u16(4);                           // anim commands
    b.u32(4).i32(0).i32(0).i32(-100).i32(0);          // mesh trees
    b.u32(F::num_frames);
    for (std::uint32_t f = 0; f < F::num_frames; ++f) b.i16(static_cast<std::int16_t>(f * 3 - 20));
    b.u32(F::num_moveables);
    for (std::uint32_t m = 0; m < F::num_moveables; ++m) {
        b.u32(m).u16(1).u16(0).u32(0).u32(0).i16(m == 0 ? 0 : -1);
        if (code == 7) b.u16(0xCDCD);
    }
    b.u32(1).u32(42).u16(0).fill(26, 0x12);  // static meshes
    auto object_textures = [&] {
        b.u32(F::num_object_textures);
        for (std::uint32_t t = 0; t < F::num_object_textures; ++t) {
            b.u16(static_cast<std::uint16_t>(t)).u16(0);
            if (code >= 6) b.u16(0x0001);
            for (int c = 0; c < 4; ++c) b.u8(c & 1 ? 0xFF : 1).u8(static_cast<std::uint8_t>(c * 16)).u8(c & 2 ? 0xFF : 1).u8(0);
            if (code >= 6) b.u32(1).u32(2).u32(3).u32(4);
            if (code == 7) b.u16(0);
        }
    };
    if (code <= 4) object_textures();
    if (code == 6) b.text("SPR");
    if (code == 7) b.text("SPR").u8(0);
    b.u32(1).fill(16, 0x21);  // sprite textures
    b.u32(1).fill(8, 0x22);   // sprite sequences
    if (code == 2) b.append(palette_bytes(F::palette_marker));
    b.u32(1).fill(16, 0x23);  // cameras
    if (code >= 6) b.u32(1).fill(40, 0x24);
    b.u32(1).fill(16, 0x25);  // sound sources
    b.u32(F::num_boxes).fill(F::num_boxes * (code <= 2 ? 20 : 8), 0x26);
    b.u32(2).u16(0x8001).u16(0x0000);  // overlaps
    const int zone_arrays = code <= 2 ? 6 : 10;
    for (int z = 0; z < zone_arrays; ++z)
        for (std::uint32_t i = 0; i < F::num_boxes; ++i) b.u16(static_cast<std::uint16_t>(z * 16 + i));
    b.u32(5).u16(1).u16(2).u16(1).u16(2).u16(3);  // one group of three textures
    if (code == 6) b.text("TEX").u8(0);
    if (code == 7) b.text("TEX").u8(0).u8(0);
    if (code >= 5) object_textures();
    b.u32(F::num_items);
    for (std::uint32_t i = 0; i < F::num_items; ++i) {
        b.i16(static_cast<std::int16_t>(i)).i16(0).i32(1024).i32(-512).i32(2048).i16(0x4000);
        if (code <= 2) {
            b.i16(F::item_intensity_tr1);
        } else {
            b.i16(0x1234).i16(0x0567);
        }
        b.u16(0x3E00);
    }
    if (code <= 5) b.fill(8192, 0x31);  // light map
    if (code == 1) b.append(palette_bytes(F::palette_marker));
    if (code >= 6) {
        b.u32(1).fill(24, 0x32);  // AI objects
    } else {
        b.u16(1).fill(16, 0x32);  // cinematic frames
    }
    if (trng) {
        // TRNG levels hold their sound map's entry count where the demo data
        // count stands, and no demo data.
        b.u16(2048);
        for (int i = 0; i < 2048; ++i) b.i16(static_cast<std::int16_t>(i % 7 == 0 ? i : -1));
    } else {
        b.u16(F::num_demo_data).u8(1).u8(2).u8(3);
        b.fill(code <= 2 ? 512 : code == 7 ? 900 : 740, 0x34);  // sound map
    }
    b.u32(1).fill(8, 0x35);                                  // sound details
    if (code <= 2) b.u32(F::samples_size).text("RIFF..");
    b.u32(F::num_sample_indices).u32(0).u32(3);
    return b;
}

inline void packed_chunk(Bytes& out, const Bytes& data)
{
    std::vector<std::uint8_t> packed = compress_buffer(data.data().data(), data.size());
    out.u32(static_cast<std::uint32_t>(data.size())).u32(static_cast<std::uint32_t>(packed.size())).append(packed);
}

}  // namespace detail

// A whole level file of version code 1 to 6, with `pages` texture pages.
inline Bytes synthetic_level(int code, std::uint32_t pages = SyntheticFacts::pages)
{
    using F = SyntheticFacts;
    Bytes b;
    if (code <= 5) {
        b.u32(code <= 2 ? version_tr1 : code <= 4 ? version_tr2 : version_tr3a);
        if (code >= 3) {
            b.append(detail::palette_bytes(F::palette_marker));
            for (int i = 0; i < 1024; ++i) b.u8(static_cast<std::uint8_t>(i));
        }
        b.u32(pages);
        b.append(detail::texture_pages(texture_page_bytes8, 1, pages));
        if (code >= 3) b.append(detail::texture_pages(texture_page_bytes16, 2, pages));
        b.u32(0xDEADBEEF);  // the word before the room count
        b.u16(1);
        b.append(detail::classic_room(code));
        b.append(detail::level_body(code));
        return b;
    }
    b.u32(version_tr4).u16(1).u16(1).u16(0);
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes32, 3, pages));
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes16, 4, pages));
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes32, 5, 2 * pages));
    Bytes level_data;
    level_data.u32(0).u16(1).append(detail::classic_room(code)).append(detail::level_body(code));
    level_data.fill(6, 0);  // real levels carry a few bytes after the last block
    detail::packed_chunk(b, level_data);
    b.u32(2).text("WAVEDATA");  // samples
    return b;
}

// A TR4 level as the TRNG level editor writes it: the sound map in place of
// the demo data, and an "NG" trailer ending in "NGLE" and its size.
inline Bytes synthetic_trng_level()
{
    Bytes b;
    b.u32(version_tr4).u16(1).u16(1).u16(0);
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes32, 3, 1));
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes16, 4, 1));
    detail::packed_chunk(b, detail::texture_pages(texture_page_bytes32, 5, 2));
    Bytes level_data;
    level_data.u32(0).u16(1).append(detail::classic_room(6)).append(detail::level_body(6, true));
    detail::packed_chunk(b, level_data);
    b.u32(2).text("WAVEDATA");
    Bytes trailer;
    trailer.text("NG").u16(3).u16(0x8001).u16(0x0002).fill(20, 0x99);
    const std::uint32_t trailer_size = static_cast<std::uint32_t>(trailer.size() + 8);
    trailer.text("NGLE").u32(trailer_size);
    b.append(trailer);
    return b;
}

// Wraps a file in the "ZLIB" container.
inline Bytes in_container(const Bytes& level)
{
    std::vector<std::uint8_t> packed = compress_buffer(level.data().data(), level.size());
    Bytes b;
    b.text("ZLIB").u32(static_cast<std::uint32_t>(packed.size())).u32(static_cast<std::uint32_t>(level.size())).append(packed);
    return b;
}

}  // namespace kelanim::test
