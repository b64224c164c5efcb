#include <gtest/gtest.h>

#include <set>

#include "geometry/mesh_list.h"
#include "gl/gl_fixtures.h"
#include "realdata.h"
#include "render/gl/scene_picture.h"
#include "render_fixtures.h"

using namespace kelanim;

namespace {

struct loaded_level {
    Ttrlevel level;
    Tmesh_list meshes;
};

std::unique_ptr<loaded_level> load(const std::filesystem::path& path)
{
    auto l = std::make_unique<loaded_level>();
    if (l->level.load_level(path.string()) != load_ok) return nullptr;
    l->meshes.decode_meshes(l->level);
    return l;
}

QImage draw(const loaded_level& l, picture_request request)
{
    QString why;
    QImage picture = render_scene_picture(l.level, l.meshes, request, &why);
    EXPECT_FALSE(picture.isNull()) << why.toStdString();
    return picture;
}

picture_request fitted(SceneSelection selection = {})
{
    picture_request request;
    request.selection = selection;
    request.width = 320;
    request.height = 240;
    request.fit = true;
    return request;
}

void expect_background_corners(const QImage& picture)
{
    const int right = picture.width() - 1, bottom = picture.height() - 1;
    for (auto [x, y] : {std::pair{0, 0}, {right, 0}, {0, bottom}, {right, bottom}})
        EXPECT_EQ(test::rgb_at(picture, x, y), test::background_rgb) << "corner " << x << ", " << y;
}

}  // namespace

TEST(LaraPictures, EveryGenerationShowsATexturedLaraFramedInThePicture)
{
    KELANIM_REQUIRE_REALDATA();
    KELANIM_REQUIRE_GRAPHICS();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        auto l = load(path);
        ASSERT_TRUE(l);
        const QImage picture = draw(*l, fitted());
        ASSERT_FALSE(picture.isNull());
        test::keep_picture(picture, "lara_" + path.filename().string());
        expect_background_corners(picture);

        const test::coverage drawn = test::drawn_pixels(picture);
        const double share = double(drawn.pixels) / (picture.width() * picture.height());
        EXPECT_GT(share, 0.05);
        EXPECT_LT(share, 0.6);
        // About 80% of the height or the width and centred: every part inside the frame.
        const double tall = double(drawn.extent.height()) / picture.height();
        const double wide = double(drawn.extent.width()) / picture.width();
        EXPECT_NEAR(std::max(tall, wide), 0.8, 0.05);
        EXPECT_NEAR(drawn.extent.center().x(), picture.width() / 2, picture.width() / 20);
        EXPECT_NEAR(drawn.extent.center().y(), picture.height() / 2, picture.height() / 20);

        // Textured: many colours, hardly any untextured white, and hardly any
        // magenta, which transparent texels show when coordinates are thrown off.
        std::set<unsigned> colours;
        long magenta = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const unsigned c = test::rgb_at(picture, x, y);
                colours.insert(c);
                magenta += (c >> 16) > 200 && ((c >> 8) & 0xFF) < 60 && (c & 0xFF) > 200;
            }
        EXPECT_GT(colours.size(), 200u);
        EXPECT_LT(test::pixels_of_colour(picture, 0xFFFFFF), drawn.pixels / 20);
        EXPECT_LT(magenta, drawn.pixels / 50);
    }
}

TEST(SyntheticPictures, AFaceWoundTowardsTheCameraIsSeenAndItsMirrorIsNot)
{
    KELANIM_REQUIRE_GRAPHICS();
    for (bool facing : {true, false}) {
        loaded_level l;
        l.level = test::make_level(code_tr4);
        const std::uint16_t first =
            test::add_meshes(l.level, {facing ? test::facing_square(100) : test::away_square(100)});
        test::add_moveable(l.level, 0, first, 1, {}, {test::keyframe_spec{}});
        l.meshes.decode_meshes(l.level);
        picture_request request;
        request.width = 200;
        request.height = 200;
        const QImage picture = draw(l, request);
        test::keep_picture(picture, facing ? "square_facing" : "square_away");
        const unsigned middle = test::rgb_at(picture, 100, 100);
        if (!facing) {
            EXPECT_EQ(middle, test::background_rgb);
            continue;
        }
        // The page is opaque green (1-5-5-5 0x83E0): drawn through its texture.
        EXPECT_EQ(middle & 0xFF00FF, 0u);
        EXPECT_GT((middle >> 8) & 0xFF, 240u);
        // Side 2 units at 5 units' distance: about 0.48 of the picture's height.
        const QRect extent = test::drawn_pixels(picture).extent;
        EXPECT_NEAR(extent.height(), 97, 3);
        EXPECT_NEAR(extent.center().y(), 100, 2);
        // Every picture has a context of its own: the textures are made again for it.
        EXPECT_EQ(test::differing_pixels(picture, draw(l, request)), 0);
    }
}
