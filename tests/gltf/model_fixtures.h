// Models for the glTF tests, made by our glTF export.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <tiny_gltf.h>

#include "gltf/gltf_document.h"
#include "gltf/gltf_export.h"
#include "gltf/rotation_entries.h"
#include "realdata.h"

namespace kelanim::test {

// Every real level, then the demo levels: Lara, or the figure, is moveable 0 in each.
inline std::vector<std::filesystem::path> exchange_levels()
{
    std::vector<std::filesystem::path> levels = real_levels();
    for (const char* demo : {"demo.tr2", "demo.tr4"}) levels.push_back(std::filesystem::path(KELANIM_DEMO_DIR) / demo);
    return levels;
}

inline gltf_export_parts export_parts(const Ttrlevel& level, Tmesh_list& meshes, int m, int j, bool all = false)
{
    gltf_export_request request;
    request.moveable = m;
    request.animation = j;
    request.all_animations = all;
    gltf_export_parts parts;
    std::vector<std::string> warnings;
    const auto refused = prepare_gltf_export(level, meshes, request, parts, warnings);
    EXPECT_FALSE(refused) << *refused;
    return parts;
}

// Moveable m with animation j as a .glb file in memory.
inline std::vector<unsigned char> exported_glb(const Ttrlevel& level, Tmesh_list& meshes, int m, int j)
{
    const std::vector<std::uint8_t> bytes = encode_glb(export_parts(level, meshes, m, j));
    return {bytes.begin(), bytes.end()};
}

inline int node_named(const tinygltf::Model& model, const std::string& name)
{
    for (std::size_t i = 0; i < model.nodes.size(); ++i)
        if (model.nodes[i].name == name) return static_cast<int>(i);
    ADD_FAILURE() << "no node " << name;
    return 0;
}

// The accessor holding the keys of the animation's first rotation channel.
inline int first_rotation_keys(const tinygltf::Model& model)
{
    const tinygltf::Animation& a = model.animations.at(0);
    for (const auto& channel : a.channels)
        if (channel.target_path == "rotation") return a.samplers.at(channel.sampler).output;
    ADD_FAILURE() << "no rotation channel";
    return 0;
}

// Sets every float of accessor a.
inline void set_floats(tinygltf::Model& model, int a, float value)
{
    const tinygltf::Accessor& accessor = model.accessors.at(a);
    const tinygltf::BufferView& view = model.bufferViews.at(accessor.bufferView);
    const std::size_t per_element = tinygltf::GetNumComponentsInType(accessor.type);
    const std::size_t stride = view.byteStride ? view.byteStride / 4 : per_element;
    auto* first = model.buffers.at(view.buffer).data.data() + view.byteOffset + accessor.byteOffset;
    for (std::size_t i = 0; i < accessor.count; ++i)
        for (std::size_t c = 0; c < per_element; ++c) std::memcpy(first + 4 * (i * stride + c), &value, 4);
}

}  // namespace kelanim::test
