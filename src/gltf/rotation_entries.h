// Keyframe rotation entries as words, both ways, for any rotation matrix.
//
// An entry holds a bone's rotation relative to its parent, R = Ry · Rx · Rz
// (column vectors: about z first, then x, then y), in one of two forms: three
// 10-bit angles in two words, or, from TR2 on, a single angle about one axis
// in one word (14 bits; 1024 steps a turn, 4096 from TR4 on). TR1 levels
// store a two-word entry low word first.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <glm/mat3x3.hpp>

#include "anim/keyframes.h"
#include "level/ttrlevel.h"

namespace kelanim {

struct rotation_entry {
    std::array<std::uint16_t, 2> words{};  // in the order they lie in `frames`
    std::int32_t count = 0;                 // 1 or 2
    glm::dmat3 rotation{1.0};               // what the entry decodes to
};

glm::dmat3 level_rotation(const tangles& degrees);

// Level angles (degrees, not wrapped) whose level_rotation is r.
tangles level_angles(const glm::dmat3& r);

// The entry for r: one axis where r turns about one axis by a whole number
// of steps and the level has that form, three angles otherwise.
rotation_entry pack_rotation(const glm::dmat3& r, std::int32_t version_code);

// The `bones` entries from word p of `frames`, or fewer when they run past
// its end.
std::vector<rotation_entry> read_rotation_entries(const Ttrlevel& level, std::int64_t p, std::int32_t bones);

// The angle in degrees between two rotations.
double degrees_between(const glm::dmat3& a, const glm::dmat3& b);

}  // namespace kelanim
