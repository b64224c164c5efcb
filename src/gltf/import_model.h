// Import of an animation made in another 3D tool (glTF 2.0 or FBX, as Blender
// writes them) over the keyframes of one animation of a moveable.
//
// Joints are matched to bones by name (joint_names.h). Each joint's animated
// world rotation is taken relative to its rest world rotation in the same
// file, so whatever orientation a tool gave its bones cancels out; our rest
// pose has no rotation, so what remains is the bone's rotation in the level,
// seen through the file's axes. Those axes and the file's unit are found by
// fitting the rest positions of the joints to the moveable's mesh tree. The
// root joint's movement from its rest position is the keyframe offset.
//
// The source animation is sampled at the level animation's keyframe times,
// keyframe k at k × frame_rate / 30 s from its first key, for as long as it
// lasts; the keyframes then replace the animation's as the MilkShape import's
// do. A rotation that the old keyframe at the same place already holds keeps
// its old words, so an animation that comes back unchanged is unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/mesh_list.h"
#include "gltf/animated_skeleton.h"
#include "level/ttrlevel.h"
#include "milkshape/exchange_outcome.h"

namespace kelanim {

inline constexpr char model_import_dialog_filter[] =
    "glTF or FBX (*.glb *.gltf *.fbx)|*.glb;*.gltf;*.fbx|glTF binary (*.glb)|*.glb|glTF (*.gltf)|*.gltf|FBX (*.fbx)|*.fbx";

// Imports animation `source` of the model (by name; empty: the first) into
// animation j of moveable m. On failure the level is unchanged and the
// message says why.
exchange_outcome import_model_animation(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                        const animated_skeleton& model, const std::string& source);

// Reads the file (".glb", ".gltf" or ".fbx", in any case) and imports it as
// import_model_animation does.
exchange_outcome import_model_file(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                   const std::string& path, const std::string& source);

}  // namespace kelanim
