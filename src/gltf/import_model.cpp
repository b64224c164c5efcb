#include "gltf/import_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>

#include <glm/gtc/quaternion.hpp>

#include "anim/keyframes.h"
#include "gltf/gltf_skeleton.h"
#include "gltf/joint_names.h"
#include "gltf/model_reading.h"
#include "gltf/rotation_entries.h"
#include "milkshape/keyframe_splice.h"

namespace kelanim {

namespace {

constexpr std::int32_t max_imported_keyframes = 65535;
constexpr double game_frames_per_second = 30;
// Two rotations closer than this are the same rotation stored twice.
constexpr double same_rotation_degrees = 0.02;
constexpr char unchanged[] = " The level is unchanged.";

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// "a, b, c and 4 more": a list that stays short whatever the file holds.
std::string short_list(const std::vector<std::string>& items)
{
    std::string text;
    const std::size_t shown = std::min<std::size_t>(items.size(), 8);
    for (std::size_t i = 0; i < shown; ++i) text += (i ? ", " : "") + items[i];
    if (items.size() > shown) text += " and " + std::to_string(items.size() - shown) + " more";
    return text;
}

// The node of each bone, or why the skeleton does not fit the moveable.
std::optional<std::vector<std::int32_t>> match_joints(const animated_skeleton& model, std::int32_t m,
                                                      std::int32_t bones, std::string& error)
{
    std::vector<std::int32_t> node(static_cast<std::size_t>(bones), -1);
    std::vector<std::string> extra, missing;
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const std::optional<int> b = bone_number(model.nodes[i].name);
        if (!b) continue;
        if (*b >= bones) {
            if (extra.size() < 100) extra.push_back(quoted(model.nodes[i].name));
            continue;
        }
        // A name of our own beats one a tool renamed (`bone_03.001`).
        std::int32_t& chosen = node[static_cast<std::size_t>(*b)];
        if (chosen == -1 || model.nodes[i].name == joint_name(*b)) chosen = static_cast<std::int32_t>(i);
    }
    for (std::int32_t b = 0; b < bones; ++b)
        if (node[static_cast<std::size_t>(b)] == -1) missing.push_back(joint_name(b));
    const std::string moveable = "moveable " + std::to_string(m) + " (" + std::to_string(bones) + " bones)";
    if (!missing.empty()) {
        error = "The model's skeleton does not fit " + moveable + ": it has no joint for " + short_list(missing) + ".";
        return std::nullopt;
    }
    if (!extra.empty()) {
        error = "The model's skeleton does not fit " + moveable + ": it has joints for bones the moveable lacks: " +
                short_list(extra) + ".";
        return std::nullopt;
    }
    return node;
}

const model_animation* find_animation(const animated_skeleton& model, const std::string& source, std::string& error)
{
    if (model.animations.empty()) {
        error = "The model has no animation.";
        return nullptr;
    }
    if (source.empty()) return &model.animations.front();
    for (const auto& a : model.animations)
        if (a.name == source) return &a;
    for (const auto& a : model.animations)
        if (undecorated_animation_name(a.name) == source) return &a;
    std::vector<std::string> names;
    for (const auto& a : model.animations)
        if (names.size() < 100) names.push_back(quoted(a.name));
    error = "The model has no animation named " + quoted(source) + "; it has " + short_list(names) + ".";
    return nullptr;
}

// How the model's world sits against the level: `axes` turns level axes into
// the model's, and one level unit is `scale` model units.
struct model_frame {
    glm::dmat3 axes{1.0};
    double scale = 1;
};

// The 24 rotations that map axes onto axes.
std::vector<glm::dmat3> axis_rotations()
{
    std::vector<glm::dmat3> all;
    const int permutations[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& p : permutations)
        for (int signs = 0; signs < 8; ++signs) {
            glm::dmat3 r(0.0);
            for (int column = 0; column < 3; ++column) r[column][p[column]] = (signs >> column & 1) ? -1.0 : 1.0;
            if (glm::determinant(r) > 0) all.push_back(r);
        }
    return all;
}

// Fits the joints' rest positions in the model to the bones' in the level.
// Our own export maps a level point (x, y, z) to (x, -y, -z) / 512; that is
// kept whenever it fits as well as any other, and when the skeleton is too
// small to tell (one bone, or all at one place).
model_frame fit_frame(const std::vector<glm::dvec3>& model_rest, const std::vector<glm::dvec3>& level_rest,
                      double root_scale)
{
    model_frame ours;
    ours.axes = glm::dmat3(glm::dvec3(1, 0, 0), glm::dvec3(0, -1, 0), glm::dvec3(0, 0, -1));
    ours.scale = root_scale / 512;
    double spread = 0;
    for (std::size_t b = 1; b < level_rest.size(); ++b) spread += glm::dot(level_rest[b] - level_rest[0], level_rest[b] - level_rest[0]);
    if (!(spread >= 1)) return ours;

    auto fit = [&](const glm::dmat3& axes, double& error) {
        double along = 0;
        for (std::size_t b = 1; b < level_rest.size(); ++b)
            along += glm::dot(axes * (level_rest[b] - level_rest[0]), model_rest[b] - model_rest[0]);
        const double scale = along / spread;
        error = 0;
        for (std::size_t b = 1; b < level_rest.size(); ++b) {
            const glm::dvec3 d = model_rest[b] - model_rest[0] - scale * (axes * (level_rest[b] - level_rest[0]));
            error += glm::dot(d, d);
        }
        return scale;
    };
    double best_error = 0;
    ours.scale = fit(ours.axes, best_error);
    model_frame best = ours;
    for (const glm::dmat3& axes : axis_rotations()) {
        double error = 0;
        const double scale = fit(axes, error);
        if (scale > 0 && error < best_error * (1 - 1e-6) - 1e-18) {
            best = {axes, scale};
            best_error = error;
        }
    }
    if (!(best.scale > 0) || !std::isfinite(best.scale)) return {ours.axes, root_scale / 512};
    return best;
}

// The rotation part of a world matrix, its scale taken out.
std::optional<glm::dmat3> rotation_of(const glm::dmat4& world)
{
    glm::dmat3 r(world);
    for (int c = 0; c < 3; ++c) {
        const double length = glm::length(r[c]);
        if (!(length > 1e-12) || !std::isfinite(length)) return std::nullopt;
        r[c] /= length;
    }
    return glm::mat3_cast(glm::normalize(glm::quat_cast(r)));
}

std::int16_t offset_word(double value, std::int32_t& clamped)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768 && rounded <= 32767)) {
        ++clamped;
        return rounded > 0 ? 32767 : -32768;  // not a number counts and becomes -32768 as well
    }
    return static_cast<std::int16_t>(rounded);
}

std::string lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Each bone's place in the model and in the level, and how the two frames
// meet: all the sampling needs besides the animation.
struct skeleton_fit {
    std::vector<std::int32_t> node;       // the model node of each bone
    std::vector<gltf_joint> joints;       // the level's bone hierarchy
    std::vector<glm::dmat3> rest_rotation;  // of each bone's node, world
    glm::dvec3 root_rest{0.0};            // the root node's world position at rest
    model_frame frame;
};

std::optional<skeleton_fit> fit_skeleton(const Ttrlevel& level, std::int32_t m, const animated_skeleton& model,
                                         std::string& error)
{
    const std::int32_t bones = level.moveables[static_cast<std::size_t>(m)].num_meshes;
    skeleton_fit fit;
    auto node = match_joints(model, m, bones, error);
    if (!node) return std::nullopt;
    fit.node = std::move(*node);
    fit.joints = moveable_joints(level, m);
    if (fit.joints.size() != static_cast<std::size_t>(bones)) {
        error = "The moveable's mesh tree does not describe its bones.";
        return std::nullopt;
    }
    const std::vector<glm::dmat4> rest = rest_world(model);
    std::vector<glm::dvec3> model_rest, level_rest;
    for (std::int32_t b = 0; b < bones; ++b) {
        const gltf_joint& joint = fit.joints[static_cast<std::size_t>(b)];
        level_rest.emplace_back(joint.rest_position[0], joint.rest_position[1], joint.rest_position[2]);
        const glm::dmat4& world = rest[static_cast<std::size_t>(fit.node[static_cast<std::size_t>(b)])];
        model_rest.emplace_back(world[3]);
        const auto r = rotation_of(world);
        if (!r) {
            error = "Joint " + joint_name(b) + " is scaled to nothing in the model's rest pose.";
            return std::nullopt;
        }
        fit.rest_rotation.push_back(*r);
    }
    const glm::dmat4& root = rest[static_cast<std::size_t>(fit.node[0])];
    fit.root_rest = glm::dvec3(root[3]);
    fit.frame = fit_frame(model_rest, level_rest, glm::length(glm::dvec3(root[0])));
    return fit;
}

// One keyframe as the level will store it.
struct new_keyframe {
    std::array<std::int16_t, 3> offset{};
    std::vector<rotation_entry> entries;
    std::int32_t clamped = 0;  // offset values that did not fit
};

// The pose of the model at time t as a keyframe. `old` holds the entries of
// the keyframe it replaces (or none): a rotation they already hold keeps its
// words.
std::optional<new_keyframe> sample_keyframe(const Ttrlevel& level, const animated_skeleton& model,
                                            const model_animation& animation, const skeleton_fit& fit, double t,
                                            const std::vector<rotation_entry>& old, std::string& error)
{
    const std::vector<glm::dmat4> world = animated_world(model, animation, t);
    const glm::dmat3 to_level = glm::transpose(fit.frame.axes);
    std::vector<glm::dmat3> level_world(fit.node.size());
    new_keyframe keyframe;
    for (std::size_t b = 0; b < fit.node.size(); ++b) {
        const auto r = rotation_of(world[static_cast<std::size_t>(fit.node[b])]);
        if (!r) {
            error = "Joint " + joint_name(static_cast<std::int32_t>(b)) + " is scaled to nothing at " +
                    std::to_string(t) + " s of animation " + quoted(animation.name) + ".";
            return std::nullopt;
        }
        // The turn from rest, in the model's world, brought into level axes.
        level_world[b] = to_level * (*r * glm::transpose(fit.rest_rotation[b])) * fit.frame.axes;
        const std::int32_t parent = fit.joints[b].parent;
        const glm::dmat3 local =
            parent < 0 ? level_world[b] : glm::transpose(level_world[static_cast<std::size_t>(parent)]) * level_world[b];
        const bool kept = b < old.size() && degrees_between(old[b].rotation, local) < same_rotation_degrees;
        keyframe.entries.push_back(kept ? old[b] : pack_rotation(local, level.version_code));
    }
    const glm::dvec3 moved = to_level * (glm::dvec3(world[static_cast<std::size_t>(fit.node[0])][3]) - fit.root_rest) /
                             fit.frame.scale;
    for (int axis = 0; axis < 3; ++axis)
        keyframe.offset[static_cast<std::size_t>(axis)] = offset_word(moved[axis], keyframe.clamped);
    return keyframe;
}

// The keyframes' words, `length` each: box 0, offset, (TR1: the bone count,)
// rotation entries, zeros.
std::vector<std::int16_t> keyframe_words(const std::vector<new_keyframe>& keyframes, std::int32_t length,
                                         std::int32_t header, std::int32_t bones)
{
    std::vector<std::int16_t> words(keyframes.size() * static_cast<std::size_t>(length), 0);
    for (std::size_t k = 0; k < keyframes.size(); ++k) {
        std::size_t p = k * static_cast<std::size_t>(length);
        std::copy(keyframes[k].offset.begin(), keyframes[k].offset.end(), words.begin() + static_cast<std::ptrdiff_t>(p + 6));
        if (header == 10) words[p + 9] = static_cast<std::int16_t>(bones);
        p += static_cast<std::size_t>(header);
        for (const rotation_entry& e : keyframes[k].entries)
            for (std::int32_t w = 0; w < e.count; ++w) words[p++] = static_cast<std::int16_t>(e.words[static_cast<std::size_t>(w)]);
    }
    return words;
}

}  // namespace

exchange_outcome import_model_animation(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                        const animated_skeleton& model, const std::string& source)
{
    if (auto refused = check_import_target(level, m, j)) return *refused;
    const std::int32_t bones = level.moveables[static_cast<std::size_t>(m)].num_meshes;
    if (bones == 0) return exchange_failure("The selected moveable has no bones to animate." + std::string(unchanged));
    std::string error;
    const std::optional<skeleton_fit> fit = fit_skeleton(level, m, model, error);
    if (!fit) return exchange_failure(error + unchanged);
    const model_animation* animation = find_animation(model, source, error);
    if (!animation) return exchange_failure(error + unchanged);

    // Keyframe k is shown k * frame_rate game frames after the first.
    const double step = std::max(1, keyframe_rate(level, m, j)) / game_frames_per_second;
    const double keyframes_in_file = (animation->end - animation->start) / step + 1e-4;
    if (!(keyframes_in_file < max_imported_keyframes))
        return exchange_failure("Animation " + quoted(animation->name) + " lasts " +
                                std::to_string(animation->end - animation->start) + " s, more than the " +
                                std::to_string(max_imported_keyframes) + " keyframes an import may make." + unchanged);
    const std::int32_t count = static_cast<std::int32_t>(std::floor(keyframes_in_file)) + 1;

    const bool tr1 = tr1_keyframe_layout(level.version_code);
    const std::int32_t header = tr1 ? 10 : 9;
    const std::int32_t old_count = keyframe_count(level, m, j);
    std::vector<new_keyframe> keyframes;
    std::int32_t clamped = 0, length = tr1 ? 2 * bones + 10 : 0;
    for (std::int32_t k = 0; k < count; ++k) {
        const std::vector<rotation_entry> old =
            k < old_count ? read_rotation_entries(level, keyframe_word(level, m, j, k) + header, bones)
                          : std::vector<rotation_entry>();
        auto keyframe = sample_keyframe(level, model, *animation, *fit, animation->start + k * step, old, error);
        if (!keyframe) return exchange_failure(error + unchanged);
        clamped += keyframe->clamped;
        std::int32_t used = header;
        for (const rotation_entry& e : keyframe->entries) used += e.count;
        if (!tr1) length = std::max(length, used);
        keyframes.push_back(std::move(*keyframe));
    }
    // An animation that keeps its keyframe length stays as it was.
    const std::int32_t old_length = keyframe_length(level, m, j);
    if (!tr1 && old_length >= length && old_length <= 2 * bones + 9) length = old_length;
    if (!tr1 && length > max_keyframe_words)
        return exchange_failure("A keyframe of " + std::to_string(bones) + " bones takes " + std::to_string(length) +
                                " words; an animation can record at most " + std::to_string(max_keyframe_words) + "." +
                                unchanged);

    exchange_outcome outcome =
        splice_keyframes(level, meshes, m, j, keyframe_words(keyframes, length, header, bones), count, length);
    if (outcome.ok && clamped > 0)
        outcome.warnings.push_back(std::to_string(clamped) +
                                   " root offset values lay beyond the 16-bit range of a keyframe and were clamped.");
    return outcome;
}

exchange_outcome import_model_file(Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m, std::int32_t j,
                                   const std::string& path, const std::string& source)
{
    if (auto refused = check_import_target(level, m, j)) return *refused;
    const std::string extension = lower(std::filesystem::path(path).extension().string());
    skeleton_read read;
    if (extension == ".glb" || extension == ".gltf")
        read = read_gltf_file(path);
    else if (extension == ".fbx")
        read = read_fbx_file(path);
    else
        return exchange_failure("Cannot import " + quoted(path) +
                                ": the file name must end in \".glb\", \".gltf\" or \".fbx\"." + unchanged);
    if (!read.error.empty())
        return exchange_failure("Cannot import " + quoted(path) + ": " + read.error + "." + unchanged);
    return import_model_animation(level, meshes, m, j, read.skeleton, source);
}

}  // namespace kelanim
