#include "render/moveable_scene.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/type_ptr.hpp>

#include "anim/bone_walk.h"
#include "anim/keyframes.h"
#include "render/texture_pages.h"

namespace kelanim {

void setup_vertex_buffer_array(TVertexBuffer_array& array)
{
    array.set_count(2);
    array.buffers[0].fill_mode = fill_solid;
    array.buffers[0].texture_id = hidden_texture_id;
    array.buffers[1].fill_mode = fill_wireframe;
    array.buffers[1].texture_id = 0;
}

std::array<std::uint8_t, 3> face_colour(const Ttrlevel& level, std::uint16_t colour)
{
    if (level.version_code >= code_tr4) return {0, 0, 0};
    if (level.version_code >= code_tr2) {
        const std::size_t entry = 4u * (colour >> 8);
        return {level.palette16[entry], level.palette16[entry + 1], level.palette16[entry + 2]};
    }
    // Entry 0 is the transparent colour: drawn magenta whatever the file
    // holds there, as the texture pages draw it.
    if ((colour & 0xFF) == 0) return {255, 3, 255};
    const std::size_t entry = 3u * (colour & 0xFF);
    auto widen = [](std::uint8_t v) { return static_cast<std::uint8_t>((v + 1) * 4 - 1); };
    return {widen(level.palette[entry]), widen(level.palette[entry + 1]), widen(level.palette[entry + 2])};
}

namespace {

// How bright a corner is drawn when the mesh's own lights count: 255 minus
// the shade of the vertex's light value.
int corner_brightness(const Ttrlevel& level, const tmesh& mesh, std::uint16_t vertex, bool full_bright)
{
    if (mesh.num_normals >= 0 || full_bright) return 255;
    const unsigned light =
        vertex < mesh.lights.size() ? static_cast<std::uint16_t>(mesh.lights[vertex]) : 0u;
    const double shade = level.version_code >= code_tr3 ? std::round(std::min(light, 8191u) / (8191.0 / 255.0))
                                                        : std::round(light / (32767.0 / 255.0));
    return 255 - (static_cast<int>(shade) & 0xFF);
}

std::uint8_t lit(std::uint32_t component, int brightness)
{
    return static_cast<std::uint8_t>(std::lround(component * brightness / 255.0));
}

}  // namespace

void MoveableScene::draw_mesh(std::int32_t i, const mesh_draw_options& options)
{
    if (i < 0 || i > meshes_.count - 1 || static_cast<std::size_t>(i) >= meshes_.meshes.size()) return;
    const tmesh& mesh = meshes_.meshes[static_cast<std::size_t>(i)];
    const double d = 100.0 / options.scale;

    std::array<double, 3> shift{};
    if (options.centred) {
        shift = mesh.centre_shift;
    } else {
        gl_.push_matrix();
        gl_.translate(static_cast<float>(options.offset[0]), static_cast<float>(options.offset[1]),
                      static_cast<float>(options.offset[2]));
        gl_.rotate(false, 0, options.y_rotation, 0);
    }

    auto view_point = [&](std::uint16_t index, float& x, float& y, float& z) {
        const tmesh_vertex& v = mesh.vertices[index];
        x = static_cast<float>(v.x / d + shift[0]);
        y = static_cast<float>(-v.y / d + shift[1]);
        z = static_cast<float>(-v.z / d + shift[2]);
    };
    const std::uint32_t red = options.colour & 0xFF, green = (options.colour >> 8) & 0xFF,
                        blue = (options.colour >> 16) & 0xFF;
    auto plain_corner = [&](std::uint16_t index, texture_coord uv) {
        tgl_corner c{};
        view_point(index, c.x, c.y, c.z);
        c.u = uv.u;
        c.v = uv.v;
        return c;
    };
    auto lit_corner = [&](std::uint16_t index, texture_coord uv) {
        tgl_corner_rgb c{};
        view_point(index, c.x, c.y, c.z);
        const int brightness = corner_brightness(level_, mesh, index, options.full_bright);
        c.red = lit(red, brightness);
        c.green = lit(green, brightness);
        c.blue = lit(blue, brightness);
        c.u = uv.u;
        c.v = uv.v;
        return c;
    };
    // The page an object texture lies on; a face naming a missing object
    // texture is drawn without a texture.
    auto select_page = [&](std::uint16_t texture) {
        const std::uint16_t t = texture & 0x7FFF;
        if (t < level_.object_textures.size())
            gl_.set_texture((level_.object_textures[t].tile & 0x7FFF) + options.texture_offset);
        else
            gl_.set_texture(no_texture_id);
        return texture_uv(level_, t);
    };

    for (const tmesh_face4& face : mesh.textured_rects) {
        const auto uv = select_page(face.texture);
        const auto& v = face.vertices;
        if (options.use_current_colour)
            gl_.quad(plain_corner(v[0], uv[0]), plain_corner(v[1], uv[1]), plain_corner(v[2], uv[2]),
                     plain_corner(v[3], uv[3]));
        else
            gl_.quad_rgb(lit_corner(v[0], uv[0]), lit_corner(v[1], uv[1]), lit_corner(v[2], uv[2]),
                         lit_corner(v[3], uv[3]));
    }
    for (const tmesh_face3& face : mesh.textured_tris) {
        const auto uv = select_page(face.texture);
        const auto& v = face.vertices;
        if (options.use_current_colour)
            gl_.triangle(plain_corner(v[0], uv[0]), plain_corner(v[1], uv[1]), plain_corner(v[2], uv[2]));
        else
            gl_.triangle_rgb(lit_corner(v[0], uv[0]), lit_corner(v[1], uv[1]), lit_corner(v[2], uv[2]));
    }

    if (level_.version_code < code_tr4) {
        // Coloured faces show their palette colour alone.
        gl_.push_colour();
        gl_.set_texture(gl_.untextured_texture_id);
        constexpr texture_coord c00{0, 0}, c10{1, 0}, c11{1, 1}, c01{0, 1};
        for (const tmesh_face4& face : mesh.coloured_rects) {
            const auto rgb = face_colour(level_, face.texture);
            gl_.set_colour(rgb[0], rgb[1], rgb[2]);
            const auto& v = face.vertices;
            gl_.quad(plain_corner(v[0], c00), plain_corner(v[1], c10), plain_corner(v[2], c11),
                     plain_corner(v[3], c01));
        }
        for (const tmesh_face3& face : mesh.coloured_tris) {
            const auto rgb = face_colour(level_, face.texture);
            gl_.set_colour(rgb[0], rgb[1], rgb[2]);
            const auto& v = face.vertices;
            gl_.triangle(plain_corner(v[0], c00), plain_corner(v[1], c10), plain_corner(v[2], c11));
        }
        gl_.pop_colour();
    }

    if (!options.centred) gl_.pop_matrix();
}

void MoveableScene::draw_moveable(std::int32_t m, std::int32_t j, std::int32_t n,
                                  const moveable_draw_options& options)
{
    if (!level_.is_loaded() || m < 0 || static_cast<std::int64_t>(m) + 1 > level_.num_moveables ||
        static_cast<std::size_t>(m) >= level_.moveables.size())
        return;
    const double d = 100.0 / options.scale;
    gl_.push_matrix();
    gl_.translate(static_cast<float>(options.translation[0]), static_cast<float>(options.translation[1]),
                  static_cast<float>(options.translation[2]));
    gl_.rotate(false, options.rotation[0], options.rotation[1], options.rotation[2]);
    const d3d_matrix placement = gl_.matrix();

    // The walk places bones in level units and level axes; the drawing layer
    // works in view space, the level scaled by 1/d and mirrored in z, where
    // the same placement reads mirror⁻¹ · bone · mirror.
    const float to_view = static_cast<float>(1.0 / d);
    d3d_matrix mirror = matrix_identity(), unmirror = matrix_identity();
    mirror.at(0, 0) = to_view;
    mirror.at(1, 1) = to_view;
    mirror.at(2, 2) = -to_view;
    unmirror.at(0, 0) = 1.0f / to_view;
    unmirror.at(1, 1) = 1.0f / to_view;
    unmirror.at(2, 2) = -1.0f / to_view;

    const tpose pose = decode_keyframe(level_, m, j, n);
    const root_mode mode = options.ignore_translation ? root_mode::ignore_translation : root_mode::translate;
    mesh_draw_options mesh_options;
    mesh_options.texture_offset = options.texture_offset;
    mesh_options.scale = options.scale;
    walk_bones(level_, m, pose, mode, bone_matrix(1.0), [&](std::int32_t bone, const bone_matrix& transform) {
        d3d_matrix bone_in_level;
        const double* numbers = glm::value_ptr(transform);
        for (std::size_t k = 0; k < 16; ++k) bone_in_level.m[k] = static_cast<float>(numbers[k]);
        gl_.load_matrix(matrix_multiply(matrix_multiply(matrix_multiply(unmirror, bone_in_level), mirror), placement));
        draw_mesh(meshes_.bone_mesh(level_, m, bone), mesh_options);
    });
    gl_.pop_matrix();
}

void MoveableScene::draw_box(std::int32_t m, std::int32_t j, std::int32_t n, bool ignore_translation)
{
    if (m < 0 || static_cast<std::int64_t>(m) >= level_.num_moveables) return;
    const std::int64_t w = keyframe_word(level_, m, j, n);
    const std::int64_t words = std::min<std::int64_t>(level_.num_frames, level_.frames.size());
    if (w < 0 || w + 5 >= words) return;
    auto word = [&](int k) { return w + k < words ? level_.frames[static_cast<std::size_t>(w + k)] : 0; };

    float x0 = word(0) / 100.0f, x1 = word(1) / 100.0f;
    float y0 = -word(2) / 100.0f, y1 = -word(3) / 100.0f;
    float z0 = -word(4) / 100.0f, z1 = -word(5) / 100.0f;
    if (ignore_translation) {
        x0 -= word(6) / 100.0f;
        x1 -= word(6) / 100.0f;
        y0 -= -word(7) / 100.0f;
        y1 -= -word(7) / 100.0f;
        z0 -= -word(8) / 100.0f;
        z1 -= -word(8) / 100.0f;
    }
    auto k = [](float x, float y, float z) { return tgl_corner_rgb{x, y, z, 0, 0, 0, 0, 0}; };
    gl_.set_layer(1);
    gl_.quad_rgb(k(x1, y1, z0), k(x0, y1, z0), k(x0, y0, z0), k(x1, y0, z0));
    gl_.quad_rgb(k(x0, y1, z1), k(x1, y1, z1), k(x1, y0, z1), k(x0, y0, z1));
    gl_.quad_rgb(k(x1, y1, z1), k(x1, y1, z0), k(x1, y0, z0), k(x1, y0, z1));
    gl_.quad_rgb(k(x0, y1, z0), k(x0, y1, z1), k(x0, y0, z1), k(x0, y0, z0));
    gl_.quad_rgb(k(x0, y0, z1), k(x1, y0, z1), k(x1, y0, z0), k(x0, y0, z0));
    gl_.quad_rgb(k(x1, y1, z1), k(x0, y1, z1), k(x0, y1, z0), k(x1, y1, z0));
}

void MoveableScene::build_scene()
{
    if (selection.view_mode == view_static_mesh) {
        build_static_scene();
        return;
    }
    if (level_.num_moveables == 0) return;
    gl_.clear_layer(-1);
    gl_.set_layer(0);
    gl_.load_identity();
    gl_.set_colour_value(0xFFFFFF);
    moveable_draw_options options;
    options.ignore_translation = selection.ignore_translation;
    draw_moveable(selection.moveable, selection.animation, selection.keyframe, options);
    if (selection.show_box) draw_box(selection.moveable, selection.animation, selection.keyframe,
                                     selection.ignore_translation);
    gl_.build_buffers(buffers_);
}

void MoveableScene::build_static_scene()
{
    if (level_.num_static_meshes == 0) return;
    gl_.clear_layer(-1);
    gl_.set_layer(0);
    gl_.load_identity();
    gl_.set_colour_value(0xFFFFFF);
    const std::int32_t s = selection.static_mesh;
    if (s >= 0 && static_cast<std::size_t>(s) < level_.static_meshes.size()) {
        const std::uint16_t pointer = level_.static_meshes[static_cast<std::size_t>(s)].mesh;
        if (pointer < meshes_.mesh_index.size()) {
            mesh_draw_options options;
            options.use_current_colour = false;
            options.full_bright = true;
            options.centred = true;
            draw_mesh(static_cast<std::int32_t>(meshes_.mesh_index[pointer]), options);
        }
    }
    gl_.build_buffers(buffers_);
}

}  // namespace kelanim
