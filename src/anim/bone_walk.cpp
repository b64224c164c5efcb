#include "anim/bone_walk.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace kelanim {

namespace {

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// glm builds matrices column by column: column i is where axis i goes.
bone_matrix rotation_z(double degrees)
{
    const double c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    bone_matrix r(1.0);
    r[0] = {c, s, 0, 0};   // x' = x·c − y·s
    r[1] = {-s, c, 0, 0};  // y' = x·s + y·c
    return r;
}

bone_matrix rotation_x(double degrees)
{
    const double c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    bone_matrix r(1.0);
    r[1] = {0, c, s, 0};   // y' = y·c − z·s
    r[2] = {0, -s, c, 0};  // z' = y·s + z·c
    return r;
}

bone_matrix rotation_y(double degrees)
{
    const double c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    bone_matrix r(1.0);
    r[0] = {c, 0, -s, 0};  // x' = x·c + z·s
    r[2] = {s, 0, c, 0};   // z' = −x·s + z·c
    return r;
}

}  // namespace

std::optional<tbone_link> bone_link(const Ttrlevel& level, std::int32_t m, std::int32_t b)
{
    const std::size_t moveables = std::min<std::size_t>(level.num_moveables, level.moveables.size());
    if (m < 0 || std::size_t(m) >= moveables || b < 1) return std::nullopt;
    const std::uint64_t first = std::uint64_t(level.moveables[std::size_t(m)].mesh_tree) + 4 * (std::uint64_t(b) - 1);
    const std::size_t words = std::min<std::size_t>(level.num_mesh_trees, level.mesh_trees.size());
    if (first + 4 > words) return std::nullopt;
    const auto* w = &level.mesh_trees[std::size_t(first)];
    return tbone_link{w[0], w[1], w[2], w[3]};
}

bone_matrix bone_local_transform(const tangles& angles, const glm::dvec3& t)
{
    bone_matrix translation(1.0);
    translation[3] = glm::dvec4(t, 1.0);
    // Column-vector order: the rightmost factor acts on the point first.
    return translation * rotation_y(angles.y) * rotation_x(angles.x) * rotation_z(angles.z);
}

glm::dvec3 transform_point(const bone_matrix& m, const glm::dvec3& p) { return glm::dvec3(m * glm::dvec4(p, 1.0)); }

void walk_bones(const Ttrlevel& level, std::int32_t m, const tpose& pose, root_mode mode, const bone_matrix& base,
                const bone_visitor& visit)
{
    const std::size_t moveables = std::min<std::size_t>(level.num_moveables, level.moveables.size());
    if (m < 0 || std::size_t(m) >= moveables) return;
    const std::int32_t num_bones = level.moveables[std::size_t(m)].num_meshes;

    bone_matrix current = base;
    std::vector<bone_matrix> saved;
    saved.reserve(bone_stack_capacity);

    for (std::int32_t b = 0; b < num_bones; ++b) {
        glm::dvec3 t(0.0);
        if (b == 0) {
            if (mode == root_mode::translate) t = {pose.offset[0], pose.offset[1], pose.offset[2]};
        } else {
            const tbone_link link = bone_link(level, m, b).value_or(tbone_link{});
            if ((link.flags & link_pop) && !saved.empty()) {
                current = saved.back();
                saved.pop_back();
            }
            if ((link.flags & link_push) && saved.size() < bone_stack_capacity) saved.push_back(current);
            t = {link.dx, link.dy, link.dz};
        }
        const tangles angles = std::size_t(b) < pose.angles.size() ? pose.angles[std::size_t(b)] : tangles{};
        current = current * bone_local_transform(angles, t);  // local first, then what came before
        visit(b, current);
    }
}

}  // namespace kelanim
