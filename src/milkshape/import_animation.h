// Import of an animation made in MilkShape: the joints' keys of a binary or
// ascii MilkShape file become keyframes of the level's layout, which replace
// the keyframes of one animation of a moveable. Only the rotation keys of
// every joint and the translation keys of the first joint (the root) are
// used; the file must have exactly one joint per bone of the moveable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/mesh_list.h"
#include "geometry/vecmath.h"
#include "level/ttrlevel.h"
#include "milkshape/exchange_outcome.h"
#include "milkshape/keyframe_splice.h"
#include "milkshape/ms3d_model.h"

namespace kelanim {

inline constexpr char import_dialog_filter[] = "Milkshape3d (*.ms3d) |*.ms3d|Milkshape3d ascii Extra (*.mst)|*.mst";

// One 10-bit angle field: 360 / 1024 degrees a unit.
inline constexpr double angle_unit = 0.3515625;

// Length in words of one imported keyframe: 2J + 10 for version codes 1 and
// 2 (with the bone count in word 9), 2J + 9 otherwise.
std::int32_t imported_keyframe_length(std::int32_t version_code, std::int32_t joints);

// The three-axis rotation entry (top bits 00) for a MilkShape rotation key
// (radians): the angles are turned back into the level's rotation order,
// brought into [0, 360) and packed into three 10-bit fields. An angle that
// rounds to a full turn is stored as 0.
std::uint32_t rotation_entry(const std::array<float, 3>& radians);

// The keyframes for `model`, each `imported_keyframe_length` words: box 0,
// root offsets from the root's translation keys (rounded half to even and
// clamped to 16 bits; `clamped` counts the values that had to be), rotation
// entries from every joint's rotation keys.
std::vector<std::int16_t> build_keyframes(const TMS3D_File& model, std::int32_t version_code, std::int32_t& clamped);

// Replaces the keyframes of animation j of moveable m with those made from
// the model, shifts the keyframe offsets of the later animations and
// moveables, and recomputes every new keyframe's bounding box. On failure the
// level is unchanged and the message says why.
exchange_outcome import_animation(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                  const TMS3D_File& model);

// Loads the file into `model` (".ms3d" binary with key interpolation, ".mst"
// ascii, extensions compared exactly) and imports it as import_animation does.
// A file that does not load leaves the level unchanged, and the message gives
// the loader's reason.
exchange_outcome import_animation_file(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                       const std::string& path, TMS3D_File& model);

}  // namespace kelanim
