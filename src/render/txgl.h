// The drawing layer: an immediate-mode way of emitting textured, coloured
// triangles through a matrix stack, turned into the viewport's vertex buffers
// by `build_buffers`. Callers work in view coordinates whose y points down;
// `vertex` and `translate` negate y on the way in.
//
// Sixteen layers (0 to 15) collect vertices separately; layer i fills buffer i
// of the vertex buffer array. A vertex emitted while the layer is 16 or more is
// dropped.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "render/d3d_matrix.h"
#include "render/vertex_buffers.h"

namespace kelanim {

inline constexpr int txgl_layer_count = 16;
inline constexpr int txgl_saved_matrices = 63;

struct tgl_vertex {
    std::uint16_t layer;
    std::int32_t texture;
    float x, y, z;  // transformed position
    double u, v;
    std::int32_t red, green, blue;
};

// One corner of a face: position and texture coordinates.
struct tgl_corner {
    float x, y, z;
    double u, v;
};

// One corner of a face with a colour of its own.
struct tgl_corner_rgb {
    float x, y, z;
    std::uint8_t red, green, blue;
    double u, v;
};

class TxGL {
public:
    TxGL() = default;

    // -1 (any negative): everything goes and the texture id becomes -1;
    // 0 to 15: that layer's vertices go, the others keep their order; else nothing.
    void clear_layer(std::int32_t layer);
    void set_layer(std::uint16_t layer) { current_layer_ = layer; }
    void set_texture(std::int32_t id) { current_texture_ = id; }
    void set_colour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // A window colour value 0x00BBGGRR.
    void set_colour_value(std::uint32_t colour);
    void push_colour() { saved_colour_ = colour_; }
    void pop_colour() { colour_ = saved_colour_; }

    void vertex(float x, float y, float z, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // Corners 1, 2, 3 in the current colour.
    void triangle(const tgl_corner& c1, const tgl_corner& c2, const tgl_corner& c3);
    void triangle_rgb(const tgl_corner_rgb& c1, const tgl_corner_rgb& c2, const tgl_corner_rgb& c3);
    // The triangles (1, 2, 3) and (1, 3, 4), emitted as 2, 3, 1, 4, 1, 3.
    void quad(const tgl_corner& c1, const tgl_corner& c2, const tgl_corner& c3, const tgl_corner& c4);
    // The same triangles, emitted as 1, 3, 4, 1, 2, 3.
    void quad_rgb(const tgl_corner_rgb& c1, const tgl_corner_rgb& c2, const tgl_corner_rgb& c3,
                  const tgl_corner_rgb& c4);

    // Saves the current transform; 63 can be saved, a push beyond that
    // overwrites the last slot, which no pop returns.
    void push_matrix();
    // Restores the transform saved last; on an empty stack the transform stays.
    void pop_matrix();
    void load_identity() { matrix_ = matrix_identity(); }
    // Replaces the current transform (the bone walk hands each bone's in).
    void load_matrix(const d3d_matrix& m) { matrix_ = m; }
    // Puts a translation by (x, -y, z) before the current transform.
    void translate(float x, float y, float z);
    // Puts RY(y) * RX(x) * RZ(z) before the current transform (z turns first).
    void rotate(bool radians, float x, float y, float z);
    // (x, y, z, 1) * current transform; no negation.
    void transform_point(float& x, float& y, float& z) const;

    // Writes every layer's vertices into the buffer of the same index, in the
    // order they were emitted, one texture group per run of one texture id.
    // Layers without a buffer in the array are left out.
    void build_buffers(TVertexBuffer_array& array) const;

    const std::vector<tgl_vertex>& vertices() const { return vertices_; }
    const std::array<std::int32_t, txgl_layer_count>& layer_counts() const { return layer_counts_; }
    const d3d_matrix& matrix() const { return matrix_; }
    int stack_depth() const { return depth_; }
    std::int32_t current_texture() const { return current_texture_; }
    std::uint16_t current_layer() const { return current_layer_; }

    // The texture id coloured faces are drawn with: none, so they show their
    // own colour.
    std::int32_t untextured_texture_id = no_texture_id;

private:
    struct rgb {
        std::int32_t red = 255, green = 255, blue = 255;
    };

    void emit_corner(const tgl_corner& c);
    void emit_corner(const tgl_corner_rgb& c);

    std::uint16_t current_layer_ = 0;
    std::int32_t current_texture_ = 0;
    double u_ = 0, v_ = 0;
    rgb colour_, saved_colour_;
    std::array<std::int32_t, txgl_layer_count> layer_counts_{};
    std::array<d3d_matrix, txgl_saved_matrices + 1> stack_{};
    int depth_ = 0;
    std::vector<tgl_vertex> vertices_;
    d3d_matrix matrix_;  // all zero until load_identity
};

}  // namespace kelanim
