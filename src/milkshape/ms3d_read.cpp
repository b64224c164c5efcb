// load_ms3d: a binary .ms3d file into the model.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ms3d_bytes.h"
#include "ms3d_file.h"
#include "ms3d_key_slots.h"
#include "mst_file.h"

namespace kelanim {

namespace {

using ms3d_detail::ByteReader;
using ms3d_detail::Ms3dDamaged;

// File sizes of the records (the in-memory structs are not packed).
constexpr std::size_t vertex_bytes = 15;
constexpr std::size_t triangle_bytes = 70;
constexpr std::size_t group_fixed_bytes = 36;
constexpr std::size_t material_bytes = 361;
constexpr std::size_t joint_fixed_bytes = 93;
constexpr std::size_t key_bytes = 16;

bool has_mst_extension(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mst";
}

bool read_whole_file(const std::string& path, std::vector<std::uint8_t>& data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void read_vertices(ByteReader& in, TMS3D_File& m)
{
    m.num_vertices = in.get<std::uint16_t>("vertex count");
    in.require_room(m.num_vertices, vertex_bytes, "vertices");
    m.vertices.resize(m.num_vertices);
    m.vertex_extras.assign(m.num_vertices, MS3D_VertexExtra{});
    for (MS3D_Vertex& v : m.vertices) {
        in.get(v.flags, "vertices");
        in.get(v.position, "vertices");
        in.get(v.bone_id, "vertices");
        in.get(v.reference_count, "vertices");
    }
}

void read_triangles(ByteReader& in, TMS3D_File& m)
{
    m.num_triangles = in.get<std::uint16_t>("triangle count");
    in.require_room(m.num_triangles, triangle_bytes, "triangles");
    m.triangles.resize(m.num_triangles);
    for (MS3D_Triangle& t : m.triangles) {
        in.get(t.flags, "triangles");
        in.get(t.vertex_indices, "triangles");
        in.get(t.vertex_normals, "triangles");
        in.get(t.s, "triangles");
        in.get(t.t, "triangles");
        in.get(t.smoothing_group, "triangles");
        in.get(t.group_index, "triangles");
    }
}

void read_groups(ByteReader& in, TMS3D_File& m)
{
    m.num_groups = in.get<std::uint16_t>("group count");
    in.require_room(m.num_groups, group_fixed_bytes, "groups");
    m.groups.resize(m.num_groups);
    for (MS3D_Group& g : m.groups) {
        in.get(g.flags, "groups");
        in.get(g.name, "groups");
        in.get(g.num_triangles, "groups");
        in.require_room(g.num_triangles, sizeof(std::uint16_t), "triangle indices in a group");
        g.triangle_indices.resize(g.num_triangles);
        in.bytes(g.triangle_indices.data(), g.num_triangles * sizeof(std::uint16_t), "groups");
        in.get(g.material_index, "groups");
    }
}

void read_materials(ByteReader& in, TMS3D_File& m)
{
    m.num_materials = in.get<std::uint16_t>("material count");
    in.require_room(m.num_materials, material_bytes, "materials");
    m.materials.resize(m.num_materials);
    for (MS3D_Material& mat : m.materials) {
        in.get(mat.name, "materials");
        in.get(mat.ambient, "materials");
        in.get(mat.diffuse, "materials");
        in.get(mat.specular, "materials");
        in.get(mat.emissive, "materials");
        in.get(mat.shininess, "materials");
        in.get(mat.transparency, "materials");
        in.get(mat.mode, "materials");
        in.get(mat.texture, "materials");
        in.get(mat.alphamap, "materials");
    }
}

MS3D_Keyframe read_key(ByteReader& in)
{
    MS3D_Keyframe key;
    in.get(key.time, "joint keys");
    in.get(key.value, "joint keys");
    return key;
}

void read_keys_as_stored(ByteReader& in, std::vector<MS3D_Keyframe>& keys, std::uint16_t count)
{
    keys.resize(count);
    for (MS3D_Keyframe& key : keys) key = read_key(in);
}

// Each key goes to the slot of its frame, round(time x fps) with ties to even.
void read_keys_into_slots(ByteReader& in, std::vector<MS3D_Keyframe>& slots, std::uint16_t count, float fps)
{
    for (std::uint16_t k = 0; k < count; ++k) {
        MS3D_Keyframe key = read_key(in);
        long double frame = std::nearbyint(static_cast<long double>(key.time) * fps);
        ms3d_detail::put_key_in_slot(slots, frame, key);
    }
}

void read_joints(ByteReader& in, TMS3D_File& m, bool interpolate)
{
    m.num_joints = in.get<std::uint16_t>("joint count");
    in.require_room(m.num_joints, joint_fixed_bytes, "joints");
    if (interpolate) {
        std::string problem = ms3d_detail::slot_limit_problem(m.num_joints, m.total_frames);
        if (!problem.empty()) throw Ms3dDamaged(problem);
    }
    m.joints.resize(m.num_joints);
    for (MS3D_Joint& j : m.joints) {
        in.get(j.flags, "joints");
        in.get(j.name, "joints");
        in.get(j.parent_name, "joints");
        in.get(j.rotation, "joints");
        in.get(j.position, "joints");
        in.get(j.num_rotation_keys, "joints");
        in.get(j.num_translation_keys, "joints");
        in.require_room(std::uint64_t{j.num_rotation_keys} + j.num_translation_keys, key_bytes, "joint keys");
        if (!interpolate) {
            read_keys_as_stored(in, j.rotation_keys, j.num_rotation_keys);
            read_keys_as_stored(in, j.translation_keys, j.num_translation_keys);
            continue;
        }
        const auto frames = static_cast<std::size_t>(m.total_frames);
        j.rotation_keys.assign(frames, MS3D_Keyframe{});
        j.translation_keys.assign(frames, MS3D_Keyframe{});
        read_keys_into_slots(in, j.rotation_keys, j.num_rotation_keys, m.fps);
        read_keys_into_slots(in, j.translation_keys, j.num_translation_keys, m.fps);
        j.num_rotation_keys = static_cast<std::uint16_t>(frames);
        j.num_translation_keys = static_cast<std::uint16_t>(frames);
    }
}

// Comments of groups, materials or joints: a count, then (index, length, text).
void skip_indexed_comments(ByteReader& in)
{
    auto count = in.get<std::int32_t>("comments");
    for (std::int32_t c = 0; c < count; ++c) {
        in.skip(4, "comments");
        auto length = in.get<std::int32_t>("comments");
        if (length < 0) throw Ms3dDamaged("a comment has the negative length " + std::to_string(length));
        in.skip(static_cast<std::size_t>(length), "comments");
    }
}

// What follows the joints: comments (skipped), then the vertex extras. Joint
// and model extras after them are not needed and not read.
void read_trailer(ByteReader& in, TMS3D_File& m)
{
    m.subversion = 0;
    if (in.at_end()) return;
    in.skip(4, "comment subversion");
    for (int kind = 0; kind < 3; ++kind) skip_indexed_comments(in);
    auto model_comments = in.get<std::int32_t>("model comment");
    for (std::int32_t c = 0; c < model_comments; ++c) {
        auto length = in.get<std::int32_t>("model comment");
        if (length < 0) throw Ms3dDamaged("the model comment has the negative length " + std::to_string(length));
        in.skip(static_cast<std::size_t>(length), "model comment");
    }
    m.subversion = in.get<std::int32_t>("vertex extra subversion");
    if (m.num_vertices == 0 || m.subversion <= 0) return;
    // MilkShape 1.8 (subversion 3) adds a second extra word to each vertex.
    const std::size_t extra_bytes = m.subversion == 1 ? 6 : m.subversion == 2 ? 10 : 14;
    in.require_room(m.num_vertices, extra_bytes, "vertex extras");
    for (MS3D_VertexExtra& e : m.vertex_extras) {
        in.get(e.bone_ids, "vertex extras");
        in.get(e.weights, "vertex extras");
        if (m.subversion >= 2) in.get(e.extra, "vertex extras");
        if (m.subversion >= 3) in.skip(4, "vertex extras");
    }
}

// Reads everything after the header; throws Ms3dDamaged.
void read_body(ByteReader& in, TMS3D_File& m, bool interpolate)
{
    read_vertices(in, m);
    read_triangles(in, m);
    read_groups(in, m);
    read_materials(in, m);
    in.get(m.fps, "animation settings");
    in.get(m.current_time, "animation settings");
    in.get(m.total_frames, "animation settings");
    read_joints(in, m, interpolate);
    read_trailer(in, m);
    if (std::string problem = model_inconsistency(m); !problem.empty()) throw Ms3dDamaged(problem);
}

}  // namespace

std::int16_t load_ms3d(TMS3D_File& model, const std::string& path, bool interpolate)
{
    model.last_error.clear();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        model.last_error = "The file " + path + " does not exist";
        return ms3d_no_file;
    }
    if (has_mst_extension(path)) return load_mst(model, path);

    std::vector<std::uint8_t> data;
    if (!read_whole_file(path, data)) {
        model.last_error = "Cannot read " + path;
        return ms3d_damaged;
    }
    TMS3D_File loaded;
    if (data.size() < loaded.id.size() || std::memcmp(data.data(), ms3d_signature, loaded.id.size()) != 0) {
        model.last_error = path + " is not a MilkShape 3D file";
        return ms3d_bad_signature;
    }
    try {
        ByteReader in(data);
        in.get(loaded.id, "header");
        in.get(loaded.version, "header");
        if (loaded.version != ms3d_version) {
            model.last_error = path + " is a MilkShape 3D file of version " + std::to_string(loaded.version) +
                               "; only version 4 is read";
            return ms3d_bad_version;
        }
        read_body(in, loaded, interpolate);
    } catch (const Ms3dDamaged& damage) {
        model.last_error = path + ": " + damage.what();
        return ms3d_damaged;
    }
    if (interpolate) fill_keyframes(loaded);
    loaded.last_error.clear();
    model = std::move(loaded);
    return ms3d_ok;
}

}  // namespace kelanim
