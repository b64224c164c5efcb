#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QWidget>

#include "geometry/mesh_list.h"
#include "gl/gl_fixtures.h"
#include "render/gl/tglviewport.h"
#include "render/moveable_scene.h"
#include "render/texture_pages.h"
#include "render_fixtures.h"

using namespace kelanim;

namespace {

// A window with a panel and an attached viewport showing a green square.
struct Window {
    Window()
    {
        level = test::make_level(code_tr4);
        const std::uint16_t first = test::add_meshes(level, {test::facing_square(100)});
        test::add_moveable(level, 0, first, 1, {}, {test::keyframe_spec{}});
        meshes.decode_meshes(level);
        build_textures(level, 0, textures);
        setup_vertex_buffer_array(buffers);

        viewport.textures = &textures;
        viewport.set_camera(&camera);
        panel = new QWidget(&top);
        top.resize(200, 200);
        panel->resize(200, 200);
        attached = viewport.attach(panel);
        viewport.set_background(0xF0CAA6);
        viewport.vertex_buffers = &buffers;
        viewport.on_build_scene = [this] {
            ++builds;
            scene.build_scene();
        };
        top.show();
    }

    QImage frame()
    {
        QApplication::processEvents();
        return viewport.widget()->grabFramebuffer();
    }

    Ttrlevel level;
    Tmesh_list meshes;
    Td3dTexture_buffer textures;
    TxGL gl;
    TVertexBuffer_array buffers;
    MoveableScene scene{level, meshes, gl, buffers};
    TGLCamera camera;
    QWidget top;
    QWidget* panel = nullptr;
    TGLViewport viewport;
    int builds = 0;
    bool attached = false;
};

}  // namespace

TEST(ViewportWidget, DrawsTheSceneRedrawsOnMouseMovesAndRebuildsInAnotherWindow)
{
    KELANIM_REQUIRE_GRAPHICS();
    Window w;
    if (!w.attached) {
        EXPECT_FALSE(TGLViewport::platform_shows_opengl_widgets());
        GTEST_SKIP() << "the Qt platform \"" << QGuiApplication::platformName().toStdString()
                     << "\" shows no OpenGL widgets";
    }
    QImage first = w.frame();
    ASSERT_FALSE(first.isNull());
    test::keep_picture(first, "widget_square");
    EXPECT_EQ(test::rgb_at(first, 2, 2), test::background_rgb);
    EXPECT_GT((test::rgb_at(first, first.width() / 2, first.height() / 2) >> 8) & 0xFF, 240u);
    EXPECT_EQ(w.builds, 1);

    // A right-drag of 50 pixels turns the square edge-on: it nearly vanishes.
    QOpenGLWidget* widget = w.viewport.widget();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    const int quarter_turn = static_cast<int>(50 * 3.14159265 / 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(50 + quarter_turn, 50), QPointF(50 + quarter_turn, 50),
                     Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    const QImage turned = w.frame();
    EXPECT_EQ(w.builds, 1) << "camera moves only redraw";
    EXPECT_LT(test::drawn_pixels(turned).pixels, test::drawn_pixels(first).pixels / 10);

    w.viewport.rotation = {};
    w.viewport.refresh();
    EXPECT_EQ(test::differing_pixels(first, w.frame()), 0);
    EXPECT_EQ(w.builds, 2);

    // Moved into another window the viewport gets a new context: the textures
    // and buffers are made again and the picture is the same.
    QWidget other;
    other.resize(200, 200);
    w.panel->setParent(&other);
    other.show();
    w.panel->show();
    EXPECT_EQ(test::differing_pixels(first, w.frame()), 0);
}
