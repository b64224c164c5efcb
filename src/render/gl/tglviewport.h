// The 3D viewport: draws the vertex buffers filled by the scene callback,
// either in an OpenGL widget that fills a host panel of the window, or
// offscreen into a picture. A refresh marks the scene stale so that the next
// frame calls `on_build_scene` first; every other frame (a repaint, a camera
// drag) only draws the buffers again.
//
// Start-up: set_graphics_format() before the application object,
// create_direct3d() after it; then make the viewport and a camera,
// set_camera, attach (panel), set on_build_scene, set_background (0xF0CAA6)
// and point vertex_buffers at the program's buffer array.
#pragma once

#include <QImage>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "level/sinks.h"
#include "render/texture_store.h"
#include "render/vertex_buffers.h"
#include "render/viewport_state.h"

class QWidget;
class QOpenGLWidget;

namespace kelanim {

class GLDevice;
class OffscreenTarget;

// The sky-blue background of the program's viewport (red 166, green 202, blue 240).
inline constexpr std::uint32_t default_background = 0xF0CAA6;

class TGLViewport : public ViewportState {
public:
    TGLViewport();
    TGLViewport(const TGLViewport&) = delete;
    TGLViewport& operator=(const TGLViewport&) = delete;
    ~TGLViewport();

    // Every viewport alive, in creation order.
    static const std::vector<TGLViewport*>& registry();

    // Stores the clear colour (0x00BBGGRR) and gives the panel the same colour.
    void set_background(std::uint32_t colour);
    // Puts the OpenGL widget into `panel`, filling it. The widget belongs to
    // the panel; the viewport only points at it. False, and no widget, on a
    // Qt platform that cannot show OpenGL widgets ("offscreen", "minimal");
    // pictures can still be drawn with render_image.
    bool attach(QWidget* panel);

    // Whether the running Qt platform can show OpenGL widgets.
    static bool platform_shows_opengl_widgets();
    QOpenGLWidget* widget() const;

    // Draws a frame: at once offscreen, at the widget's next paint otherwise.
    void render();
    // Marks the scene stale, then draws.
    void refresh();

    // Draws one frame without any window and returns it, or a null image
    // (with the reason in `why`) when no OpenGL 3.3 context can be had.
    QImage render_image(int width, int height, QString* why = nullptr);
    // Draws one frame offscreen without reading it back (for timing); false
    // when no OpenGL 3.3 context can be had.
    bool render_offscreen(int width, int height, QString* why = nullptr);

    // Builds the scene when it is stale and draws a frame with `device` into
    // the bound framebuffer. Called by the widget and the offscreen path.
    void paint(GLDevice& device, int width, int height);

    TVertexBuffer_array* vertex_buffers = nullptr;
    std::function<void()> on_build_scene = [] {};
    Td3dTexture_buffer* textures;  // the program's store unless set otherwise
    MessageSink* messages = nullptr;

private:
    bool make_offscreen(QString* why);

    QPointer<QWidget> panel_;
    QPointer<QOpenGLWidget> widget_;
    std::unique_ptr<OffscreenTarget> offscreen_;
    std::unique_ptr<GLDevice> offscreen_device_;
};

}  // namespace kelanim
