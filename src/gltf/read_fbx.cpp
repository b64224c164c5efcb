// FBX through Assimp, which reads the file from memory and may open no other
// file: its I/O system here refuses every name.
#include <cmath>
#include <unordered_map>

#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/scene.h>

#include "gltf/model_reading.h"

namespace kelanim {

namespace {

class NoFiles : public Assimp::IOSystem {
public:
    bool Exists(const char*) const override { return false; }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char*, const char*) override { return nullptr; }
    void Close(Assimp::IOStream* stream) override { delete stream; }
};

bool finite(const aiVector3D& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

glm::dvec3 vec(const aiVector3D& v) { return {v.x, v.y, v.z}; }

bool unit(const aiQuaternion& q, glm::dquat& out)
{
    const glm::dquat g(q.w, q.x, q.y, q.z);
    const double length = glm::length(g);
    if (!std::isfinite(length) || length < 1e-6) return false;
    out = g / length;
    return true;
}

glm::dmat4 to_glm(const aiMatrix4x4& m)
{
    glm::dmat4 g;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) g[c][r] = m[r][c];
    return g;
}

bool finite(const glm::dmat4& m)
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (!std::isfinite(m[c][r])) return false;
    return true;
}

// Adds `node` and its descendants, parents first; `meshes_of` receives the
// meshes each node holds.
void add_nodes(const aiNode* node, std::int32_t parent, animated_skeleton& skeleton,
               std::vector<std::vector<unsigned>>& meshes_of, int depth)
{
    if (!node || depth > 1000) return;
    model_node entry;
    entry.name = node->mName.C_Str();
    entry.parent = parent;
    aiVector3D scale, position;
    aiQuaternion rotation;
    node->mTransformation.Decompose(scale, rotation, position);
    if (finite(scale) && finite(position)) {
        entry.rest.translation = vec(position);
        entry.rest.scale = vec(scale);
    }
    unit(rotation, entry.rest.rotation);
    const auto index = static_cast<std::int32_t>(skeleton.nodes.size());
    skeleton.nodes.push_back(std::move(entry));
    meshes_of.emplace_back(node->mMeshes, node->mMeshes + node->mNumMeshes);
    for (unsigned c = 0; c < node->mNumChildren; ++c)
        add_nodes(node->mChildren[c], index, skeleton, meshes_of, depth + 1);
}

// A joint's bind world matrix: the world of the mesh node it deforms, times
// the inverse of the bone's offset (mesh space to bone space at binding).
void add_bind_matrices(const aiScene& scene, const std::vector<std::vector<unsigned>>& meshes_of,
                       const std::unordered_map<std::string, std::size_t>& by_name, animated_skeleton& skeleton)
{
    const std::vector<glm::dmat4> world = rest_world(skeleton);
    for (std::size_t n = 0; n < meshes_of.size(); ++n)
        for (const unsigned mesh_index : meshes_of[n]) {
            if (mesh_index >= scene.mNumMeshes) continue;
            const aiMesh* mesh = scene.mMeshes[mesh_index];
            for (unsigned b = 0; b < mesh->mNumBones; ++b) {
                const auto found = by_name.find(mesh->mBones[b]->mName.C_Str());
                if (found == by_name.end() || skeleton.nodes[found->second].bind_world) continue;
                const glm::dmat4 bind = world[n] * glm::inverse(to_glm(mesh->mBones[b]->mOffsetMatrix));
                if (finite(bind)) skeleton.nodes[found->second].bind_world = bind;
            }
        }
}

template <typename Key, typename Value, typename Convert>
bool read_keys(const Key* keys, unsigned count, double ticks_per_second, key_track<Value>& track, Convert convert)
{
    for (unsigned k = 0; k < count; ++k) {
        const double t = keys[k].mTime / ticks_per_second;
        Value value;
        if (!std::isfinite(t) || (!track.times.empty() && t < track.times.back()) || !convert(keys[k].mValue, value))
            return false;
        track.times.push_back(t);
        track.values.push_back(value);
    }
    return true;
}

}  // namespace

skeleton_read read_fbx_file(const std::string& path)
{
    skeleton_read result;
    std::vector<unsigned char> bytes;
    if (!read_model_file(path, bytes, result.error)) return result;

    Assimp::Importer importer;
    importer.SetIOHandler(new NoFiles);  // the importer owns it
    // Pivots as extra nodes would put transforms between the joints.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
    const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "fbx");
    if (!scene || !scene->mRootNode) {
        result.error = std::string("it is not an FBX model we can read (") + importer.GetErrorString() + ")";
        return result;
    }
    animated_skeleton& skeleton = result.skeleton;
    std::vector<std::vector<unsigned>> meshes_of;
    add_nodes(scene->mRootNode, -1, skeleton, meshes_of, 0);
    std::unordered_map<std::string, std::size_t> by_name;
    for (std::size_t i = skeleton.nodes.size(); i-- > 0;) by_name[skeleton.nodes[i].name] = i;
    add_bind_matrices(*scene, meshes_of, by_name, skeleton);

    for (unsigned a = 0; a < scene->mNumAnimations; ++a) {
        const aiAnimation* source = scene->mAnimations[a];
        model_animation animation;
        animation.name = source->mName.length ? source->mName.C_Str() : "animation " + std::to_string(a);
        animation.nodes.resize(skeleton.nodes.size());
        const double ticks = source->mTicksPerSecond > 0 ? source->mTicksPerSecond : 25.0;
        bool timed = false;
        for (unsigned c = 0; c < source->mNumChannels; ++c) {
            const aiNodeAnim* channel = source->mChannels[c];
            const auto found = by_name.find(channel->mNodeName.C_Str());
            if (found == by_name.end()) continue;
            node_animation& moves = animation.nodes[found->second];
            const auto to_vec = [](const aiVector3D& v, glm::dvec3& out) {
                out = vec(v);
                return finite(v);
            };
            if (!read_keys(channel->mPositionKeys, channel->mNumPositionKeys, ticks, moves.translation, to_vec) ||
                !read_keys(channel->mRotationKeys, channel->mNumRotationKeys, ticks, moves.rotation, unit) ||
                !read_keys(channel->mScalingKeys, channel->mNumScalingKeys, ticks, moves.scale, to_vec)) {
                result.error = "animation \"" + animation.name + "\" has keys that are not numbers, not rotations "
                               "or not in time order";
                return result;
            }
            for (const auto* times : {&moves.translation.times, &moves.rotation.times, &moves.scale.times}) {
                if (times->empty()) continue;
                animation.start = timed ? std::min(animation.start, times->front()) : times->front();
                animation.end = timed ? std::max(animation.end, times->back()) : times->back();
                timed = true;
            }
        }
        skeleton.animations.push_back(std::move(animation));
    }
    return result;
}

}  // namespace kelanim
