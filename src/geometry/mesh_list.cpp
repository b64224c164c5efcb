#include "geometry/mesh_list.h"

#include <algorithm>
#include <cstring>

namespace kelanim {

static_assert(sizeof(tmesh_vertex) == 6, "vertices are copied from the file as they lie");
static_assert(sizeof(tmesh_face4) == 12 && sizeof(tmesh_face3) == 10,
              "faces of codes 6 and 7 are copied from the file as they lie");

namespace {

// Reads the fields of one mesh without ever passing the end of the bytes. A
// read that does not fit takes what is left, so the cursor always advances.
class MeshCursor {
public:
    MeshCursor(const std::uint8_t* bytes, std::uint32_t size, std::uint32_t pos)
        : bytes_(bytes), size_(size), pos_(std::min(pos, size))
    {
    }

    std::uint32_t pos() const { return pos_; }
    std::uint32_t remaining() const { return size_ - pos_; }
    bool ran_out() const { return ran_out_; }

    template <class T>
    T value()
    {
        T v{};
        if (remaining() < sizeof(T)) {
            run_out();
            return v;
        }
        std::memcpy(&v, bytes_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return v;
    }

    // Reads up to `count` records of `file_size` bytes each into `out` (whose
    // elements are at least that large, the rest left zero). Fewer are read
    // when the bytes run out.
    template <class T>
    void records(std::vector<T>& out, std::int32_t count, std::uint32_t file_size)
    {
        out.clear();
        if (count <= 0) return;
        const std::uint32_t fit = std::min(std::uint32_t(count), remaining() / file_size);
        out.resize(fit);
        if (fit > 0 && file_size == sizeof(T)) {
            std::memcpy(out.data(), bytes_ + pos_, std::size_t(fit) * file_size);
        } else {
            for (std::uint32_t i = 0; i < fit; ++i) std::memcpy(&out[i], bytes_ + pos_ + i * file_size, file_size);
        }
        pos_ += fit * file_size;
        if (fit < std::uint32_t(count)) run_out();
    }

    void skip(std::uint32_t n) { pos_ += std::min(n, remaining()); }

private:
    void run_out()
    {
        ran_out_ = true;
        pos_ = size_;
    }

    const std::uint8_t* bytes_;
    std::uint32_t size_;
    std::uint32_t pos_;
    bool ran_out_ = false;
};

template <class Face>
bool corners_exist(const Face& face, std::size_t num_vertices)
{
    return std::ranges::all_of(face.vertices, [&](std::uint16_t v) { return v < num_vertices; });
}

// Leaves out faces whose corners are not all vertices of the mesh.
template <class Face>
std::int32_t drop_broken_faces(std::vector<Face>& faces, std::size_t num_vertices)
{
    return std::int32_t(std::erase_if(faces, [&](const Face& f) { return !corners_exist(f, num_vertices); }));
}

template <class Face>
void widen_bounds(tmesh& mesh, const std::vector<Face>& faces)
{
    for (const Face& face : faces)
        for (std::uint16_t corner : face.vertices) {
            const tmesh_vertex& v = mesh.vertices[corner];
            const float view[3] = {float(v.x) / 100.0f, -float(v.y) / 100.0f, -float(v.z) / 100.0f};
            for (int axis = 0; axis < 3; ++axis) {
                mesh.bounds_min[axis] = std::min(mesh.bounds_min[axis], double(view[axis]));
                mesh.bounds_max[axis] = std::max(mesh.bounds_max[axis], double(view[axis]));
            }
        }
}

void compute_bounds(tmesh& mesh)
{
    mesh.bounds_min.fill(empty_bounds_min);
    mesh.bounds_max.fill(empty_bounds_max);
    widen_bounds(mesh, mesh.textured_rects);
    widen_bounds(mesh, mesh.textured_tris);
    widen_bounds(mesh, mesh.coloured_rects);
    widen_bounds(mesh, mesh.coloured_tris);
    for (int axis = 0; axis < 3; ++axis)
        mesh.centre_shift[axis] =
            -(mesh.bounds_min[axis] + (mesh.bounds_max[axis] - mesh.bounds_min[axis]) / 2.0);
}

// Skin rule of a generation: which object lends its meshes to bones that
// point at the level's first mesh, and which one bone keeps the first mesh.
struct SkinRule {
    std::uint32_t object_id;
    std::int32_t exempt_moveable;
    std::int32_t exempt_bone;  // counted from 1
};

SkinRule skin_rule(std::int32_t version_code)
{
    if (version_code >= code_tr4) return {8, 1, 11};
    if (version_code == code_tr3) return {315, 1, 2};
    // TR1 and TR2, the .TRG form of TR2 included: Lara herself.
    return {0, 0, 1};
}

}  // namespace

std::uint32_t decode_mesh(const std::uint8_t* bytes, std::uint32_t size, std::uint32_t offset,
                          std::int32_t version_code, tmesh& mesh)
{
    mesh = tmesh{};
    mesh.data_offset = offset;
    MeshCursor in(bytes, size, offset);
    const bool tr4_layout = version_code >= code_tr4;

    for (auto& c : mesh.centre) c = in.value<std::int16_t>();
    mesh.coll_radius = in.value<std::int32_t>();

    in.records(mesh.vertices, in.value<std::int16_t>(), 6);

    const std::int16_t normal_count = in.value<std::int16_t>();
    if (normal_count >= 0) {
        in.records(mesh.normals, normal_count, 6);
    } else {
        in.records(mesh.lights, -std::int32_t{normal_count}, 2);
    }

    in.records(mesh.textured_rects, in.value<std::int16_t>(), tr4_layout ? 12 : 10);
    in.records(mesh.textured_tris, in.value<std::int16_t>(), tr4_layout ? 10 : 8);
    if (!tr4_layout) {
        in.records(mesh.coloured_rects, in.value<std::int16_t>(), 10);
        in.records(mesh.coloured_tris, in.value<std::int16_t>(), 8);
    }
    mesh.cut_short = in.ran_out();

    const std::size_t nv = mesh.vertices.size();
    mesh.num_dropped_faces = drop_broken_faces(mesh.textured_rects, nv) + drop_broken_faces(mesh.textured_tris, nv) +
                             drop_broken_faces(mesh.coloured_rects, nv) + drop_broken_faces(mesh.coloured_tris, nv);

    mesh.num_vertices = std::int16_t(mesh.vertices.size());
    mesh.num_normals = normal_count >= 0 ? std::int16_t(mesh.normals.size()) : std::int16_t(-std::int32_t(mesh.lights.size()));
    mesh.num_textured_rects = std::int16_t(mesh.textured_rects.size());
    mesh.num_textured_tris = std::int16_t(mesh.textured_tris.size());
    mesh.num_coloured_rects = std::int16_t(mesh.coloured_rects.size());
    mesh.num_coloured_tris = std::int16_t(mesh.coloured_tris.size());

    compute_bounds(mesh);

    // Meshes start on 4-byte boundaries relative to one another.
    if ((in.pos() - offset) % 4 != 0) in.skip(2);
    return in.pos() - offset;
}

void Tmesh_list::decode_meshes(const Ttrlevel& level)
{
    meshes.clear();
    count = 0;

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(level.mesh_data.data());
    const std::uint32_t size =
        std::uint32_t(std::min<std::uint64_t>(std::uint64_t(level.num_mesh_data) * 2, level.mesh_data.size() * 2));
    for (std::uint32_t cursor = 0; cursor < size;) {
        tmesh& mesh = meshes.emplace_back();
        const std::uint32_t used = decode_mesh(bytes, size, cursor, level.version_code, mesh);
        if (used == 0) {  // cannot happen while bytes remain; guards the loop all the same
            meshes.pop_back();
            break;
        }
        cursor += used;
    }
    count = std::int32_t(meshes.size());

    // Meshes lie in ascending order of their offsets, so a pointer is found by bisection.
    const std::size_t num_pointers = std::min<std::size_t>(level.num_mesh_pointers, level.mesh_pointers.size());
    mesh_index.assign(num_pointers, 0);
    num_unmatched_pointers = 0;
    for (std::size_t p = 0; p < num_pointers; ++p) {
        const std::uint32_t target = level.mesh_pointers[p];
        auto it = std::ranges::lower_bound(meshes, target, {}, &tmesh::data_offset);
        if (it != meshes.end() && it->data_offset == target) {
            mesh_index[p] = std::uint32_t(it - meshes.begin());
        } else {
            ++num_unmatched_pointers;
        }
    }

    const SkinRule rule = skin_rule(level.version_code);
    skin_exempt_moveable = rule.exempt_moveable;
    skin_exempt_bone = rule.exempt_bone;
    skin_first_mesh = 0;
    const std::size_t num_moveables = std::min<std::size_t>(level.num_moveables, level.moveables.size());
    for (std::size_t m = 0; m < num_moveables; ++m)
        if (level.moveables[m].object_id == rule.object_id) {
            skin_first_mesh = level.moveables[m].starting_mesh;
            break;
        }
}

std::int32_t Tmesh_list::bone_mesh(const Ttrlevel& level, std::int32_t m, std::int32_t b) const
{
    const std::size_t num_moveables = std::min<std::size_t>(level.num_moveables, level.moveables.size());
    if (m < 0 || b < 0 || std::size_t(m) >= num_moveables) return -1;
    const std::size_t own = std::size_t(level.moveables[std::size_t(m)].starting_mesh) + std::size_t(b);
    if (own >= mesh_index.size()) return -1;
    std::uint32_t i = mesh_index[own];
    if (i == 0 && !(m == skin_exempt_moveable && b + 1 == skin_exempt_bone)) {
        const std::size_t skin = std::size_t(skin_first_mesh) + std::size_t(b);
        if (skin < mesh_index.size()) i = mesh_index[skin];
    }
    if (i >= meshes.size()) return -1;
    return std::int32_t(i);
}

const tmesh* Tmesh_list::mesh_of_pointer(std::int64_t pointer_index) const
{
    if (pointer_index < 0 || std::uint64_t(pointer_index) >= mesh_index.size()) return nullptr;
    const std::uint32_t i = mesh_index[std::size_t(pointer_index)];
    return i < meshes.size() ? &meshes[i] : nullptr;
}

}  // namespace kelanim
