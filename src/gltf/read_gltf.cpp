// glTF 2.0 through tinygltf, with every index, count and value checked before
// use: tinygltf parses the JSON and the binary chunk but trusts what they say.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>

#include <glm/gtc/type_ptr.hpp>
#define GLM_ENABLE_EXPERIMENTAL
#include <glm/gtx/matrix_decompose.hpp>

#include <tiny_gltf.h>

#include "gltf/gltf_file_sandbox.h"
#include "gltf/model_reading.h"

namespace kelanim {

namespace {

namespace fs = std::filesystem;

// Images play no part in an animation: their bytes are not decoded.
bool skip_image(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int, void*)
{
    return true;
}

// ---- checked access to accessors ------------------------------------------

std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

// Reads `count` elements of `components` floats each from accessor a, or
// sets `error`.
bool read_floats(const tinygltf::Model& model, int a, int components, std::vector<float>& out, std::string& error,
                 const std::string& what)
{
    if (a < 0 || static_cast<std::size_t>(a) >= model.accessors.size()) {
        error = what + " names accessor " + std::to_string(a) + ", which does not exist";
        return false;
    }
    const tinygltf::Accessor& accessor = model.accessors[static_cast<std::size_t>(a)];
    if (accessor.sparse.isSparse) {
        error = what + " uses a sparse accessor, which the import does not read";
        return false;
    }
    if (accessor.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT ||
        tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type)) != components) {
        error = what + " is not stored as " + std::to_string(components) + " floats an element";
        return false;
    }
    const std::size_t element = 4 * static_cast<std::size_t>(components);
    const int v = accessor.bufferView;
    if (v < 0 || static_cast<std::size_t>(v) >= model.bufferViews.size()) {
        error = what + " has no buffer view";
        return false;
    }
    const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(v)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= model.buffers.size()) {
        error = what + " names a buffer that does not exist";
        return false;
    }
    const std::size_t buffer_size = model.buffers[static_cast<std::size_t>(view.buffer)].data.size();
    const std::size_t stride = view.byteStride ? view.byteStride : element;
    const std::size_t count = accessor.count;
    // Each difference is taken only when it cannot go below zero, so nothing
    // wraps around.
    bool fits = view.byteOffset <= buffer_size && view.byteLength <= buffer_size - view.byteOffset &&
                stride >= element && accessor.byteOffset <= view.byteLength;
    if (fits && count > 0) {
        const std::size_t room = view.byteLength - accessor.byteOffset;
        fits = element <= room && count - 1 <= (room - element) / stride;
    }
    if (!fits) {
        error = what + " holds " + std::to_string(count) + " elements, more than its buffer has room for";
        return false;
    }
    const unsigned char* base =
        model.buffers[static_cast<std::size_t>(view.buffer)].data.data() + view.byteOffset + accessor.byteOffset;
    out.resize(count * static_cast<std::size_t>(components));
    for (std::size_t i = 0; i < count; ++i) std::memcpy(&out[i * static_cast<std::size_t>(components)], base + i * stride, element);
    for (const float f : out)
        if (!std::isfinite(f)) {
            error = what + " holds a value that is not a number";
            return false;
        }
    return true;
}

std::optional<glm::dquat> unit_quaternion(double x, double y, double z, double w)
{
    const glm::dquat q(w, x, y, z);
    const double length = glm::length(q);
    if (!std::isfinite(length) || length < 1e-6) return std::nullopt;
    return q / length;
}

bool read_rest(const tinygltf::Node& node, node_transform& rest, std::string& error)
{
    const std::string what = "node " + in_quotes(node.name);
    auto finite = [](const std::vector<double>& v) {
        return std::all_of(v.begin(), v.end(), [](double d) { return std::isfinite(d); });
    };
    if (!finite(node.matrix) || !finite(node.translation) || !finite(node.rotation) || !finite(node.scale)) {
        error = what + " has a transform that is not a number";
        return false;
    }
    if (node.matrix.size() == 16) {
        const glm::dmat4 m = glm::make_mat4(node.matrix.data());
        glm::dvec3 skew;
        glm::dvec4 perspective;
        if (!glm::decompose(m, rest.scale, rest.rotation, rest.translation, skew, perspective)) {
            error = what + " has a matrix that is not a transform";
            return false;
        }
        return true;
    }
    if (node.translation.size() == 3) rest.translation = glm::make_vec3(node.translation.data());
    if (node.scale.size() == 3) rest.scale = glm::make_vec3(node.scale.data());
    if (node.rotation.size() == 4) {
        const auto q = unit_quaternion(node.rotation[0], node.rotation[1], node.rotation[2], node.rotation[3]);
        if (!q) {
            error = what + " has a rotation that is zero";
            return false;
        }
        rest.rotation = *q;
    }
    return true;
}

bool read_nodes(const tinygltf::Model& model, animated_skeleton& skeleton, std::vector<std::int32_t>& position,
                std::string& error)
{
    const std::size_t count = model.nodes.size();
    std::vector<model_node> nodes(count);
    for (std::size_t i = 0; i < count; ++i) {
        nodes[i].name = model.nodes[i].name;
        if (!read_rest(model.nodes[i], nodes[i].rest, error)) return false;
    }
    for (std::size_t i = 0; i < count; ++i)
        for (const int child : model.nodes[i].children) {
            if (child < 0 || static_cast<std::size_t>(child) >= count) {
                error = "node " + in_quotes(model.nodes[i].name) + " has child " + std::to_string(child) +
                        ", which does not exist";
                return false;
            }
            if (nodes[static_cast<std::size_t>(child)].parent != -1 || static_cast<std::size_t>(child) == i) {
                error = "node " + in_quotes(model.nodes[static_cast<std::size_t>(child)].name) +
                        " is the child of more than one node";
                return false;
            }
            nodes[static_cast<std::size_t>(child)].parent = static_cast<std::int32_t>(i);
        }
    std::vector<std::int32_t> order;
    if (!sort_parents_first(nodes, order)) {
        error = "its nodes are their own ancestors (the node graph has a cycle)";
        return false;
    }
    position.assign(count, 0);
    for (std::size_t i = 0; i < count; ++i) position[static_cast<std::size_t>(order[i])] = static_cast<std::int32_t>(i);
    skeleton.nodes = std::move(nodes);
    return true;
}

template <typename Value>
bool read_track(const tinygltf::Model& model, const tinygltf::AnimationSampler& sampler, int components,
                key_track<Value>& track, std::string& error, const std::string& what)
{
    track.interpolation = sampler.interpolation == "STEP"          ? key_interpolation::step
                          : sampler.interpolation == "CUBICSPLINE" ? key_interpolation::cubic_spline
                                                                   : key_interpolation::linear;
    std::vector<float> times, values;
    if (!read_floats(model, sampler.input, 1, times, error, what + "'s times") ||
        !read_floats(model, sampler.output, components, values, error, what + "'s values"))
        return false;
    const std::size_t per_key = track.interpolation == key_interpolation::cubic_spline ? 3 : 1;
    if (values.size() != times.size() * per_key * static_cast<std::size_t>(components)) {
        error = what + " has " + std::to_string(times.size()) + " times but a different number of values";
        return false;
    }
    for (std::size_t i = 1; i < times.size(); ++i)
        if (times[i] < times[i - 1]) {
            error = what + "'s times go backwards";
            return false;
        }
    track.times.assign(times.begin(), times.end());
    for (std::size_t i = 0; i < values.size(); i += static_cast<std::size_t>(components)) {
        if constexpr (std::is_same_v<Value, glm::dquat>) {
            const auto q = unit_quaternion(values[i], values[i + 1], values[i + 2], values[i + 3]);
            // Cubic spline tangents may be zero; the values themselves may not.
            const bool tangent = per_key == 3 && (i / 4) % 3 != 1;
            if (!q && !tangent) {
                error = what + " has a rotation key that is zero";
                return false;
            }
            track.values.push_back(q ? *q : glm::dquat(values[i + 3], values[i], values[i + 1], values[i + 2]));
        } else {
            track.values.emplace_back(values[i], values[i + 1], values[i + 2]);
        }
    }
    return true;
}

bool read_animations(const tinygltf::Model& model, const std::vector<std::int32_t>& position,
                     animated_skeleton& skeleton, std::string& error)
{
    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        const tinygltf::Animation& source = model.animations[a];
        model_animation animation;
        animation.name = source.name.empty() ? "animation " + std::to_string(a) : source.name;
        animation.nodes.resize(skeleton.nodes.size());
        const std::string what = "animation " + in_quotes(animation.name);
        bool timed = false;
        for (const tinygltf::AnimationChannel& channel : source.channels) {
            if (channel.target_path == "weights") continue;  // morph weights do not move joints
            if (channel.target_node < 0 || static_cast<std::size_t>(channel.target_node) >= position.size()) {
                error = what + " moves node " + std::to_string(channel.target_node) + ", which does not exist";
                return false;
            }
            if (channel.sampler < 0 || static_cast<std::size_t>(channel.sampler) >= source.samplers.size()) {
                error = what + " names sampler " + std::to_string(channel.sampler) + ", which does not exist";
                return false;
            }
            const auto& sampler = source.samplers[static_cast<std::size_t>(channel.sampler)];
            node_animation& moves =
                animation.nodes[static_cast<std::size_t>(position[static_cast<std::size_t>(channel.target_node)])];
            const std::string channel_what = what + " (" + channel.target_path + " of node " +
                                             std::to_string(channel.target_node) + ")";
            bool ok = true;
            const std::vector<double>* times = nullptr;
            if (channel.target_path == "translation") {
                ok = read_track(model, sampler, 3, moves.translation, error, channel_what);
                times = &moves.translation.times;
            } else if (channel.target_path == "rotation") {
                ok = read_track(model, sampler, 4, moves.rotation, error, channel_what);
                times = &moves.rotation.times;
            } else if (channel.target_path == "scale") {
                ok = read_track(model, sampler, 3, moves.scale, error, channel_what);
                times = &moves.scale.times;
            } else {
                continue;
            }
            if (!ok) return false;
            if (times->empty()) continue;
            animation.start = timed ? std::min(animation.start, times->front()) : times->front();
            animation.end = timed ? std::max(animation.end, times->back()) : times->back();
            timed = true;
        }
        skeleton.animations.push_back(std::move(animation));
    }
    return true;
}

skeleton_read read_loaded(const tinygltf::Model& model)
{
    skeleton_read result;
    std::vector<std::int32_t> position;
    if (read_nodes(model, result.skeleton, position, result.error))
        read_animations(model, position, result.skeleton, result.error);
    return result;
}

}  // namespace

bool read_model_file(const std::string& path, std::vector<unsigned char>& bytes, std::string& error)
{
    std::error_code code;
    const std::uintmax_t size = fs::file_size(path, code);
    if (code || !fs::is_regular_file(path, code)) {
        error = in_quotes(path) + " does not exist or cannot be read";
        return false;
    }
    if (size > max_model_file_bytes) {
        error = in_quotes(path) + " is " + std::to_string(size >> 20) + " MB, more than the " +
                std::to_string(max_model_file_bytes >> 20) + " MB a model may have";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.resize(static_cast<std::size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        error = in_quotes(path) + " cannot be read";
        return false;
    }
    return true;
}

skeleton_read read_gltf_bytes(const std::vector<unsigned char>& bytes, const std::string& folder)
{
    skeleton_read result;
    if (bytes.size() > std::numeric_limits<unsigned int>::max()) {
        result.error = "the model is too large";
        return result;
    }
    gltf_file_sandbox box(folder);
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks(box.callbacks());
    loader.SetImageLoader(skip_image, nullptr);
    tinygltf::Model model;
    std::string error, warning;
    const std::string base = box.folder().string();
    const auto size = static_cast<unsigned int>(bytes.size());
    const bool binary = bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0;
    const bool loaded =
        binary ? loader.LoadBinaryFromMemory(&model, &error, &warning, bytes.data(), size, base)
               : loader.LoadASCIIFromString(&model, &error, &warning, reinterpret_cast<const char*>(bytes.data()),
                                            size, base);
    if (!loaded && !box.refusal().empty() && error.find(box.refusal()) != std::string::npos) {
        result.error = box.refusal();
        return result;
    }
    if (!loaded) {
        while (!error.empty() && (error.back() == '\n' || error.back() == '.')) error.pop_back();
        result.error = error.empty() ? "it is not a glTF 2.0 model" : "it is not a glTF 2.0 model we can read (" + error + ")";
        return result;
    }
    return read_loaded(model);
}

skeleton_read read_gltf_file(const std::string& path)
{
    skeleton_read result;
    std::vector<unsigned char> bytes;
    if (!read_model_file(path, bytes, result.error)) return result;
    return read_gltf_bytes(bytes, fs::path(path).parent_path().empty() ? std::string(".")
                                                                       : fs::path(path).parent_path().string());
}

}  // namespace kelanim
