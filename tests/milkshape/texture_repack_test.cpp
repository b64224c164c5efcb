// Texture repacking: regions, the shelf packing, the remapped textures and
// faces, and the BMP pages read back by stb_image.
#include <gtest/gtest.h>

#include "byte_builder.h"
#include "exchange_fixtures.h"
#include "milkshape/texture_repack.h"
#include "small_filesystem.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace kelanim {
namespace {

using test::ExchangeLevel;
using Rgb = std::array<std::uint8_t, 3>;

// A 256 x 256 page file as stb_image decodes it, in RGB bytes.
std::vector<std::uint8_t> read_page(const std::filesystem::path& path)
{
    const std::vector<std::uint8_t> bytes = test::read_file(path);
    int width = 0, height = 0, channels = 0;
    std::uint8_t* pixels = stbi_load_from_memory(bytes.data(), int(bytes.size()), &width, &height, &channels, 3);
    std::vector<std::uint8_t> rgb;
    if (pixels && width == 256 && height == 256 && channels == 3) rgb.assign(pixels, pixels + 3 * 256 * 256);
    stbi_image_free(pixels);
    return rgb;
}

Rgb texel(const std::vector<std::uint8_t>& page, int x, int y)
{
    const auto i = static_cast<std::size_t>(3 * (y * 256 + x));
    return {page.at(i), page.at(i + 1), page.at(i + 2)};
}

// The 8-bit colour the repacking gives a synthetic 1-5-5-5 texel: 5-6-5, transparent magenta.
Rgb expected_colour(int x, int y)
{
    const unsigned t = test::synthetic_texel(x, y), r = (t >> 10) & 31, g = ((t >> 5) & 31) << 1, b = t & 31;
    if (!(t & 0x8000)) return {255, 0, 255};
    return {std::uint8_t(r << 3 | r >> 2), std::uint8_t(g << 2 | g >> 4), std::uint8_t(b << 3 | b >> 2)};
}

// Where a region was placed: new minimum x, y and maximum x, y.
using Place = std::array<int, 4>;
Place place(const texture_region& r) { return {r.new_min_x, r.new_min_y, r.new_max_x, r.new_max_y}; }

texture_region region(int width, int height)
{
    texture_region r;
    r.max_x = std::uint8_t(width - 1), r.max_y = std::uint8_t(height - 1);
    r.width = std::int16_t(width), r.height = std::int16_t(height);
    return r;
}

TEST(PackRegions, RowsFillWithNarrowerRegionsAndPageBreaksFillTheStripBelow)
{
    // The 50 wide region fills the first row, the 100 wide one starts the second.
    std::vector<texture_region> row{region(200, 100), region(100, 100), region(50, 100)};
    EXPECT_EQ(pack_regions(row, {}).page_count, 1);
    EXPECT_EQ((std::vector{place(row[0]), place(row[1]), place(row[2])}),
              (std::vector<Place>{{0, 0, 200, 100}, {0, 100, 100, 200}, {200, 0, 250, 100}}));
    // Three rows of 100 do not fit a page: the 50-high region goes into the
    // strip left below the second row, the third tall one to a new page.
    std::vector<texture_region> tall{region(256, 100), region(256, 100), region(256, 100), region(40, 50)};
    const repacked_pages pages = pack_regions(tall, {});
    ASSERT_TRUE(pages.page_count == 2 && pages.rgb.size() == 2u * 256 * 256 * 3);
    EXPECT_TRUE(tall[3].new_page == 0 && place(tall[3]) == (Place{0, 200, 40, 250}));
    EXPECT_EQ(tall[0].new_page + tall[1].new_page + tall[2].new_page, 1);
    for (const texture_region& r : tall) EXPECT_TRUE(r.placed && (r.new_page == 0 || r.new_min_y == 0));
    // A full page-high region ends at row 256, which wraps to 0 in a byte.
    std::vector<texture_region> full{region(256, 256), region(256, 256)};
    EXPECT_TRUE(pack_regions(full, {}).page_count == 2 && full[1].new_max_y == 0);
}

TEST(RepackTextures, SeveralPagesAreNumberedFilesAndTexelsComeAlong)
{
    // Five regions of 128 x 128 from the level page: four fill the first new page, the fifth starts a second.
    ExchangeLevel fixture(code_tr3, {{5, {}, {1}}});
    for (int b = 0; b < 5; ++b) {
        fixture.level.object_textures.push_back(test::square_texture(0, 0, 32 * b, 127, 32 * b + 127));
        fixture.bone_mesh(0, b).textured_rects[0].texture = static_cast<std::uint16_t>(2 + b);
        fixture.bone_mesh(0, b).textured_tris.clear();
    }
    const auto dir = test::exchange_dir("pages");
    const std::string prefix = (dir / "model").string();
    const repack_result result = repack_textures(fixture.level, fixture.meshes, export_moveable, 0, prefix);
    EXPECT_EQ(test::folder_entries(dir), (std::vector<std::string>{"model_00.bmp", "model_01.bmp"}));
    EXPECT_EQ(page_file_name(prefix, 100, 101), prefix + "_100.bmp");  // page 100 must not overwrite page 10
    // Every repacked texture shows the same texels at its new place; the transparent bottom row is magenta.
    const std::vector<std::uint8_t> pages[] = {read_page(prefix + "_00.bmp"), read_page(prefix + "_01.bmp")};
    for (std::size_t i = 0; i < std::size_t(result.new_texture_count); ++i) {
        const ttexture_corner& now = result.textures[i].corners[0];
        const ttexture_corner& before = fixture.level.object_textures[2 + i].corners[0];
        const auto& page = pages[result.textures[i].tile];
        for (int dy = 0; dy < 128; dy += 9)
            for (int dx = 0; dx < 128; dx += 7)
                ASSERT_EQ(texel(page, now.x_pixel + dx, now.y_pixel + dy),
                          expected_colour(before.x_pixel + dx, before.y_pixel + dy));
    }
    const tobject_texture& last = result.textures[4];  // rows 128 to 255
    EXPECT_EQ(texel(pages[last.tile], last.corners[0].x_pixel, last.corners[0].y_pixel + 127), (Rgb{255, 0, 255}));
}

TEST(RepackTextures, AFaceNamingNoTextureIsMarkedAndTr1PagesGoThroughThePalette)
{
    ExchangeLevel fixture(code_tr1, {{1, {}, {1}}});
    fixture.bone_mesh(0, 0).textured_tris[0].texture = 900;  // the level has two textures
    fixture.meshes.meshes[0] = fixture.bone_mesh(0, 0);  // the level's first mesh is a bone's like any other
    fixture.meshes.mesh_index[1] = 0;
    const repack_result result = pack_textures(fixture.level, fixture.meshes, export_moveable, 0);
    ASSERT_TRUE(result.new_texture_count == 1 && result.pages.page_count == 1);
    EXPECT_EQ(fixture.bone_mesh(0, 0).textured_tris[0].effects, 0xFFFF);
    EXPECT_EQ(pack_textures(fixture.level, fixture.meshes, export_moveable, 7).new_page_count, 0);  // no such moveable
    // Texel (1, 0) is palette index 1: level colour (3, 4, 5) in 6 bits.
    EXPECT_EQ(std::vector<std::uint8_t>(result.pages.rgb.begin() + 3, result.pages.rgb.begin() + 6),
              (std::vector<std::uint8_t>{3 * 4, 4 * 4, 5 * 4}));
}

}  // namespace
}  // namespace kelanim
