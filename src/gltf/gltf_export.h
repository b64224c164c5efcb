// Export of the selection to glTF 2.0: a moveable as one skinned mesh on a
// joint per bone with its selected animation (or all of them), or a static
// mesh alone, as a binary .glb file or a .gltf file with its .bin buffer and
// PNG texture pages beside it. Everything is written whole or not at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/mesh_list.h"
#include "gltf/gltf_document.h"
#include "level/ttrlevel.h"
#include "milkshape/exchange_outcome.h"
#include "milkshape/texture_repack.h"

namespace kelanim {

// The save dialog's filters: the first two export the selected animation,
// the last two every animation of the moveable.
inline constexpr char gltf_dialog_filter[] =
    "glTF binary (*.glb)|*.glb|glTF with separate files (*.gltf)|*.gltf|"
    "glTF binary, all animations (*.glb)|*.glb|glTF with separate files, all animations (*.gltf)|*.gltf";

struct gltf_export_request {
    std::string path;  // ends in ".glb" or ".gltf"
    std::int32_t view_mode = export_moveable;
    std::int32_t moveable = 0;
    std::int32_t animation = 0;  // ignored for a moveable without animations
    bool all_animations = false;
    std::int32_t static_mesh = 0;  // view mode 1
    std::string mesh_name = "mesh";
};

// Everything the files are made of, in memory: joints, geometry, clips and
// PNG pages. Returns why the selection cannot be exported, or nothing; a
// clip left out is reported in `warnings`. The decoded meshes' effects words
// receive the repacked texture numbers.
std::optional<std::string> prepare_gltf_export(const Ttrlevel& level, Tmesh_list& meshes,
                                               const gltf_export_request& request, gltf_export_parts& parts,
                                               std::vector<std::string>& warnings);

// The parts as one binary glTF file.
std::vector<std::uint8_t> encode_glb(const gltf_export_parts& parts);

// The export command: on success "Export Done." and the files written, the
// model last; otherwise nothing is written and the message says why.
exchange_outcome export_gltf(const Ttrlevel& level, Tmesh_list& meshes, const gltf_export_request& request);

}  // namespace kelanim
