#include "milkshape/export_collect.h"

#include <cstring>
#include <utility>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "milkshape/exchange_angles.h"
#include "render/texture_pages.h"

namespace kelanim {

namespace {

template <class T>
std::int32_t three_way(T a, T b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

MS3D_Vertex export_vertex(std::int32_t bone, const TVector3& point)
{
    MS3D_Vertex v;
    v.flags = 0;
    v.position = {point.x, point.y, point.z};
    v.bone_id = static_cast<std::int8_t>(bone & 0xFF);
    v.reference_count = 0;
    return v;
}

// Texture coordinates and new page of a textured face; a face whose texture
// the repacking could not give a number keeps (0, 0) and page 0.
void face_texture(const export_collection& work, std::uint16_t effects, std::array<texture_coord, 4>& uv,
                  std::int32_t& group)
{
    uv = {};
    group = 0;
    if (!work.textures || effects >= work.textures->size()) return;
    const tobject_texture& texture = (*work.textures)[effects];
    uv = texture_uv(texture, work.version_code);
    group = texture.tile & 0x7FFF;
}

void add_triangle(export_collection& work, const std::array<TVector3, 4>& points,
                  const std::array<texture_coord, 4>& uv, std::array<int, 3> corners, std::int32_t bone,
                  std::int32_t group)
{
    ttriangle_item item;
    item.bone = bone;
    item.group = group;
    for (int i = 0; i < 3; ++i) {
        const int c = corners[static_cast<std::size_t>(i)];
        item.points[static_cast<std::size_t>(i)] = points[static_cast<std::size_t>(c)];
        item.uvs[static_cast<std::size_t>(i)] = {uv[static_cast<std::size_t>(c)].u, uv[static_cast<std::size_t>(c)].v};
    }
    work.triangles.push_back(item);
}

template <class Face>
void collect_face(export_collection& work, const tmesh& mesh, const Face& face, bool textured, std::int32_t bone,
                  const TVector3& placement)
{
    constexpr std::size_t corners = std::tuple_size_v<decltype(face.vertices)>;
    // A decoded mesh keeps no face whose corner names a missing vertex; a
    // mesh made otherwise is held to the same rule here.
    for (std::size_t i = 0; i < corners; ++i)
        if (face.vertices[i] >= mesh.vertices.size()) return;
    std::array<TVector3, 4> points{};
    for (std::size_t i = 0; i < corners; ++i) {
        const tmesh_vertex& v = mesh.vertices[face.vertices[i]];
        points[i] = VectorAdd(exchange_point(v), placement);
        const MS3D_Vertex vertex = export_vertex(bone, points[i]);
        if (work.vertex_set.index_of(&vertex) < 0) work.vertex_set.add_sorted(&vertex);
    }
    std::array<texture_coord, 4> uv{};
    std::int32_t group = 0;
    if (textured) face_texture(work, face.effects, uv, group);
    if constexpr (corners == 4) {
        add_triangle(work, points, uv, {1, 0, 3}, bone, group);
        add_triangle(work, points, uv, {1, 3, 2}, bone, group);
    } else {
        add_triangle(work, points, uv, {1, 0, 2}, bone, group);
    }
}

}  // namespace

std::int32_t compare_export_vertex(const void* a, const void* b)
{
    MS3D_Vertex va, vb;
    std::memcpy(&va, a, sizeof va);
    std::memcpy(&vb, b, sizeof vb);
    if (const auto c = three_way(va.bone_id, vb.bone_id)) return c;
    for (std::size_t i = 0; i < 3; ++i)
        if (const auto c = three_way(va.position[i], vb.position[i])) return c;
    return 0;
}

export_collection::export_collection() : vertex_set(sizeof(MS3D_Vertex), 100)
{
    vertex_set.compare = compare_export_vertex;
}

std::int32_t export_collection::vertex_index(std::int32_t bone, const TVector3& point) const
{
    const MS3D_Vertex vertex = export_vertex(bone, point);
    return vertex_set.index_of(&vertex);
}

TVector3 exchange_point(const tmesh_vertex& v)
{
    return VectorMake(v.x / extended{100}, -v.y / extended{100}, -v.z / extended{100});
}

void collect_mesh(export_collection& work, const tmesh& mesh, std::int32_t bone, const TVector3& placement)
{
    for (const tmesh_face4& face : mesh.textured_rects) collect_face(work, mesh, face, true, bone, placement);
    for (const tmesh_face3& face : mesh.textured_tris) collect_face(work, mesh, face, true, bone, placement);
    if (work.version_code >= code_tr1 && work.version_code <= code_tr3) {
        for (const tmesh_face4& face : mesh.coloured_rects) collect_face(work, mesh, face, false, bone, placement);
        for (const tmesh_face3& face : mesh.coloured_tris) collect_face(work, mesh, face, false, bone, placement);
    }
}

void collect_moveable(export_collection& work, const Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m,
                      std::int32_t j)
{
    if (!level.is_loaded() || m < 0 || static_cast<std::size_t>(m) >= level.moveables.size()) return;
    const std::int32_t num_bones = level.moveables[static_cast<std::size_t>(m)].num_meshes;
    const std::int32_t c = keyframe_count(level, m, j);
    work.bones.assign(static_cast<std::size_t>(num_bones), tbone{});
    for (tbone& bone : work.bones) {
        bone.num_frames = c;
        bone.rotations.assign(static_cast<std::size_t>(c), TVector3{});
    }

    // The rest pose: every angle 0, the root where the level keeps it. The
    // walk keeps its own stack of saved placements and parents; a pop with
    // nothing saved keeps the current ones.
    TVector3 placement{};
    std::vector<std::pair<TVector3, std::int32_t>> saved;
    for (std::int32_t b = 0; b < num_bones; ++b) {
        tbone& bone = work.bones[static_cast<std::size_t>(b)];
        if (b >= 1) {
            std::int32_t parent = b;  // the previous bone, counted from 1
            const tbone_link link = bone_link(level, m, b).value_or(tbone_link{});
            if ((link.flags & link_pop) && !saved.empty()) {
                std::tie(placement, parent) = saved.back();
                saved.pop_back();
            }
            if (link.flags & link_push) saved.emplace_back(placement, parent);
            placement = VectorAdd(placement, VectorMake(link.dx / extended{100}, -link.dy / extended{100},
                                                        -link.dz / extended{100}));
            bone.parent = parent;
            bone.placement = placement;
            bone.position = VectorAdd(placement, VectorMake(link.dx / extended{10000}, link.dy / extended{10000},
                                                            link.dz / extended{10000}));
        }
        bone.first_triangle = static_cast<std::int32_t>(work.triangles.size());
        const std::int32_t mesh = meshes.bone_mesh(level, m, b);
        if (mesh >= 0 && static_cast<std::size_t>(mesh) < meshes.meshes.size())
            collect_mesh(work, meshes.meshes[static_cast<std::size_t>(mesh)], b, bone.placement);
        bone.num_triangles = static_cast<std::int32_t>(work.triangles.size()) - bone.first_triangle;
    }
}

void collect_rotations(export_collection& work, const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    if (!level.is_loaded() || m < 0 || static_cast<std::size_t>(m) >= level.moveables.size()) return;
    const std::int32_t c = keyframe_count(level, m, j);
    work.root_offsets.assign(static_cast<std::size_t>(c), {});
    for (std::int32_t n = 0; n < c; ++n) {
        const tpose pose = decode_keyframe(level, m, j, n);
        work.root_offsets[static_cast<std::size_t>(n)] = pose.offset;
        for (std::size_t b = 0; b < work.bones.size() && b < pose.angles.size(); ++b) {
            tbone& bone = work.bones[b];
            if (static_cast<std::size_t>(n) >= bone.rotations.size()) continue;
            const tangles& a = pose.angles[b];
            bone.rotations[static_cast<std::size_t>(n)] = milkshape_angles(a.x, a.y, a.z);
        }
    }
}

}  // namespace kelanim
