// The repacked texture pages as PNG images with an alpha channel: texels the
// level draws transparent get alpha 0, every other texel alpha 255.
#pragma once

#include <cstdint>
#include <vector>

#include "level/ttrlevel.h"
#include "milkshape/texture_repack.h"

namespace kelanim {

// Opacity of the level's texels, one byte each (0 or 255), 256 wide and 256
// rows a page, as many rows as level_pages_rgb gives: TR1 palette index 0 and
// later 1-5-5-5 texels without their top bit are transparent.
std::vector<std::uint8_t> level_pages_alpha(const Ttrlevel& level);

// The packed pages as RGBA, 256 x 256 a page: their colours, and the opacity
// of each placed region copied from where the region lies in the level.
std::vector<std::vector<std::uint8_t>> repacked_pages_rgba(const repack_result& packed,
                                                           const std::vector<std::uint8_t>& level_alpha);

// A PNG file of a 256 x 256 RGBA page, in memory.
std::vector<std::uint8_t> encode_png_page(const std::vector<std::uint8_t>& rgba);

}  // namespace kelanim
