// Models and helpers shared by the MilkShape tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "milkshape/ms3d_file.h"
#include "milkshape/ms3d_model.h"
#include "realdata.h"

namespace kelanim {
inline bool operator==(const MS3D_Keyframe& a, const MS3D_Keyframe& b)
{
    return a.time == b.time && a.value == b.value;
}
}  // namespace kelanim

// The tests name only the fields that matter; designated initializers leave the rest default.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kelanim::test {

using Vec3 = std::array<float, 3>;

inline MS3D_Vertex sample_vertex(float x, float y, float z, std::int8_t bone) { return {0, {x, y, z}, bone, 0}; }

inline MS3D_Triangle sample_triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint8_t group)
{
    return {0, {a, b, c}, {{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}}, {0, 1, 1}, {0, 0, 1}, 1, group};
}

inline MS3D_Keyframe key(float time, float x, float y, float z) { return {time, {x, y, z}}; }

inline MS3D_Joint sample_joint(const char* name, const char* parent, std::vector<MS3D_Keyframe> rotations,
                               std::vector<MS3D_Keyframe> translations)
{
    MS3D_Joint j{.rotation = {0, 0, 0.25f}, .position = {0, 1.5f, 0}};
    set_name(j.name, name);
    set_name(j.parent_name, parent);
    j.num_rotation_keys = static_cast<std::uint16_t>(rotations.size());
    j.num_translation_keys = static_cast<std::uint16_t>(translations.size());
    j.rotation_keys = std::move(rotations);
    j.translation_keys = std::move(translations);
    return j;
}

// Two groups (a quad of two triangles with a material, a lone triangle
// without), three chained joints with keys, 24 frames a second over 10 frames.
inline TMS3D_File sample_model(std::int32_t subversion)
{
    TMS3D_File m{.num_vertices = 7, .num_triangles = 3, .num_groups = 2, .num_materials = 1, .fps = 24,
                 .current_time = 1, .total_frames = 10, .num_joints = 3, .subversion = subversion};
    m.vertices = {sample_vertex(0, 0, 0, 0), sample_vertex(1, 0, 0, 0), sample_vertex(1, 1, 0, 1),
                  sample_vertex(0, 1, 0, 1), sample_vertex(2, 0, 1, 2), sample_vertex(3, 0, 1, 2),
                  sample_vertex(2.5f, 1, -1, -1)};
    m.vertex_extras.assign(7, MS3D_VertexExtra{});
    m.vertex_extras[2] = {{0, -1, -1}, {33, 0, 0}, 7};
    m.vertex_extras[4] = {{1, 0, -1}, {100, 50, 0}, 0};
    m.triangles = {sample_triangle(0, 1, 2, 0), sample_triangle(0, 2, 3, 0), sample_triangle(4, 5, 6, 1)};
    m.groups = {{.num_triangles = 2, .triangle_indices = {0, 1}, .material_index = 0},
                {.num_triangles = 1, .triangle_indices = {2}, .material_index = -1}};
    set_name(m.groups[0].name, "Quad");
    set_name(m.groups[1].name, "Lone");
    m.materials = {{.ambient = {0.2f, 0.2f, 0.2f, 1}, .diffuse = {0.8f, 0.7f, 0.6f, 1}, .emissive = {0.1f, 0, 0, 1},
                    .transparency = 1}};
    set_name(m.materials[0].name, "Skin");
    set_name(m.materials[0].texture, "page0.bmp");
    m.joints = {sample_joint("Root", "", {key(1 / 24.f, 0, 0, 0), key(5 / 24.f, 0, 0, 1)},
                             {key(1 / 24.f, 0, 0, 0), key(9 / 24.f, 0, 4, 0)}),
                sample_joint("Arm", "Root", {key(1 / 24.f, 0.5f, 0, 0), key(3 / 24.f, 0, 0, 0), key(7 / 24.f, 0, 1, 0)},
                             {key(1 / 24.f, 0, 1.5f, 0)}),
                sample_joint("Hand", "Arm", {key(2 / 24.f, 0, 0, 0.5f)}, {key(2 / 24.f, 0, 1.5f, 0)})};
    m.joints[2].flags = 8;
    return m;
}

inline std::filesystem::path temp_path(const std::string& name) { return output_dir("milkshape") / name; }

inline std::vector<std::uint8_t> saved_bytes(TMS3D_File model, const std::string& name)
{
    save_ms3d(model, temp_path(name).string());
    return read_file(temp_path(name));
}

// Loads `bytes` written to a fresh file `name`, by the reader its extension names.
inline std::int16_t load_bytes(TMS3D_File& model, const std::vector<std::uint8_t>& bytes, bool interpolate = false,
                               const std::string& name = "loaded.ms3d")
{
    const auto path = temp_path(name);
    std::filesystem::remove(path);  // rewriting a file in place waits for the disk
    Bytes().append(bytes).save(path);
    return load_ms3d(model, path.string(), interpolate);
}

inline std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace kelanim::test
