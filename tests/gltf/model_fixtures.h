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
    const gltf_export_request request{.path = {}, .moveable = m, .animation = j, .all_animations = all};
    const auto refused = prepare_gltf_export(level, meshes, request, parts, warnings);
    EXPECT_FALSE(refused) << *refused;
    return parts;
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
    const auto c = std::find_if(a.channels.begin(), a.channels.end(), [](auto& ch) { return ch.target_path == "rotation"; });
    return c == a.channels.end() ? 0 : a.samplers.at(c->sampler).output;
}

// Sets every float of accessor a, which our export writes tightly packed.
inline void set_floats(tinygltf::Model& model, int a, float value)
{
    const tinygltf::Accessor& accessor = model.accessors.at(a);
    const tinygltf::BufferView& view = model.bufferViews.at(accessor.bufferView);
    auto* first = model.buffers.at(view.buffer).data.data() + view.byteOffset + accessor.byteOffset;
    for (std::size_t i = 0; i < accessor.count * tinygltf::GetNumComponentsInType(accessor.type); ++i)
        std::memcpy(first + 4 * i, &value, 4);
}

}  // namespace kelanim::test
