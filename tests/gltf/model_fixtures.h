// Models for the import tests: the skeleton of a level animation as our
// export lays it out, written as a glTF file by tinygltf.
#pragma once

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <glm/gtc/quaternion.hpp>
#include <tiny_gltf.h>

#include "anim/keyframes.h"
#include "gltf/bone_hierarchy.h"
#include "gltf/joint_names.h"
#include "gltf/rotation_entries.h"
#include "realdata.h"

namespace kelanim::test {

// Level axes to glTF axes: (x, y, z) -> (x, -y, -z) / 512.
inline glm::dvec3 to_model(const glm::dvec3& p) { return glm::dvec3(p.x, -p.y, -p.z) / 512.0; }

// One joint per bone named bone_NN under the walk's parents, rest at the
// mesh-tree offsets; animation "anim_J" with every keyframe of animation j.
inline tinygltf::Model model_of_animation(const Ttrlevel& level, int m, int j)
{
    tinygltf::Model model;
    const bone_hierarchy h = walk_hierarchy(level, m);
    const int bones = static_cast<int>(h.parent.size());
    for (int b = 0; b < bones; ++b) {
        tinygltf::Node node;
        node.name = joint_name(b);
        if (b > 0) {
            const glm::dvec3 t = to_model(h.rest_position[b] - h.rest_position[h.parent[b]]);
            node.translation = {t.x, t.y, t.z};
            model.nodes[h.parent[b]].children.push_back(b);
        }
        model.nodes.push_back(node);
    }
    const int keys = keyframe_count(level, m, j);
    std::vector<float> data;  // times, root translations, then each bone's rotations
    for (int k = 0; k < keys; ++k) data.push_back(static_cast<float>(k * keyframe_rate(level, m, j) / 30.0));
    for (int k = 0; k < keys; ++k) {
        const tpose pose = decode_keyframe(level, m, j, k);
        const glm::dvec3 t = to_model(glm::dvec3(pose.offset[0], pose.offset[1], pose.offset[2]));
        data.insert(data.end(), {float(t.x), float(t.y), float(t.z)});
    }
    const glm::dmat3 c(glm::dvec3(1, 0, 0), glm::dvec3(0, -1, 0), glm::dvec3(0, 0, -1));
    for (int b = 0; b < bones; ++b)
        for (int k = 0; k < keys; ++k) {
            const glm::dquat q = glm::quat_cast(c * level_rotation(decode_keyframe(level, m, j, k).angles[b]) * c);
            data.insert(data.end(), {float(q.x), float(q.y), float(q.z), float(q.w)});
        }
    tinygltf::Buffer buffer;
    buffer.data.resize(data.size() * 4);
    std::memcpy(buffer.data.data(), data.data(), buffer.data.size());
    model.buffers.push_back(buffer);
    auto add_accessor = [&](std::size_t first_float, int count, int type) {
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = first_float * 4;
        view.byteLength = static_cast<std::size_t>(count) * tinygltf::GetNumComponentsInType(type) * 4;
        model.bufferViews.push_back(view);
        tinygltf::Accessor accessor;
        accessor.bufferView = static_cast<int>(model.bufferViews.size()) - 1;
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        accessor.count = static_cast<std::size_t>(count);
        accessor.type = type;
        if (type == TINYGLTF_TYPE_SCALAR) accessor.minValues = {0}, accessor.maxValues = {data[count - 1]};
        model.accessors.push_back(accessor);
        return static_cast<int>(model.accessors.size()) - 1;
    };
    tinygltf::Animation animation;
    animation.name = "anim_" + std::to_string(j);
    const int times = add_accessor(0, keys, TINYGLTF_TYPE_SCALAR);
    auto add_channel = [&](int node, const char* path, int output) {
        animation.samplers.push_back({});
        animation.samplers.back().input = times;
        animation.samplers.back().output = output;
        animation.samplers.back().interpolation = "LINEAR";
        tinygltf::AnimationChannel channel;
        channel.sampler = static_cast<int>(animation.samplers.size()) - 1;
        channel.target_node = node;
        channel.target_path = path;
        animation.channels.push_back(channel);
    };
    add_channel(0, "translation", add_accessor(keys, keys, TINYGLTF_TYPE_VEC3));
    for (int b = 0; b < bones; ++b)
        add_channel(b, "rotation", add_accessor(4 * keys + 4 * b * keys, keys, TINYGLTF_TYPE_VEC4));
    model.animations.push_back(animation);
    model.scenes.push_back({});
    model.scenes[0].nodes = {0};
    model.defaultScene = 0;
    model.asset.version = "2.0";
    return model;
}

// Writes the model as .glb or .gltf (by the name), buffers embedded.
inline void write_model(const tinygltf::Model& model, const std::filesystem::path& path)
{
    tinygltf::TinyGLTF writer;
    const bool binary = path.extension() == ".glb";
    ASSERT_TRUE(writer.WriteGltfSceneToFile(&model, path.string(), true, true, !binary, binary));
}

}  // namespace kelanim::test
