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
        test::add_moveable(level, 0, test::add_meshes(level, {test::facing_square(100)}), 1, {}, {{}});
        meshes.decode_meshes(level);
        build_textures(level, 0, textures);
        setup_vertex_buffer_array(buffers);
        viewport.textures = &textures;
        viewport.vertex_buffers = &buffers;
        viewport.set_camera(&camera);
        viewport.on_build_scene = [this] { ++builds, scene.build_scene(); };
        for (QWidget* w : {&top, panel}) w->resize(200, 200);
        attached = viewport.attach(panel);
        viewport.set_background(0xF0CAA6);
        top.show();
    }
    QImage frame()
    {
        QApplication::processEvents();
        return viewport.widget()->grabFramebuffer();
    }
    void send_mouse(QEvent::Type type, int x, Qt::MouseButton button)
    {
        QMouseEvent event(type, QPointF(x, 50), QPointF(x, 50), button, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(viewport.widget(), &event);
    }

    Ttrlevel level = test::make_level(code_tr4);
    Tmesh_list meshes;
    Td3dTexture_buffer textures;
    TxGL gl;
    TVertexBuffer_array buffers;
    MoveableScene scene{level, meshes, gl, buffers};
    TGLCamera camera;
    QWidget top;
    QWidget* panel = new QWidget(&top);
    TGLViewport viewport;
    int builds = 0;
    bool attached = false;
};

}  // namespace

TEST(ViewportWidget, DrawsTheSceneRedrawsOnMouseMovesAndRebuildsInAnotherWindow)
{
    KELANIM_REQUIRE_GRAPHICS();
    Window w;
    const QString platform = QGuiApplication::platformName();
    ASSERT_EQ(w.attached, platform == "xcb" || platform == "wayland" || TGLViewport::platform_shows_opengl_widgets());
    if (!w.attached) GTEST_SKIP() << "the Qt platform \"" << platform.toStdString() << "\" shows no OpenGL widgets";
    QImage first = w.frame();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(std::pair(test::rgb_at(first, 2, 2), w.builds), std::pair(test::background_rgb, 1));
    // The page is opaque green (1-5-5-5 0x83E0): drawn through its texture. Side 2
    // units at 5 units' distance: about 0.48 of the picture's height.
    EXPECT_EQ(test::rgb_at(first, 100, 100) & 0xFF00FF, 0u);
    EXPECT_GT((test::rgb_at(first, 100, 100) >> 8) & 0xFF, 240u);
    EXPECT_NEAR(test::drawn_pixels(first).extent.height(), 97, 3);

    // A right-drag of a quarter turn turns the square edge-on: it nearly vanishes.
    w.send_mouse(QEvent::MouseButtonPress, 50, Qt::RightButton);
    w.send_mouse(QEvent::MouseMove, 50 + static_cast<int>(50 * 3.14159265 / 2), Qt::NoButton);
    EXPECT_LT(test::drawn_pixels(w.frame()).pixels, test::drawn_pixels(first).pixels / 10);
    EXPECT_EQ(w.builds, 1) << "camera moves only redraw";
    // A half turn shows the square's back, which is not drawn.
    w.send_mouse(QEvent::MouseMove, 50 + static_cast<int>(50 * 3.14159265), Qt::NoButton);
    EXPECT_EQ(test::drawn_pixels(w.frame()).pixels, 0);

    w.viewport.rotation = {};
    w.viewport.refresh();
    EXPECT_TRUE(first == w.frame() && w.builds == 2);

    // Moved into another window the viewport gets a new context: the textures
    // and buffers are made again and the picture is the same.
    QWidget other;
    other.resize(200, 200);
    w.panel->setParent(&other);
    for (QWidget* shown : {&other, w.panel}) shown->show();
    EXPECT_TRUE(first == w.frame());
}
