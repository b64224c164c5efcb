// Decodes the meshes of a level given as level parts (see fuzz_support.h)
// and looks up the mesh of every bone of every moveable. Checks what the mesh
// list promises its readers: counts equal to their arrays, face corners that
// name existing vertices, mesh indices inside the list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "geometry/mesh_list.h"

namespace {

using namespace kelanim;

template <class Face>
void check_faces(const std::vector<Face>& faces, std::int16_t count, const tmesh& mesh)
{
    if (count < 0 || std::size_t(count) != faces.size()) std::abort();
    for (const Face& face : faces)
        for (std::uint16_t corner : face.vertices)
            if (corner >= mesh.vertices.size()) std::abort();
}

void check_mesh(const tmesh& mesh)
{
    if (mesh.num_vertices < 0 || std::size_t(mesh.num_vertices) != mesh.vertices.size()) std::abort();
    check_faces(mesh.textured_rects, mesh.num_textured_rects, mesh);
    check_faces(mesh.textured_tris, mesh.num_textured_tris, mesh);
    check_faces(mesh.coloured_rects, mesh.num_coloured_rects, mesh);
    check_faces(mesh.coloured_tris, mesh.num_coloured_tris, mesh);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteCursor in(data, size);
    Ttrlevel level;
    fuzz::read_level_parts(in, level);

    Tmesh_list list;
    list.decode_meshes(level);
    if (list.count < 0 || std::size_t(list.count) != list.meshes.size()) std::abort();
    for (const tmesh& mesh : list.meshes) check_mesh(mesh);
    for (std::uint32_t i : list.mesh_index)
        if (!list.meshes.empty() && i >= list.meshes.size()) std::abort();

    for (std::int32_t m = -1; m <= std::int32_t(level.moveables.size()); ++m) {
        const std::int32_t bones = m >= 0 && std::size_t(m) < level.moveables.size() ? level.moveables[m].num_meshes : 1;
        // Every bone of a moveable of a usual size; the first and last ones
        // of a huge one, so that one input stays quick.
        for (std::int32_t b = -1; b <= bones; ++b) {
            if (b == 64 && bones > 128) b = bones - 64;
            const std::int32_t i = list.bone_mesh(level, m, b);
            if (i < -1 || i >= list.count) std::abort();
        }
    }
    for (std::int64_t p = -1; p <= std::int64_t(level.mesh_pointers.size()); ++p) list.mesh_of_pointer(p);
    return 0;
}
