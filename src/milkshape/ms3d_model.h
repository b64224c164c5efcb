// The in-memory MilkShape 3D model: the records of a binary .ms3d file
// (format version 4) plus three arrays that only the ascii .mst form uses
// (per-vertex texture coordinates, an indexed normal list and the normal
// indices of each triangle). The export fills it and saves it; the import
// loads a file into it and reads the joints' keys.
//
// Counts are held in explicit fields beside their arrays, as in the file, and
// every array is resized together with its count.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/vecmath.h"

namespace kelanim {

// Results of load_ms3d and load_mst.
enum ms3d_result : std::int16_t {
    ms3d_ok = 0,
    ms3d_no_file = 1,
    ms3d_bad_signature = 2,  // also: an .mst file without its signature line
    ms3d_bad_version = 3,
    // The file ends early, holds counts larger than the file, indices that
    // name nothing, or (.mst) text where a number belongs. `last_error` says
    // which; the model is left as it was before the call.
    ms3d_damaged = 4,
};

inline constexpr char ms3d_signature[] = "MS3D000000";
inline constexpr std::int32_t ms3d_version = 4;

// A name of at most 31 characters in a NUL-padded 32-byte field.
using MS3D_Name = std::array<char, 32>;
// A texture file name of at most 127 characters.
using MS3D_Path = std::array<char, 128>;

struct MS3D_Vertex {
    std::uint8_t flags = 0;
    std::array<float, 3> position{};
    std::int8_t bone_id = -1;  // the joint the vertex follows; -1 for none
    std::uint8_t reference_count = 0;
};

struct MS3D_Triangle {
    std::uint16_t flags = 0;
    std::array<std::uint16_t, 3> vertex_indices{};
    std::array<std::array<float, 3>, 3> vertex_normals{};  // one per corner
    std::array<float, 3> s{};  // texture u of each corner
    std::array<float, 3> t{};  // texture v of each corner
    std::uint8_t smoothing_group = 0;
    std::uint8_t group_index = 0;
};

struct MS3D_Group {
    std::uint8_t flags = 0;
    MS3D_Name name{};
    std::uint16_t num_triangles = 0;
    std::vector<std::uint16_t> triangle_indices;
    std::int8_t material_index = -1;
};

struct MS3D_Material {
    MS3D_Name name{};
    std::array<float, 4> ambient{};  // red, green, blue, alpha
    std::array<float, 4> diffuse{};
    std::array<float, 4> specular{};
    std::array<float, 4> emissive{};
    float shininess = 0;
    float transparency = 0;
    std::int8_t mode = 0;
    MS3D_Path texture{};
    MS3D_Path alphamap{};
};

// A rotation key holds Euler angles in radians, a translation key x, y, z.
// In a file `time` is in seconds; in the per-frame slots of an interpolated
// model 0 marks an empty slot (see fill_keyframes).
struct MS3D_Keyframe {
    float time = 0;
    std::array<float, 3> value{};
};

struct MS3D_Joint {
    std::uint8_t flags = 0;
    MS3D_Name name{};
    MS3D_Name parent_name{};  // empty for a root
    std::array<float, 3> rotation{};  // radians
    std::array<float, 3> position{};
    std::uint16_t num_rotation_keys = 0;
    std::uint16_t num_translation_keys = 0;
    std::vector<MS3D_Keyframe> rotation_keys;
    std::vector<MS3D_Keyframe> translation_keys;
};

struct MS3D_VertexExtra {
    std::array<std::int8_t, 3> bone_ids{-1, -1, -1};  // further joints, -1 for none
    std::array<std::uint8_t, 3> weights{};  // percentages
    std::uint32_t extra = 0;
};

struct MS3D_TexCoord {
    float u = 0, v = 0;
};

// Indices into `normals`, one per corner, and four words nothing reads.
struct MS3D_TriangleNormals {
    std::array<std::int32_t, 3> normal_indices{};
    std::array<std::int32_t, 4> unused{};
};

struct TMS3D_File {
    std::array<char, 10> id{};
    std::int32_t version = 0;
    std::uint16_t num_vertices = 0;
    std::vector<MS3D_Vertex> vertices;
    std::vector<MS3D_TexCoord> tex_coords;  // ascii form only
    std::uint16_t num_normals = 0;         // ascii form only
    std::vector<TVector3> normals;          // ascii form only
    std::uint16_t num_triangles = 0;
    std::vector<MS3D_Triangle> triangles;
    std::vector<MS3D_TriangleNormals> triangle_normals;  // ascii form only
    std::uint16_t num_groups = 0;
    std::vector<MS3D_Group> groups;
    std::uint16_t num_materials = 0;
    std::vector<MS3D_Material> materials;
    float fps = 0;
    float current_time = 0;
    std::int32_t total_frames = 0;
    std::uint16_t num_joints = 0;
    std::vector<MS3D_Joint> joints;
    // Layout of the vertex-extra section; 0 = the file ends after the joints.
    std::int32_t subversion = 0;
    std::vector<MS3D_VertexExtra> vertex_extras;  // one per vertex

    // Why the last load, weld or key filling failed; empty after a success.
    std::string last_error;
};

// Empties every array and sets the six counts to 0. `fps`, `current_time`,
// `total_frames` and `subversion` keep their values.
void clear_ms3d(TMS3D_File& model);

// The text of a NUL-padded name field.
template <std::size_t N>
std::string name_text(const std::array<char, N>& field)
{
    std::size_t length = 0;
    while (length < N && field[length] != '\0') ++length;
    return std::string(field.data(), length);
}

// Fills a name field with `text`, cut to N - 1 characters and NUL-padded.
template <std::size_t N>
void set_name(std::array<char, N>& field, std::string_view text)
{
    field.fill('\0');
    text = text.substr(0, N - 1);
    text.copy(field.data(), text.size());
}

// The first inconsistency that would make the model unsafe to write or to
// use, or an empty string: a count that differs from its array, an index that
// names nothing, or missing vertex extras (needed, one per vertex, when
// `subversion` is 1 or more). `for_ascii` also checks the arrays only the
// .mst form has (texture coordinates and extras per vertex, the normals and
// the normal indices of each triangle).
std::string model_inconsistency(const TMS3D_File& model, bool for_ascii = false);

}  // namespace kelanim
