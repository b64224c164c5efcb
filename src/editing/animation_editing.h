// Editing an animation in the level held in memory: the six bounding-box
// words of a keyframe (by hand or measured from the posed meshes by the
// automatic bound) and the parameters of an animation. Changes reach the file
// only when the level is saved.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "geometry/mesh_list.h"
#include "level/ttrlevel.h"

namespace kelanim {

// The box fields show, in order, minimum x, y, z and maximum x, y, z: these
// are the keyframe words they stand for.
inline constexpr std::array<int, 6> box_field_words{0, 2, 4, 1, 3, 5};

// The six box words of keyframe n of animation j of moveable m, in field
// order, or nothing when the keyframe's box does not lie inside `frames`.
std::optional<std::array<std::int16_t, 6>> keyframe_box_fields(const Ttrlevel& level, std::int32_t m,
                                                               std::int32_t j, std::int32_t n);

// Stores the low 16 bits of `value` in the box word shown by `field` (0 to
// 5). Returns false, changing nothing, when the box lies outside `frames`.
bool set_keyframe_box_field(Ttrlevel& level, std::int32_t m, std::int32_t j, std::int32_t n, int field,
                            std::int64_t value);

// An axis-aligned box in level units and level axes.
struct tbounds {
    double min_x = 32767.0, max_x = -32768.0;
    double min_y = 32767.0, max_y = -32768.0;
    double min_z = 32767.0, max_z = -32768.0;
    // No vertex widened the box (the moveable has no meshes or no faces).
    bool empty() const { return min_x > max_x; }
};

// The box of the moveable posed at keyframe n with its root at the origin:
// every corner of every face of every bone's mesh, placed by the bone walk on
// the drawing layer's matrix stack. A negative n measures the rest pose.
tbounds keyframe_bounds(const Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                        std::int32_t n);

// Writes the measured box of keyframe n, moved by the keyframe's root offset,
// into its six box words (16-bit sums, the bounds truncated toward zero).
// Returns false, changing nothing, when the box lies outside `frames` or
// nothing could be measured (a moveable without meshes keeps its box).
bool automatic_bound(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j, std::int32_t n);

// The four parameters of an animation as the window shows them.
struct tanimation_parameters {
    std::int32_t next_animation = -1;
    std::int32_t next_frame = -1;
    std::int32_t frame_rate = -1;
    std::int32_t amount_frames = -1;  // frame_end - frame_start + 1
};

// The parameters of animation j of moveable m; nothing when it does not exist.
std::optional<tanimation_parameters> animation_parameters(const Ttrlevel& level, std::int32_t m, std::int32_t j);

// Writes the parameters into animation j of moveable m: next animation and
// next frame as 16 bits, frame rate as 8 bits, and the frame numbering so
// that the animation spans `amount_frames` frames from its `frame_start`.
//
// The frame numbers of the animations after it are shifted by the same
// difference, so that numbering stays continuous. The rule: exactly the
// moveable's own later animations move, that is the level-wide indices k + 1
// up to the moveable's first animation + its animation count - 1; no other
// moveable's animation moves, and `next_frame` fields, state changes and anim
// commands that name frame numbers are left as they are.
//
// Nothing happens (false) when the moveable has no animations or the
// animation has no keyframes.
bool apply_animation_parameters(Ttrlevel& level, std::int32_t m, std::int32_t j,
                                const tanimation_parameters& parameters);

}  // namespace kelanim
