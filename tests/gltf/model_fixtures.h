// Models for the glTF tests, made by our glTF export.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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
    gltf_export_parts parts;
    std::vector<std::string> warnings;
    const auto refused =
        prepare_gltf_export(level, meshes, {.moveable = m, .animation = j, .all_animations = all}, parts, warnings);
    EXPECT_FALSE(refused) << *refused;
    return parts;
}

// Moveable m with animation j as a .glb file in memory.
inline std::vector<std::uint8_t> exported_glb(const Ttrlevel& level, Tmesh_list& meshes, int m, int j)
{
    return encode_glb(export_parts(level, meshes, m, j));
}

inline int node_named(const tinygltf::Model& model, const std::string& name)
{
    const auto at = std::find_if(model.nodes.begin(), model.nodes.end(), [&](auto& n) { return n.name == name; });
    EXPECT_NE(at, model.nodes.end()) << "no node " << name;
    return at == model.nodes.end() ? 0 : static_cast<int>(at - model.nodes.begin());
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
