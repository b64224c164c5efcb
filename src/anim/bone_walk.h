// The bone walk: how a pose places each bone of a moveable. Drawing, the
// automatic bound and the export all place bones through this one walk; it
// knows nothing of windows or graphics and only hands each bone's transform
// to a visitor.
//
// Matrix convention. A `bone_matrix` is laid out as a D3DX matrix and read in
// its row-vector convention: a point is the row vector p, it becomes p · M,
// and the translation sits in the fourth row (_41, _42, _43). "First A, then
// B" is the product A · B. glm stores matrices column by column, so the same
// sixteen numbers in a glm::dmat4 are, for glm's own column-vector
// operators, the transposed (column-vector) matrix of the same transform:
//   - `M * glm::dvec4(p, 1.0)` transforms a point (what p · M does);
//   - `M[3]` holds the translation;
//   - the D3DX product A · B is `B * A` with glm operators;
//   - the memory layout is what OpenGL expects without transposing.
// `transform_point` does the first of these for callers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "anim/keyframes.h"
#include "level/ttrlevel.h"

namespace kelanim {

using bone_matrix = glm::dmat4;

// The link of a bone to the bones before it, from the moveable's mesh tree.
struct tbone_link {
    std::int32_t flags = 0;  // bit 0: pop the saved transform first; bit 1: then save (push) it
    std::int32_t dx = 0, dy = 0, dz = 0;  // position relative to the parent, level units
};

inline constexpr std::int32_t link_pop = 1;
inline constexpr std::int32_t link_push = 2;

// Link of bone b (b >= 1) of moveable m: four words of `mesh_trees` from
// `mesh_tree` + 4 × (b − 1). Nothing when m or b is out of range or the words
// lie outside `mesh_trees`.
std::optional<tbone_link> bone_link(const Ttrlevel& level, std::int32_t m, std::int32_t b);

// Whether the pose's root offset moves bone 0.
enum class root_mode { translate, ignore_translation };

// Called once per bone, in bone order, with the bone's transform (level
// units, level axes, D3DX convention as above).
using bone_visitor = std::function<void(std::int32_t bone, const bone_matrix& transform)>;

// The most transforms the walk keeps saved; a push beyond it is lost.
inline constexpr std::size_t bone_stack_capacity = 63;

// Places every bone of moveable m in `pose`, starting from `base`:
//   bone 0 is translated by the pose's offset (or not, with ignore_translation);
//   bone b >= 1 first pops when its link asks for it, then pushes when asked
//   (so flags 3 returns to the transform saved last and keeps it saved), and
//   is translated by its link's (dx, dy, dz).
// Each bone's local transform rotates a point about z, then x, then y by the
// pose's angles, then translates it; the bone's transform is local · current
// (the local transform acts first), and it carries on to the next bone. A pop
// with nothing saved keeps the current transform. A bone without a link in
// the level, or without angles in the pose, is placed with zeros for them.
void walk_bones(const Ttrlevel& level, std::int32_t m, const tpose& pose, root_mode mode, const bone_matrix& base,
                const bone_visitor& visit);

// The bone's local transform: rotation about z, then x, then y (degrees),
// then the translation t.
bone_matrix bone_local_transform(const tangles& angles, const glm::dvec3& t);

// p · M for a point p.
glm::dvec3 transform_point(const bone_matrix& m, const glm::dvec3& p);

}  // namespace kelanim
