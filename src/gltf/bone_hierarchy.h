// The hierarchy the bone walk builds for a moveable: each bone's parent (the
// bone whose transform it continues from, after the mesh tree's pops and
// pushes) and its rest position, the walk with every angle and the root
// offset zero.
#pragma once

#include <cstdint>
#include <vector>

#include <glm/vec3.hpp>

#include "level/ttrlevel.h"

namespace kelanim {

struct bone_hierarchy {
    std::vector<std::int32_t> parent;       // -1 for bone 0
    std::vector<glm::dvec3> rest_position;  // level units and axes
};

bone_hierarchy walk_hierarchy(const Ttrlevel& level, std::int32_t m);

}  // namespace kelanim
