#include <gtest/gtest.h>

#include "geometry/mesh_list.h"
#include "render/moveable_scene.h"
#include "render_fixtures.h"

using namespace kelanim;
using test::facing_square;

namespace {

// One level with its decoded meshes, the drawing layer and the two buffers.
struct Scene {
    explicit Scene(Ttrlevel built) : level(std::move(built))
    {
        meshes.decode_meshes(level);
        setup_vertex_buffer_array(buffers);
    }
    void build(SceneSelection selection)
    {
        scene.selection = selection;
        scene.build_scene();
    }
    d3d_vector3 point(std::size_t i) const
    {
        const tgl_vertex& v = gl.vertices().at(i);
        return {v.x, v.y, v.z};
    }
    std::size_t count_on_layer(int layer) const
    {
        std::size_t n = 0;
        for (const tgl_vertex& v : gl.vertices()) n += v.layer == layer;
        return n;
    }

    Ttrlevel level;
    Tmesh_list meshes;
    TxGL gl;
    TVertexBuffer_array buffers;
    MoveableScene scene{level, meshes, gl, buffers};
};

void expect_near(d3d_vector3 got, d3d_vector3 want)
{
    EXPECT_NEAR(got.x, want.x, 1e-4);
    EXPECT_NEAR(got.y, want.y, 1e-4);
    EXPECT_NEAR(got.z, want.z, 1e-4);
}

constexpr std::uint16_t quarter_turn = 256;  // 90 degrees in keyframe units

// A one-bone moveable of a square of side 100 whose keyframe 0 has root
// offset `offset` and the given angles, and whose keyframe 1 is plain.
Ttrlevel square_moveable(std::int32_t code, std::array<std::int16_t, 3> offset,
                         std::array<std::uint16_t, 3> angles = {})
{
    Ttrlevel level = test::make_level(code);
    const std::uint16_t first = test::add_meshes(level, {facing_square(50)});
    test::keyframe_spec posed{{-50, 50, -250, -150, -10, 10}, offset, {angles}};
    test::keyframe_spec plain{{}, offset, {}};
    test::add_moveable(level, 0, first, 1, {}, {posed, plain});
    return level;
}

}  // namespace

TEST(MoveableDrawing, TheRootIsPlacedAtItsOffsetAndTurnedInTheMirroredViewSpace)
{
    // Corner 2 (emitted first) is level (50, -50, 0): device (x, y, -z) / 100.
    // Turned a quarter about y it goes to level -z (device +z), about z to
    // (50, 50), about x to (50, 0, -50). The rest pose has no angles.
    struct pose_case {
        std::array<std::int16_t, 3> offset;
        std::array<std::uint16_t, 3> angles;
        d3d_vector3 corner;
    };
    for (const pose_case& c : {pose_case{{0, -200, 300}, {}, {0.5f, -2.5f, -3.0f}},
                               pose_case{{}, {0, quarter_turn, 0}, {0.0f, -0.5f, 0.5f}},
                               pose_case{{}, {0, 0, quarter_turn}, {0.5f, 0.5f, 0.0f}},
                               pose_case{{}, {quarter_turn, 0, 0}, {0.5f, 0.0f, 0.5f}}}) {
        Scene s(square_moveable(code_tr2, c.offset, c.angles));
        s.build({});
        ASSERT_EQ(s.gl.vertices().size(), 6u);
        expect_near(s.point(0), c.corner);
        EXPECT_EQ(s.buffers.buffers[0].primitive_count, 2u);
        EXPECT_EQ(s.gl.stack_depth(), 0);
        s.build({.ignore_translation = true});
        expect_near(s.point(0), {c.corner.x - c.offset[0] / 100.0f, c.corner.y - c.offset[1] / 100.0f,
                                 c.corner.z + c.offset[2] / 100.0f});
        s.build({.keyframe = -1, .ignore_translation = true});
        expect_near(s.point(0), {0.5f, -0.5f, 0.0f});
    }
}

// The viewport's turn acts on the whole moveable in view space, unmirrored.
TEST(MoveableDrawing, TheViewportTurnsTheMoveableAboutEachAxis)
{
    const d3d_vector3 turned[] = {{0.5f, 0.0f, -0.5f}, {0.0f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.0f}};
    for (int axis = 0; axis < 3; ++axis) {
        Scene s(square_moveable(code_tr2, {}));
        moveable_draw_options options;
        options.rotation[static_cast<std::size_t>(axis)] = 90;
        s.gl.load_identity();
        s.scene.draw_moveable(0, 0, 1, options);
        ASSERT_EQ(s.gl.vertices().size(), 6u);
        SCOPED_TRACE(axis);
        expect_near(s.point(0), turned[axis]);
    }
}

TEST(MoveableDrawing, ChildBonesStartFromTheirLinkAndTheStackStaysBalanced)
{
    Ttrlevel level = test::make_level(code_tr3);
    const std::uint16_t first = test::add_meshes(level, {facing_square(10), facing_square(10), facing_square(10)});
    test::keyframe_spec k{{}, {0, 0, 0}, {{0, 0, quarter_turn}, {}, {}}};
    test::add_moveable(level, 0, first, 3, {{2, 100, 0, 0}, {3, 0, 0, 100}}, {k});
    Scene s(std::move(level));
    s.build({});
    ASSERT_EQ(s.gl.vertices().size(), 18u);
    // Bone 1 sits 100 along the root's x, which the root's z turn points down +y.
    expect_near(s.point(6), {0.1f, 1.1f, 0.0f});
    // Bone 2 returns to the saved root transform, 100 along its z: turned about z, z stays.
    expect_near(s.point(12), {0.1f, 0.1f, -1.0f});
    EXPECT_EQ(s.gl.stack_depth(), 0) << "bone links do not leave transforms on the drawing layer's stack";
}

TEST(MoveableDrawing, TheBoxIsABlackWireframeOnLayerOneThatMovesWithTheRoot)
{
    Scene s(square_moveable(code_tr4, {100, -200, 300}));
    s.build({.show_box = true});
    EXPECT_EQ(s.count_on_layer(1), 36u);
    const tgl_vertex& first = s.gl.vertices().at(6);
    EXPECT_EQ(first.layer, 1);
    EXPECT_EQ(first.red + first.green + first.blue, 0);
    // Corner 1 of the first face: (x1, y1, z0) = (50, -150, -10) in level units.
    expect_near(s.point(6), {0.5f, -1.5f, 0.1f});
    EXPECT_EQ(s.buffers.buffers[1].primitive_count, 12u);
    EXPECT_EQ(s.buffers.buffers[1].fill_mode, fill_wireframe);

    // Without the root's translation the box moves by minus the root offset.
    s.build({.show_box = true, .ignore_translation = true});
    expect_near(s.point(6), {-0.5f, 0.5f, 3.1f});

    s.level.num_frames = 5;  // the box words lie beyond the frames
    s.build({.show_box = true});
    EXPECT_EQ(s.count_on_layer(1), 0u);
}

TEST(MeshDrawing, VertexLightsDarkenCornersByTheRuleOfTheirGeneration)
{
    for (auto [code, light, brightness] : {std::tuple{code_tr1, 0, 255}, std::tuple{code_tr1, 32767, 0},
                                           std::tuple{code_tr3, 9000, 0}, std::tuple{code_tr3, 4096, 127},
                                           std::tuple{code_tr4, 8191, 0}}) {
        Ttrlevel level = test::make_level(code);
        test::mesh_spec mesh = facing_square(50);
        mesh.lights.assign(4, static_cast<std::int16_t>(light));
        test::add_meshes(level, {mesh});
        Scene s(std::move(level));
        s.gl.load_identity();
        s.scene.draw_mesh(0, {.colour = 0x0000FF, .use_current_colour = false, .full_bright = false});
        ASSERT_EQ(s.gl.vertices().size(), 6u);
        EXPECT_EQ(s.gl.vertices()[0].red, brightness) << "code " << code << " light " << light;
        EXPECT_EQ(s.gl.vertices()[0].green, 0);

        s.gl.clear_layer(-1);
        s.scene.draw_mesh(0, {.colour = 0x0000FF, .use_current_colour = false, .full_bright = true});
        EXPECT_EQ(s.gl.vertices()[0].red, 255);
    }
}

TEST(MeshDrawing, TexturedFacesUseThePageOfTheirObjectTexture)
{
    Ttrlevel level = test::make_level(code_tr2);
    level.object_textures[0].tile = 0x8003;
    test::mesh_spec mesh = facing_square(50);
    mesh.textured_rects[0][4] = 0x8000;  // the double-sided bit is not part of the index
    mesh.textured_tris = {{0, 1, 2, 7}};  // no such object texture
    test::add_meshes(level, {mesh});
    Scene s(std::move(level));
    s.gl.load_identity();
    s.scene.draw_mesh(0, {});
    ASSERT_EQ(s.gl.vertices().size(), 9u);
    EXPECT_EQ(s.gl.vertices()[0].texture, 3);
    EXPECT_NEAR(s.gl.vertices()[0].u, 62.0 / 255.0, 1e-6);  // corner 2
    EXPECT_EQ(s.gl.vertices()[6].texture, no_texture_id);
    EXPECT_EQ(s.gl.stack_depth(), 0);
}

TEST(MeshDrawing, ColouredFacesShowTheirPaletteColourWithoutATexture)
{
    Ttrlevel tr1 = test::make_level(code_tr1);
    tr1.palette[6] = 10;
    tr1.palette[7] = 20;
    tr1.palette[8] = 63;
    test::mesh_spec mesh = facing_square(50);
    mesh.textured_rects.clear();
    mesh.coloured_tris = {{0, 1, 2, 0x0302}};
    mesh.coloured_rects = {{0, 1, 2, 3, 2}};
    test::add_meshes(tr1, {mesh});
    Scene s(std::move(tr1));
    s.gl.load_identity();
    s.gl.set_colour(1, 2, 3);
    s.scene.draw_mesh(0, {});
    ASSERT_EQ(s.gl.vertices().size(), 9u);
    const tgl_vertex& v = s.gl.vertices()[6];
    EXPECT_EQ(v.texture, no_texture_id);
    EXPECT_EQ((std::array<int, 3>{v.red, v.green, v.blue}), (std::array<int, 3>{43, 83, 255}));
    s.gl.triangle({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0});
    EXPECT_EQ(s.gl.vertices().back().red, 1) << "the colour before the coloured faces comes back";

    // The colour word of each generation.
    Ttrlevel tr2 = test::make_level(code_tr2);
    tr2.palette16[4 * 3 + 0] = 200;
    tr2.palette16[4 * 3 + 1] = 100;
    tr2.palette16[4 * 3 + 2] = 50;
    EXPECT_EQ(face_colour(tr2, 0x0300), (std::array<std::uint8_t, 3>{200, 100, 50}));

    Ttrlevel tr1_entry5 = test::make_level(code_tr1);
    tr1_entry5.palette[3 * 5 + 1] = 63;
    tr1_entry5.palette[3 * 5 + 2] = 255;
    EXPECT_EQ(face_colour(tr1_entry5, 0xFF05), (std::array<std::uint8_t, 3>{3, 255, 255}));
    // Entry 0 is drawn magenta whatever the file holds there.
    EXPECT_EQ(face_colour(tr1_entry5, 0x0000), (std::array<std::uint8_t, 3>{255, 3, 255}));

    EXPECT_EQ(face_colour(test::make_level(code_tr5), 0xFFFF), (std::array<std::uint8_t, 3>{0, 0, 0}));
}

TEST(StaticMeshDrawing, TheStaticMeshIsCentredAndFullBright)
{
    Ttrlevel level = test::make_level(code_tr3);
    test::mesh_spec mesh = facing_square(50);
    for (auto& v : mesh.vertices) v[0] = static_cast<std::int16_t>(v[0] + 1000);
    mesh.lights.assign(4, 8191);
    const std::uint16_t first = test::add_meshes(level, {facing_square(10), mesh});
    tstatic_mesh statics{};
    statics.mesh = static_cast<std::uint16_t>(first + 1);
    level.static_meshes = {statics};
    level.num_static_meshes = 1;
    Scene s(std::move(level));
    s.build({.view_mode = view_static_mesh, .show_box = true});
    ASSERT_EQ(s.gl.vertices().size(), 6u);
    expect_near(s.point(0), {-0.5f, -0.5f, 0.0f});  // corner 1, emitted first with its own colour
    EXPECT_EQ(s.gl.vertices()[0].red, 255);

    s.build({.view_mode = view_static_mesh, .static_mesh = 4});
    EXPECT_TRUE(s.gl.vertices().empty());
}

TEST(MoveableDrawing, DamagedLevelsDrawWhatTheyHoldWithoutReadingOutsideThem)
{
    Ttrlevel level = square_moveable(code_tr1, {0, 0, 0});
    level.moveables[0].num_meshes = 500;        // far more bones than mesh pointers
    level.moveables[0].mesh_tree = 1u << 30;    // links outside the mesh trees
    level.animations[0].frame_offset = 1u << 31;  // keyframes outside the frames
    level.object_textures[0].tile = 0xFFFF;
    level.palette16.fill(0xFF);
    Scene s(std::move(level));
    s.build({.show_box = true, .ignore_translation = true});
    s.build({.animation = 7, .keyframe = 1 << 30, .show_box = true});
    s.build({.view_mode = view_static_mesh});
    EXPECT_EQ(s.gl.stack_depth(), 0);

    // Moveables outside the level, or no level at all, draw nothing.
    Scene t(square_moveable(code_tr2, {}));
    t.build({.moveable = -1, .show_box = true});
    EXPECT_TRUE(t.gl.vertices().empty());
    t.build({.moveable = 1, .show_box = true});
    EXPECT_TRUE(t.gl.vertices().empty());
    t.level.loaded_tag.clear();
    t.build({});
    EXPECT_TRUE(t.gl.vertices().empty());
}
