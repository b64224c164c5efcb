#include "ms3d_model.h"

namespace kelanim {

void clear_ms3d(TMS3D_File& model)
{
    model.vertices.clear();
    model.tex_coords.clear();
    model.vertex_extras.clear();
    model.triangles.clear();
    model.triangle_normals.clear();
    model.normals.clear();
    model.groups.clear();  // each group owns its triangle indices
    model.materials.clear();
    model.joints.clear();  // each joint owns its key arrays
    model.num_vertices = 0;
    model.num_triangles = 0;
    model.num_normals = 0;
    model.num_groups = 0;
    model.num_materials = 0;
    model.num_joints = 0;
}

namespace {

std::string mismatch(const char* what, std::size_t count, std::size_t held)
{
    return std::string(what) + " count is " + std::to_string(count) + " but " + std::to_string(held) +
           " are held";
}

}  // namespace

std::string model_inconsistency(const TMS3D_File& m, bool for_ascii)
{
    if (m.vertices.size() != m.num_vertices) return mismatch("vertex", m.num_vertices, m.vertices.size());
    if (m.triangles.size() != m.num_triangles) return mismatch("triangle", m.num_triangles, m.triangles.size());
    if (m.groups.size() != m.num_groups) return mismatch("group", m.num_groups, m.groups.size());
    if (m.materials.size() != m.num_materials) return mismatch("material", m.num_materials, m.materials.size());
    if (m.joints.size() != m.num_joints) return mismatch("joint", m.num_joints, m.joints.size());
    bool extras_needed = for_ascii || (m.subversion > 0 && m.num_vertices > 0);
    if (extras_needed && m.vertex_extras.size() != m.num_vertices)
        return mismatch("vertex extra", m.num_vertices, m.vertex_extras.size());

    for (std::size_t i = 0; i < m.triangles.size(); ++i)
        for (std::uint16_t v : m.triangles[i].vertex_indices)
            if (v >= m.num_vertices)
                return "triangle " + std::to_string(i) + " names vertex " + std::to_string(v) + " of " +
                       std::to_string(m.num_vertices);
    for (std::size_t g = 0; g < m.groups.size(); ++g) {
        const MS3D_Group& group = m.groups[g];
        if (group.triangle_indices.size() != group.num_triangles)
            return "group " + std::to_string(g) + ": " +
                   mismatch("triangle", group.num_triangles, group.triangle_indices.size());
        for (std::uint16_t t : group.triangle_indices)
            if (t >= m.num_triangles)
                return "group " + std::to_string(g) + " names triangle " + std::to_string(t) + " of " +
                       std::to_string(m.num_triangles);
    }
    for (std::size_t j = 0; j < m.joints.size(); ++j) {
        const MS3D_Joint& joint = m.joints[j];
        if (joint.rotation_keys.size() != joint.num_rotation_keys)
            return "joint " + std::to_string(j) + ": " +
                   mismatch("rotation key", joint.num_rotation_keys, joint.rotation_keys.size());
        if (joint.translation_keys.size() != joint.num_translation_keys)
            return "joint " + std::to_string(j) + ": " +
                   mismatch("translation key", joint.num_translation_keys, joint.translation_keys.size());
    }

    if (!for_ascii) return {};
    if (m.tex_coords.size() != m.num_vertices)
        return mismatch("texture coordinate", m.num_vertices, m.tex_coords.size());
    if (m.normals.size() != m.num_normals) return mismatch("normal", m.num_normals, m.normals.size());
    if (m.triangle_normals.size() != m.num_triangles)
        return mismatch("triangle normal", m.num_triangles, m.triangle_normals.size());
    for (std::size_t i = 0; i < m.triangle_normals.size(); ++i)
        for (std::int32_t n : m.triangle_normals[i].normal_indices)
            if (n < 0 || n >= m.num_normals)
                return "triangle " + std::to_string(i) + " names normal " + std::to_string(n) + " of " +
                       std::to_string(m.num_normals);
    return {};
}

}  // namespace kelanim
