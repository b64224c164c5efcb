#include "gltf/gltf_geometry.h"

#include <bit>
#include <map>
#include <unordered_map>

#include "gltf/gltf_axes.h"
#include "render/moveable_scene.h"
#include "render/texture_pages.h"

namespace kelanim {

namespace {

// Bit 15 of a textured face's texture word: the level draws it from both sides.
constexpr std::uint16_t double_sided_bit = 0x8000;

// A corner as the export tells corners apart: the same mesh vertex of the
// same bone with the same texture place and colour is one glTF vertex.
struct corner_key {
    std::uint64_t where;  // bone, vertex number
    std::uint64_t uv;     // both floats' bits
    std::uint32_t colour;
    bool operator==(const corner_key&) const = default;
};

struct corner_hash {
    std::size_t operator()(const corner_key& k) const
    {
        std::uint64_t h = k.where * 0x9E3779B97F4A7C15ull;
        h ^= k.uv + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
        h ^= k.colour + (h << 6) + (h >> 2);
        return static_cast<std::size_t>(h);
    }
};

class GeometryBuilder {
public:
    GeometryBuilder(const Ttrlevel& level, const tarraytexture& textures) : level_(level), textures_(textures) {}

    // Adds the mesh's faces on `joint`, moved by `origin` (level units).
    void add_mesh(const tmesh& mesh, std::uint16_t joint, const std::array<std::int64_t, 3>& origin)
    {
        joint_ = joint;
        origin_ = origin;
        mesh_ = &mesh;
        for (const tmesh_face4& face : mesh.textured_rects) add_textured(face);
        for (const tmesh_face3& face : mesh.textured_tris) add_textured(face);
        if (level_.version_code >= code_tr1 && level_.version_code <= code_tr3) {
            for (const tmesh_face4& face : mesh.coloured_rects) add_coloured(face);
            for (const tmesh_face3& face : mesh.coloured_tris) add_coloured(face);
        }
    }

    gltf_geometry finish()
    {
        gltf_geometry geometry;
        for (auto& [look, group] : groups_) geometry.primitives.push_back(std::move(group.primitive));
        return geometry;
    }

private:
    struct group {
        gltf_primitive primitive;
        std::unordered_map<corner_key, std::uint32_t, corner_hash> corners;
    };

    template <class Face>
    void add_textured(const Face& face)
    {
        const std::uint16_t t = face.effects;  // the repacked texture number
        gltf_look look;
        look.double_sided = (face.texture & double_sided_bit) != 0;
        std::array<texture_coord, 4> uv{};
        if (t < textures_.size()) {
            const tobject_texture& texture = textures_[t];
            look.page = texture.tile & 0x7FFF;
            look.alpha_mask = texture.attribute != 0;
            uv = texture_uv(texture, level_.version_code);
        }
        // A face whose texture the level lacks is drawn plain white.
        add_face(face, look, uv, {255, 255, 255, 255});
    }

    template <class Face>
    void add_coloured(const Face& face)
    {
        const auto rgb = face_colour(level_, face.texture);
        add_face(face, gltf_look{}, {}, {rgb[0], rgb[1], rgb[2], 255});
    }

    template <class Face>
    void add_face(const Face& face, const gltf_look& look, const std::array<texture_coord, 4>& uv,
                  const std::array<std::uint8_t, 4>& colour)
    {
        constexpr std::size_t n = std::tuple_size_v<decltype(face.vertices)>;
        for (std::size_t i = 0; i < n; ++i)
            if (face.vertices[i] >= mesh_->vertices.size()) return;
        group& g = groups_[look];
        g.primitive.look = look;
        std::array<std::uint32_t, 4> index{};
        for (std::size_t i = 0; i < n; ++i) index[i] = corner(g, face.vertices[i], uv[i], colour);
        // The level winds its faces the other way round: 0-1-2-3 becomes
        // (1, 0, 3) and (1, 3, 2), 0-1-2 becomes (1, 0, 2).
        auto& out = g.primitive.indices;
        if constexpr (n == 4)
            out.insert(out.end(), {index[1], index[0], index[3], index[1], index[3], index[2]});
        else
            out.insert(out.end(), {index[1], index[0], index[2]});
    }

    std::uint32_t corner(group& g, std::uint16_t vertex, texture_coord uv, const std::array<std::uint8_t, 4>& colour)
    {
        const std::uint64_t u = std::bit_cast<std::uint32_t>(uv.u), v = std::bit_cast<std::uint32_t>(uv.v);
        const corner_key key{std::uint64_t{joint_} << 16 | vertex, u << 32 | v, std::bit_cast<std::uint32_t>(colour)};
        const auto [found, added] = g.corners.try_emplace(key, static_cast<std::uint32_t>(g.primitive.vertices.size()));
        if (added) {
            const tmesh_vertex& v = mesh_->vertices[vertex];
            gltf_vertex out;
            out.position = gltf_point(static_cast<double>(v.x + origin_[0]), static_cast<double>(v.y + origin_[1]),
                                      static_cast<double>(v.z + origin_[2]));
            out.uv = {uv.u, uv.v};
            out.colour = colour;
            out.joint = joint_;
            g.primitive.vertices.push_back(out);
        }
        return found->second;
    }

    const Ttrlevel& level_;
    const tarraytexture& textures_;
    std::map<gltf_look, group> groups_;
    const tmesh* mesh_ = nullptr;
    std::uint16_t joint_ = 0;
    std::array<std::int64_t, 3> origin_{};
};

}  // namespace

std::size_t gltf_geometry::vertex_count() const
{
    std::size_t n = 0;
    for (const gltf_primitive& p : primitives) n += p.vertices.size();
    return n;
}

gltf_geometry moveable_geometry(const Ttrlevel& level, const Tmesh_list& meshes, std::int32_t m,
                                const std::vector<gltf_joint>& joints, const tarraytexture& textures)
{
    GeometryBuilder builder(level, textures);
    for (std::size_t b = 0; b < joints.size(); ++b) {
        const std::int32_t mesh = meshes.bone_mesh(level, m, static_cast<std::int32_t>(b));
        if (mesh >= 0 && static_cast<std::size_t>(mesh) < meshes.meshes.size())
            builder.add_mesh(meshes.meshes[static_cast<std::size_t>(mesh)], static_cast<std::uint16_t>(b),
                             joints[b].rest_position);
    }
    return builder.finish();
}

gltf_geometry mesh_geometry(const Ttrlevel& level, const tmesh& mesh, const tarraytexture& textures)
{
    GeometryBuilder builder(level, textures);
    builder.add_mesh(mesh, 0, {});
    return builder.finish();
}

}  // namespace kelanim
