// The level's texture pages as device textures, and the texture coordinates
// of the level's object textures.
//
// Every page is 256 x 256 texels and becomes one 5-6-5 texture whose id is the
// first id plus the page number. Texels a level marks transparent come out
// magenta (0xF81F).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "level/sinks.h"
#include "level/ttrlevel.h"
#include "render/texture_store.h"

namespace kelanim {

inline constexpr int texture_page_size = 256;
inline constexpr std::uint16_t transparent_texel = 0xF81F;

struct palette_entry {
    std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

// Pages stacked top to bottom in one 16-bit (5-6-5) bitmap.
struct page_bitmap {
    int width = texture_page_size;
    int height = 0;
    int bits_per_pixel = 16;
    std::vector<std::uint16_t> pixels;  // width x height, row by row from the top
};

// A level palette of 6-bit red, green, blue triples as 8-bit colours; entry
// 0, the transparent one, is magenta whatever the level holds there.
std::array<palette_entry, 256> make_palette(const std::array<std::uint8_t, 768>& level_palette);
// 1-5-5-5 texels to 5-6-5; texels without bit 15 become transparent magenta.
void convert_1555(std::span<std::uint16_t> pixels);
// A palette colour as a 5-6-5 texel.
std::uint16_t to_565(const palette_entry& colour);

// The level's pages as one bitmap (TR1 pages through their palette, later
// ones converted from 1-5-5-5). Pages whose data the level lacks stay black.
page_bitmap level_page_bitmap(const Ttrlevel& level);
// Adds the bitmap's pages to the store under first_id, first_id + 1, ...
// Reports "width have to be 256 pixels" or "Height have to be multiple of 256
// pixels" and adds nothing when the bitmap is not whole pages.
void add_pages(const page_bitmap& bitmap, std::int32_t first_id, Td3dTexture_buffer& store, MessageSink* messages);
// Both together; returns the number of pages.
int build_textures(const Ttrlevel& level, std::int32_t first_id, Td3dTexture_buffer& store,
                   MessageSink* messages = nullptr);

struct texture_rect {
    int min_x = 0, max_x = 0, min_y = 0, max_y = 0;
};

struct texture_coord {
    float u = 0, v = 0;
};

// An object texture index outside the level counts as a quadrilateral at
// (0, 0) with coordinates (0, 0) everywhere.
bool is_triangle_texture(const Ttrlevel& level, std::int32_t index);
texture_rect texture_bounds(const Ttrlevel& level, std::int32_t index);
// (u, v) of corners 1 to 4 on the object texture's page.
std::array<texture_coord, 4> texture_uv(const Ttrlevel& level, std::int32_t index);
// The same for an object texture held outside the level (the export's
// repacked textures), laid out as in a level of `version_code`.
std::array<texture_coord, 4> texture_uv(const tobject_texture& texture, std::int32_t version_code);

}  // namespace kelanim
