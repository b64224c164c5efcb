#include "gltf/gltf_pages.h"

#include <algorithm>
#include <cstring>

namespace kelanim {

namespace {

constexpr std::size_t page_side = repack_page_size;
constexpr std::size_t page_texels = page_side * page_side;

}  // namespace

std::vector<std::uint8_t> level_pages_alpha(const Ttrlevel& level)
{
    const std::size_t texels = level_pages_rgb(level).size() / 3;
    std::vector<std::uint8_t> alpha(texels, 255);
    if (level.version_code == code_tr1 || level.version_code == code_tr1_ub) {
        const std::size_t n = std::min(texels, level.textile8.size());
        for (std::size_t i = 0; i < n; ++i) alpha[i] = level.textile8[i] == 0 ? 0 : 255;
    } else {
        const std::size_t n = std::min(texels, level.textile16.size() / 2);
        for (std::size_t i = 0; i < n; ++i) alpha[i] = (level.textile16[2 * i + 1] & 0x80) ? 255 : 0;
    }
    return alpha;
}

std::vector<std::vector<std::uint8_t>> repacked_pages_rgba(const repack_result& packed,
                                                           const std::vector<std::uint8_t>& level_alpha)
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
            const std::size_t from = (std::size_t{region.page} * page_side + region.min_y + r) * page_side + region.min_x;
            if (from + width > level_alpha.size()) break;
            std::uint8_t* to = result[region.new_page].data() + 4 * ((region.new_min_y + r) * page_side + region.new_min_x);
            for (std::size_t x = 0; x < width; ++x) to[4 * x + 3] = level_alpha[from + x];
        }
    }
    return result;
}

}  // namespace kelanim
