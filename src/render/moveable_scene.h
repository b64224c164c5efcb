// What the viewport shows: the selected moveable posed at the selected
// keyframe (with its bounding box on request) or the selected static mesh,
// emitted into the drawing layer and turned into the two vertex buffers.
//
// View space: a level point (x, y, z) is handed to the drawing layer as
// (x / d, -y / d, -z / d) with d = 100 / scale; the drawing layer negates y
// again, so the scene is the level scaled by 1/100 and mirrored in z. Layer 0
// (buffer 0, solid) holds the meshes, layer 1 (buffer 1, wireframe) the box.
#pragma once

#include <array>
#include <cstdint>

#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"
#include "render/scene_selection.h"
#include "render/txgl.h"
#include "render/vertex_buffers.h"

namespace kelanim {

// The program's buffer array: buffer 0 solid with texture id 9999 (so a
// group without a texture is drawn untextured), buffer 1 wireframe with page 0.
void setup_vertex_buffer_array(TVertexBuffer_array& array);

// Red, green, blue of a coloured face's colour word: palette16 entry (c >> 8)
// for codes 3 to 5, palette entry (c & 0xFF) widened from 6 bits for codes 1
// and 2, black for codes 6 and 7.
std::array<std::uint8_t, 3> face_colour(const Ttrlevel& level, std::uint16_t colour);

struct mesh_draw_options {
    std::int32_t texture_offset = 0;
    std::uint32_t colour = 0xFFFFFF;  // window colour value 0x00BBGGRR
    bool use_current_colour = true;   // draw in the drawing layer's colour
    bool full_bright = true;          // ignore the mesh's vertex lights
    bool centred = false;             // shift the mesh's middle to the origin, no transform
    float scale = 1.0f;
    float y_rotation = 0;  // degrees
    std::array<double, 3> offset{};
};

struct moveable_draw_options {
    std::int32_t texture_offset = 0;
    bool ignore_translation = false;
    float scale = 1.0f;
    std::array<double, 3> translation{};
    std::array<float, 3> rotation{};  // degrees about x, y, z
};

class MoveableScene {
public:
    MoveableScene(const Ttrlevel& level, const Tmesh_list& meshes, TxGL& gl, TVertexBuffer_array& buffers)
        : level_(level), meshes_(meshes), gl_(gl), buffers_(buffers)
    {
    }

    // What to show; the window fills it before each refresh.
    SceneSelection selection;

    // The viewport's scene callback.
    void build_scene();
    void build_static_scene();

    // Emits every bone's mesh of moveable m posed at keyframe n of animation j.
    void draw_moveable(std::int32_t m, std::int32_t j, std::int32_t n, const moveable_draw_options& options);
    // Emits mesh i of the mesh list.
    void draw_mesh(std::int32_t i, const mesh_draw_options& options);

private:
    void draw_box(std::int32_t m, std::int32_t j, std::int32_t n, bool ignore_translation);

    const Ttrlevel& level_;
    const Tmesh_list& meshes_;
    TxGL& gl_;
    TVertexBuffer_array& buffers_;
};

}  // namespace kelanim
