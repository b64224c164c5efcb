#include "render/gl/offscreen_target.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

#include "render/gl/graphics_context.h"

namespace kelanim {

OffscreenTarget::OffscreenTarget() = default;

OffscreenTarget::~OffscreenTarget()
{
    if (context_ && surface_ && context_->makeCurrent(surface_.get())) {
        framebuffer_.reset();
        context_->doneCurrent();
    }
    framebuffer_.reset();
    context_.reset();
    surface_.reset();
}

bool OffscreenTarget::create(QString* why)
{
    if (valid()) return true;
    auto fail = [why](const char* text) {
        if (why) *why = QString::fromUtf8(text);
        return false;
    };
    if (!QGuiApplication::instance()) return fail("no application object");
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(graphics_format());
    if (!context->create()) return fail("no OpenGL context can be made");
    const QSurfaceFormat got = context->format();
    if (got.majorVersion() < 3 || (got.majorVersion() == 3 && got.minorVersion() < 3))
        return fail("OpenGL 3.3 is not available");
    auto surface = std::make_unique<QOffscreenSurface>();
    surface->setFormat(got);
    surface->create();
    if (!surface->isValid() || !context->makeCurrent(surface.get()))
        return fail("the OpenGL context cannot be made current");
    context->doneCurrent();
    surface_ = std::move(surface);
    context_ = std::move(context);
    return true;
}

bool OffscreenTarget::make_current() { return valid() && context_->makeCurrent(surface_.get()); }

void OffscreenTarget::done_current()
{
    if (valid()) context_->doneCurrent();
}

bool OffscreenTarget::draw(int width, int height, const std::function<void(int, int)>& draw)
{
    if (width <= 0 || height <= 0 || !make_current()) return false;
    if (!framebuffer_ || framebuffer_->size() != QSize(width, height)) {
        framebuffer_.reset();
        QOpenGLFramebufferObjectFormat format;
        format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
        format.setSamples(0);
        framebuffer_ = std::make_unique<QOpenGLFramebufferObject>(QSize(width, height), format);
        if (!framebuffer_->isValid()) {
            framebuffer_.reset();
            return false;
        }
    }
    framebuffer_->bind();
    draw(width, height);
    context_->functions()->glFinish();
    return true;
}

QImage OffscreenTarget::render(int width, int height, const std::function<void(int, int)>& draw_frame)
{
    if (!draw(width, height, draw_frame)) return {};
    QImage picture = framebuffer_->toImage(true);
    framebuffer_->release();
    return picture.convertToFormat(QImage::Format_RGB32);
}

}  // namespace kelanim
