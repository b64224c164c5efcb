#include "render/txgl.h"

#include <algorithm>
#include <numbers>

namespace kelanim {

void TxGL::clear_layer(std::int32_t layer)
{
    if (layer < 0) {
        vertices_.clear();
        layer_counts_.fill(0);
        current_texture_ = -1;
        return;
    }
    if (layer >= txgl_layer_count) return;
    std::erase_if(vertices_, [layer](const tgl_vertex& v) { return v.layer == layer; });
    layer_counts_[static_cast<std::size_t>(layer)] = 0;
}

void TxGL::set_colour(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    colour_ = {red, green, blue};
}

void TxGL::set_colour_value(std::uint32_t colour)
{
    set_colour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void TxGL::vertex(float x, float y, float z, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    if (current_layer_ >= txgl_layer_count) return;
    d3d_vector3 p = transform_coord({x, -y, z}, matrix_);
    vertices_.push_back({current_layer_, current_texture_, p.x, p.y, p.z, u_, v_, red, green, blue});
    ++layer_counts_[current_layer_];
}

void TxGL::emit_corner(const tgl_corner& c)
{
    u_ = c.u;
    v_ = c.v;
    vertex(c.x, c.y, c.z, static_cast<std::uint8_t>(colour_.red), static_cast<std::uint8_t>(colour_.green),
           static_cast<std::uint8_t>(colour_.blue));
}

void TxGL::emit_corner(const tgl_corner_rgb& c)
{
    u_ = c.u;
    v_ = c.v;
    vertex(c.x, c.y, c.z, c.red, c.green, c.blue);
}

void TxGL::triangle(const tgl_corner& c1, const tgl_corner& c2, const tgl_corner& c3)
{
    emit_corner(c1);
    emit_corner(c2);
    emit_corner(c3);
}

void TxGL::triangle_rgb(const tgl_corner_rgb& c1, const tgl_corner_rgb& c2, const tgl_corner_rgb& c3)
{
    emit_corner(c1);
    emit_corner(c2);
    emit_corner(c3);
}

void TxGL::quad(const tgl_corner& c1, const tgl_corner& c2, const tgl_corner& c3, const tgl_corner& c4)
{
    for (const tgl_corner* c : {&c2, &c3, &c1, &c4, &c1, &c3}) emit_corner(*c);
}

void TxGL::quad_rgb(const tgl_corner_rgb& c1, const tgl_corner_rgb& c2, const tgl_corner_rgb& c3,
                    const tgl_corner_rgb& c4)
{
    for (const tgl_corner_rgb* c : {&c1, &c3, &c4, &c1, &c2, &c3}) emit_corner(*c);
}

void TxGL::push_matrix()
{
    stack_[static_cast<std::size_t>(depth_)] = matrix_;
    depth_ = std::min(depth_ + 1, txgl_saved_matrices);
}

void TxGL::pop_matrix()
{
    --depth_;
    if (depth_ >= 0)
        matrix_ = stack_[static_cast<std::size_t>(depth_)];
    else
        depth_ = 0;
}

void TxGL::translate(float x, float y, float z)
{
    matrix_ = matrix_multiply(matrix_translation(x, -y, z), matrix_);
}

void TxGL::rotate(bool radians, float x, float y, float z)
{
    if (!radians) {
        constexpr float per_degree = std::numbers::pi_v<float> / 180.0f;
        x *= per_degree;
        y *= per_degree;
        z *= per_degree;
    }
    d3d_matrix m = matrix_multiply(matrix_multiply(matrix_rotation_y(y), matrix_rotation_x(x)), matrix_rotation_z(z));
    matrix_ = matrix_multiply(m, matrix_);
}

void TxGL::transform_point(float& x, float& y, float& z) const
{
    d3d_vector3 p = transform_coord({x, y, z}, matrix_);
    x = p.x;
    y = p.y;
    z = p.z;
}

namespace {

std::uint32_t device_colour(const tgl_vertex& v)
{
    auto byte = [](std::int32_t c) { return static_cast<std::uint32_t>(c) & 0xFF; };
    return 0xFF000000u | byte(v.red) << 16 | byte(v.green) << 8 | byte(v.blue);
}

}  // namespace

void TxGL::build_buffers(TVertexBuffer_array& array) const
{
    const std::size_t filled = std::min<std::size_t>(array.buffers.size(), txgl_layer_count);
    for (std::size_t layer = 0; layer < filled; ++layer) {
        Tvbuffer& buffer = array.buffers[layer];
        const std::int32_t count = layer_counts_[layer];
        buffer.primitive_count = static_cast<std::uint32_t>(count / 3);
        if (count == 0) continue;  // keeps what it held and draws nothing
        buffer.vertex_count = count;
        buffer.vertices.clear();
        buffer.vertices.reserve(static_cast<std::size_t>(count));
        buffer.group_triangles.clear();
        buffer.group_textures.clear();

        std::uint32_t group_vertices = 0;
        auto close_group = [&] {
            if (group_vertices == 0) return;
            buffer.group_triangles.back() = group_vertices / 3;
            group_vertices = 0;
        };
        for (const tgl_vertex& v : vertices_) {
            if (v.layer != layer) continue;
            if (buffer.group_textures.empty() || buffer.group_textures.back() != v.texture) {
                close_group();
                buffer.group_textures.push_back(v.texture);
                buffer.group_triangles.push_back(0);
            }
            const bool hidden = v.texture == hidden_texture_id;
            buffer.vertices.push_back({hidden ? 0.0f : v.x, hidden ? 0.0f : v.y, hidden ? 0.0f : v.z,
                                       device_colour(v), static_cast<float>(v.u), static_cast<float>(v.v)});
            ++group_vertices;
        }
        close_group();
        ++buffer.revision;
    }
}

}  // namespace kelanim
