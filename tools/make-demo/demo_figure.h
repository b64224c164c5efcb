// The demo figure: its meshes as boxes, its skeleton and its animations, in
// level units and level axes (y points down; the figure faces -z).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kelanim::demo {

struct demo_vertex {
    std::int16_t x, y, z;
};

// A quadrilateral face: its corners clockwise as seen from outside, starting
// at the top left, and either an object texture or a palette colour.
struct demo_face {
    std::array<std::uint16_t, 4> corners{};
    int texture = 0;      // object texture index (a tile)
    bool coloured = false;  // drawn in `colour` where the generation has coloured faces
    std::uint8_t colour = 0;  // palette index
};

struct demo_mesh {
    std::vector<demo_vertex> vertices;
    std::vector<demo_face> faces;
};

// Box sides in the order the face textures are given.
enum box_side : int { side_front, side_back, side_left, side_right, side_top, side_bottom };

struct demo_box {
    int x0, x1, y0, y1, z0, z1;  // y0 is the top
    std::array<int, 6> textures;  // per side
};

void add_box(demo_mesh& mesh, const demo_box& box);

// One link of the skeleton: how bone b (from 1) hangs on the bones before it.
struct demo_link {
    std::int32_t flags, dx, dy, dz;
};

struct demo_angles {
    double x = 0, y = 0, z = 0;  // degrees
};

struct demo_keyframe {
    std::array<std::int16_t, 3> offset{};
    std::array<demo_angles, 11> bones{};
};

struct demo_animation {
    int frame_rate = 2;
    std::vector<demo_keyframe> keyframes;
};

// The meshes of the eleven bones, bone 0 first.
std::vector<demo_mesh> figure_meshes();
// The pedestal the figure stands on, also the level's static mesh.
demo_mesh pedestal_mesh();
// Links of bones 1 to 10.
std::vector<demo_link> figure_links();
// Idle, walk, wave and jump, each a loop.
std::vector<demo_animation> figure_animations();

}  // namespace kelanim::demo
