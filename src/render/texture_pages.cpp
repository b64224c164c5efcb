#include "render/texture_pages.h"

#include <algorithm>
#include <cstring>

namespace kelanim {

namespace {

constexpr std::size_t page_texels = texture_page_size * texture_page_size;

// Pages the level announces, but no more than its page data covers: an absurd
// count in a damaged file must not make an absurd bitmap.
std::size_t page_count(std::uint32_t announced, std::size_t data_bytes, std::size_t page_bytes)
{
    std::size_t present = (data_bytes + page_bytes - 1) / page_bytes;
    return std::min<std::size_t>(announced, present);
}

}  // namespace

std::array<palette_entry, 256> make_palette(const std::array<std::uint8_t, 768>& level_palette)
{
    std::array<palette_entry, 256> entries{};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].red = static_cast<std::uint8_t>(level_palette[3 * i] * 4);
        entries[i].green = static_cast<std::uint8_t>(level_palette[3 * i + 1] * 4);
        entries[i].blue = static_cast<std::uint8_t>(level_palette[3 * i + 2] * 4);
    }
    // Entry 0 marks transparent texels, drawn magenta whatever colour the
    // level gives it (the brightest magenta of the 6-bit palette).
    entries[0] = palette_entry{252, 0, 252};
    return entries;
}

void convert_1555(std::span<std::uint16_t> pixels)
{
    for (std::uint16_t& p : pixels) {
        if (p & 0x8000) {
            const unsigned red = (p >> 10) & 0x1F, green = (p >> 5) & 0x1F, blue = p & 0x1F;
            p = static_cast<std::uint16_t>(red << 11 | green << 6 | blue);
        } else {
            p = transparent_texel;
        }
    }
}

std::uint16_t to_565(const palette_entry& colour)
{
    return static_cast<std::uint16_t>((colour.red >> 3) << 11 | (colour.green >> 2) << 5 | (colour.blue >> 3));
}

page_bitmap level_page_bitmap(const Ttrlevel& level)
{
    page_bitmap bitmap;
    const bool paletted = level.version_code == code_tr1 || level.version_code == code_tr1_ub;
    const bool direct = level.version_code >= code_tr2 && level.version_code <= code_tr5;
    if (!paletted && !direct) return bitmap;

    const std::vector<std::uint8_t>& source = paletted ? level.textile8 : level.textile16;
    const std::size_t page_bytes = paletted ? texture_page_bytes8 : texture_page_bytes16;
    const std::size_t pages = page_count(level.num_texture_pages, source.size(), page_bytes);
    bitmap.height = static_cast<int>(pages * texture_page_size);
    bitmap.pixels.assign(pages * page_texels, 0);

    // Whole rows only, as many as the data holds.
    const std::size_t row_bytes = paletted ? texture_page_size : texture_page_size * 2;
    const std::size_t rows = std::min<std::size_t>(source.size() / row_bytes, pages * texture_page_size);
    if (paletted) {
        const auto palette = make_palette(level.palette);
        for (std::size_t i = 0; i < rows * texture_page_size; ++i) bitmap.pixels[i] = to_565(palette[source[i]]);
    } else {
        if (rows > 0) std::memcpy(bitmap.pixels.data(), source.data(), rows * row_bytes);
        convert_1555(bitmap.pixels);
    }
    return bitmap;
}

void add_pages(const page_bitmap& bitmap, std::int32_t first_id, Td3dTexture_buffer& store, MessageSink* messages)
{
    if (bitmap.bits_per_pixel != 16) return;
    if (bitmap.width != texture_page_size) {
        if (messages) messages->show_message("width have to be 256 pixels");
        return;
    }
    if (bitmap.height % texture_page_size != 0) {
        if (messages) messages->show_message("Height have to be multiple of 256 pixels");
        return;
    }
    const std::size_t pages = std::min<std::size_t>(bitmap.height / texture_page_size,
                                                    bitmap.pixels.size() / page_texels);
    for (std::size_t k = 0; k < pages; ++k) {
        const std::uint16_t* first = bitmap.pixels.data() + k * page_texels;
        std::vector<std::uint8_t> block(page_texels * 2);
        std::memcpy(block.data(), first, block.size());
        store.add_texture(first_id + static_cast<std::int32_t>(k), texture_page_size, texture_page_size,
                          std::move(block), 16);
    }
}

int build_textures(const Ttrlevel& level, std::int32_t first_id, Td3dTexture_buffer& store, MessageSink* messages)
{
    page_bitmap bitmap = level_page_bitmap(level);
    add_pages(bitmap, first_id, store, messages);
    return bitmap.height / texture_page_size;
}

namespace {

const tobject_texture* object_texture(const Ttrlevel& level, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= level.object_textures.size()) return nullptr;
    return &level.object_textures[static_cast<std::size_t>(index)];
}

bool is_triangle(const tobject_texture& texture)
{
    const ttexture_corner& fourth = texture.corners[3];
    return (fourth.x_pixel == 0 && fourth.y_pixel == 0) || (fourth.x_coord == 0 && fourth.y_coord == 0);
}

texture_rect bounds_of(const std::array<ttexture_corner, 4>& corners, bool triangle)
{
    texture_rect r{255, 0, 255, 0};
    const int used = triangle ? 3 : 4;
    for (int i = 0; i < used; ++i) {
        r.min_x = std::min<int>(r.min_x, corners[i].x_pixel);
        r.max_x = std::max<int>(r.max_x, corners[i].x_pixel);
        r.min_y = std::min<int>(r.min_y, corners[i].y_pixel);
        r.max_y = std::max<int>(r.max_y, corners[i].y_pixel);
    }
    return r;
}

}  // namespace

bool is_triangle_texture(const Ttrlevel& level, std::int32_t index)
{
    const tobject_texture* texture = object_texture(level, index);
    return texture && is_triangle(*texture);
}

texture_rect texture_bounds(const Ttrlevel& level, std::int32_t index)
{
    const tobject_texture* texture = object_texture(level, index);
    if (!texture) return {};
    return bounds_of(texture->corners, is_triangle(*texture));
}

std::array<texture_coord, 4> texture_uv(const Ttrlevel& level, std::int32_t index)
{
    const tobject_texture* texture = object_texture(level, index);
    if (!texture) return {};
    return texture_uv(*texture, level.version_code);
}

std::array<texture_coord, 4> texture_uv(const tobject_texture& texture, std::int32_t version_code)
{
    std::array<texture_coord, 4> uv{};
    const bool triangle = is_triangle(texture);
    std::array<ttexture_corner, 4> c = texture.corners;

    // A coordinate byte says which way its corner moves inwards: +1 or -1.
    // Levels whose bytes say nothing (all 0) or something else (some hold
    // 127 in every corner) get the directions worked out from the pixels:
    // each corner keeps its own place, so a texture mapped mirrored or turned
    // stays so.
    const int used = triangle ? 3 : 4;
    const bool directions_usable = std::all_of(c.begin(), c.begin() + used, [](const ttexture_corner& k) {
        return (k.x_coord == 1 || k.x_coord == -1) && (k.y_coord == 1 || k.y_coord == -1);
    });
    if (version_code >= code_tr4 || !directions_usable) {
        // A corner on the low edge of the texture moves inwards by +1, any
        // other by -1. TR4 and TR5 keep no direction bytes at all.
        int low_x = 255, low_y = 255;
        for (int i = 0; i < used; ++i) {
            low_x = std::min<int>(low_x, c[i].x_pixel);
            low_y = std::min<int>(low_y, c[i].y_pixel);
        }
        for (int i = 0; i < used; ++i) {
            c[i].x_coord = c[i].x_pixel == low_x ? 1 : -1;
            c[i].y_coord = c[i].y_pixel == low_y ? 1 : -1;
        }
        if (triangle) c[3].x_coord = c[3].y_coord = 0;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const auto x = static_cast<std::uint8_t>(c[i].x_pixel + c[i].x_coord);
        const auto y = static_cast<std::uint8_t>(c[i].y_pixel + c[i].y_coord);
        uv[i] = {x / 255.0f, y / 255.0f};
    }
    return uv;
}

}  // namespace kelanim
