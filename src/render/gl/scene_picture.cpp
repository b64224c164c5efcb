#include "render/gl/scene_picture.h"

#include <QApplication>

#include <cstdlib>
#include <numbers>

#include "render/camera_fit.h"
#include "render/gl/graphics_context.h"
#include "render/gl/tglviewport.h"
#include "render/moveable_scene.h"
#include "render/texture_pages.h"
#include "render/txgl.h"

namespace kelanim {

void ensure_gui_application()
{
    if (QCoreApplication::instance()) return;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if ((!platform || !*platform) && (!display || !*display) && (!wayland || !*wayland))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    set_graphics_format();
    static int argc = 1;
    static char name[] = "kelanim";
    static char* argv[] = {name, nullptr};
    // Made once and kept to the end of the process: Qt does not support an
    // application object destroyed after main() returns, when its own globals
    // and the OpenGL driver may already be unloaded.
    static const QApplication* const application = new QApplication(argc, argv);
    (void)application;
}

QImage render_scene_picture(const Ttrlevel& level, const Tmesh_list& meshes, const picture_request& request,
                            QString* why)
{
    Td3dTexture_buffer textures;
    build_textures(level, 0, textures);

    TxGL gl;
    TVertexBuffer_array buffers;
    setup_vertex_buffer_array(buffers);
    MoveableScene scene(level, meshes, gl, buffers);
    scene.selection = request.selection;

    TGLCamera camera;
    TGLViewport viewport;
    viewport.textures = &textures;
    viewport.set_camera(&camera);
    viewport.set_background(default_background);
    viewport.vertex_buffers = &buffers;
    viewport.on_build_scene = [&scene] { scene.build_scene(); };
    viewport.rotation[1] = request.turn_degrees * std::numbers::pi / 180.0 * camera.rotation_divisor;

    if (request.fit) {
        scene.build_scene();
        viewport.scene_built = 1;
        fit_camera(camera, visible_points(gl), viewport.world_matrix(), request.width, request.height);
    }
    return viewport.render_image(request.width, request.height, why);
}

}  // namespace kelanim
