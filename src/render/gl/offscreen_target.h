// A window-less place to draw: an OpenGL 3.3 core context on an offscreen
// surface with a framebuffer object of the size asked for. Needs the
// application object (any Qt platform with OpenGL, "offscreen" included).
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;

namespace kelanim {

class OffscreenTarget {
public:
    OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;
    ~OffscreenTarget();

    // Makes the context and surface; false (with the reason in `why`) when
    // no OpenGL 3.3 core context can be had.
    bool create(QString* why = nullptr);
    bool valid() const { return context_ != nullptr; }
    bool make_current();
    void done_current();

    // Draws with `draw` (given the pixel size, the context current and the
    // framebuffer bound) into a width x height framebuffer and returns the
    // picture; a null image when nothing could be drawn.
    QImage render(int width, int height, const std::function<void(int, int)>& draw);
    // The same without reading the picture back; waits until the drawing is
    // done. False when nothing could be drawn.
    bool draw(int width, int height, const std::function<void(int, int)>& draw);

private:
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOpenGLFramebufferObject> framebuffer_;
};

}  // namespace kelanim
