// weld_vertices: per-corner data of the triangles into indexed vertices and
// normals, as the .mst form holds them.
#include <bit>
#include <cmath>
#include <limits>
#include <map>

#include "mst_file.h"

namespace kelanim {

namespace {

constexpr std::size_t max_indexed = 65535;

// Rounded to 6 decimals, ties to even. The product with 1e6 is exact in
// double for any single, so the tie test sees the true value.
double round6(float value) { return std::nearbyint(static_cast<double>(value) * 1e6) / 1e6; }

// Equal values give equal words: -0 is taken as 0 and every NaN as one.
std::uint64_t key_word(double value)
{
    if (value == 0) value = 0;
    if (std::isnan(value)) value = std::numeric_limits<double>::quiet_NaN();
    return std::bit_cast<std::uint64_t>(value);
}

std::uint64_t key_word(std::int64_t value) { return static_cast<std::uint64_t>(value); }

struct WeldedVertex {
    std::array<double, 5> rounded{};  // x, y, z, u, v
    std::int8_t bone_id = -1;
    MS3D_VertexExtra extra;
};

using VertexKey = std::array<std::uint64_t, 12>;
using NormalKey = std::array<std::uint64_t, 3>;

VertexKey key_of(const WeldedVertex& v)
{
    VertexKey key{};
    std::size_t k = 0;
    for (double r : v.rounded) key[k++] = key_word(r);
    key[k++] = key_word(std::int64_t{v.bone_id});
    for (std::int8_t id : v.extra.bone_ids) key[k++] = key_word(std::int64_t{id});
    for (std::uint8_t w : v.extra.weights) key[k++] = key_word(std::int64_t{w});
    return key;
}

// Numbers distinct keys in the order they are first met.
template <class Key, class Value>
class FirstMetSet {
public:
    // The index of the key, adding it (with its value) when new.
    std::size_t index_of(const Key& key, const Value& value)
    {
        auto [it, added] = index_.try_emplace(key, values_.size());
        if (added) values_.push_back(value);
        return it->second;
    }
    const std::vector<Value>& values() const { return values_; }

private:
    std::map<Key, std::size_t> index_;
    std::vector<Value> values_;
};

}  // namespace

bool weld_vertices(TMS3D_File& model, bool positions_only)
{
    FirstMetSet<VertexKey, WeldedVertex> vertex_set;
    FirstMetSet<NormalKey, TVector3> normal_set;
    std::vector<MS3D_Triangle> triangles = model.triangles;
    std::vector<MS3D_TriangleNormals> triangle_normals(positions_only ? 0 : triangles.size());

    for (std::size_t t = 0; t < triangles.size(); ++t) {
        MS3D_Triangle& triangle = triangles[t];
        for (int c = 0; c < 3; ++c) {
            std::size_t source = triangle.vertex_indices[c];
            if (source >= model.vertices.size()) {
                model.last_error = "triangle " + std::to_string(t) + " names vertex " + std::to_string(source) +
                                   " of " + std::to_string(model.vertices.size());
                return false;
            }
            const MS3D_Vertex& vertex = model.vertices[source];
            WeldedVertex welded;
            for (int a = 0; a < 3; ++a) welded.rounded[a] = round6(vertex.position[a]);
            if (!positions_only) {
                welded.rounded[3] = round6(triangle.s[c]);
                welded.rounded[4] = round6(triangle.t[c]);
            }
            welded.bone_id = vertex.bone_id;
            if (source < model.vertex_extras.size()) {
                welded.extra.bone_ids = model.vertex_extras[source].bone_ids;
                welded.extra.weights = model.vertex_extras[source].weights;
            }
            triangle.vertex_indices[c] = static_cast<std::uint16_t>(vertex_set.index_of(key_of(welded), welded));

            if (positions_only) continue;
            const auto& corner_normal = triangle.vertex_normals[c];
            NormalKey normal_key{};
            TVector3 normal;
            float* components[3] = {&normal.x, &normal.y, &normal.z};
            for (int a = 0; a < 3; ++a) {
                double r = round6(corner_normal[a]);
                normal_key[a] = key_word(r);
                *components[a] = static_cast<float>(r);
            }
            triangle_normals[t].normal_indices[c] = static_cast<std::int32_t>(normal_set.index_of(normal_key, normal));
        }
    }
    if (vertex_set.values().size() > max_indexed || normal_set.values().size() > max_indexed) {
        model.last_error = "welding gives " + std::to_string(vertex_set.values().size()) + " vertices and " +
                           std::to_string(normal_set.values().size()) + " normals; a model holds at most " +
                           std::to_string(max_indexed) + " of each";
        return false;
    }

    const std::size_t count = vertex_set.values().size();
    model.vertices.assign(count, MS3D_Vertex{});
    model.tex_coords.assign(count, MS3D_TexCoord{});
    model.vertex_extras.assign(count, MS3D_VertexExtra{});
    for (std::size_t i = 0; i < count; ++i) {
        const WeldedVertex& w = vertex_set.values()[i];
        MS3D_Vertex& v = model.vertices[i];
        v.flags = 0;
        v.position = {static_cast<float>(w.rounded[0]), static_cast<float>(w.rounded[1]),
                      static_cast<float>(w.rounded[2])};
        v.bone_id = w.bone_id;
        model.tex_coords[i] = {static_cast<float>(w.rounded[3]), static_cast<float>(w.rounded[4])};
        model.vertex_extras[i].bone_ids = w.extra.bone_ids;
        model.vertex_extras[i].weights = w.extra.weights;
    }
    model.num_vertices = static_cast<std::uint16_t>(count);
    model.triangles = std::move(triangles);
    model.normals = normal_set.values();
    model.num_normals = static_cast<std::uint16_t>(model.normals.size());
    model.triangle_normals = std::move(triangle_normals);
    model.last_error.clear();
    return true;
}

}  // namespace kelanim
