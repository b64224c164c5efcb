// load_mst: a "Milkshape3D Extra ASCII" text file into the model.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "ms3d_file.h"
#include "ms3d_key_slots.h"
#include "mst_file.h"
#include "mst_text.h"

namespace kelanim {

namespace {

constexpr std::int64_t max_records = 65535;  // counts of the model are 16-bit

// A file whose structure cannot be a model (as opposed to a bad number).
class MstDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string word(const std::string& line, int n) { return field(line, ' ', n); }

// An integer from the file that must fit a narrower field of the model.
template <class T>
T narrow(std::int64_t value, const char* what)
{
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        throw MstDamaged(std::string("the ") + what + " " + std::to_string(value) + " is out of range");
    return static_cast<T>(value);
}

// A count of records that must stay within what the model can hold in all.
std::size_t count_of(const std::string& line, std::int64_t held_so_far, const char* what)
{
    std::int32_t count = to_integer(line);
    if (count < 0) throw MstDamaged(std::string("the ") + what + " count " + std::to_string(count) + " is negative");
    if (held_so_far + count > max_records)
        throw MstDamaged(std::string("more ") + what + " than a model can hold (" + std::to_string(max_records) + ")");
    return static_cast<std::size_t>(count);
}

// A fraction written with 2 decimals back to the stored percentage.
std::int64_t percent_of(const std::string& text, const char* what)
{
    double percent = std::nearbyint(to_number(text) * 100);
    if (std::fabs(percent) > double(std::numeric_limits<std::uint32_t>::max()))
        throw MstDamaged(std::string("the ") + what + " " + text + " is out of range");
    return static_cast<std::int64_t>(percent);
}

std::int32_t number_after_colon(const std::string& line) { return to_integer(field(line, ':', 2)); }

class MstReader {
public:
    MstReader(std::istream& in, TMS3D_File& model) : in_(in), m_(model) {}

    void read_after_signature()
    {
        std::copy_n(ms3d_signature, m_.id.size(), m_.id.begin());
        m_.version = ms3d_version;
        std::string line = next_line(in_);
        m_.total_frames = field(line, ':', 1) == "frames" ? number_after_colon(line) : 0;
        m_.fps = 24;
        line = next_line(in_);
        m_.current_time = static_cast<float>(field(line, ':', 1) == "frame" ? number_after_colon(line) : 0);

        std::int32_t groups = number_after_colon(next_line(in_));
        if (groups < 0 || groups > max_records)
            throw MstDamaged("the mesh count " + std::to_string(groups) + " is out of range");
        m_.num_groups = static_cast<std::uint16_t>(groups);
        m_.groups.resize(m_.num_groups);
        for (std::size_t g = 0; g < m_.groups.size(); ++g) read_group(g);
        read_materials();
        read_joints();
        m_.subversion = 3;
    }

private:
    void read_group(std::size_t g)
    {
        MS3D_Group& group = m_.groups[g];
        std::string line = next_line(in_);
        set_name(group.name, word(line, 1));
        group.flags = narrow<std::uint8_t>(to_integer(word(line, 2)), "mesh flags");
        group.material_index = narrow<std::int8_t>(to_integer(word(line, 3)), "material index");

        const std::size_t first_vertex = m_.vertices.size();
        const std::size_t vertices = count_of(next_line(in_), m_.vertices.size(), "vertices");
        for (std::size_t i = 0; i < vertices; ++i) read_vertex();

        const std::size_t first_normal = m_.normals.size();
        const std::size_t normals = count_of(next_line(in_), m_.normals.size(), "normals");
        for (std::size_t i = 0; i < normals; ++i) {
            line = next_line(in_);
            m_.normals.push_back({to_single(word(line, 1)), to_single(word(line, 2)), to_single(word(line, 3))});
        }

        next_line(in_);  // the vertex extra count: there is always one line per vertex of the mesh
        for (std::size_t i = 0; i < vertices; ++i) read_vertex_extra(m_.vertex_extras[first_vertex + i]);

        const std::size_t triangles = count_of(next_line(in_), m_.triangles.size(), "triangles");
        group.num_triangles = static_cast<std::uint16_t>(triangles);
        for (std::size_t i = 0; i < triangles; ++i) {
            group.triangle_indices.push_back(static_cast<std::uint16_t>(m_.triangles.size()));
            m_.triangles.push_back(read_triangle(g, first_vertex, vertices, first_normal, normals));
        }
        m_.num_vertices = static_cast<std::uint16_t>(m_.vertices.size());
        m_.num_normals = static_cast<std::uint16_t>(m_.normals.size());
        m_.num_triangles = static_cast<std::uint16_t>(m_.triangles.size());
    }

    void read_vertex()
    {
        std::string line = next_line(in_);
        MS3D_Vertex v;
        v.flags = narrow<std::uint8_t>(to_integer(word(line, 1)), "vertex flags");
        for (int a = 0; a < 3; ++a) v.position[a] = to_single(word(line, 2 + a));
        MS3D_TexCoord uv{to_single(word(line, 5)), to_single(word(line, 6))};
        v.bone_id = narrow<std::int8_t>(to_integer(word(line, 7)), "joint index");
        v.reference_count = 0;
        m_.vertices.push_back(v);
        m_.tex_coords.push_back(uv);
        m_.vertex_extras.emplace_back();
    }

    void read_vertex_extra(MS3D_VertexExtra& e)
    {
        std::string line = next_line(in_);
        for (int k = 0; k < 3; ++k) e.bone_ids[k] = narrow<std::int8_t>(to_integer(word(line, 1 + k)), "joint index");
        for (int k = 0; k < 3; ++k) e.weights[k] = narrow<std::uint8_t>(percent_of(word(line, 4 + k), "weight"), "weight");
        e.extra = narrow<std::uint32_t>(percent_of(word(line, 7), "vertex extra"), "vertex extra");
    }

    // Corner indices are counted from the mesh's own first vertex and normal.
    MS3D_Triangle read_triangle(std::size_t group, std::size_t first_vertex, std::size_t vertices,
                                std::size_t first_normal, std::size_t normals)
    {
        std::string line = next_line(in_);
        MS3D_Triangle t;
        t.flags = narrow<std::uint16_t>(to_integer(word(line, 1)), "triangle flags");
        for (int c = 0; c < 3; ++c) {
            std::int32_t v = to_integer(word(line, 2 + c));
            if (v < 0 || static_cast<std::size_t>(v) >= vertices)
                throw MstDamaged("a triangle names vertex " + std::to_string(v) + " of a mesh with " +
                                 std::to_string(vertices));
            std::size_t vertex = first_vertex + static_cast<std::size_t>(v);
            t.vertex_indices[c] = static_cast<std::uint16_t>(vertex);
            t.s[c] = m_.tex_coords[vertex].u;
            t.t[c] = m_.tex_coords[vertex].v;
        }
        for (int c = 0; c < 3; ++c) {
            std::int32_t n = to_integer(word(line, 5 + c));
            if (n < 0 || static_cast<std::size_t>(n) >= normals)
                throw MstDamaged("a triangle names normal " + std::to_string(n) + " of a mesh with " +
                                 std::to_string(normals));
            const TVector3& normal = m_.normals[first_normal + static_cast<std::size_t>(n)];
            t.vertex_normals[c] = {normal.x, normal.y, normal.z};
        }
        t.smoothing_group = narrow<std::uint8_t>(to_integer(word(line, 8)), "smoothing group");
        t.group_index = static_cast<std::uint8_t>(group);
        return t;
    }

    void read_materials()
    {
        std::int32_t count = number_after_colon(next_line(in_));
        if (count < 0 || count > max_records)
            throw MstDamaged("the material count " + std::to_string(count) + " is out of range");
        m_.num_materials = static_cast<std::uint16_t>(count);
        m_.materials.resize(m_.num_materials);
        for (MS3D_Material& mat : m_.materials) {
            set_name(mat.name, next_line(in_));
            for (auto* colour : {&mat.ambient, &mat.diffuse, &mat.specular, &mat.emissive}) {
                std::string line = next_line(in_);
                for (int k = 0; k < 4; ++k) (*colour)[k] = to_single(word(line, 1 + k));
            }
            mat.shininess = to_single(next_line(in_));
            mat.transparency = to_single(next_line(in_));
            mat.mode = 0;
            set_name(mat.texture, next_line(in_));
            set_name(mat.alphamap, next_line(in_));
        }
    }

    void read_joints()
    {
        std::int32_t count = number_after_colon(next_line(in_));
        if (count < 0 || count > max_records)
            throw MstDamaged("the joint count " + std::to_string(count) + " is out of range");
        if (std::string problem = ms3d_detail::slot_limit_problem(count, m_.total_frames); !problem.empty())
            throw MstDamaged(problem);
        m_.num_joints = static_cast<std::uint16_t>(count);
        m_.joints.resize(m_.num_joints);
        for (MS3D_Joint& j : m_.joints) {
            set_name(j.name, next_line(in_));
            set_name(j.parent_name, next_line(in_));
            std::string line = next_line(in_);
            j.flags = narrow<std::uint8_t>(to_integer(word(line, 1)), "joint flags");
            for (int a = 0; a < 3; ++a) j.position[a] = to_single(word(line, 2 + a));
            for (int a = 0; a < 3; ++a) j.rotation[a] = to_single(word(line, 5 + a));
            read_key_slots(j.translation_keys, j.num_translation_keys);
            read_key_slots(j.rotation_keys, j.num_rotation_keys);
        }
    }

    // The first column of a key line is its frame number.
    void read_key_slots(std::vector<MS3D_Keyframe>& slots, std::uint16_t& count)
    {
        std::int32_t keys = to_integer(next_line(in_));
        if (keys < 0) throw MstDamaged("the key count " + std::to_string(keys) + " is negative");
        slots.assign(static_cast<std::size_t>(m_.total_frames), MS3D_Keyframe{});
        for (std::int32_t k = 0; k < keys; ++k) {
            std::string line = next_line(in_);
            std::int32_t frame = to_integer(word(line, 1));
            MS3D_Keyframe key;
            key.time = to_single(word(line, 1));
            for (int a = 0; a < 3; ++a) key.value[a] = to_single(word(line, 2 + a));
            ms3d_detail::put_key_in_slot(slots, frame, key);
        }
        count = static_cast<std::uint16_t>(m_.total_frames);
    }

    std::istream& in_;
    TMS3D_File& m_;
};

}  // namespace

std::int16_t load_mst(TMS3D_File& model, const std::string& path)
{
    model.last_error.clear();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        model.last_error = "The file " + path + " does not exist";
        return ms3d_no_file;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        model.last_error = "Cannot read " + path;
        return ms3d_damaged;
    }
    if (field(next_line(in), ':', 1) != "signature") {
        model.last_error = path + " is not a MilkShape ascii file";
        return ms3d_bad_signature;
    }
    TMS3D_File loaded;
    try {
        MstReader(in, loaded).read_after_signature();
    } catch (const ConversionError& bad_number) {
        model.last_error = bad_number.what();
        return ms3d_damaged;
    } catch (const MstDamaged& damage) {
        model.last_error = path + ": " + damage.what();
        return ms3d_damaged;
    }
    if (in.bad()) {
        model.last_error = "Cannot read " + path;
        return ms3d_damaged;
    }
    if (!weld_vertices(loaded, true)) {
        model.last_error = path + ": " + loaded.last_error;
        return ms3d_damaged;
    }
    fill_keyframes(loaded);
    loaded.last_error.clear();
    model = std::move(loaded);
    return ms3d_ok;
}

}  // namespace kelanim
