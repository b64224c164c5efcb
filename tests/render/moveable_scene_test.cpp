#include <gtest/gtest.h>

#include <cmath>

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
    const tgl_vertex& draw_mesh(mesh_draw_options options)  // returns the first corner
    {
        gl.clear_layer(-1);
        gl.load_identity();
        scene.draw_mesh(0, options);
        return at(0);
    }
    const tgl_vertex& at(std::size_t i) const { return gl.vertices().at(i); }
    void expect_point(std::size_t i, d3d_vector3 want) const
    {
        EXPECT_LT(std::hypot(at(i).x - want.x, at(i).y - want.y, at(i).z - want.z), 1e-4) << "corner " << i;
    }

    Ttrlevel level;
    Tmesh_list meshes;
    TxGL gl;
    TVertexBuffer_array buffers;
    MoveableScene scene{level, meshes, gl, buffers};
};

constexpr std::uint16_t quarter_turn = 256;  // 90 degrees in keyframe units

// A one-bone moveable of a square of side 100; keyframe 0 has root offset
// `offset`, the given angles and a box, keyframe 1 is plain.
Ttrlevel square_moveable(std::int32_t code, std::array<std::int16_t, 3> offset,
                         std::array<std::uint16_t, 3> angles = {})
{
    Ttrlevel level = test::make_level(code);
    const std::uint16_t first = test::add_meshes(level, {facing_square(50)});
    test::add_moveable(level, 0, first, 1, {}, {{{-50, 50, -250, -150, -10, 10}, offset, {angles}}, {{}, offset, {}}});
    return level;
}

}  // namespace

TEST(MoveableDrawing, TheRootIsPlacedAtItsOffsetAndTurnedInTheMirroredViewSpace)
{
    // Corner 2 (emitted first) is level (50, -50, 0): device (x, y, -z) / 100.
    // A quarter turn about y takes it to level -z, about z to (50, 50), about x to (50, 0, -50).
    using offset = std::array<std::int16_t, 3>;
    using angles = std::array<std::uint16_t, 3>;
    for (auto [root, turn, corner] : {std::tuple{offset{0, -200, 300}, angles{}, d3d_vector3{0.5f, -2.5f, -3}},
                                      {{}, {0, quarter_turn, 0}, {0, -0.5f, 0.5f}},
                                      {{}, {0, 0, quarter_turn}, {0.5f, 0.5f, 0}},
                                      {{}, {quarter_turn, 0, 0}, {0.5f, 0, 0.5f}}}) {
        Scene s(square_moveable(code_tr2, root, turn));
        s.build({});
        s.expect_point(0, corner);
        EXPECT_EQ(std::tuple(s.gl.vertices().size(), s.buffers.buffers[0].primitive_count, s.gl.stack_depth()),
                  std::tuple(6u, 2u, 0));
        s.build({.ignore_translation = true});
        s.expect_point(0, {corner.x - root[0] / 100.0f, corner.y - root[1] / 100.0f, corner.z + root[2] / 100.0f});
        s.build({.keyframe = -1, .ignore_translation = true});
        s.expect_point(0, {0.5f, -0.5f, 0.0f});
    }
}

TEST(MoveableDrawing, ChildBonesStartFromTheirLinkAndTheStackStaysBalanced)
{
    Ttrlevel level = test::make_level(code_tr3);
    const std::uint16_t first = test::add_meshes(level, {facing_square(10), facing_square(10), facing_square(10)});
    test::add_moveable(level, 0, first, 3, {{2, 100, 0, 0}, {3, 0, 0, 100}}, {{{}, {}, {{0, 0, quarter_turn}}}});
    Scene s(std::move(level));
    s.build({});
    ASSERT_EQ(std::pair(s.gl.vertices().size(), s.gl.stack_depth()), std::pair(std::size_t{18}, 0));
    s.expect_point(6, {0.1f, 1.1f, 0.0f});    // 100 along the root's x, which its z turn points down +y
    s.expect_point(12, {0.1f, 0.1f, -1.0f});  // popped back to the root, 100 along its z
}

TEST(MoveableDrawing, TheBoxIsABlackWireframeOnLayerOneThatMovesWithTheRoot)
{
    Scene s(square_moveable(code_tr4, {100, -200, 300}));
    s.build({.show_box = true});
    const Tvbuffer& box = s.buffers.buffers[1];
    EXPECT_EQ(std::pair(box.primitive_count, int(box.fill_mode)), std::pair(12u, int(fill_wireframe)));
    EXPECT_EQ(std::tuple(s.at(6).layer, s.at(6).red, s.at(6).green, s.at(6).blue), std::tuple(1, 0, 0, 0));
    s.expect_point(6, {0.5f, -1.5f, 0.1f});  // (x1, y1, z0) = (50, -150, -10) in level units
    s.build({.show_box = true, .ignore_translation = true});
    s.expect_point(6, {-0.5f, 0.5f, 3.1f});  // moved by minus the root offset
    s.level.num_frames = 5;                  // the box words lie beyond the frames
    s.build({.show_box = true});
    EXPECT_EQ(box.primitive_count, 0u);
}

TEST(MeshDrawing, VertexLightsDarkenCornersByTheRuleOfTheirGeneration)
{
    for (auto [code, light, red] : {std::tuple{code_tr1, 32767, 0}, {code_tr3, 4096, 127}, {code_tr4, 8191, 0}}) {
        Ttrlevel level = test::make_level(code);
        test::mesh_spec mesh = facing_square(50);
        mesh.lights.assign(4, static_cast<std::int16_t>(light));
        test::add_meshes(level, {mesh});
        Scene s(std::move(level));
        EXPECT_EQ(s.draw_mesh({.colour = 0xFF, .use_current_colour = false, .full_bright = false}).red, red) << code;
    }
}

TEST(MeshDrawing, TexturedFacesUseThePageOfTheirObjectTextureAndColouredOnesTheirPaletteColour)
{
    Ttrlevel tr2 = test::make_level(code_tr2);
    tr2.object_textures[0].tile = 0x8003;
    test::mesh_spec mesh = facing_square(50);
    mesh.textured_rects[0][4] = 0x8000;   // the double-sided bit is not part of the index
    mesh.textured_tris = {{0, 1, 2, 7}};  // no such object texture
    test::add_meshes(tr2, {mesh});
    Scene s(std::move(tr2));
    EXPECT_EQ(s.draw_mesh({}).texture, 3);
    ASSERT_EQ(s.gl.vertices().size(), 9u);
    EXPECT_NEAR(s.at(0).u, 62.0 / 255.0, 1e-6);  // corner 2
    EXPECT_EQ(std::pair(s.at(6).texture, s.gl.stack_depth()), std::pair(no_texture_id, 0));

    Ttrlevel tr1 = test::make_level(code_tr1);
    tr1.palette[6] = 10, tr1.palette[7] = 20, tr1.palette[8] = 63;
    mesh = {facing_square(50).vertices, {}, {}, {}, {{0, 1, 2, 3, 2}}, {{0, 1, 2, 0x0302}}};
    test::add_meshes(tr1, {mesh});
    Scene t(std::move(tr1));
    t.gl.load_identity();
    t.gl.set_colour(1, 2, 3);
    t.scene.draw_mesh(0, {});
    ASSERT_EQ(t.gl.vertices().size(), 9u);
    EXPECT_EQ(std::tuple(t.at(6).texture, t.at(6).red, t.at(6).green, t.at(6).blue),
              std::tuple(no_texture_id, 43, 83, 255));
    t.gl.triangle({}, {}, {});
    EXPECT_EQ(t.gl.vertices().back().red, 1) << "the colour before the coloured faces comes back";
}

TEST(MeshDrawing, ColourWordsOfEachGenerationAndEntryZeroIsMagenta)
{
    using rgb = std::array<std::uint8_t, 3>;
    Ttrlevel tr2 = test::make_level(code_tr2), tr1 = test::make_level(code_tr1);
    for (int i : {0, 1, 2}) tr2.palette16[12 + i] = static_cast<std::uint8_t>(200 >> i);
    EXPECT_EQ(face_colour(tr2, 0x0300), (rgb{200, 100, 50}));
    tr1.palette[16] = 63, tr1.palette[17] = 255;
    EXPECT_EQ(face_colour(tr1, 0xFF05), (rgb{3, 255, 255}));
    EXPECT_EQ(face_colour(tr1, 0x0000), (rgb{255, 3, 255}));
    EXPECT_EQ(face_colour(test::make_level(code_tr5), 0xFFFF), (rgb{0, 0, 0}));
}

TEST(StaticMeshDrawing, TheStaticMeshIsCentredAndFullBright)
{
    Ttrlevel level = test::make_level(code_tr3);
    test::mesh_spec mesh = facing_square(50);
    for (auto& v : mesh.vertices) v[0] = static_cast<std::int16_t>(v[0] + 1000);
    mesh.lights.assign(4, 8191);
    level.static_meshes = {tstatic_mesh{}};
    level.static_meshes[0].mesh = static_cast<std::uint16_t>(test::add_meshes(level, {facing_square(10), mesh}) + 1);
    level.num_static_meshes = 1;
    Scene s(std::move(level));
    s.build({.view_mode = view_static_mesh, .show_box = true});
    ASSERT_EQ(s.gl.vertices().size(), 6u);
    s.expect_point(0, {-0.5f, -0.5f, 0.0f});  // corner 1, emitted first with its own colour
    EXPECT_EQ(s.at(0).red, 255);
    s.build({.view_mode = view_static_mesh, .static_mesh = 4});
    EXPECT_TRUE(s.gl.vertices().empty());
}

TEST(MoveableDrawing, DamagedLevelsDrawWhatTheyHoldWithoutReadingOutsideThem)
{
    Ttrlevel level = square_moveable(code_tr1, {0, 0, 0});
    level.moveables[0].num_meshes = 500;          // far more bones than mesh pointers
    level.moveables[0].mesh_tree = 1u << 30;      // links outside the mesh trees
    level.animations[0].frame_offset = 1u << 31;  // keyframes outside the frames
    level.object_textures[0].tile = 0xFFFF;
    Scene s(std::move(level));
    s.build({.show_box = true, .ignore_translation = true});
    s.build({.animation = 7, .keyframe = 1 << 30, .show_box = true});
    s.build({.view_mode = view_static_mesh});
    EXPECT_EQ(s.gl.stack_depth(), 0);

    // Moveables outside the level, or no level at all, draw nothing.
    Scene t(square_moveable(code_tr2, {}));
    for (std::int32_t m : {-1, 1}) {
        t.build({.moveable = m, .show_box = true});
        EXPECT_TRUE(t.gl.vertices().empty());
    }
    t.level.loaded_tag.clear();
    t.build({});
    EXPECT_TRUE(t.gl.vertices().empty());
}
