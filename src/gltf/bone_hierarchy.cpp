#include "gltf/bone_hierarchy.h"

#include "anim/bone_walk.h"

namespace kelanim {

bone_hierarchy walk_hierarchy(const Ttrlevel& level, std::int32_t m)
{
    bone_hierarchy h;
    if (m < 0 || static_cast<std::size_t>(m) >= level.moveables.size()) return h;
    const std::int32_t bones = level.moveables[static_cast<std::size_t>(m)].num_meshes;
    h.parent.assign(static_cast<std::size_t>(bones), -1);
    h.rest_position.assign(static_cast<std::size_t>(bones), glm::dvec3(0.0));
    // The same stack discipline as walk_bones, holding bone numbers.
    std::vector<std::int32_t> saved;
    std::int32_t current = 0;
    for (std::int32_t b = 1; b < bones; ++b) {
        const tbone_link link = bone_link(level, m, b).value_or(tbone_link{});
        if ((link.flags & link_pop) && !saved.empty()) {
            current = saved.back();
            saved.pop_back();
        }
        if ((link.flags & link_push) && saved.size() < bone_stack_capacity) saved.push_back(current);
        const auto bb = static_cast<std::size_t>(b);
        h.parent[bb] = current;
        h.rest_position[bb] = h.rest_position[static_cast<std::size_t>(current)] + glm::dvec3(link.dx, link.dy, link.dz);
        current = b;
    }
    return h;
}

}  // namespace kelanim
