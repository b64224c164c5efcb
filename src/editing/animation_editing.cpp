#include "editing/animation_editing.h"

#include <algorithm>
#include <cmath>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "render/d3d_matrix.h"
#include "render/txgl.h"

#include <glm/gtc/type_ptr.hpp>

namespace kelanim {

namespace {

// Word index of keyframe n's box when all six words lie inside `frames`.
std::optional<std::size_t> box_word(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::int32_t n)
{
    const std::int64_t w = keyframe_word(level, m, j, n);
    // A negative word (the rest pose before the first animation) is no box.
    if (w < 0 || w + 5 >= static_cast<std::int64_t>(level.num_frames) ||
        w + 5 >= static_cast<std::int64_t>(level.frames.size()))
        return std::nullopt;
    return static_cast<std::size_t>(w);
}

std::int16_t low16(std::int64_t value) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF)); }

}  // namespace

std::optional<std::array<std::int16_t, 6>> keyframe_box_fields(const Ttrlevel& level, std::int32_t m,
                                                               std::int32_t j, std::int32_t n)
{
    const auto w = box_word(level, m, j, n);
    if (!w) return std::nullopt;
    std::array<std::int16_t, 6> fields{};
    for (std::size_t f = 0; f < fields.size(); ++f) fields[f] = level.frames[*w + box_field_words[f]];
    return fields;
}

bool set_keyframe_box_field(Ttrlevel& level, std::int32_t m, std::int32_t j, std::int32_t n, int field,
                            std::int64_t value)
{
    if (field < 0 || field >= static_cast<int>(box_field_words.size())) return false;
    const auto w = box_word(level, m, j, n);
    if (!w) return false;
    level.frames[*w + box_field_words[field]] = low16(value);
    return true;
}

tbounds keyframe_bounds(const Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                        std::int32_t n)
{
    tbounds box;
    const tpose pose = decode_keyframe(level, m, j, n);

    // Measured as drawn: the bone walk places each bone, and the drawing
    // layer's matrices carry the placement in its view space, which is level
    // space mirrored in z (here in level units, not scaled to the view). The
    // measured z comes back into level axes by negation at the end.
    d3d_matrix mirror = matrix_identity();
    mirror.at(2, 2) = -1.0f;
    TxGL gl;
    gl.load_identity();
    double view_min_z = 32767.0, view_max_z = -32768.0;

    walk_bones(level, m, pose, root_mode::ignore_translation, bone_matrix(1.0),
               [&](std::int32_t bone, const bone_matrix& transform) {
                   const std::int32_t i = meshes.bone_mesh(level, m, bone);
                   if (i < 0 || static_cast<std::size_t>(i) >= meshes.meshes.size()) return;
                   const tmesh& mesh = meshes.meshes[static_cast<std::size_t>(i)];

                   d3d_matrix bone_in_level;
                   const double* numbers = glm::value_ptr(transform);
                   for (std::size_t k = 0; k < 16; ++k) bone_in_level.m[k] = static_cast<float>(numbers[k]);
                   gl.load_matrix(matrix_multiply(matrix_multiply(mirror, bone_in_level), mirror));

                   auto widen = [&](std::uint16_t index) {
                       if (index >= mesh.vertices.size()) return;
                       const tmesh_vertex& v = mesh.vertices[index];
                       float x = v.x, y = v.y, z = -static_cast<float>(v.z);
                       gl.transform_point(x, y, z);
                       box.min_x = std::min<double>(box.min_x, x);
                       box.max_x = std::max<double>(box.max_x, x);
                       box.min_y = std::min<double>(box.min_y, y);
                       box.max_y = std::max<double>(box.max_y, y);
                       view_min_z = std::min<double>(view_min_z, z);
                       view_max_z = std::max<double>(view_max_z, z);
                   };
                   for (const tmesh_face4& face : mesh.textured_rects)
                       for (std::uint16_t corner : face.vertices) widen(corner);
                   for (const tmesh_face3& face : mesh.textured_tris)
                       for (std::uint16_t corner : face.vertices) widen(corner);
                   if (level.version_code >= code_tr1 && level.version_code <= code_tr3) {
                       for (const tmesh_face4& face : mesh.coloured_rects)
                           for (std::uint16_t corner : face.vertices) widen(corner);
                       for (const tmesh_face3& face : mesh.coloured_tris)
                           for (std::uint16_t corner : face.vertices) widen(corner);
                   }
               });
    // The largest view z is the smallest level z.
    if (!box.empty()) {
        box.min_z = -view_max_z;
        box.max_z = -view_min_z;
    }
    return box;
}

bool automatic_bound(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j, std::int32_t n)
{
    const auto w = box_word(level, m, j, n);
    if (!w) return false;
    const tbounds box = keyframe_bounds(level, meshes, m, j, n);
    if (box.empty()) return false;

    // The root offset follows the box words; a keyframe cut short before it
    // counts as offset 0.
    auto offset = [&](std::size_t i) -> std::int64_t {
        return *w + 6 + i < level.frames.size() ? level.frames[*w + 6 + i] : 0;
    };
    auto sum = [](double bound, std::int64_t add) { return low16(static_cast<std::int64_t>(std::trunc(bound)) + add); };
    std::int16_t* words = &level.frames[*w];
    words[0] = sum(box.min_x, offset(0));
    words[1] = sum(box.max_x, offset(0));
    words[2] = sum(box.min_y, offset(1));
    words[3] = sum(box.max_y, offset(1));
    words[4] = sum(box.min_z, offset(2));
    words[5] = sum(box.max_z, offset(2));
    return true;
}

std::optional<tanimation_parameters> animation_parameters(const Ttrlevel& level, std::int32_t m, std::int32_t j)
{
    const std::int64_t k = animation_index(level, m, j);
    if (k < 0 || k >= static_cast<std::int64_t>(level.animations.size())) return std::nullopt;
    const tanimation& a = level.animations[static_cast<std::size_t>(k)];
    return tanimation_parameters{a.next_animation, a.next_frame, a.frame_rate,
                                 static_cast<std::int32_t>(a.frame_end) - a.frame_start + 1};
}

bool apply_animation_parameters(Ttrlevel& level, std::int32_t m, std::int32_t j,
                                const tanimation_parameters& parameters)
{
    const std::int32_t count = animation_count(level, m);
    if (count == 0 || keyframe_count(level, m, j) == 0) return false;
    const std::int64_t k = animation_index(level, m, j);
    const auto num_animations = static_cast<std::int64_t>(level.animations.size());
    if (k < 0 || k >= num_animations) return false;

    tanimation& edited = level.animations[static_cast<std::size_t>(k)];
    edited.next_animation = static_cast<std::uint16_t>(parameters.next_animation & 0xFFFF);
    edited.next_frame = static_cast<std::uint16_t>(parameters.next_frame & 0xFFFF);
    edited.frame_rate = static_cast<std::uint8_t>(parameters.frame_rate & 0xFF);
    const std::int32_t old_amount = static_cast<std::int32_t>(edited.frame_end) - edited.frame_start + 1;
    const std::int32_t shift = parameters.amount_frames - old_amount;
    edited.frame_end = static_cast<std::uint16_t>((edited.frame_start + parameters.amount_frames - 1) & 0xFFFF);

    // The moveable's own later animations, and no others (see the header).
    const std::int64_t first = level.moveables[static_cast<std::size_t>(m)].animation;
    const std::int64_t last = std::min<std::int64_t>(first + count - 1, num_animations - 1);
    for (std::int64_t i = k + 1; i <= last; ++i) {
        tanimation& later = level.animations[static_cast<std::size_t>(i)];
        later.frame_start = static_cast<std::uint16_t>((later.frame_start + shift) & 0xFFFF);
        later.frame_end = static_cast<std::uint16_t>((later.frame_end + shift) & 0xFFFF);
    }
    return true;
}

}  // namespace kelanim
