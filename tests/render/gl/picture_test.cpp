#include <gtest/gtest.h>

#include <set>

#include "geometry/mesh_list.h"
#include "gl/gl_fixtures.h"
#include "realdata.h"
#include "render_fixtures.h"

using namespace kelanim;

namespace {

QImage draw(Ttrlevel& level, int side, bool fit = false)
{
    Tmesh_list meshes;
    meshes.decode_meshes(level);
    picture_request request;
    request.width = side * 4 / 3;
    request.height = side;
    request.fit = fit;
    QString why;
    QImage picture = render_scene_picture(level, meshes, request, &why);
    EXPECT_FALSE(picture.isNull()) << why.toStdString();
    return picture;
}

}  // namespace

TEST(LaraPictures, EveryGenerationShowsATexturedLaraFramedInThePicture)
{
    KELANIM_REQUIRE_REALDATA();
    KELANIM_REQUIRE_GRAPHICS();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path.string()), load_ok);
        const QImage picture = draw(level, 240, true);
        ASSERT_EQ(picture.size(), QSize(320, 240));

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

TEST(SyntheticPictures, AFaceWoundTowardsTheCameraIsSeenTexturedAndItsMirrorIsNot)
{
    KELANIM_REQUIRE_GRAPHICS();
    for (bool facing : {true, false}) {
        Ttrlevel level = test::make_level(code_tr4);
        test::mesh_spec square = test::facing_square(100);
        if (!facing) square.textured_rects = {{0, 3, 2, 1, 0}};
        test::add_moveable(level, 0, test::add_meshes(level, {square}), 1, {}, {test::keyframe_spec{}});
        const QImage picture = draw(level, 150);
        const test::coverage drawn = test::drawn_pixels(picture);
        if (!facing) {
            EXPECT_EQ(drawn.pixels, 0);
            continue;
        }
        // The page is opaque green (1-5-5-5 0x83E0): drawn through its texture.
        EXPECT_EQ(test::rgb_at(picture, 100, 75) & 0xFF00FF, 0u);
        EXPECT_GT((test::rgb_at(picture, 100, 75) >> 8) & 0xFF, 240u);
        // Side 2 units at 5 units' distance: about 0.48 of the picture's height.
        EXPECT_NEAR(drawn.extent.height(), 73, 3);
        EXPECT_NEAR(drawn.extent.center().y(), 75, 2);
        // Every picture has a context of its own: the textures are made again for it.
        EXPECT_EQ(test::differing_pixels(picture, draw(level, 150)), 0);
    }
}
