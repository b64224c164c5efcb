// The graphics device: OpenGL 3.3 core objects that draw the vertex buffers
// of a viewport with the textures of a texture store, the way the viewport's
// frame is defined: clear to the background, one world, view and projection,
// depth test, back faces (those wound counter-clockwise on screen) culled,
// solid or wireframe fill per buffer, colour = texture x vertex colour, and
// one draw call per texture group.
//
// Every call needs the device's context to be current.
#pragma once

#include <cstdint>
#include <vector>

#include "level/sinks.h"
#include "render/texture_store.h"
#include "render/vertex_buffers.h"
#include "render/viewport_state.h"

class QOpenGLFunctions_3_3_Core;

namespace kelanim {

class GLDevice : public TextureDevice {
public:
    GLDevice() = default;
    GLDevice(const GLDevice&) = delete;
    GLDevice& operator=(const GLDevice&) = delete;
    ~GLDevice() override = default;  // objects die with their context; call release() while it lives

    // Prepares the shaders with the current context. False when the context
    // offers no OpenGL 3.3 core functions or the shaders do not build.
    bool initialize();
    bool ready() const { return gl_ != nullptr; }
    // Deletes every object made here and forgets the vertex buffers' device
    // handles in `buffers` (may be null). The context must be current.
    void release(TVertexBuffer_array* buffers);

    // Draws one frame into the bound framebuffer of width x height pixels:
    // the matrices come from `state`, which must have been prepared.
    void draw_frame(const ViewportState& state, TVertexBuffer_array* buffers, Td3dTexture_buffer& textures,
                    int width, int height);

    std::uint32_t create_texture(int width, int height, int bits, const std::uint8_t* pixels) override;
    void release_texture(std::uint32_t handle) override;

    // Receives "failing trying to build a dx8 vertex buffer!!!!" when a
    // vertex buffer cannot be made. Not owned; may be null.
    MessageSink* messages = nullptr;

private:
    bool upload(Tvbuffer& buffer);
    void bind_texture(std::uint32_t texture);

    QOpenGLFunctions_3_3_Core* gl_ = nullptr;
    std::uint32_t program_ = 0, vertex_array_ = 0;
    int world_location_ = -1, view_location_ = -1, projection_location_ = -1, textured_location_ = -1;
    std::vector<std::uint32_t> made_buffers_;
};

}  // namespace kelanim
