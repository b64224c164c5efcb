// The repacked texture pages as PNG images with an alpha channel: texels the
// level draws transparent get alpha 0, every other texel alpha 255.
#pragma once

#include <cstdint>
#include <vector>

#include "level/ttrlevel.h"
#include "milkshape/texture_repack.h"

namespace kelanim {

// The packed pages as RGBA, 256 x 256 a page: their colours, and for each
// placed region the opacity of its texels where it lies in the level. TR1
// palette index 0 and later 1-5-5-5 texels without their top bit are
// transparent (alpha 0); every other texel, and any the level lacks, is
// opaque (alpha 255).
std::vector<std::vector<std::uint8_t>> repacked_pages_rgba(const repack_result& packed, const Ttrlevel& level);

// A PNG file of a 256 x 256 RGBA page, in memory.
std::vector<std::uint8_t> encode_png_page(const std::vector<std::uint8_t>& rgba);

}  // namespace kelanim
