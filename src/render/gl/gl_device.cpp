#include "render/gl/gl_device.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

#include <algorithm>

namespace kelanim {

namespace {

// Matrices arrive in the row-vector layout; read as column-major they are the
// column-vector form of the same transforms, so p * W * V * P becomes
// P * V * W * p here. Depth runs from 0 to 1 in that projection and is
// stretched to OpenGL's -1 to 1.
const char* const vertex_shader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 uv;
uniform mat4 world;
uniform mat4 view;
uniform mat4 projection;
out vec4 vertex_colour;
out vec2 vertex_uv;
void main()
{
    vec4 p = projection * view * world * vec4(position, 1.0);
    p.z = 2.0 * p.z - p.w;
    gl_Position = p;
    vertex_colour = colour;
    vertex_uv = uv;
}
)";

const char* const fragment_shader = R"(#version 330 core
in vec4 vertex_colour;
in vec2 vertex_uv;
uniform bool textured;
uniform sampler2D page;
out vec4 fragment;
void main()
{
    vec4 c = textured ? texture(page, vertex_uv) * vertex_colour : vertex_colour;
    fragment = vec4(c.rgb, 1.0);
}
)";

GLuint compile(QOpenGLFunctions_3_3_Core* gl, GLenum type, const char* source)
{
    GLuint shader = gl->glCreateShader(type);
    gl->glShaderSource(shader, 1, &source, nullptr);
    gl->glCompileShader(shader);
    GLint ok = 0;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        gl->glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Forgets errors left by earlier calls, so that the next check sees only its own.
void clear_errors(QOpenGLFunctions_3_3_Core* gl)
{
    for (int i = 0; i < 16 && gl->glGetError() != GL_NO_ERROR; ++i) {
    }
}

struct texel_format {
    GLenum internal, format, type;
};

bool format_for(int bits, texel_format& f)
{
    switch (bits) {
    case 15: f = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV}; return true;
    case 16: f = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5}; return true;
    case 24: f = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE}; return true;
    case 32: f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE}; return true;
    default: return false;
    }
}

}  // namespace

bool GLDevice::initialize()
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) return false;
    const QSurfaceFormat format = context->format();
    if (format.majorVersion() < 3 || (format.majorVersion() == 3 && format.minorVersion() < 3)) return false;
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context);
    if (!gl || !gl->initializeOpenGLFunctions()) return false;

    GLuint vs = compile(gl, GL_VERTEX_SHADER, vertex_shader);
    GLuint fs = compile(gl, GL_FRAGMENT_SHADER, fragment_shader);
    if (!vs || !fs) {
        if (vs) gl->glDeleteShader(vs);
        if (fs) gl->glDeleteShader(fs);
        return false;
    }
    GLuint program = gl->glCreateProgram();
    gl->glAttachShader(program, vs);
    gl->glAttachShader(program, fs);
    gl->glLinkProgram(program);
    gl->glDeleteShader(vs);
    gl->glDeleteShader(fs);
    GLint linked = 0;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        gl->glDeleteProgram(program);
        return false;
    }
    gl_ = gl;
    program_ = program;
    world_location_ = gl->glGetUniformLocation(program, "world");
    view_location_ = gl->glGetUniformLocation(program, "view");
    projection_location_ = gl->glGetUniformLocation(program, "projection");
    textured_location_ = gl->glGetUniformLocation(program, "textured");
    gl->glUseProgram(program);
    gl->glUniform1i(gl->glGetUniformLocation(program, "page"), 0);
    gl->glGenVertexArrays(1, &vertex_array_);
    return true;
}

void GLDevice::release(TVertexBuffer_array* buffers)
{
    if (buffers)
        for (Tvbuffer& b : buffers->buffers) {
            b.device_buffer = 0;
            b.uploaded_revision = 0;
        }
    if (!gl_) return;
    if (!made_buffers_.empty())
        gl_->glDeleteBuffers(static_cast<GLsizei>(made_buffers_.size()), made_buffers_.data());
    made_buffers_.clear();
    if (vertex_array_) gl_->glDeleteVertexArrays(1, &vertex_array_);
    if (program_) gl_->glDeleteProgram(program_);
    vertex_array_ = program_ = 0;
    gl_ = nullptr;
}

std::uint32_t GLDevice::create_texture(int width, int height, int bits, const std::uint8_t* pixels)
{
    texel_format f;
    if (!gl_ || !pixels || width <= 0 || height <= 0 || !format_for(bits, f)) return 0;
    clear_errors(gl_);
    GLuint texture = 0;
    gl_->glGenTextures(1, &texture);
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
    gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl_->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl_->glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(f.internal), width, height, 0, f.format, f.type, pixels);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (gl_->glGetError() != GL_NO_ERROR) {
        gl_->glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

void GLDevice::release_texture(std::uint32_t handle)
{
    if (gl_ && handle) {
        GLuint texture = handle;
        gl_->glDeleteTextures(1, &texture);
    }
}

bool GLDevice::upload(Tvbuffer& buffer)
{
    if (buffer.device_buffer != 0 && buffer.uploaded_revision == buffer.revision) return true;
    if (buffer.vertices.empty()) return buffer.device_buffer != 0;
    clear_errors(gl_);
    if (buffer.device_buffer == 0) {
        GLuint name = 0;
        gl_->glGenBuffers(1, &name);
        buffer.device_buffer = name;
        made_buffers_.push_back(name);
    }
    gl_->glBindBuffer(GL_ARRAY_BUFFER, buffer.device_buffer);
    gl_->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(buffer.vertices.size() * sizeof(device_vertex)),
                      buffer.vertices.data(), GL_STATIC_DRAW);
    if (gl_->glGetError() != GL_NO_ERROR) {
        if (messages) messages->show_message("failing trying to build a dx8 vertex buffer!!!!");
        buffer.uploaded_revision = 0;
        return false;
    }
    buffer.uploaded_revision = buffer.revision;
    return true;
}

void GLDevice::bind_texture(std::uint32_t texture)
{
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
    gl_->glUniform1i(textured_location_, texture != 0 ? 1 : 0);
}

void GLDevice::draw_frame(const ViewportState& state, TVertexBuffer_array* buffers, Td3dTexture_buffer& textures,
                          int width, int height)
{
    if (!gl_) return;
    gl_->glViewport(0, 0, std::max(width, 1), std::max(height, 1));
    const std::uint32_t clear = state.clear_colour();
    gl_->glClearColor(((clear >> 16) & 0xFF) / 255.0f, ((clear >> 8) & 0xFF) / 255.0f, (clear & 0xFF) / 255.0f, 1.0f);
    gl_->glClearDepth(1.0);
    gl_->glDepthMask(GL_TRUE);
    gl_->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    gl_->glEnable(GL_DEPTH_TEST);
    gl_->glDepthFunc(GL_LEQUAL);
    gl_->glDisable(GL_BLEND);
    gl_->glEnable(GL_CULL_FACE);
    gl_->glFrontFace(GL_CW);
    gl_->glCullFace(GL_BACK);

    textures.realize();
    gl_->glUseProgram(program_);
    gl_->glUniformMatrix4fv(world_location_, 1, GL_FALSE, state.world.m.data());
    gl_->glUniformMatrix4fv(view_location_, 1, GL_FALSE, state.view.m.data());
    gl_->glUniformMatrix4fv(projection_location_, 1, GL_FALSE, state.projection.m.data());
    gl_->glBindVertexArray(vertex_array_);

    if (buffers)
        for (Tvbuffer& buffer : buffers->buffers) {
            if (buffer.primitive_count == 0) continue;
            if (!upload(buffer)) continue;
            gl_->glBindBuffer(GL_ARRAY_BUFFER, buffer.device_buffer);
            gl_->glEnableVertexAttribArray(0);
            gl_->glEnableVertexAttribArray(1);
            gl_->glEnableVertexAttribArray(2);
            gl_->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(device_vertex), nullptr);
            gl_->glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(device_vertex),
                                       reinterpret_cast<const void*>(offsetof(device_vertex, colour)));
            gl_->glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(device_vertex),
                                       reinterpret_cast<const void*>(offsetof(device_vertex, u)));
            gl_->glPolygonMode(GL_FRONT_AND_BACK, buffer.fill_mode == fill_wireframe ? GL_LINE
                                                  : buffer.fill_mode == 1           ? GL_POINT
                                                                                    : GL_FILL);

            // A wireframe buffer is one group in its own texture.
            const bool single = buffer.fill_mode == fill_wireframe;
            const std::size_t groups = single ? 1 : buffer.group_textures.size();
            const std::size_t drawable = std::min<std::size_t>(buffer.vertices.size(), buffer.primitive_count * 3u);
            std::size_t start = 0;
            for (std::size_t g = 0; g < groups; ++g) {
                const std::int32_t id = single ? buffer.texture_id : buffer.group_textures[g];
                const std::uint32_t triangles = single ? buffer.primitive_count : buffer.group_triangles[g];
                textures.select_texture(id);
                if (textures.current_id() < 0) textures.select_texture(buffer.texture_id);
                bind_texture(textures.current_texture());
                const std::size_t count = std::min<std::size_t>(3u * triangles, drawable - std::min(start, drawable));
                if (count > 0)
                    gl_->glDrawArrays(GL_TRIANGLES, static_cast<GLint>(start), static_cast<GLsizei>(count));
                start += 3u * triangles;
            }
        }
    gl_->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl_->glBindVertexArray(0);
}

}  // namespace kelanim
