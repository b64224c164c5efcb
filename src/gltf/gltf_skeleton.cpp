#include "gltf/gltf_skeleton.h"

#include <utility>

#include "anim/bone_walk.h"

namespace kelanim {

std::vector<gltf_joint> moveable_joints(const Ttrlevel& level, std::int32_t m)
{
    const std::size_t moveables = std::min<std::size_t>(level.num_moveables, level.moveables.size());
    if (m < 0 || static_cast<std::size_t>(m) >= moveables) return {};
    std::vector<gltf_joint> joints(level.moveables[static_cast<std::size_t>(m)].num_meshes);

    // The same stack as the walk: what a push saves is the bone just placed,
    // which becomes the parent of the bone that pops it; a pop with nothing
    // saved keeps the previous bone, a push past the walk's capacity is lost.
    std::vector<std::int32_t> saved;
    for (std::size_t b = 1; b < joints.size(); ++b) {
        const tbone_link link = bone_link(level, m, static_cast<std::int32_t>(b)).value_or(tbone_link{});
        std::int32_t parent = static_cast<std::int32_t>(b) - 1;
        if ((link.flags & link_pop) && !saved.empty()) {
            parent = saved.back();
            saved.pop_back();
        }
        if ((link.flags & link_push) && saved.size() < bone_stack_capacity) saved.push_back(parent);
        gltf_joint& joint = joints[b];
        joint.parent = parent;
        joint.offset = {link.dx, link.dy, link.dz};
        const auto& origin = joints[static_cast<std::size_t>(parent)].rest_position;
        for (std::size_t i = 0; i < 3; ++i) joint.rest_position[i] = origin[i] + joint.offset[i];
    }
    return joints;
}

std::string joint_name(std::int32_t bone)
{
    const std::string number = std::to_string(bone);
    return "bone_" + (number.size() < 2 ? "0" + number : number);
}

}  // namespace kelanim
