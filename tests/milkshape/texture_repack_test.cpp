// Texture repacking: regions, the shelf packing, the remapped textures and
// faces, and the BMP pages read back by an independent decoder (stb_image).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "exchange_fixtures.h"
#include "milkshape/texture_repack.h"

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

struct decoded_image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    std::array<std::uint8_t, 3> at(int x, int y) const
    {
        const std::size_t i = 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

decoded_image read_bmp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    decoded_image image;
    int channels = 0;
    std::uint8_t* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &image.width,
                                                 &image.height, &channels, 3);
    if (!pixels) return image;
    image.rgb.assign(pixels, pixels + 3 * image.width * image.height);
    stbi_image_free(pixels);
    EXPECT_EQ(channels, 3);
    return image;
}

// The 8-bit colour the repacking gives a synthetic 1-5-5-5 texel.
std::array<std::uint8_t, 3> expected_colour(int x, int y)
{
    const unsigned t = test::synthetic_texel(x, y);
    if (!(t & 0x8000)) return {255, 0, 255};
    const unsigned r = (t >> 10) & 31, g5 = (t >> 5) & 31, b = t & 31;
    const unsigned g = g5 << 1;  // 5-6-5 green
    return {static_cast<std::uint8_t>(r << 3 | r >> 2), static_cast<std::uint8_t>(g << 2 | g >> 4),
            static_cast<std::uint8_t>(b << 3 | b >> 2)};
}

texture_region region(int page, int x0, int y0, int width, int height)
{
    texture_region r;
    r.page = static_cast<std::uint8_t>(page);
    r.min_x = static_cast<std::uint8_t>(x0);
    r.min_y = static_cast<std::uint8_t>(y0);
    r.max_x = static_cast<std::uint8_t>(x0 + width - 1);
    r.max_y = static_cast<std::uint8_t>(y0 + height - 1);
    r.width = static_cast<std::int16_t>(width);
    r.height = static_cast<std::int16_t>(height);
    return r;
}

TEST(PadLeft, PadsWithTheFillOrCutsToTheWidth)
{
    EXPECT_EQ(pad_left("7", 2, "0"), "07");
    EXPECT_EQ(pad_left("12", 2, "0"), "12");
    EXPECT_EQ(pad_left("100", 2, "0"), "10");
    EXPECT_EQ(pad_left("x", 4, "ab"), "abax");
    EXPECT_EQ(page_file_name("/out/model", 0, 1), "/out/model.bmp");
    EXPECT_EQ(page_file_name("/out/model", 2, 3), "/out/model_02.bmp");
    // Page numbers are not cut: page 100 must not overwrite page 10.
    EXPECT_EQ(page_file_name("/out/model", 100, 101), "/out/model_100.bmp");
}

TEST(RepackTextures, OneSquareTextureGoesToTheTopLeftOfOnePage)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    fixture.bone_mesh(0, 0).textured_tris.clear();  // only texture 0, 64 x 64 at (0, 0)
    const auto dir = test::exchange_dir("one-square");
    const std::string prefix = (dir / "model").string();

    const repack_result result = repack_textures(fixture.level, fixture.meshes, export_moveable, 0, prefix);
    ASSERT_EQ(result.new_page_count, 1);
    ASSERT_EQ(result.new_texture_count, 1);
    const tobject_texture& t = result.textures[0];
    EXPECT_EQ(t.tile, 0);
    EXPECT_EQ(t.corners[0].x_pixel, 0);
    EXPECT_EQ(t.corners[0].y_pixel, 0);
    EXPECT_EQ(t.corners[2].x_pixel, 63);
    EXPECT_EQ(t.corners[2].y_pixel, 63);
    EXPECT_EQ(t.corners[1].x_coord, -1);  // coordinate bytes are kept
    EXPECT_EQ(fixture.bone_mesh(0, 0).textured_rects[0].effects, 0);

    // One file, named after the prefix alone; the texture at (0, 0), black elsewhere.
    ASSERT_TRUE(std::filesystem::exists(prefix + ".bmp"));
    EXPECT_FALSE(std::filesystem::exists(prefix + "_00.bmp"));
    const decoded_image image = read_bmp(prefix + ".bmp");
    ASSERT_EQ(image.width, 256);
    ASSERT_EQ(image.height, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const auto expected = x < 64 && y < 64 ? expected_colour(x, y) : std::array<std::uint8_t, 3>{0, 0, 0};
            ASSERT_EQ(image.at(x, y), expected) << x << "," << y;
        }
}

TEST(RepackTextures, TexturesWithTheSameBoundsShareARegionAndKeepTheirCorners)
{
    ExchangeLevel fixture(code_tr4, {{2, {}, {1}}});
    // Texture 2: the same page and bounds as texture 0, corners in another order.
    tobject_texture rotated = fixture.level.object_textures[0];
    std::rotate(rotated.corners.begin(), rotated.corners.begin() + 1, rotated.corners.end());
    fixture.level.object_textures.push_back(rotated);
    fixture.bone_mesh(0, 1).textured_rects[0].texture = 2;

    const repack_result result = pack_textures(fixture.level, fixture.meshes, export_moveable, 0);
    ASSERT_EQ(result.regions.size(), 2u);  // the square and the triangle
    ASSERT_EQ(result.new_texture_count, 3);
    // Entries follow the old indices 0, 1, 2; the two squares sit on one region.
    const tobject_texture& first = result.textures[0];
    const tobject_texture& third = result.textures[2];
    EXPECT_EQ(first.corners[0].x_pixel, third.corners[3].x_pixel);
    EXPECT_EQ(first.corners[1].x_pixel, third.corners[0].x_pixel);
    EXPECT_EQ(first.corners[1].y_pixel, third.corners[0].y_pixel);
    EXPECT_EQ(fixture.bone_mesh(0, 0).textured_rects[0].effects, 0);
    EXPECT_EQ(fixture.bone_mesh(0, 0).textured_tris[0].effects, 1);
    EXPECT_EQ(fixture.bone_mesh(0, 1).textured_rects[0].effects, 2);
    // The level keeps its own textures and words.
    EXPECT_EQ(fixture.bone_mesh(0, 1).textured_rects[0].texture, 2);
    EXPECT_EQ(fixture.level.object_textures.size(), 3u);
}

TEST(PackRegions, ARowIsFilledWithNarrowerRegionsBeforeTheNextStarts)
{
    std::vector<texture_region> regions{region(0, 0, 0, 200, 100), region(0, 0, 0, 100, 100),
                                        region(0, 0, 0, 50, 100)};
    const repacked_pages pages = pack_regions(regions, {});
    EXPECT_EQ(pages.page_count, 1);
    EXPECT_EQ(regions[0].new_min_x, 0);
    EXPECT_EQ(regions[0].new_min_y, 0);
    EXPECT_EQ(regions[2].new_min_x, 200);  // fills the first row
    EXPECT_EQ(regions[2].new_min_y, 0);
    EXPECT_EQ(regions[1].new_min_x, 0);  // starts the second row
    EXPECT_EQ(regions[1].new_min_y, 100);
    for (const texture_region& r : regions) EXPECT_TRUE(r.placed);
    EXPECT_EQ(regions[0].new_max_x, 200);
    EXPECT_EQ(regions[0].new_max_y, 100);
}

TEST(PackRegions, ThePageBreakFillsTheStripBelowFirst)
{
    // Three rows of 100 do not fit a page: the 50-high region goes into the
    // strip left below the second row, the third tall one to a new page.
    std::vector<texture_region> regions{region(0, 0, 0, 256, 100), region(0, 0, 0, 256, 100),
                                        region(0, 0, 0, 256, 100), region(0, 0, 0, 40, 50)};
    const repacked_pages pages = pack_regions(regions, {});
    ASSERT_EQ(pages.page_count, 2);
    EXPECT_EQ(pages.rgb.size(), 2u * 256 * 256 * 3);
    EXPECT_EQ(regions[3].new_page, 0);
    EXPECT_EQ(regions[3].new_min_x, 0);
    EXPECT_EQ(regions[3].new_min_y, 200);
    int on_second_page = 0;
    for (int i = 0; i < 3; ++i) {
        if (regions[static_cast<std::size_t>(i)].new_page == 1) {
            ++on_second_page;
            EXPECT_EQ(regions[static_cast<std::size_t>(i)].new_min_y, 0);
        }
    }
    EXPECT_EQ(on_second_page, 1);
    // A full page-high region ends at row 256, which wraps to 0 in a byte.
    std::vector<texture_region> tall{region(0, 0, 0, 256, 256), region(0, 0, 0, 256, 256)};
    EXPECT_EQ(pack_regions(tall, {}).page_count, 2);
    EXPECT_EQ(tall[1].new_max_y, 0);
}

TEST(RepackTextures, SeveralPagesAreNumberedFilesAndTexelsComeAlong)
{
    // Five regions of 128 x 128 from the level page: four fill the first new
    // page, the fifth starts a second one.
    ExchangeLevel fixture(code_tr3, {{5, {}, {1}}});
    for (int b = 0; b < 5; ++b) {
        fixture.level.object_textures.push_back(test::square_texture(0, 0, 32 * b, 127, 32 * b + 127));
        fixture.bone_mesh(0, b).textured_rects[0].texture = static_cast<std::uint16_t>(2 + b);
        fixture.bone_mesh(0, b).textured_tris.clear();
    }
    const auto dir = test::exchange_dir("pages");
    const std::string prefix = (dir / "model").string();
    const repack_result result = repack_textures(fixture.level, fixture.meshes, export_moveable, 0, prefix);
    ASSERT_EQ(result.new_page_count, 2);
    EXPECT_FALSE(std::filesystem::exists(prefix + ".bmp"));
    EXPECT_FALSE(std::filesystem::exists(prefix + "_02.bmp"));
    for (const char* name : {"_00.bmp", "_01.bmp"}) EXPECT_TRUE(std::filesystem::exists(prefix + name));

    // Every repacked texture shows the same texels at its new place, and
    // the transparent bottom row comes out magenta.
    std::vector<decoded_image> pages;
    for (int k = 0; k < 2; ++k) pages.push_back(read_bmp(page_file_name(prefix, k, 2)));
    for (int i = 0; i < result.new_texture_count; ++i) {
        const tobject_texture& now = result.textures[static_cast<std::size_t>(i)];
        const tobject_texture& before = fixture.level.object_textures[static_cast<std::size_t>(2 + i)];
        const decoded_image& page = pages[now.tile];
        for (int dy = 0; dy < 128; dy += 9)
            for (int dx = 0; dx < 128; dx += 7)
                ASSERT_EQ(page.at(now.corners[0].x_pixel + dx, now.corners[0].y_pixel + dy),
                          expected_colour(before.corners[0].x_pixel + dx, before.corners[0].y_pixel + dy));
    }
    const tobject_texture& last = result.textures[4];  // rows 128 to 255
    EXPECT_EQ((pages[last.tile].at(last.corners[0].x_pixel, last.corners[0].y_pixel + 127)),
              (std::array<std::uint8_t, 3>{255, 0, 255}));
}

TEST(RepackTextures, AStaticMeshUsesOnlyItsOwnMesh)
{
    ExchangeLevel fixture(code_tr4, {{1, {}, {1}}});
    tmesh mesh = test::square_mesh();
    mesh.textured_rects.clear();
    mesh.num_textured_rects = 0;  // only the triangle texture
    const int s = fixture.add_static(mesh);
    fixture.bone_mesh(0, 0).textured_tris[0].effects = 77;
    const repack_result result = pack_textures(fixture.level, fixture.meshes, export_static_mesh, s);
    ASSERT_EQ(result.new_texture_count, 1);
    EXPECT_EQ(result.regions.size(), 1u);
    EXPECT_EQ(result.regions[0].width, 32);
    // The moveable's faces were not renumbered.
    EXPECT_EQ(fixture.bone_mesh(0, 0).textured_tris[0].effects, 77);
    EXPECT_EQ(fixture.meshes.meshes.back().textured_tris[0].effects, 0);
}

TEST(RepackTextures, NothingToPackGivesNoPagesAndNoFiles)
{
    ExchangeLevel fixture(code_tr2, {{1, {}, {1}}});
    fixture.bone_mesh(0, 0).textured_rects.clear();
    fixture.bone_mesh(0, 0).textured_tris.clear();
    const auto dir = test::exchange_dir("nothing");
    const repack_result result = repack_textures(fixture.level, fixture.meshes, export_moveable, 0, (dir / "m").string());
    EXPECT_EQ(result.new_page_count, 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    // A moveable outside the level packs nothing either.
    EXPECT_EQ(pack_textures(fixture.level, fixture.meshes, export_moveable, 7).new_page_count, 0);
}

TEST(RepackTextures, AFaceNamingNoTextureIsMarkedAndTr1PagesGoThroughThePalette)
{
    ExchangeLevel fixture(code_tr1, {{1, {}, {1}}});
    fixture.bone_mesh(0, 0).textured_tris[0].texture = 900;  // the level has two textures
    const repack_result result = pack_textures(fixture.level, fixture.meshes, export_moveable, 0);
    ASSERT_EQ(result.new_texture_count, 1);
    EXPECT_EQ(fixture.bone_mesh(0, 0).textured_tris[0].effects, 0xFFFF);
    // Texel (1, 0) is palette index 1: level colour (3, 4, 5) in 6 bits.
    ASSERT_EQ(result.pages.page_count, 1);
    EXPECT_EQ(result.pages.rgb[3], 3 * 4);
    EXPECT_EQ(result.pages.rgb[4], 4 * 4);
    EXPECT_EQ(result.pages.rgb[5], 5 * 4);
}

}  // namespace
}  // namespace kelanim
