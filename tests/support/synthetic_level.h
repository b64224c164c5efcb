// Small levels of every generation, built byte by byte, every block the generation
// has holding a known, recognisable value: for the level tests and as fuzz seeds.
#pragma once

#include <cstdint>
#include <vector>

#include "byte_builder.h"
#include "level/ttrlevel.h"
#include "level/zfile.h"

namespace kelanim::test {

// What the synthetic level holds, so tests can check fields against it.
struct SyntheticFacts {
    static constexpr std::uint32_t pages = 1, num_frames = 24;
};

namespace detail {

inline Bytes texture_pages(std::size_t bytes_per_page, std::uint8_t seed, std::uint32_t pages)
{
    std::vector<std::uint8_t> b(bytes_per_page * pages);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return Bytes().append(b);
}

inline Bytes palette_bytes() { return Bytes().u8(1).u8(2).u8(3).u8(0x5A).u8(0x11).u8(0x22).fill(762, 0x33); }  // entry 1 red: 0x5A

// The room form of codes 1 to 7: 4 vertices, 1 rectangle, 2 triangles, 1 sprite, 2 x 3 sectors.
inline Bytes classic_room(int code)
{
    Bytes b;
    b.i32(2048).i32(3072).i32(512).i32(-1024).u32(((code <= 2 ? 8 : 12) * 4 + 10 + 16 + 4 + 8) / 2).u16(4);
    for (int v = 0; v < 4; ++v) {
        b.i16(static_cast<std::int16_t>(v * 1024))
            .i16(-256)
            .i16(static_cast<std::int16_t>(v * 512))
            .i16(static_cast<std::int16_t>(0x1000 + v));
        if (code >= 3) b.u16(0x8000).u16(static_cast<std::uint16_t>(0x7C00 | v));
    }
    b.u16(1).u16(0).u16(1).u16(2).u16(3).u16(0x0002);                          // rectangle
    b.u16(2).u16(0).u16(1).u16(2).u16(1).u16(3).u16(2).u16(1).u16(0x8003);    // triangles
    b.u16(1).i16(3).i16(0).u16(1).fill(32, 0x44).u16(2).u16(3);               // sprite, portal, sectors
    for (int s = 0; s < 6; ++s) b.fill(8, static_cast<std::uint8_t>(0x50 + s));
    b.u8(0xAB).u8(0x0C);                   // ambient
    if (code >= 3) b.i16(0x0123);          // ambient2
    if (code == 3 || code == 4) b.i16(1);  // light mode
    b.u16(1).fill(code <= 2 ? 18 : code <= 5 ? 24 : 46, 0x66);  // light
    b.u16(1).fill(code <= 2 ? 18 : 20, 0x77);                   // static mesh
    b.i16(-1).u8(0x08).u8(0x00);  // alternate room, flags
    if (code >= 5) b.u8(0x04).u8(0x00).u8(0x02);
    return b;
}

// TRNG levels hold their sound map's entry count where the demo data count
// stands, and no demo data.
inline Bytes level_body(int code, bool trng = false)
{
    Bytes b;
    b.u32(3).u16(0x8001).u16(0x0002).u16(0x0003);  // floor data
    b.u32(12).fill(6).u16(100).fill(16);           // one mesh: centre, radius, nothing else
    b.u32(1).u32(0).u32(2);                        // mesh pointers; animations
    for (std::uint16_t a = 0; a < 2; ++a) {
        b.u32(a * 24u).u8(1).u8(12).u16(a + 2).i32(0x10000).i32(-5);
        if (code >= 6) b.i32(7).i32(-7);
        b.u16(a * 10).u16(a * 10 + 1).u16(a).u16(0).u16(1).u16(0).u16(2).u16(0);
    }
    b.u32(1).u16(2).u16(1).u16(0).u32(1).i16(0).i16(1).i16(1).i16(0);  // state changes, dispatches
    b.u32(2).u16(3).u16(4).u32(4).i32(0).i32(0).i32(-100).i32(0);     // commands, mesh trees
    b.u32(24);
    for (int f = 0; f < 24; ++f) b.i16(static_cast<std::int16_t>(f * 3 - 20));
    b.u32(2);
    for (std::uint32_t m = 0; m < 2; ++m) {
        b.u32(m).u16(1).u16(0).u32(0).u32(0).i16(m == 0 ? 0 : -1);
        if (code == 7) b.u16(0xCDCD);
    }
    b.u32(1).u32(42).u16(0).fill(26, 0x12);  // static meshes
    auto object_textures = [&] {
        b.u32(4);
        for (std::uint16_t t = 0; t < 4; ++t) {
            b.u16(t).u16(0);
            if (code >= 6) b.u16(0x0001);
            for (int c = 0; c < 4; ++c) b.u8(c & 1 ? 0xFF : 1).u8(static_cast<std::uint8_t>(c * 16)).u8(c & 2 ? 0xFF : 1).u8(0);
            if (code >= 6) b.u32(1).u32(2).u32(3).u32(4);
            if (code == 7) b.u16(0);
        }
    };
    if (code <= 4) object_textures();
    if (code >= 6) b.text("SPR");
    if (code == 7) b.u8(0);
    b.u32(1).fill(16, 0x21).u32(1).fill(8, 0x22);  // sprite textures and sequences
    if (code == 2) b.append(palette_bytes());
    b.u32(1).fill(16, 0x23);  // cameras
    if (code >= 6) b.u32(1).fill(40, 0x24);
    b.u32(1).fill(16, 0x25).u32(2).fill(code <= 2 ? 40 : 16, 0x26);  // sound sources, boxes
    b.u32(2).u16(0x8001).u16(0x0000);                                  // overlaps
    for (int z = 0; z < (code <= 2 ? 6 : 10); ++z) b.u16(z * 16).u16(z * 16 + 1);
    b.u32(5).u16(1).u16(2).u16(1).u16(2).u16(3);  // one group of three animated textures
    if (code >= 6) b.text("TEX").u8(0);
    if (code == 7) b.u8(0);
    if (code >= 5) object_textures();
    b.u32(2);
    for (std::int16_t i = 0; i < 2; ++i) {
        b.i16(i).i16(0).i32(1024).i32(-512).i32(2048).i16(0x4000);
        code <= 2 ? b.i16(0x1FFF) : b.i16(0x1234).i16(0x0567);
        b.u16(0x3E00);
    }
    if (code <= 5) b.fill(8192, 0x31);  // light map
    if (code == 1) b.append(palette_bytes());
    code >= 6 ? b.u32(1).fill(24, 0x32) : b.u16(1).fill(16, 0x32);  // AI objects or cinematic frames
    if (trng) {
        b.u16(2048);
        for (int i = 0; i < 2048; ++i) b.i16(static_cast<std::int16_t>(i % 7 == 0 ? i : -1));
    } else {
        b.u16(3).u8(1).u8(2).u8(3).fill(code <= 2 ? 512 : code == 7 ? 900 : 740, 0x34);  // demo data, sound map
    }
    b.u32(1).fill(8, 0x35);  // sound details
    if (code <= 2) b.u32(6).text("RIFF..");
    return b.u32(2).u32(0).u32(3);  // sample indices
}

inline void packed_chunk(Bytes& out, const Bytes& data)
{
    std::vector<std::uint8_t> packed = compress_buffer(data.data().data(), data.size());
    out.u32(static_cast<std::uint32_t>(data.size())).u32(static_cast<std::uint32_t>(packed.size())).append(packed);
}

// A TR4 file around one room and the level body.
inline Bytes tr4_level(int code, std::uint32_t pages, bool trng)
{
    Bytes b;
    b.u32(version_tr4).u16(1).u16(1).u16(0);
    packed_chunk(b, texture_pages(texture_page_bytes32, 3, pages));
    packed_chunk(b, texture_pages(texture_page_bytes16, 4, pages));
    packed_chunk(b, texture_pages(texture_page_bytes32, 5, 2 * pages));
    Bytes level_data = Bytes().u32(0).u16(1).append(classic_room(code)).append(level_body(code, trng));
    if (!trng) level_data.fill(6, 0);  // real levels carry a few bytes after the last block
    packed_chunk(b, level_data);
    return b.u32(2).text("WAVEDATA");  // samples
}

}  // namespace detail

// A whole level file of version code 1 to 6, with `pages` texture pages.
inline Bytes synthetic_level(int code, std::uint32_t pages = SyntheticFacts::pages)
{
    if (code >= 6) return detail::tr4_level(code, pages, false);
    Bytes b;
    b.u32(code <= 2 ? version_tr1 : code <= 4 ? version_tr2 : version_tr3a);
    if (code >= 3) {
        b.append(detail::palette_bytes());
        for (int i = 0; i < 1024; ++i) b.u8(static_cast<std::uint8_t>(i));
    }
    b.u32(pages).append(detail::texture_pages(texture_page_bytes8, 1, pages));
    if (code >= 3) b.append(detail::texture_pages(texture_page_bytes16, 2, pages));
    b.u32(0xDEADBEEF).u16(1);  // the word before the room count; one room
    return b.append(detail::classic_room(code)).append(detail::level_body(code));
}

// A TR4 level as the TRNG level editor writes it: the sound map in place of
// the demo data, and an "NG" trailer ending in "NGLE" and its size.
inline Bytes synthetic_trng_level()
{
    Bytes trailer = Bytes().text("NG").u16(3).u16(0x8001).u16(0x0002).fill(20, 0x99);
    const auto trailer_size = static_cast<std::uint32_t>(trailer.size() + 8);
    trailer.text("NGLE").u32(trailer_size);
    return detail::tr4_level(6, 1, true).append(trailer);
}

// Wraps a file in the "ZLIB" container.
inline Bytes in_container(const Bytes& level)
{
    std::vector<std::uint8_t> packed = compress_buffer(level.data().data(), level.size());
    return Bytes().text("ZLIB").u32(static_cast<std::uint32_t>(packed.size())).u32(static_cast<std::uint32_t>(level.size())).append(packed);
}

}  // namespace kelanim::test
