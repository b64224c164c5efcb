#include "gltf/animated_skeleton.h"

#include <algorithm>

#include <glm/gtc/matrix_transform.hpp>

namespace kelanim {

namespace {

glm::dvec3 blend(const glm::dvec3& a, const glm::dvec3& b, double u) { return glm::mix(a, b, u); }
glm::dquat blend(const glm::dquat& a, const glm::dquat& b, double u) { return glm::slerp(a, b, u); }

glm::dvec3 finish(const glm::dvec3& v) { return v; }
glm::dquat finish(const glm::dquat& q)
{
    const double length = glm::length(q);
    return length > 0 ? q / length : glm::dquat(1, 0, 0, 0);
}

// The track's value at time t, clamped to its first and last keys.
template <typename Value>
Value sample(const key_track<Value>& track, double t, const Value& rest)
{
    const std::size_t keys = track.times.size();
    const bool cubic = track.interpolation == key_interpolation::cubic_spline;
    const std::size_t per_key = cubic ? 3 : 1;
    if (keys == 0 || track.values.size() < keys * per_key) return rest;
    auto value = [&](std::size_t key) { return track.values[key * per_key + (cubic ? 1 : 0)]; };
    if (t <= track.times.front()) return value(0);
    if (t >= track.times.back()) return value(keys - 1);
    const std::size_t next =
        static_cast<std::size_t>(std::upper_bound(track.times.begin(), track.times.end(), t) - track.times.begin());
    const std::size_t prev = next - 1;
    const double span = track.times[next] - track.times[prev];
    const double u = span > 0 ? (t - track.times[prev]) / span : 0.0;
    switch (track.interpolation) {
    case key_interpolation::step:
        return value(prev);
    case key_interpolation::linear:
        return blend(value(prev), value(next), u);
    case key_interpolation::cubic_spline: {
        // Hermite spline between the two keys with their stored tangents.
        const double u2 = u * u, u3 = u2 * u;
        const Value p0 = value(prev), p1 = value(next);
        const Value m0 = track.values[prev * 3 + 2] * span, m1 = track.values[next * 3] * span;
        return finish((2 * u3 - 3 * u2 + 1) * p0 + (u3 - 2 * u2 + u) * m0 + (-2 * u3 + 3 * u2) * p1 +
                      (u3 - u2) * m1);
    }
    }
    return rest;
}

template <typename Local>
std::vector<glm::dmat4> world_of(const animated_skeleton& skeleton, Local local)
{
    std::vector<glm::dmat4> world(skeleton.nodes.size());
    for (std::size_t i = 0; i < skeleton.nodes.size(); ++i) {
        const std::int32_t parent = skeleton.nodes[i].parent;
        const glm::dmat4 own = to_matrix(local(i));
        world[i] = parent >= 0 && static_cast<std::size_t>(parent) < i ? world[static_cast<std::size_t>(parent)] * own
                                                                        : own;
    }
    return world;
}

}  // namespace

glm::dmat4 to_matrix(const node_transform& t)
{
    return glm::translate(glm::dmat4(1.0), t.translation) * glm::mat4_cast(t.rotation) *
           glm::scale(glm::dmat4(1.0), t.scale);
}

std::vector<glm::dmat4> rest_world(const animated_skeleton& skeleton)
{
    std::vector<glm::dmat4> world = world_of(skeleton, [&](std::size_t i) { return skeleton.nodes[i].rest; });
    for (std::size_t i = 0; i < world.size(); ++i)
        if (skeleton.nodes[i].bind_world) world[i] = *skeleton.nodes[i].bind_world;
    return world;
}

std::vector<glm::dmat4> animated_world(const animated_skeleton& skeleton, const model_animation& animation, double t)
{
    return world_of(skeleton, [&](std::size_t i) {
        node_transform local = skeleton.nodes[i].rest;
        if (i < animation.nodes.size()) {
            const node_animation& moves = animation.nodes[i];
            local.translation = sample(moves.translation, t, local.translation);
            local.rotation = sample(moves.rotation, t, local.rotation);
            local.scale = sample(moves.scale, t, local.scale);
        }
        return local;
    });
}

bool sort_parents_first(std::vector<model_node>& nodes, std::vector<std::int32_t>& order)
{
    const std::size_t count = nodes.size();
    // depth[i]: steps up to a root. Each walk up stops at a node already
    // measured; meeting a node of the walk itself is a cycle.
    constexpr std::size_t unknown = static_cast<std::size_t>(-1), on_path = unknown - 1;
    std::vector<std::size_t> depth(count, unknown);
    std::vector<std::size_t> path;
    for (std::size_t i = 0; i < count; ++i) {
        path.clear();
        std::size_t base = 0;  // depth of the node above the walk
        for (std::int32_t p = static_cast<std::int32_t>(i); p >= 0;) {
            if (static_cast<std::size_t>(p) >= count) return false;
            const std::size_t at = static_cast<std::size_t>(p);
            if (depth[at] == on_path) return false;
            if (depth[at] != unknown) {
                base = depth[at] + 1;
                break;
            }
            depth[at] = on_path;
            path.push_back(at);
            p = nodes[at].parent;
        }
        for (std::size_t s = path.size(); s-- > 0;) depth[path[s]] = base++;
    }
    order.resize(count);
    for (std::size_t i = 0; i < count; ++i) order[i] = static_cast<std::int32_t>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::int32_t a, std::int32_t b) { return depth[static_cast<std::size_t>(a)] < depth[static_cast<std::size_t>(b)]; });
    std::vector<std::int32_t> position(count);
    for (std::size_t i = 0; i < count; ++i) position[static_cast<std::size_t>(order[i])] = static_cast<std::int32_t>(i);
    std::vector<model_node> sorted;
    sorted.reserve(count);
    for (const std::int32_t old : order) {
        model_node node = std::move(nodes[static_cast<std::size_t>(old)]);
        if (node.parent >= 0) node.parent = position[static_cast<std::size_t>(node.parent)];
        sorted.push_back(std::move(node));
    }
    nodes = std::move(sorted);
    return true;
}

}  // namespace kelanim
