#include "gltf/gltf_pages.h"

#include <algorithm>
#include <cstring>

namespace kelanim {

namespace {

constexpr std::size_t page_side = repack_page_size;
constexpr std::size_t page_texels = page_side * page_side;

// Opacity of texel `index` of the level's pages (256 a row, 256 rows a page).
std::uint8_t texel_alpha(const Ttrlevel& level, std::size_t index)
{
    if (level.version_code == code_tr1 || level.version_code == code_tr1_ub)
        return index < level.textile8.size() && level.textile8[index] == 0 ? 0 : 255;
    return 2 * index + 1 < level.textile16.size() && !(level.textile16[2 * index + 1] & 0x80) ? 0 : 255;
}

}  // namespace

std::vector<std::vector<std::uint8_t>> repacked_pages_rgba(const repack_result& packed, const Ttrlevel& level)
{
    const repacked_pages& pages = packed.pages;
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(pages.page_count, 0)),
                                       pages.rgb.size() / (3 * page_texels));
    std::vector<std::vector<std::uint8_t>> result(count, std::vector<std::uint8_t>(4 * page_texels, 255));
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t* rgb = pages.rgb.data() + k * 3 * page_texels;
        std::uint8_t* rgba = result[k].data();
        for (std::size_t i = 0; i < page_texels; ++i) std::memcpy(rgba + 4 * i, rgb + 3 * i, 3);
    }
    // A region's rows are copied as the packing copied its colours.
    for (const texture_region& region : packed.regions) {
        if (!region.placed || region.new_page >= count) continue;
        const std::size_t width = static_cast<std::size_t>(std::max<int>(region.width, 0));
        if (region.new_min_x + width > page_side) continue;
        for (int r = 0; r < region.height && region.new_min_y + r < static_cast<int>(page_side); ++r) {
            const std::size_t from_row = std::size_t{region.page} * page_side + region.min_y + r;
            const std::size_t from = from_row * page_side + region.min_x;
            const std::size_t to_row = static_cast<std::size_t>(region.new_min_y + r);
            std::uint8_t* to = result[region.new_page].data() + 4 * (to_row * page_side + region.new_min_x);
            for (std::size_t x = 0; x < width; ++x) to[4 * x + 3] = texel_alpha(level, from + x);
        }
    }
    return result;
}

}  // namespace kelanim
