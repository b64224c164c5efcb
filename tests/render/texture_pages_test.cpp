#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "render/texture_pages.h"
#include "render_fixtures.h"

using namespace kelanim;

TEST(TexelConversion, OneFiveFiveFiveBecomesFiveSixFiveAndTransparentBecomesMagenta)
{
    std::vector<std::uint16_t> pixels{0xFFFF, 0x8000, 0x7FFF, 0x0000, 0x83E0, 0xFC00};
    convert_1555(pixels);
    EXPECT_EQ(pixels, (std::vector<std::uint16_t>{0xFFDF, 0x0000, 0xF81F, 0xF81F, 0x07C0, 0xF800}));

    // Palette entries are four times the level's, kept to eight bits; entry 0 is transparent.
    std::array<std::uint8_t, 768> level_palette{255, 0, 255, 63, 32, 1};
    const auto palette = make_palette(level_palette);
    EXPECT_EQ(to_565(palette[0]), transparent_texel);
    EXPECT_EQ((std::array<int, 3>{palette[1].red, palette[1].green, palette[1].blue}), (std::array{252, 128, 4}));

    // First generation pages go through the palette (entry 1 is pure green), the others are direct.
    for (auto [code, green] : {std::pair{code_tr1, 0x07E0}, {code_tr2, 0x07C0}, {code_tr5, 0x07C0}}) {
        const page_bitmap bitmap = level_page_bitmap(test::make_level(code));
        ASSERT_EQ(bitmap.pixels.size(), 256u * 256u);
        EXPECT_EQ(std::tuple(bitmap.pixels.front(), bitmap.pixels.back()), std::tuple(green, green)) << code;
    }
}

TEST(TexturePages, PagesBecomeTexturesByIdAndBitmapsThatAreNotWholePagesAreRefused)
{
    Td3dTexture_buffer store, empty;
    Ttrlevel level = test::make_level(code_tr2);
    level.num_texture_pages = 0x7FFFFFFF;  // only the pages the data holds are made
    level.textile16.resize(3 * texture_page_bytes16, 0x80);
    EXPECT_EQ(build_textures(level, 0, store), 3);
    EXPECT_EQ(std::tuple(store.find(2)->width, store.find(2)->data.size()), std::tuple(256, texture_page_bytes16));
    level.num_texture_pages = 1;
    EXPECT_EQ(std::pair(build_textures(level, 0, store), store.size()), std::pair(1, std::size_t{3}));
    level.num_texture_pages = 0;
    EXPECT_EQ(build_textures(level, 0, empty), 0);

    struct : MessageSink {
        void show_message(std::string_view text) override { shown.emplace_back(text); }
        std::vector<std::string> shown;
    } messages;
    for (auto [width, height] : {std::pair{128, 256}, {256, 300}})
        add_pages({width, height, 16, std::vector<std::uint16_t>(static_cast<std::size_t>(width * height))}, 0, empty,
                  &messages);
    EXPECT_EQ(messages.shown,
              (std::vector<std::string>{"width have to be 256 pixels", "Height have to be multiple of 256 pixels"}));
    EXPECT_EQ(empty.size(), 0u);
}

TEST(TextureCoordinates, CornersMoveOneTexelInwardsOrKeepTheirPlaceWhenTheBytesAreNoDirections)
{
    using corners = std::array<ttexture_corner, 4>;
    struct coordinate_case {
        const char* what;
        std::int32_t code;
        std::optional<corners> given;  // the fixture's plain square when empty
        bool triangle;
        int min_x, max_x;
        std::array<int, 4> u{}, v{};  // in texels; none expected when all zero
    };
    const coordinate_case cases[] = {
        {"direction bytes", code_tr2, {}, false, 0, 63, {1, 62, 62, 1}, {1, 1, 62, 62}},
        // A fourth generation level keeps no usable direction bytes: worked out from the pixels.
        {"fourth generation", code_tr4,
         corners{{{0, 0, 0, 0}, {-128, 63, 5, 0}, {-128, 63, 5, 63}, {7, 0, 7, 63}}}, false, 0, 63,
         {1, 62, 62, 1}, {1, 1, 62, 62}},
        // All zero on a texture mapped mirrored: each corner keeps its place, and
        // zero coordinates on the fourth corner make a triangle of corners 1 to 3.
        {"all zero", code_tr2, corners{{{0, 63, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 63}, {0, 63, 0, 63}}}, true, 0, 63,
         {62, 1, 1, 63}, {1, 1, 62, 63}},
        // 127 in every corner, as some third generation levels hold.
        {"all 127", code_tr3,
         corners{{{127, 26, 127, 34}, {127, 42, 127, 34}, {127, 42, 127, 74}, {127, 26, 127, 74}}}, false, 26, 42,
         {27, 41, 41, 27}, {35, 35, 73, 73}},
        // Triangles ignore their fourth corner, also when only its coordinate bytes are zero.
        {"triangle", code_tr4, corners{{{1, 100, 1, 100}, {-1, 131, 1, 100}, {-1, 131, -1, 131}, {0, 0, 0, 0}}},
         true, 100, 131, {101, 130, 130, 0}, {101, 101, 130, 0}},
        {"triangle with pixels", code_tr4, corners{{{1, 0, 1, 0}, {-1, 9, 1, 0}, {-1, 9, -1, 9}, {0, 3, 0, 3}}},
         true, 0, 9},
    };
    for (const coordinate_case& c : cases) {
        SCOPED_TRACE(c.what);
        Ttrlevel level = test::make_level(c.code);
        if (c.given) level.object_textures.at(0).corners = *c.given;
        const texture_rect bounds = texture_bounds(level, 0);
        EXPECT_EQ(std::tuple(is_triangle_texture(level, 0), bounds.min_x, bounds.max_x),
                  std::tuple(c.triangle, c.min_x, c.max_x));
        std::array<int, 4> u{}, v{};
        for (std::size_t i = 0; i < 4; ++i) {
            u[i] = static_cast<int>(std::lround(texture_uv(level, 0)[i].u * 255));
            v[i] = static_cast<int>(std::lround(texture_uv(level, 0)[i].v * 255));
        }
        if (c.u != std::array<int, 4>{}) { EXPECT_EQ(std::pair(u, v), std::pair(c.u, c.v)); }
    }
    // An index outside the level gives zeros.
    const Ttrlevel level = test::make_level(code_tr2);
    EXPECT_EQ(std::pair(is_triangle_texture(level, 5), texture_bounds(level, -1).max_x), std::pair(false, 0));
    for (const texture_coord& c : texture_uv(level, 99)) EXPECT_EQ(c.u + c.v, 0.0f);
}
