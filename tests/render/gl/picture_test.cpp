#include <gtest/gtest.h>

#include <set>

#include "geometry/mesh_list.h"
#include "gl/gl_fixtures.h"
#include "realdata.h"

using namespace kelanim;

TEST(LaraPictures, EveryGenerationShowsATexturedLaraFramedInThePicture)
{
    KELANIM_REQUIRE_REALDATA();
    KELANIM_REQUIRE_GRAPHICS();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path.string()), load_ok);
        Tmesh_list meshes;
        meshes.decode_meshes(level);
        QString why;
        const QImage picture =
            render_scene_picture(level, meshes, {.selection = {}, .width = 320, .height = 240, .fit = true}, &why);
        ASSERT_EQ(picture.size(), QSize(320, 240)) << why.toStdString();

        // About 80% of the height or the width and centred: every part inside the frame.
        const test::coverage drawn = test::drawn_pixels(picture);
        const double share = double(drawn.pixels) / (320 * 240);
        EXPECT_TRUE(share > 0.05 && share < 0.6) << share;
        EXPECT_NEAR(std::max(drawn.extent.height() / 240.0, drawn.extent.width() / 320.0), 0.8, 0.05);
        EXPECT_NEAR(drawn.extent.center().x(), 160, 16);
        EXPECT_NEAR(drawn.extent.center().y(), 120, 12);

        // Textured: many colours, hardly any untextured white, and hardly any
        // magenta, which transparent texels show when coordinates are thrown off.
        std::set<unsigned> colours;
        long magenta = 0, white = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                const unsigned c = test::rgb_at(picture, x, y);
                colours.insert(c);
                magenta += (c >> 16) > 200 && ((c >> 8) & 0xFF) < 60 && (c & 0xFF) > 200;
                white += c == 0xFFFFFF;
            }
        EXPECT_GT(colours.size(), 200u);
        EXPECT_LT(white, drawn.pixels / 20);
        EXPECT_LT(magenta, drawn.pixels / 50);
    }
}
