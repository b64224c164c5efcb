#include "gltf/gltf_document.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "gltf/gltf_axes.h"

namespace kelanim {

namespace {

class DocumentBuilder {
public:
    explicit DocumentBuilder(tinygltf::Model& model) : model_(model) { model_.buffers.emplace_back(); }

    // A buffer view of the bytes, 4-byte aligned in the one buffer.
    int add_view(const void* data, std::size_t size, int target)
    {
        auto& bytes = model_.buffers[0].data;
        bytes.resize((bytes.size() + 3) & ~std::size_t{3}, 0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = bytes.size();
        view.byteLength = size;
        view.target = target;
        const auto* first = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), first, first + size);
        model_.bufferViews.push_back(view);
        return static_cast<int>(model_.bufferViews.size()) - 1;
    }

    template <class T>
    int add_accessor(const std::vector<T>& items, int component_type, int type, int target,
                     bool with_bounds = false, bool normalized = false)
    {
        tinygltf::Accessor accessor;
        accessor.bufferView = add_view(items.data(), items.size() * sizeof(T), target);
        accessor.componentType = component_type;
        accessor.type = type;
        accessor.count = items.size();
        accessor.normalized = normalized;
        if (with_bounds) bounds(items, accessor);
        model_.accessors.push_back(accessor);
        return static_cast<int>(model_.accessors.size()) - 1;
    }

private:
    // Smallest and largest of each component; positions and key times must have them.
    template <class T>
    static void bounds(const std::vector<T>& items, tinygltf::Accessor& accessor)
    {
        constexpr std::size_t n = sizeof(T) / sizeof(float);
        accessor.minValues.assign(n, std::numeric_limits<double>::max());
        accessor.maxValues.assign(n, std::numeric_limits<double>::lowest());
        for (const T& item : items)
            for (std::size_t i = 0; i < n; ++i) {
                float v;
                std::memcpy(&v, reinterpret_cast<const char*>(&item) + i * sizeof(float), sizeof v);
                accessor.minValues[i] = std::min<double>(accessor.minValues[i], v);
                accessor.maxValues[i] = std::max<double>(accessor.maxValues[i], v);
            }
    }

    tinygltf::Model& model_;
};

constexpr int array_buffer = TINYGLTF_TARGET_ARRAY_BUFFER;
constexpr int element_buffer = TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER;

void add_images(const gltf_export_parts& parts, const std::vector<std::string>& page_uris, DocumentBuilder& builder,
                tinygltf::Model& model)
{
    tinygltf::Sampler sampler;  // texels stay sharp, as the game draws them
    sampler.magFilter = TINYGLTF_TEXTURE_FILTER_NEAREST;
    sampler.minFilter = TINYGLTF_TEXTURE_FILTER_NEAREST;
    sampler.wrapS = sampler.wrapT = TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    model.samplers.push_back(sampler);
    for (std::size_t k = 0; k < parts.page_pngs.size(); ++k) {
        tinygltf::Image image;
        image.name = "page_" + std::to_string(k);
        if (page_uris.empty()) {
            image.mimeType = "image/png";
            image.bufferView = builder.add_view(parts.page_pngs[k].data(), parts.page_pngs[k].size(), 0);
        } else {
            image.uri = page_uris.at(k);
        }
        model.images.push_back(image);
        tinygltf::Texture texture;
        texture.sampler = 0;
        texture.source = static_cast<int>(k);
        model.textures.push_back(texture);
    }
}

int add_material(const gltf_look& look, std::size_t pages, tinygltf::Model& model)
{
    tinygltf::Material material;
    material.name = look.page >= 0 ? "page_" + std::to_string(look.page) : "colour";
    if (look.double_sided) material.name += "_double_sided";
    if (look.alpha_mask) material.name += "_masked";
    material.doubleSided = look.double_sided;
    material.pbrMetallicRoughness.metallicFactor = 0.0;
    material.pbrMetallicRoughness.roughnessFactor = 1.0;
    if (look.page >= 0 && static_cast<std::size_t>(look.page) < pages) {
        material.pbrMetallicRoughness.baseColorTexture.index = look.page;
        if (look.alpha_mask) material.alphaMode = "MASK";
    }
    model.materials.push_back(material);
    return static_cast<int>(model.materials.size()) - 1;
}

void add_mesh(const gltf_export_parts& parts, DocumentBuilder& builder, tinygltf::Model& model)
{
    const bool skinned = !parts.joints.empty();
    tinygltf::Mesh mesh;
    mesh.name = parts.mesh_name;
    for (const gltf_primitive& source : parts.geometry.primitives) {
        if (source.indices.empty()) continue;
        std::vector<std::array<float, 3>> positions;
        std::vector<std::array<float, 2>> uvs;
        std::vector<std::array<std::uint8_t, 4>> colours;
        std::vector<std::array<std::uint16_t, 4>> joints;
        for (const gltf_vertex& v : source.vertices) {
            positions.push_back(v.position);
            uvs.push_back(v.uv);
            colours.push_back(v.colour);
            joints.push_back({v.joint, 0, 0, 0});
        }
        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.attributes["POSITION"] =
            builder.add_accessor(positions, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, array_buffer, true);
        if (source.look.page >= 0)
            primitive.attributes["TEXCOORD_0"] =
                builder.add_accessor(uvs, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, array_buffer);
        else
            primitive.attributes["COLOR_0"] = builder.add_accessor(colours, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE,
                                                                   TINYGLTF_TYPE_VEC4, array_buffer, false, true);
        if (skinned) {
            primitive.attributes["JOINTS_0"] = builder.add_accessor(joints, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                                                                    TINYGLTF_TYPE_VEC4, array_buffer);
            const std::vector<std::array<float, 4>> weights(source.vertices.size(), {1, 0, 0, 0});
            primitive.attributes["WEIGHTS_0"] =
                builder.add_accessor(weights, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4, array_buffer);
        }
        if (source.vertices.size() <= 0xFFFF) {
            const std::vector<std::uint16_t> indices(source.indices.begin(), source.indices.end());
            primitive.indices = builder.add_accessor(indices, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                                                     TINYGLTF_TYPE_SCALAR, element_buffer);
        } else {
            primitive.indices = builder.add_accessor(source.indices, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                                                     TINYGLTF_TYPE_SCALAR, element_buffer);
        }
        primitive.material = add_material(source.look, parts.page_pngs.size(), model);
        mesh.primitives.push_back(primitive);
    }
    model.meshes.push_back(mesh);
}

// Joint nodes 0 to n - 1 are the bones; each rests at its offset with no rotation.
void add_skeleton(const gltf_export_parts& parts, DocumentBuilder& builder, tinygltf::Model& model)
{
    tinygltf::Skin skin;
    std::vector<std::array<float, 16>> inverse_binds;
    for (std::size_t b = 0; b < parts.joints.size(); ++b) {
        const gltf_joint& joint = parts.joints[b];
        tinygltf::Node node;
        node.name = joint_name(static_cast<std::int32_t>(b));
        if (b > 0) {
            const auto t = gltf_point(joint.offset[0], joint.offset[1], joint.offset[2]);
            node.translation = {t[0], t[1], t[2]};
        }
        model.nodes.push_back(node);
        skin.joints.push_back(static_cast<int>(b));
        const auto rest = gltf_point(static_cast<double>(joint.rest_position[0]),
                                     static_cast<double>(joint.rest_position[1]),
                                     static_cast<double>(joint.rest_position[2]));
        inverse_binds.push_back({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -rest[0], -rest[1], -rest[2], 1});
    }
    for (std::size_t b = 1; b < parts.joints.size(); ++b)
        model.nodes[static_cast<std::size_t>(parts.joints[b].parent)].children.push_back(static_cast<int>(b));
    skin.skeleton = 0;
    skin.inverseBindMatrices =
        builder.add_accessor(inverse_binds, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_MAT4, 0);
    model.skins.push_back(skin);
}

tinygltf::Value clip_extras(const gltf_clip& clip)
{
    tinygltf::Value::Object extras;
    extras["frame_rate"] = tinygltf::Value(clip.frame_rate);
    extras["state_id"] = tinygltf::Value(clip.state_id);
    extras["next_animation"] = tinygltf::Value(clip.next_animation);
    extras["next_frame"] = tinygltf::Value(clip.next_frame);
    extras["frame_start"] = tinygltf::Value(clip.frame_start);
    extras["frame_end"] = tinygltf::Value(clip.frame_end);
    extras["level_animation"] = tinygltf::Value(static_cast<int>(clip.level_animation));
    return tinygltf::Value(extras);
}

void add_animations(const gltf_export_parts& parts, DocumentBuilder& builder, tinygltf::Model& model)
{
    for (const gltf_clip& clip : parts.clips) {
        if (clip.times.empty()) continue;
        tinygltf::Animation animation;
        animation.name = clip.name;
        animation.extras = clip_extras(clip);
        const int input =
            builder.add_accessor(clip.times, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, 0, true);
        auto add_channel = [&](int node, const char* path, int output) {
            tinygltf::AnimationSampler sampler;
            sampler.input = input;
            sampler.output = output;
            sampler.interpolation = "LINEAR";
            animation.samplers.push_back(sampler);
            tinygltf::AnimationChannel channel;
            channel.sampler = static_cast<int>(animation.samplers.size()) - 1;
            channel.target_node = node;
            channel.target_path = path;
            animation.channels.push_back(channel);
        };
        add_channel(0, "translation",
                    builder.add_accessor(clip.root_translations, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, 0));
        for (std::size_t b = 0; b < clip.rotations.size() && b < parts.joints.size(); ++b)
            add_channel(static_cast<int>(b), "rotation",
                        builder.add_accessor(clip.rotations[b], TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4, 0));
        model.animations.push_back(animation);
    }
}

}  // namespace

tinygltf::Model build_document(const gltf_export_parts& parts, const std::vector<std::string>& page_uris)
{
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "Kelanim";
    DocumentBuilder builder(model);

    const bool skinned = !parts.joints.empty();
    if (skinned) add_skeleton(parts, builder, model);
    add_images(parts, page_uris, builder, model);
    add_mesh(parts, builder, model);

    // A selection without faces exports its joints alone: a glTF mesh needs
    // at least one primitive.
    int mesh_node = -1;
    if (!model.meshes[0].primitives.empty()) {
        tinygltf::Node node;
        node.name = parts.mesh_name;
        node.mesh = 0;
        if (skinned) node.skin = 0;
        model.nodes.push_back(node);
        mesh_node = static_cast<int>(model.nodes.size()) - 1;
    } else {
        model.meshes.clear();
    }

    tinygltf::Scene scene;
    scene.name = parts.mesh_name;
    if (skinned) scene.nodes.push_back(0);
    if (mesh_node >= 0) scene.nodes.push_back(mesh_node);
    model.scenes.push_back(scene);
    model.defaultScene = 0;

    if (skinned) add_animations(parts, builder, model);
    if (parts.page_pngs.empty()) model.samplers.clear();
    return model;
}

}  // namespace kelanim
