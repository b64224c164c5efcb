#include "milkshape/export_model.h"

#include <cstring>

namespace kelanim {

namespace {

MS3D_Triangle model_triangle(const export_collection& work, const ttriangle_item& item)
{
    MS3D_Triangle triangle;
    triangle.flags = 0;
    const TVector3 normal = TriangleNormal(item.points[0], item.points[1], item.points[2]);
    for (std::size_t i = 0; i < 3; ++i) {
        triangle.vertex_indices[i] = static_cast<std::uint16_t>(work.vertex_index(item.bone, item.points[i]));
        triangle.vertex_normals[i] = {normal.x, normal.y, normal.z};
        triangle.s[i] = item.uvs[i].u;
        triangle.t[i] = item.uvs[i].v;
    }
    triangle.smoothing_group = 1;
    triangle.group_index = 0;
    return triangle;
}

MS3D_Material page_material(std::int32_t page, const export_model_settings& settings)
{
    MS3D_Material material;
    set_name(material.name, "Material#" + std::to_string(page));
    material.ambient = {0, 0, 0, 0};
    material.diffuse = {0.5f, 0.5f, 0.5f, 0};
    material.specular = {0.25f, 0.25f, 0.25f, 0};
    material.emissive = {0, 0, 0, 0};
    material.shininess = 0.1f;
    material.transparency = 1.0f;
    material.mode = 0;
    set_name(material.texture, page_file_name(settings.prefix, page, settings.page_count));
    return material;
}

void add_group(TMS3D_File& model, const std::string& name, std::int8_t material,
               std::vector<std::uint16_t> triangles)
{
    MS3D_Group group;
    group.flags = 0;
    set_name(group.name, name);
    group.material_index = material;
    group.num_triangles = static_cast<std::uint16_t>(triangles.size());
    group.triangle_indices = std::move(triangles);
    model.groups.push_back(std::move(group));
}

void add_triangles(const export_collection& work, const std::vector<std::size_t>& kept, TMS3D_File& model)
{
    for (std::size_t i : kept) model.triangles.push_back(model_triangle(work, work.triangles[i]));
    model.triangle_normals.assign(model.triangles.size(), MS3D_TriangleNormals{});
    model.num_triangles = static_cast<std::uint16_t>(model.triangles.size());
}

void add_groups_by_bone(const export_collection& work, TMS3D_File& model)
{
    std::vector<std::size_t> all(work.triangles.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    add_triangles(work, all, model);
    for (std::size_t b = 0; b < work.bones.size(); ++b) {
        const tbone& bone = work.bones[b];
        std::vector<std::uint16_t> indices;
        for (std::int32_t k = 0; k < bone.num_triangles; ++k)
            indices.push_back(static_cast<std::uint16_t>(bone.first_triangle + k));
        add_group(model, "Mesh#" + std::to_string(b), -1, std::move(indices));
    }
}

void add_groups_by_texture(const export_collection& work, const export_model_settings& settings, TMS3D_File& model)
{
    // Only triangles on a page that has a group go into the model.
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < work.triangles.size(); ++i)
        if (work.triangles[i].group >= 0 && work.triangles[i].group < settings.page_count) kept.push_back(i);
    add_triangles(work, kept, model);
    for (std::int32_t p = 0; p < settings.page_count; ++p) {
        std::vector<std::uint16_t> indices;
        for (std::size_t k = 0; k < kept.size(); ++k)
            if (work.triangles[kept[k]].group == p) indices.push_back(static_cast<std::uint16_t>(k));
        add_group(model, "Texture#" + std::to_string(p), static_cast<std::int8_t>(p), std::move(indices));
        model.materials.push_back(page_material(p, settings));
    }
}

void add_joints(const export_collection& work, const export_model_settings& settings, TMS3D_File& model)
{
    // Positions relative to the parent, made from the last bone to the
    // first so that every parent is still absolute when its children use it.
    std::vector<TVector3> relative(work.bones.size());
    for (std::size_t b = work.bones.size(); b-- > 1;) {
        const std::int32_t parent = work.bones[b].parent - 1;
        const TVector3 origin =
            parent >= 0 && static_cast<std::size_t>(parent) < work.bones.size() ? work.bones[parent].position : TVector3{};
        relative[b] = VectorSub(work.bones[b].position, origin);
    }
    for (std::size_t b = 0; b < work.bones.size(); ++b) {
        const tbone& bone = work.bones[b];
        MS3D_Joint joint;
        joint.flags = 0;
        set_name(joint.name, "Bone#" + std::to_string(b));
        if (bone.parent > 0) set_name(joint.parent_name, "Bone#" + std::to_string(bone.parent - 1));
        joint.rotation = {0, 0, 0};
        joint.position = {relative[b].x, relative[b].y, relative[b].z};
        const std::size_t keys = bone.rotations.size();
        joint.rotation_keys.resize(keys);
        joint.translation_keys.resize(keys);
        for (std::size_t n = 0; n < keys; ++n) {
            const float time = static_cast<float>((static_cast<extended>(n) + 1) / settings.fps);
            const TVector3& r = bone.rotations[n];
            joint.rotation_keys[n] = {time,
                                      {static_cast<float>(DegToRad(r.x)), static_cast<float>(DegToRad(r.y)),
                                       static_cast<float>(DegToRad(r.z))}};
            joint.translation_keys[n].time = time;
            if (b == 0 && n < work.root_offsets.size()) {
                const auto& offset = work.root_offsets[n];
                const TVector3 root = exchange_point(tmesh_vertex{offset[0], offset[1], offset[2]});
                joint.translation_keys[n].value = {root.x, root.y, root.z};
            }
        }
        joint.num_rotation_keys = static_cast<std::uint16_t>(keys);
        joint.num_translation_keys = static_cast<std::uint16_t>(keys);
        model.joints.push_back(std::move(joint));
    }
    model.num_joints = static_cast<std::uint16_t>(model.joints.size());
}

}  // namespace

void build_export_model(const export_collection& work, const export_model_settings& settings, TMS3D_File& model)
{
    clear_ms3d(model);

    const std::int32_t n = work.vertex_set.count();
    model.vertices.resize(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
        std::memcpy(&model.vertices[static_cast<std::size_t>(i)], work.vertex_set.item_at(i), sizeof(MS3D_Vertex));
    model.num_vertices = static_cast<std::uint16_t>(n);
    model.tex_coords.assign(static_cast<std::size_t>(n), MS3D_TexCoord{});
    MS3D_VertexExtra extra;
    extra.bone_ids = {-1, -1, -1};
    extra.weights = {100, 0, 0};
    extra.extra = 0;
    model.vertex_extras.assign(static_cast<std::size_t>(n), extra);

    if (settings.view_mode == export_moveable && settings.by_bones)
        add_groups_by_bone(work, model);
    else
        add_groups_by_texture(work, settings, model);
    model.num_groups = static_cast<std::uint16_t>(model.groups.size());
    model.num_materials = static_cast<std::uint16_t>(model.materials.size());

    model.fps = settings.fps;
    model.current_time = settings.current_time;
    model.total_frames = settings.total_frames;
    if (settings.view_mode == export_moveable) add_joints(work, settings, model);
}

}  // namespace kelanim
