#include "demo_figure.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "demo_textures.h"

namespace kelanim::demo {

namespace {

// Corner indices of a box: bit 0 picks x1, bit 1 the bottom y1, bit 2 the back z1.
constexpr std::array<std::array<std::uint16_t, 4>, 6> box_sides{{
    {0, 1, 3, 2},  // front, facing -z
    {5, 4, 6, 7},  // back
    {4, 0, 2, 6},  // left, facing -x
    {1, 5, 7, 3},  // right
    {4, 5, 1, 0},  // top, facing -y (up)
    {2, 3, 7, 6},  // bottom
}};

constexpr int all_sides(int tile) { return tile; }

demo_box box(int x0, int x1, int y0, int y1, int z0, int z1, int tile)
{
    return {x0, x1, y0, y1, z0, z1, {all_sides(tile), tile, tile, tile, tile, tile}};
}

demo_mesh mesh_of(std::initializer_list<demo_box> boxes)
{
    demo_mesh mesh;
    for (const demo_box& b : boxes) add_box(mesh, b);
    return mesh;
}

// Makes every face on `side` of the mesh's box number `box_number` coloured.
void colour_side(demo_mesh& mesh, int box_number, int side, std::uint8_t colour)
{
    demo_face& face = mesh.faces[static_cast<std::size_t>(box_number * 6 + side)];
    face.coloured = true;
    face.colour = colour;
}

constexpr double tau = 2 * std::numbers::pi;

double smooth(double a, double b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    t = t * t * (3 - 2 * t);
    return a + (b - a) * t;
}

enum bones : int { hips, left_thigh, left_shin, right_thigh, right_shin, torso, left_arm, left_forearm, right_arm,
                   right_forearm, head };

constexpr std::int16_t standing_y = -430;

demo_keyframe standing()
{
    demo_keyframe k;
    k.offset = {0, standing_y, 0};
    k.bones[left_arm].z = 6;
    k.bones[right_arm].z = -6;
    k.bones[left_forearm].x = -8;
    k.bones[right_forearm].x = -8;
    return k;
}

demo_animation idle()
{
    demo_animation a;
    a.frame_rate = 3;
    for (int i = 0; i < 16; ++i) {
        const double t = i / 16.0;
        demo_keyframe k = standing();
        k.offset[1] = static_cast<std::int16_t>(standing_y + 4 * std::sin(2 * tau * t));
        k.bones[torso].x = 3 * std::sin(tau * t);
        k.bones[head].y = 12 * std::sin(tau * t);
        k.bones[left_arm].z += 3 * std::sin(tau * t);
        k.bones[right_arm].z -= 3 * std::sin(tau * t);
        a.keyframes.push_back(k);
    }
    return a;
}

demo_animation walk()
{
    demo_animation a;
    a.frame_rate = 2;
    for (int i = 0; i < 16; ++i) {
        const double t = i / 16.0, s = std::sin(tau * t);
        demo_keyframe k = standing();
        k.offset[1] = static_cast<std::int16_t>(standing_y + 12 * std::cos(2 * tau * t));
        k.bones[hips].y = -6 * s;
        k.bones[left_thigh].x = -30 * s;
        k.bones[right_thigh].x = 30 * s;
        k.bones[left_shin].x = 40 * std::max(0.0, std::sin(tau * t + std::numbers::pi / 2));
        k.bones[right_shin].x = 40 * std::max(0.0, -std::sin(tau * t + std::numbers::pi / 2));
        k.bones[torso].y = 8 * s;
        k.bones[left_arm].x = 28 * s;
        k.bones[right_arm].x = -28 * s;
        k.bones[left_forearm].x = -20;
        k.bones[right_forearm].x = -20;
        a.keyframes.push_back(k);
    }
    return a;
}

demo_animation wave()
{
    demo_animation a;
    a.frame_rate = 2;
    for (int i = 0; i < 20; ++i) {
        const double t = i / 20.0;
        demo_keyframe k = standing();
        k.bones[right_arm].z = -150;
        k.bones[right_forearm].z = -25 + 30 * std::sin(2 * tau * t);
        k.bones[right_forearm].x = 0;
        k.bones[head].z = 6 * std::sin(tau * t);
        k.bones[torso].z = -4;
        a.keyframes.push_back(k);
    }
    return a;
}

demo_animation jump()
{
    // Crouch, leap with the arms up, land, stand again.
    struct pose {
        double drop, thigh, shin, lean, arms_x, arms_up;
    };
    constexpr pose stand{0, 0, 0, 0, 0, 6};
    constexpr pose crouch{140, -50, 100, 25, 40, 10};
    constexpr pose air{-150, -20, 35, -5, 0, 165};
    auto blend = [](const pose& a, const pose& b, double t) {
        return pose{smooth(a.drop, b.drop, t),   smooth(a.thigh, b.thigh, t),   smooth(a.shin, b.shin, t),
                    smooth(a.lean, b.lean, t),   smooth(a.arms_x, b.arms_x, t), smooth(a.arms_up, b.arms_up, t)};
    };
    demo_animation a;
    a.frame_rate = 2;
    const int count = 20;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / count;
        pose p = t < 0.25   ? blend(stand, crouch, t / 0.25)
                 : t < 0.5  ? blend(crouch, air, (t - 0.25) / 0.25)
                 : t < 0.75 ? blend(air, crouch, (t - 0.5) / 0.25)
                            : blend(crouch, stand, (t - 0.75) / 0.25);
        demo_keyframe k = standing();
        k.offset[1] = static_cast<std::int16_t>(standing_y + p.drop);
        for (int thigh : {left_thigh, right_thigh}) k.bones[static_cast<std::size_t>(thigh)].x = p.thigh;
        for (int shin : {left_shin, right_shin}) k.bones[static_cast<std::size_t>(shin)].x = p.shin;
        k.bones[hips].x = -p.lean * 0.3;
        k.bones[torso].x = p.lean;
        k.bones[head].x = -p.lean * 0.5;
        k.bones[left_arm].x = p.arms_x;
        k.bones[right_arm].x = p.arms_x;
        k.bones[left_arm].z = p.arms_up;
        k.bones[right_arm].z = -p.arms_up;
        a.keyframes.push_back(k);
    }
    return a;
}

}  // namespace

void add_box(demo_mesh& mesh, const demo_box& b)
{
    const auto first = static_cast<std::uint16_t>(mesh.vertices.size());
    for (int corner = 0; corner < 8; ++corner)
        mesh.vertices.push_back({static_cast<std::int16_t>(corner & 1 ? b.x1 : b.x0),
                                 static_cast<std::int16_t>(corner & 2 ? b.y1 : b.y0),
                                 static_cast<std::int16_t>(corner & 4 ? b.z1 : b.z0)});
    for (int side = 0; side < 6; ++side) {
        demo_face face;
        for (int c = 0; c < 4; ++c)
            face.corners[static_cast<std::size_t>(c)] =
                static_cast<std::uint16_t>(first + box_sides[static_cast<std::size_t>(side)][static_cast<std::size_t>(c)]);
        face.texture = b.textures[static_cast<std::size_t>(side)];
        mesh.faces.push_back(face);
    }
}

std::vector<demo_mesh> figure_meshes()
{
    std::vector<demo_mesh> meshes(11);
    meshes[hips] = mesh_of({box(-62, 62, -45, 35, -42, 42, tile_denim), box(-64, 64, -55, -40, -44, 44, tile_belt)});
    for (int thigh : {left_thigh, right_thigh})
        meshes[static_cast<std::size_t>(thigh)] = mesh_of({box(-28, 28, 0, 190, -30, 30, tile_denim)});
    for (int shin : {left_shin, right_shin}) {
        meshes[static_cast<std::size_t>(shin)] =
            mesh_of({box(-24, 24, 0, 165, -26, 26, tile_denim), box(-28, 28, 165, 210, -70, 32, tile_boots)});
        // Soles in a plain colour.
        colour_side(meshes[static_cast<std::size_t>(shin)], 1, side_bottom, ramp_index(ramp_leather, 4));
    }
    demo_box chest = box(-70, 70, -210, 0, -45, 45, tile_shirt);
    meshes[torso] = mesh_of({chest, box(-78, 78, -215, -165, -48, 48, tile_shirt)});
    for (int arm : {left_arm, right_arm})
        meshes[static_cast<std::size_t>(arm)] = mesh_of({box(-17, 17, 0, 150, -19, 19, tile_shirt)});
    for (int forearm : {left_forearm, right_forearm}) {
        demo_mesh& m = meshes[static_cast<std::size_t>(forearm)];
        m = mesh_of({box(-14, 14, 0, 135, -15, 15, tile_skin), box(-16, 16, 135, 185, -20, 12, tile_skin)});
        // Hands in the skin colour of the palette where faces can be coloured.
        for (int side = 0; side < 6; ++side) colour_side(m, 1, side, ramp_index(ramp_skin, 12));
    }
    demo_box skull{-48, 48, -125, -20, -48, 52, {tile_face, tile_hair, tile_hair, tile_hair, tile_hair, tile_skin}};
    meshes[head] = mesh_of({box(-18, 18, -25, 0, -18, 18, tile_skin), skull});
    // A red cap on top of the head.
    meshes[head].faces[6 + side_top].coloured = true;
    meshes[head].faces[6 + side_top].colour = ramp_index(ramp_red, 12);
    return meshes;
}

demo_mesh pedestal_mesh()
{
    return mesh_of({box(-300, 300, -60, 0, -300, 300, tile_marble), box(-320, 320, -80, -60, -320, 320, tile_gold)});
}

std::vector<demo_link> figure_links()
{
    constexpr std::int32_t pop = 1, push = 2;
    return {
        {push, -38, 30, 0},       // left thigh, on the hips (saved)
        {0, 0, 190, 0},           // left shin
        {pop | push, 38, 30, 0},  // right thigh, back on the hips
        {0, 0, 190, 0},           // right shin
        {pop, 0, -45, 0},         // torso, back on the hips
        {push, -88, -190, 0},     // left arm, on the torso (saved)
        {0, 0, 150, 0},           // left forearm
        {pop | push, 88, -190, 0},  // right arm, back on the torso
        {0, 0, 150, 0},           // right forearm
        {pop, 0, -215, 0},        // head, back on the torso
    };
}

std::vector<demo_animation> figure_animations() { return {idle(), walk(), wave(), jump()}; }

}  // namespace kelanim::demo
