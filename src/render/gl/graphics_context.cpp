#include "render/gl/graphics_context.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

namespace kelanim {

QSurfaceFormat graphics_format()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSamples(0);
    return format;
}

void set_graphics_format() { QSurfaceFormat::setDefaultFormat(graphics_format()); }

bool create_direct3d(QString* why)
{
    auto fail = [why](const char* text) {
        if (why) *why = QString::fromUtf8(text);
        return false;
    };
    if (!QGuiApplication::instance()) return fail("no application object");
    QOpenGLContext context;
    context.setFormat(graphics_format());
    if (!context.create()) return fail("no OpenGL context can be made");
    const QSurfaceFormat got = context.format();
    if (got.majorVersion() < 3 || (got.majorVersion() == 3 && got.minorVersion() < 3))
        return fail("OpenGL 3.3 is not available");
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) return fail("the OpenGL context cannot be made current");
    context.doneCurrent();
    return true;
}

Td3dTexture_buffer& texture_store()
{
    static Td3dTexture_buffer store;
    return store;
}

void release_direct3d()
{
    // The contexts that held the textures are gone or going: keep the pixels,
    // forget the handles.
    texture_store().forget_device();
}

}  // namespace kelanim
