// Small levels in memory for the export, import and repacking tests.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"
#include "realdata.h"

// The tests name only the fields that matter; designated initializers leave the rest zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kelanim::test {

// Level angles x, y, z of one bone in 10-bit units (360 / 1024 degrees).
using unit_angles = std::array<std::uint32_t, 3>;

struct moveable_plan {
    int bones = 1;
    std::vector<tbone_link> links;  // of bones 1 and up; missing ones sit 100 units below, without flags
    std::vector<int> animations;    // keyframe counts
    std::uint8_t frame_rate = 1;
};

// A three-axis rotation entry in the layout of `code`.
inline void put_rotation(std::vector<std::int16_t>& frames, int code, const unit_angles& a)
{
    const std::uint32_t v = (a[0] & 0x3FF) << 20 | (a[1] & 0x3FF) << 10 | (a[2] & 0x3FF);
    const auto high = static_cast<std::int16_t>(v >> 16), low = static_cast<std::int16_t>(v & 0xFFFF);
    frames.insert(frames.end(), {code <= code_tr1_ub ? low : high, code <= code_tr1_ub ? high : low});
}

// Texel (x, y) of the synthetic 16-bit page: opaque except on row 255.
inline std::uint16_t synthetic_texel(int x, int y)
{
    return y == 255 ? 0 : static_cast<std::uint16_t>(0x8000 | (x & 31) << 10 | (y & 31) << 5 | ((x + y) & 31));
}

// A square 100 units wide at height `y`: a rectangle of texture 0, a triangle of texture 1.
inline tmesh square_mesh(std::int16_t y = 0)
{
    tmesh mesh{.num_vertices = 4, .num_textured_rects = 1, .num_textured_tris = 1};
    mesh.vertices = {{0, y, 0}, {100, y, 0}, {100, y, 100}, {0, y, 100}};
    mesh.textured_rects = {tmesh_face4{{0, 1, 2, 3}, 0, 0}};
    mesh.textured_tris = {tmesh_face3{{0, 1, 2}, 1, 0}};
    return mesh;
}

inline tobject_texture square_texture(int page, int x0, int y0, int x1, int y1)
{
    tobject_texture t{.tile = static_cast<std::uint16_t>(page)};
    const auto corner = [](int x, int y, int cx, int cy) {
        return ttexture_corner{std::int8_t(cx), std::uint8_t(x), std::int8_t(cy), std::uint8_t(y)};
    };
    t.corners = {corner(x0, y0, 1, 1), corner(x1, y0, -1, 1), corner(x1, y1, -1, -1), corner(x0, y1, 1, -1)};
    return t;
}

// A level of version code `code` with the given moveables. Mesh 0 is empty
// and unused; bone b has its own square mesh at height -10 b. Texture 0 is the
// 64 x 64 square at (0, 0) of page 0, texture 1 a triangle in the 32 x 32
// square at (64, 0). Keyframe f of moveable m has the root offset
// (100 + 10 f + m, -200 - f, 50 + 3 f) and angles of its own for every bone.
struct ExchangeLevel {
    Ttrlevel level;
    Tmesh_list meshes;
    explicit ExchangeLevel(int code, const std::vector<moveable_plan>& plans)
    {
        level.loaded_tag = "Vornisk";
        level.version_code = code;
        level.num_texture_pages = 1;
        if (code <= code_tr1_ub) {
            level.textile8.resize(texture_page_bytes8);
            for (std::size_t i = 0; i < level.textile8.size(); ++i) level.textile8[i] = std::uint8_t(i % 7);
            for (std::size_t i = 0; i < level.palette.size(); ++i) level.palette[i] = std::uint8_t(i % 64);
        } else {
            level.textile16.resize(texture_page_bytes16);
            for (int i = 0; i < 256 * 256; ++i) {
                const std::uint16_t t = synthetic_texel(i % 256, i / 256);
                level.textile16[2 * i] = std::uint8_t(t & 0xFF);
                level.textile16[2 * i + 1] = std::uint8_t(t >> 8);
            }
        }
        tobject_texture triangle = square_texture(0, 64, 0, 95, 31);
        triangle.corners[2] = std::exchange(triangle.corners[3], {});
        level.object_textures = {square_texture(0, 0, 0, 63, 63), triangle};
        meshes.meshes.push_back(tmesh{});
        meshes.mesh_index.push_back(0);
        for (std::size_t m = 0; m < plans.size(); ++m) add_moveable(static_cast<int>(m), plans[m]);
        sync_counts();
    }
    void sync_counts()
    {
        const auto count = [](const auto& list) { return static_cast<std::uint32_t>(list.size()); };
        level.num_moveables = count(level.moveables);
        level.num_animations = count(level.animations);
        level.num_frames = count(level.frames);
        level.num_mesh_trees = count(level.mesh_trees);
        level.num_object_textures = count(level.object_textures);
        level.num_static_meshes = count(level.static_meshes);
        level.num_mesh_pointers = count(meshes.mesh_index);
        meshes.count = static_cast<std::int32_t>(meshes.meshes.size());
    }
    // The decoded mesh of bone b of moveable m.
    tmesh& bone_mesh(int m, int b) { return meshes.meshes[static_cast<std::size_t>(meshes.bone_mesh(level, m, b))]; }
    // Adds a static mesh showing a fresh copy of `mesh`; returns its index.
    int add_static(const tmesh& mesh)
    {
        add_mesh(mesh);
        level.static_meshes.push_back(tstatic_mesh{});
        level.static_meshes.back().mesh = static_cast<std::uint16_t>(meshes.mesh_index.size() - 1);
        sync_counts();
        return static_cast<int>(level.static_meshes.size() - 1);
    }

private:
    void add_mesh(const tmesh& mesh)
    {
        meshes.meshes.push_back(mesh);
        meshes.mesh_index.push_back(static_cast<std::uint32_t>(meshes.meshes.size() - 1));
    }
    void add_moveable(int m, const moveable_plan& plan)
    {
        const tmoveable mv{.object_id = std::uint32_t(m), .num_meshes = std::uint16_t(plan.bones),
                           .starting_mesh = std::uint16_t(meshes.mesh_index.size()),
                           .mesh_tree = std::uint32_t(level.mesh_trees.size()),
                           .frame_offset = std::uint32_t(2 * level.frames.size()),
                           .animation = std::int16_t(plan.animations.empty() ? -1 : int(level.animations.size()))};
        for (int b = 0; b < plan.bones; ++b) {
            add_mesh(square_mesh(static_cast<std::int16_t>(-10 * b)));
            if (b == 0) continue;
            const auto i = static_cast<std::size_t>(b - 1);
            const tbone_link link = i < plan.links.size() ? plan.links[i] : tbone_link{0, 0, -100, 0};
            level.mesh_trees.insert(level.mesh_trees.end(), {link.flags, link.dx, link.dy, link.dz});
        }
        const int code = level.version_code;
        for (const int keyframes : plan.animations) {
            level.animations.push_back({.frame_offset = std::uint32_t(2 * level.frames.size()),
                                        .frame_rate = plan.frame_rate,
                                        .frame_size = std::uint8_t(code <= code_tr1_ub ? 0 : 9 + 2 * plan.bones),
                                        .frame_end = std::uint16_t(std::max(keyframes - 1, 0))});
            for (int f = 0; f < keyframes; ++f) {
                level.frames.insert(level.frames.end(), {-10, 10, -20, 20, -30, 30, std::int16_t(100 + 10 * f + m),
                                                         std::int16_t(-200 - f), std::int16_t(50 + 3 * f)});
                if (code <= code_tr1_ub) level.frames.push_back(static_cast<std::int16_t>(plan.bones));
                for (int b = 0; b < plan.bones; ++b)
                    put_rotation(level.frames, code,
                                 {std::uint32_t(37 * f + 11 * b + 5 * m), std::uint32_t(101 * f + 29 * b + 3),
                                  std::uint32_t(59 * f + 7 * b + 17 * m)});  // put_rotation keeps the low 10 bits
            }
        }
        level.moveables.push_back(mv);
    }
};

// The keyframe words of every animation, by level-wide index.
inline std::vector<std::vector<std::int16_t>> keyframe_words(const Ttrlevel& level)
{
    std::vector<std::vector<std::int16_t>> all;
    const auto word = [&](std::size_t k) {
        const std::size_t at = k < level.animations.size() ? level.animations[k].frame_offset / 2 : level.frames.size();
        return level.frames.begin() + static_cast<std::ptrdiff_t>(std::min(at, level.frames.size()));
    };
    for (std::size_t k = 0; k < level.animations.size(); ++k) all.emplace_back(word(k), std::max(word(k), word(k + 1)));
    return all;
}

// The frames and every offset and size an import may change, to show that a
// refused import changed nothing and a saved level reads back as it was.
inline std::vector<std::int64_t> level_state(const Ttrlevel& level)
{
    std::vector<std::int64_t> state(level.frames.begin(), level.frames.end());
    for (const tanimation& a : level.animations) state.insert(state.end(), {a.frame_offset, a.frame_size});
    for (const tmoveable& m : level.moveables) state.push_back(m.frame_offset);
    return state;
}

// The angle in degrees between the rotations of two decoded angle triples.
inline double rotation_difference(const tangles& a, const tangles& b)
{
    const bone_matrix ma = bone_local_transform(a, glm::dvec3(0.0)), mb = bone_local_transform(b, glm::dvec3(0.0));
    double trace = 0;
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) trace += ma[i][k] * mb[i][k];
    return std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * 180 / 3.14159265358979323846;
}

// A fresh folder for one test's files.
inline std::filesystem::path exchange_dir(const std::string& name)
{
    const std::filesystem::path dir = short_output_dir("milkshape-exchange") / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace kelanim::test
