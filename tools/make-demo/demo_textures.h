// The demo level's one texture page: 64 x 64 tiles drawn from a palette of
// sixteen colour ramps, so that the same picture exists as 8-bit palette
// indices, 16-bit and 32-bit texels.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kelanim::demo {

enum demo_tile : int { tile_skin, tile_shirt, tile_denim, tile_boots, tile_face, tile_hair, tile_stone, tile_belt,
                       tile_marble, tile_gold, tile_count };

inline constexpr int page_size = 256;
inline constexpr int tile_size = 64;

struct rgb8 {
    std::uint8_t red = 0, green = 0, blue = 0;
};

struct demo_page {
    std::array<rgb8, 256> palette{};      // 8-bit colours; entry 0 stays unused (transparent)
    std::vector<std::uint8_t> indices;   // 256 x 256 palette indices
};

// Palette index of shade 0 to 15 of colour ramp 0 to 15.
constexpr std::uint8_t ramp_index(int ramp, int shade) { return static_cast<std::uint8_t>(ramp * 16 + shade); }

inline constexpr int ramp_skin = 1;
inline constexpr int ramp_red = 10;
inline constexpr int ramp_leather = 7;

demo_page make_demo_page();

// Top-left texel of a tile on the page.
inline int tile_left(int tile) { return (tile % 4) * tile_size; }
inline int tile_top(int tile) { return (tile / 4) * tile_size; }

}  // namespace kelanim::demo
