// Models and helpers shared by the MilkShape tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "milkshape/ms3d_file.h"
#include "milkshape/ms3d_model.h"
#include "byte_builder.h"
#include "realdata.h"

namespace kelanim::test {

inline MS3D_Vertex sample_vertex(float x, float y, float z, std::int8_t bone)
{
    MS3D_Vertex v;
    v.position = {x, y, z};
    v.bone_id = bone;
    return v;
}

inline MS3D_Triangle sample_triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint8_t group)
{
    MS3D_Triangle t;
    t.vertex_indices = {a, b, c};
    for (auto& n : t.vertex_normals) n = {0, 0, 1};
    t.s = {0, 1, 1};
    t.t = {0, 0, 1};
    t.smoothing_group = 1;
    t.group_index = group;
    return t;
}

inline MS3D_Keyframe key(float time, float x, float y, float z) { return {time, {x, y, z}}; }

inline MS3D_Joint sample_joint(const char* name, const char* parent, std::vector<MS3D_Keyframe> rotations,
                               std::vector<MS3D_Keyframe> translations)
{
    MS3D_Joint j;
    set_name(j.name, name);
    set_name(j.parent_name, parent);
    j.position = {0, 1.5f, 0};
    j.rotation = {0, 0, 0.25f};
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
    TMS3D_File m;
    m.vertices = {sample_vertex(0, 0, 0, 0),     sample_vertex(1, 0, 0, 0), sample_vertex(1, 1, 0, 1),
                  sample_vertex(0, 1, 0, 1),     sample_vertex(2, 0, 1, 2), sample_vertex(3, 0, 1, 2),
                  sample_vertex(2.5f, 1, -1, -1)};
    m.num_vertices = 7;
    m.vertex_extras.assign(7, MS3D_VertexExtra{});
    m.vertex_extras[2] = {{0, -1, -1}, {33, 0, 0}, 7};
    m.vertex_extras[4] = {{1, 0, -1}, {100, 50, 0}, 0};
    m.triangles = {sample_triangle(0, 1, 2, 0), sample_triangle(0, 2, 3, 0), sample_triangle(4, 5, 6, 1)};
    m.num_triangles = 3;

    MS3D_Group quad, lone;
    set_name(quad.name, "Quad");
    quad.num_triangles = 2;
    quad.triangle_indices = {0, 1};
    quad.material_index = 0;
    set_name(lone.name, "Lone");
    lone.num_triangles = 1;
    lone.triangle_indices = {2};
    lone.material_index = -1;
    m.groups = {quad, lone};
    m.num_groups = 2;

    MS3D_Material material;
    set_name(material.name, "Skin");
    material.diffuse = {0.8f, 0.7f, 0.6f, 1};
    material.ambient = {0.2f, 0.2f, 0.2f, 1};
    material.transparency = 1;
    set_name(material.texture, "page0.bmp");
    m.materials = {material};
    m.num_materials = 1;

    m.fps = 24;
    m.current_time = 1;
    m.total_frames = 10;
    m.joints = {sample_joint("Root", "", {key(1 / 24.f, 0, 0, 0), key(5 / 24.f, 0, 0, 1)},
                             {key(1 / 24.f, 0, 0, 0), key(9 / 24.f, 0, 4, 0)}),
                sample_joint("Arm", "Root", {key(1 / 24.f, 0.5f, 0, 0), key(3 / 24.f, 0, 0, 0), key(7 / 24.f, 0, 1, 0)},
                             {key(1 / 24.f, 0, 1.5f, 0)}),
                sample_joint("Hand", "Arm", {key(2 / 24.f, 0, 0, 0.5f)}, {key(2 / 24.f, 0, 1.5f, 0)})};
    m.num_joints = 3;
    m.subversion = subversion;
    return m;
}

inline std::filesystem::path temp_path(const std::string& name) { return output_dir("milkshape") / name; }

inline std::vector<std::uint8_t> saved_bytes(TMS3D_File model, const std::string& name)
{
    auto path = temp_path(name);
    save_ms3d(model, path.string());
    return read_file(path);
}

}  // namespace kelanim::test
