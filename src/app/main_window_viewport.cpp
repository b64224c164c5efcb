// The viewport on Panel1: the renderer's objects, the scene callback and the
// level's textures.
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/message_box.h"
#include "render/gl/graphics_context.h"
#include "render/gl/tglviewport.h"
#include "render/camera_fit.h"
#include "render/moveable_scene.h"
#include "render/tglcamera.h"
#include "render/texture_pages.h"
#include "render/txgl.h"
#include "render/vertex_buffers.h"

namespace kelanim {

void TForm1::create_viewport()
{
    vertex_buffer_array_ = std::make_unique<TVertexBuffer_array>();
    setup_vertex_buffer_array(*vertex_buffer_array_);
    // Without an OpenGL 3.3 context there is no picture; the lists and the
    // editing still work.
    if (!create_direct3d()) {
        show_message(this, QStringLiteral("fail!!"));
        return;
    }
    viewport_ = std::make_unique<TGLViewport>();
    camera_ = std::make_unique<TGLCamera>();
    gl_ = std::make_unique<TxGL>();
    viewport_->set_camera(camera_.get());
    viewport_->messages = level_messages_.get();
    viewport_->vertex_buffers = vertex_buffer_array_.get();
    viewport_->attach(Panel1);
    viewport_->on_build_scene = [this] { build_scene(); };
    viewport_->set_background(default_background);
}

void TForm1::release_viewport()
{
    // FormDestroy: the drawing layer goes, then the graphics context.
    if (!viewport_) return;
    viewport_.reset();
    gl_.reset();
    release_direct3d();
}

void TForm1::build_scene()
{
    if (!gl_) return;
    MoveableScene scene(*level_, *meshes_, *gl_, *vertex_buffer_array_);
    scene.selection = selection();
    scene.build_scene();
}

void TForm1::load_textures()
{
    if (viewport_) build_textures(*level_, 0, texture_store(), level_messages_.get());
}

void TForm1::refresh_viewport()
{
    if (viewport_) viewport_->refresh();
    sync_timeline();  // the timeline shows what the viewport shows
}

void TForm1::fit_camera_to_scene()
{
    if (!viewport_) return;
    build_scene();
    fit_camera(*camera_, visible_points(*gl_), viewport_->world_matrix(), Panel1->width(), Panel1->height());
    refresh_viewport();
}

}  // namespace kelanim
