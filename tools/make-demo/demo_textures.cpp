#include "demo_textures.h"

#include <algorithm>
#include <cmath>

namespace kelanim::demo {

namespace {

// Base colours of the ramps; each ramp runs from a dark to a full shade.
constexpr std::array<rgb8, 16> ramp_colours{{
    {200, 200, 200},  // 0 grey
    {236, 188, 150},  // 1 skin
    {40, 160, 150},   // 2 shirt
    {60, 80, 150},    // 3 denim
    {130, 80, 40},    // 4 boots
    {90, 55, 30},     // 5 hair
    {170, 160, 140},  // 6 stone
    {60, 50, 45},     // 7 leather
    {230, 190, 60},   // 8 gold
    {235, 235, 228},  // 9 marble
    {200, 40, 40},    // 10 red
    {250, 250, 255},  // 11 eye white
    {60, 150, 60},    // 12 green
    {130, 70, 160},   // 13 purple
    {230, 130, 40},   // 14 orange
    {240, 230, 90},   // 15 yellow
}};

// A small deterministic noise in 0 .. range - 1.
int noise(int u, int v, int seed, int range)
{
    // Unsigned products wrap instead of overflowing; for the small non-negative
    // coordinates used here they give the same bits as before.
    std::uint32_t h = static_cast<std::uint32_t>(u) * 73856093u ^ static_cast<std::uint32_t>(v) * 19349663u ^
                      static_cast<std::uint32_t>(seed) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<int>(h % static_cast<std::uint32_t>(range));
}

int clamp_shade(int shade) { return std::clamp(shade, 0, 15); }

bool in_circle(int u, int v, int cu, int cv, int r) { return (u - cu) * (u - cu) + (v - cv) * (v - cv) <= r * r; }

std::uint8_t texel(int tile, int u, int v)
{
    switch (tile) {
    case tile_skin: return ramp_index(1, clamp_shade(11 + noise(u, v, 1, 3)));
    case tile_shirt: return ramp_index(2, clamp_shade(((v / 8) % 2 ? 12 : 9) + noise(u, v, 2, 2)));
    case tile_denim: return ramp_index(3, clamp_shade(8 + ((u + v) % 4 == 0 ? 3 : 0) + noise(u, v, 3, 2)));
    case tile_boots:
        if (v == 10 || v == 54) return ramp_index(4, 13);
        return ramp_index(4, clamp_shade(7 + noise(u, v, 4, 3)));
    case tile_face: {
        if (v < 12) return ramp_index(5, clamp_shade(4 + (u % 5 == 0 ? 3 : 0)));  // fringe
        for (int eye_u : {20, 44}) {
            if (in_circle(u, v, eye_u, 26, 2)) return ramp_index(5, 1);
            if (in_circle(u, v, eye_u, 26, 5)) return ramp_index(11, 15);
            if (v == 18 && std::abs(u - eye_u) <= 6) return ramp_index(5, 3);  // brows
        }
        if (v >= 44 && v <= 47 && u >= 24 && u <= 40) return ramp_index(10, v == 44 ? 9 : 11);
        if (u >= 30 && u <= 33 && v >= 30 && v <= 38) return ramp_index(1, 9);  // nose shadow
        return ramp_index(1, clamp_shade(11 + noise(u, v, 5, 2)));
    }
    case tile_hair: return ramp_index(5, clamp_shade(3 + (u % 5 < 2 ? 3 : 0) + noise(u, v, 6, 3)));
    case tile_stone:
        if (u % 32 < 2 || v % 32 < 2) return ramp_index(6, 4);
        return ramp_index(6, clamp_shade(9 + noise(u / 4, v / 4, 7, 4)));
    case tile_belt:
        if (u >= 24 && u <= 40 && v >= 16 && v <= 48) return ramp_index(8, (u == 24 || u == 40 || v == 16 || v == 48) ? 9 : 14);
        return ramp_index(7, clamp_shade(3 + noise(u, v, 8, 2)));
    case tile_marble: {
        const double vein = std::sin((u + 2.0 * v) * 0.15 + std::sin(v * 0.2) * 2.0);
        return ramp_index(9, clamp_shade(vein > 0.9 ? 8 : 14 - noise(u, v, 9, 2)));
    }
    case tile_gold: return ramp_index(8, clamp_shade(8 + (u + v) / 18));
    default: return ramp_index(0, 8);
    }
}

}  // namespace

demo_page make_demo_page()
{
    demo_page page;
    for (int ramp = 0; ramp < 16; ++ramp) {
        for (int shade = 0; shade < 16; ++shade) {
            const double light = 0.3 + 0.7 * shade / 15.0;
            const rgb8 base = ramp_colours[static_cast<std::size_t>(ramp)];
            page.palette[ramp_index(ramp, shade)] = {static_cast<std::uint8_t>(base.red * light),
                                                     static_cast<std::uint8_t>(base.green * light),
                                                     static_cast<std::uint8_t>(base.blue * light)};
        }
    }
    page.indices.assign(page_size * page_size, ramp_index(0, 6));
    for (int tile = 0; tile < tile_count; ++tile)
        for (int v = 0; v < tile_size; ++v)
            for (int u = 0; u < tile_size; ++u)
                page.indices[static_cast<std::size_t>((tile_top(tile) + v) * page_size + tile_left(tile) + u)] =
                    texel(tile, u, v);
    // Index 0 is the transparent colour of the palette: never used by a texel.
    for (std::uint8_t& index : page.indices)
        if (index == 0) index = 1;
    return page;
}

}  // namespace kelanim::demo
