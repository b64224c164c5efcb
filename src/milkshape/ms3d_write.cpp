// save_ms3d: the model as a binary .ms3d file.
#include <algorithm>
#include <stdexcept>

#include "level/zfile.h"
#include "ms3d_bytes.h"
#include "ms3d_file.h"

namespace kelanim {

namespace {

using ms3d_detail::ByteWriter;

void write_vertex(ByteWriter& out, const MS3D_Vertex& v)
{
    out.put(v.flags);
    out.put(v.position);
    out.put(v.bone_id);
    out.put(v.reference_count);
}

void write_triangle(ByteWriter& out, const MS3D_Triangle& t)
{
    out.put(t.flags);
    out.put(t.vertex_indices);
    out.put(t.vertex_normals);
    out.put(t.s);
    out.put(t.t);
    out.put(t.smoothing_group);
    out.put(t.group_index);
}

void write_group(ByteWriter& out, const MS3D_Group& g)
{
    out.put(g.flags);
    out.put(g.name);
    out.put(g.num_triangles);
    out.bytes(g.triangle_indices.data(), g.triangle_indices.size() * sizeof(std::uint16_t));
    out.put(g.material_index);
}

void write_material(ByteWriter& out, const MS3D_Material& m)
{
    out.put(m.name);
    out.put(m.ambient);
    out.put(m.diffuse);
    out.put(m.specular);
    out.put(m.emissive);
    out.put(m.shininess);
    out.put(m.transparency);
    out.put(m.mode);
    out.put(m.texture);
    out.put(m.alphamap);
}

void write_keys(ByteWriter& out, const std::vector<MS3D_Keyframe>& keys)
{
    for (const MS3D_Keyframe& key : keys) {
        out.put(key.time);
        out.put(key.value);
    }
}

void write_joint(ByteWriter& out, const MS3D_Joint& j)
{
    out.put(j.flags);
    out.put(j.name);
    out.put(j.parent_name);
    out.put(j.rotation);
    out.put(j.position);
    out.put(j.num_rotation_keys);
    out.put(j.num_translation_keys);
    write_keys(out, j.rotation_keys);
    write_keys(out, j.translation_keys);
}

// The comment section (all four kinds empty) and the vertex extras.
void write_trailer(ByteWriter& out, const TMS3D_File& model)
{
    out.put(std::int32_t{1});  // comment subversion
    for (int kind = 0; kind < 4; ++kind) out.put(std::int32_t{0});  // group, material, joint, model comments
    out.put(model.subversion);
    for (const MS3D_VertexExtra& e : model.vertex_extras) {
        out.put(e.bone_ids);
        out.put(e.weights);
        if (model.subversion >= 2) out.put(e.extra);
        if (model.subversion >= 3) out.put(std::uint32_t{0});  // MilkShape 1.8's second extra word
    }
}

}  // namespace

std::vector<std::uint8_t> encode_ms3d(TMS3D_File& model)
{
    std::copy_n(ms3d_signature, model.id.size(), model.id.begin());
    model.version = ms3d_version;
    if (std::string problem = model_inconsistency(model); !problem.empty())
        throw std::invalid_argument("Cannot save the MilkShape model: " + problem);

    ByteWriter out;
    out.put(model.id);
    out.put(model.version);
    out.put(model.num_vertices);
    for (const MS3D_Vertex& v : model.vertices) write_vertex(out, v);
    out.put(model.num_triangles);
    for (const MS3D_Triangle& t : model.triangles) write_triangle(out, t);
    out.put(model.num_groups);
    for (const MS3D_Group& g : model.groups) write_group(out, g);
    out.put(model.num_materials);
    for (const MS3D_Material& m : model.materials) write_material(out, m);
    out.put(model.fps);
    out.put(model.current_time);
    out.put(model.total_frames);
    out.put(model.num_joints);
    for (const MS3D_Joint& j : model.joints) write_joint(out, j);
    if (model.subversion >= 1 && model.num_vertices != 0) write_trailer(out, model);
    return out.data();
}

void save_ms3d(TMS3D_File& model, const std::string& path)
{
    const std::vector<std::uint8_t> bytes = encode_ms3d(model);
    write_file_atomically(path, bytes.data(), bytes.size());
}

}  // namespace kelanim
