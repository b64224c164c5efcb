// The joints of an exported moveable: one per bone, parented as the bone walk
// builds the hierarchy (the mesh tree's pops and pushes included), at rest at
// their mesh-tree offsets with no rotation.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim {

struct gltf_joint {
    std::int32_t parent = -1;                     // bone number of the parent joint; -1 for the root
    std::array<std::int32_t, 3> offset{};         // from the parent, level units and axes
    std::array<std::int64_t, 3> rest_position{};  // from the root, level units and axes
};

// The joints of moveable m, bone 0 first; empty for a moveable outside the
// level. A bone without a link in the level sits on its parent.
std::vector<gltf_joint> moveable_joints(const Ttrlevel& level, std::int32_t m);

// "bone_00", "bone_01", ... "bone_100": the name the import matches joints by.
std::string joint_name(std::int32_t bone);

}  // namespace kelanim
