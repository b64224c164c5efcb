// A neutral form of what an animation import needs from a 3D model: every
// node with its name, parent and rest transform, and the animations that move
// the nodes. The glTF and FBX readers fill it; the import then only asks for
// world transforms, so it never depends on how a tool built its hierarchy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

namespace kelanim {

// A node's local transform: scale, then rotate, then translate.
struct node_transform {
    glm::dvec3 translation{0.0};
    glm::dquat rotation{1.0, 0.0, 0.0, 0.0};
    glm::dvec3 scale{1.0};
};

glm::dmat4 to_matrix(const node_transform& t);

struct model_node {
    std::string name;
    std::int32_t parent = -1;  // index of the parent node, -1 for a scene root
    node_transform rest;
    // The world matrix the mesh was bound to the joint with, where the file
    // keeps it apart from the node's own transform (FBX files keep the pose
    // of the moment of export there).
    std::optional<glm::dmat4> bind_world;
};

enum class key_interpolation { linear, step, cubic_spline };

// Keys of one property of one node. For cubic splines each key holds three
// values (in-tangent, value, out-tangent), as glTF stores them.
template <typename Value>
struct key_track {
    std::vector<double> times;  // seconds, not decreasing
    std::vector<Value> values;
    key_interpolation interpolation = key_interpolation::linear;
    bool empty() const { return times.empty(); }
};

struct node_animation {
    key_track<glm::dvec3> translation;
    key_track<glm::dquat> rotation;  // unit quaternions
    key_track<glm::dvec3> scale;
};

struct model_animation {
    std::string name;
    std::vector<node_animation> nodes;  // one per model node
    double start = 0, end = 0;          // first and last key time, seconds
};

struct animated_skeleton {
    // Parents come before their children.
    std::vector<model_node> nodes;
    std::vector<model_animation> animations;
};

// World matrices of every node in the rest pose: the bind matrix where a node
// has one, else its rest transform under its parent's rest world.
std::vector<glm::dmat4> rest_world(const animated_skeleton& skeleton);

// World matrices of every node of `animation` at time t (seconds); nodes the
// animation does not move keep their rest transform.
std::vector<glm::dmat4> animated_world(const animated_skeleton& skeleton, const model_animation& animation, double t);

// Orders `nodes` so that parents precede children, fixing the parent
// indices; false when the parents form a cycle or name no node. `order`
// receives the old index of each new position.
bool sort_parents_first(std::vector<model_node>& nodes, std::vector<std::int32_t>& order);

}  // namespace kelanim
