// Broken and hostile models: each is refused with a message that says why,
// the level keeps every word, and no file outside the model's folder is read.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>

#include <nlohmann/json.hpp>

#include "geometry/mesh_list.h"
#include "gltf/import_model.h"
#include "model_fixtures.h"

namespace kelanim::test {
namespace {

struct hostile_case {
    const char* name;
    std::function<void(tinygltf::Model&)> break_model;  // before writing
    std::function<void(nlohmann::json&)> break_json;    // after writing, .gltf only
    const char* expected;                               // part of the message
    const char* source = "";
    const char* file = "model.gltf";
};

const hostile_case hostile_cases[] = {
    {"count_beyond_buffer",
     [](auto& m) { m.accessors[first_rotation_keys(m)].count = 1u << 30; },
     {},
     "more than its buffer has room for"},
    {"node_naming_nothing",
     [](auto& m) { m.animations[0].channels[0].target_node = 999; },
     {},
     "node 999, which does not exist"},
    {"child_naming_nothing",
     [](auto& m) { m.nodes[node_named(m, "bone_01")].children.push_back(-5); },
     {},
     "child -5, which does not exist"},
    {"child_beyond_nodes",
     [](auto& m) { m.nodes[0].children.push_back(static_cast<int>(m.nodes.size())); },
     {},
     "which does not exist"},
    {"zero_rotation_key",
     [](auto& m) { set_floats(m, first_rotation_keys(m), 0.0f); },
     {},
     "rotation key that is zero"},
    {"nan_rotation_key", [](auto& m) { set_floats(m, first_rotation_keys(m), NAN); }, {}, "not a number"},
    {"zero_rest_rotation",
     [](auto& m) {
         m.nodes[node_named(m, "bone_02")].rotation = {0, 0, 0, 0};
     },
     {},
     "rotation that is zero"},
    {"cycle",
     [](auto& m) { m.nodes[node_named(m, "bone_01")].children.push_back(node_named(m, "bone_00")); },
     {},
     "cycle"},
    {"missing_joint",
     [](auto& m) { m.nodes[node_named(m, "bone_02")].name = "hand"; },
     {},
     "it has no joint for bone_02"},
    {"unknown_source", {}, {}, "no animation named \"walk\"; it has \"anim_0\"", "walk"},
    {"missing_buffer", {}, [](auto& j) { j["buffers"][0]["uri"] = "missing.bin"; }, "missing.bin"},
    {"huge_buffer", {}, [](auto& j) { j["buffers"][0]["byteLength"] = 1e12; }, "not a glTF 2.0 model we can read"},
    {"uri_outside_folder", {}, [](auto& j) { j["buffers"][0]["uri"] = "../outside.bin"; }, "outside its folder"},
    {"absolute_uri", {}, [](auto& j) { j["buffers"][0]["uri"] = "/etc/passwd"; }, "outside its folder"},
    {"http_uri", {}, [](auto& j) { j["buffers"][0]["uri"] = "http://example.com/a.bin"; }, "a scheme"},
    {"file_uri", {}, [](auto& j) { j["buffers"][0]["uri"] = "file:///etc/passwd"; }, "a scheme"},
    {"not_json", {}, [](auto& j) { j = "glTF"; }, "not a glTF 2.0 model"},
    {"truncated_glb", {}, {}, "not a glTF 2.0 model", "", "model.glb"},
    {"wrong_extension", {}, {}, "must end in", "", "model.obj"},
};

class HostileModel : public ::testing::TestWithParam<hostile_case> {};

TEST_P(HostileModel, IsRefusedAndChangesNothing)
{
    const hostile_case& c = GetParam();
    Ttrlevel level;
    ASSERT_EQ(level.load_level(std::string(KELANIM_DEMO_DIR) + "/demo.tr4"), 0);
    Tmesh_list meshes;
    meshes.decode_meshes(level);
    tinygltf::Model model = build_document(export_parts(level, meshes, 0, 0), {});
    if (c.break_model) c.break_model(model);
    const auto dir = output_dir("model"), path = dir / c.file, gltf = dir / "model.gltf";
    const bool binary = path.extension() == ".glb";
    ASSERT_TRUE(tinygltf::TinyGLTF().WriteGltfSceneToFile(&model, (binary ? path : gltf).string(), true, true, !binary, binary));
    if (binary) std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    if (path.extension() == ".obj") std::filesystem::copy_file(gltf, path, std::filesystem::copy_options::overwrite_existing);
    if (c.break_json) {
        std::ofstream(dir.parent_path() / "outside.bin") << std::string(4096, 'x');
        nlohmann::json json = nlohmann::json::parse(std::ifstream(path));
        c.break_json(json);
        std::ofstream(path) << json.dump();
    }
    const std::vector<std::int16_t> frames = level.frames;
    const exchange_outcome outcome = import_model_file(level, meshes, 0, 0, path.string(), c.source);
    const std::string& said = outcome.message;
    EXPECT_TRUE(!outcome.ok && said.find(c.expected) != said.npos && said.ends_with("The level is unchanged.") &&
                said.size() < 400)
        << said;
    EXPECT_EQ(level.frames, frames);
}

INSTANTIATE_TEST_SUITE_P(Models, HostileModel, ::testing::ValuesIn(hostile_cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelanim::test
