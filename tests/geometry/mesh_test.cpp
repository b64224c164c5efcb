#include "geometry/mesh_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "byte_builder.h"
#include "realdata.h"

namespace kelanim {
namespace {

using test::Bytes;
using Corners = std::vector<std::array<std::int16_t, 3>>;

// Puts mesh bytes and pointers into a level of the given generation and decodes them.
Tmesh_list decoded(Ttrlevel& level, std::int32_t code, const Bytes& bytes, std::vector<std::uint32_t> pointers = {0})
{
    level.version_code = code;
    level.mesh_data.assign((bytes.size() + 1) / 2, 0);
    std::memcpy(level.mesh_data.data(), bytes.data().data(), bytes.size());
    level.num_mesh_data = std::uint32_t(level.mesh_data.size());
    level.mesh_pointers = std::move(pointers);
    level.num_mesh_pointers = std::uint32_t(level.mesh_pointers.size());
    Tmesh_list list;
    list.decode_meshes(level);
    return list;
}

// A mesh header (centre 1, 2, 3, radius 99) and its vertex list.
Bytes& header(Bytes& b, const Corners& vertices = {})
{
    b.i16(1).i16(2).i16(3).i32(99).i16(std::int16_t(vertices.size()));
    for (const auto& v : vertices) b.i16(v[0]).i16(v[1]).i16(v[2]);
    return b;
}

// A mesh with nothing in it (all counts 0) in the layout of `code`.
Bytes& empty_mesh(Bytes& b, std::int32_t code)
{
    header(b).i16(0).i16(0).i16(0);
    return code < code_tr4 ? b.i16(0).i16(0) : b;
}

TEST(MeshDecoding, EmptyMeshesArePaddedToFourBytes)
{
    for (std::int32_t code : {code_tr1, code_tr2, code_tr4, code_tr5}) {
        SCOPED_TRACE(code);
        Bytes b;
        const std::uint32_t first_length = std::uint32_t(empty_mesh(b, code).size());
        empty_mesh(b.u16(0xEEEE), code).u16(0xEEEE);  // with padding
        Ttrlevel level;
        Tmesh_list list = decoded(level, code, b, {0, 24, first_length + 2});
        ASSERT_EQ(list.count, 2);
        const tmesh& m = list.meshes[0];
        EXPECT_EQ((std::vector<long>{m.coll_radius, m.centre[2], list.meshes[1].data_offset, list.meshes[1].cut_short}),
                  (std::vector<long>{99, 3, first_length + 2, 0}));
        EXPECT_EQ(m.centre_shift, (std::array<double, 3>{0.5, 0.5, 0.5}));  // without faces: half a unit off centre
        // Pointer 24 matches nothing in the TR4 layout (meshes at 0 and 18 + 2).
        EXPECT_EQ(list.mesh_index, (std::vector<std::uint32_t>{0, code >= code_tr4 ? 0u : 1u, 1}));
        EXPECT_EQ(list.num_unmatched_pointers, code >= code_tr4 ? 1 : 0);
    }
}

// Both face record forms; view coordinates are x / 100, -y / 100, -z / 100.
TEST(MeshDecoding, FacesInTheRecordsOfEachGeneration)
{
    for (std::int32_t code : {code_tr2, code_tr4}) {
        SCOPED_TRACE(code);
        const bool tr4 = code >= code_tr4;
        Bytes b;
        header(b, {{0, 0, 0}, {100, 0, 0}, {100, -200, 0}, {0, -200, 300}}).i16(2).i16(7).i16(8).i16(9).i16(10).i16(11).i16(12);
        b.i16(1).u16(0).u16(1).u16(2).u16(3).u16(0x8005);  // textured rectangle
        if (tr4) b.u16(0x0042);
        b.i16(1).u16(3).u16(2).u16(1).u16(6);  // textured triangle
        if (tr4) b.u16(0x0043);
        if (!tr4) b.i16(1).u16(1).u16(2).u16(3).u16(0).u16(0x1234).i16(2).u16(0).u16(1).u16(2).u16(0x56).u16(1).u16(2).u16(3).u16(0x78);
        Ttrlevel level;
        Tmesh_list list = decoded(level, code, b);
        ASSERT_EQ(list.count, 1);
        const tmesh& m = list.meshes[0];
        ASSERT_EQ(m.num_textured_rects * m.num_textured_tris, 1);
        EXPECT_EQ(m.textured_rects[0].vertices, (std::array<std::uint16_t, 4>{0, 1, 2, 3}));
        EXPECT_EQ((std::vector<long>{m.vertices[2].y, m.normals[1].z, m.textured_rects[0].texture,
                                     m.textured_rects[0].effects, m.textured_tris[0].texture,
                                     m.textured_tris[0].effects, m.num_coloured_rects, long(m.coloured_tris.size()),
                                     tr4 ? 0 : m.coloured_tris[1].texture}),
                  (std::vector<long>{-200, 12, 0x8005, tr4 ? 0x42 : 0, 6, tr4 ? 0x43 : 0, !tr4, tr4 ? 0 : 2,
                                     tr4 ? 0 : 0x78}));
        EXPECT_EQ((std::array{m.bounds_min, m.bounds_max, m.centre_shift}),
                  (std::array<std::array<double, 3>, 3>{{{0, 0, -3}, {1, 2, 0}, {-0.5, -1, 1.5}}}));
    }
}

// A negative normal count holds light values, other negative counts are empty
// lists; faces naming missing vertices are dropped, and only the vertices faces
// use widen the bounds; a mesh running past the end is cut short.
TEST(MeshDecoding, OddCountsMissingVerticesAndMeshesPastTheEnd)
{
    Ttrlevel level;
    Bytes b;
    header(b, {{0, 0, 0}}).i16(-3).i16(100).i16(8191).i16(-1).i16(0).i16(0).i16(0).i16(0);
    const tmesh lit = decoded(level, code_tr2, b).meshes.at(0);
    EXPECT_TRUE(lit.normals.empty() && !lit.cut_short);
    EXPECT_EQ(lit.lights, (std::vector<std::int16_t>{100, 8191, -1}));
    const tmesh none =
        decoded(level, code_tr2, Bytes().i16(0).i16(0).i16(0).i32(0).i16(-5).i16(0).i16(-2).i16(-1).i16(0).i16(0))
            .meshes.at(0);
    EXPECT_EQ(none.num_vertices + none.num_textured_rects + none.num_textured_tris, 0);
    b = Bytes();  // corner 3 and vertex 60000 do not exist
    header(b, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {-500, 0, 0}, {900, 0, 0}}).i16(0);
    b.i16(1).u16(0).u16(1).u16(2).u16(5).u16(0);
    b.i16(2).u16(0).u16(1).u16(2).u16(0).u16(0).u16(1).u16(60000).u16(0).i16(0).i16(0);
    const tmesh m = decoded(level, code_tr2, b).meshes.at(0);
    EXPECT_EQ((std::vector<double>{double(m.num_textured_rects), double(m.num_textured_tris),
                                   double(m.num_dropped_faces), m.bounds_min[0], m.bounds_max[0]}),
              (std::vector<double>{0, 1, 2, 0, 1}));
    b = Bytes();
    header(empty_mesh(b, code_tr4).u16(0), {{5, 5, 5}}).i16(30000);  // claims 30000 normals, holds two
    Tmesh_list list = decoded(level, code_tr4, b.i16(1).i16(2).i16(3).i16(4).i16(5).i16(6), {0, 20});
    ASSERT_EQ(list.count, 2);
    EXPECT_TRUE(list.meshes[1].cut_short);
    EXPECT_EQ((std::vector<long>{list.meshes[1].num_vertices, list.meshes[1].num_normals,
                                 long(list.meshes[1].normals.size())}),
              (std::vector<long>{1, 2, 2}));
    EXPECT_EQ(list.mesh_index, (std::vector<std::uint32_t>{0, 1}));
    level.num_mesh_data = 1u << 30;  // a count word larger than the array it claims to describe changes nothing
    list.decode_meshes(level);
    EXPECT_EQ(list.count, 2);
}

// 15 meshes, three moveables: bones on pointers 1 to 3, every bone on the
// first mesh (pointers 15 to 26 lead there), the skin object on pointers 3 to 14.
Ttrlevel skin_level(std::int32_t code, std::uint32_t skin_object)
{
    Ttrlevel level;
    Bytes b;
    std::vector<std::uint32_t> pointers(27, 0);
    for (std::uint32_t i = 0; i < 15; ++i) {
        pointers[i] = std::uint32_t(b.size());
        empty_mesh(b, code).u16(0);  // with its padding
    }
    decoded(level, code, b, pointers);
    level.moveables = {tmoveable{1, 3, 1, 0, 0, 0, 0}, tmoveable{2, 12, 15, 0, 0, 0, 0}, tmoveable{skin_object, 12, 3, 0, 0, 0, 0}};
    level.num_moveables = 3;
    return level;
}

TEST(MeshSkin, BonesOnTheFirstMeshBorrowTheSkinObjectsBones)
{
    Ttrlevel level = skin_level(code_tr4, 8);
    Tmesh_list list;
    list.decode_meshes(level);
    ASSERT_EQ(list.count * 100 + list.num_unmatched_pointers, 1500);
    // Moveable, bone, mesh: a mesh of its own; on the first mesh, the skin's bone; the bone
    // numbered 11 keeps the first mesh; beyond the pointers or the moveables, none.
    const std::array<std::int32_t, 3> bones[] = {{0, 1, 2},   {1, 0, 3},  {1, 4, 7},   {1, 10, 0}, {1, 11, 14},
                                                 {1, 12, -1}, {3, 0, -1}, {-1, 0, -1}, {0, -1, -1}};
    for (const auto& [moveable, bone, mesh] : bones) EXPECT_EQ(list.bone_mesh(level, moveable, bone), mesh) << moveable << " " << bone;
    level = skin_level(code_tr3, 999);  // no skin object: the first mesh's pointers lend their own bones
    list.decode_meshes(level);
    EXPECT_EQ(list.bone_mesh(level, 1, 5), 5);
    // The skin object and the bone it leaves alone, by generation.
    struct Row { std::int32_t code; std::uint32_t object; std::int32_t exempt_moveable, exempt_bone; };
    for (const Row& row : {Row{code_tr1, 0, 0, 1}, Row{code_tr1_ub, 0, 0, 1}, Row{code_tr2, 0, 0, 1}, Row{code_tr2_trg, 0, 0, 1},
                           Row{code_tr3, 315, 1, 2}, Row{code_tr4, 8, 1, 11}, Row{code_tr5, 8, 1, 11}}) {
        level = skin_level(row.code, row.object);
        list.decode_meshes(level);
        EXPECT_EQ((std::array<std::int64_t, 3>{list.skin_first_mesh, list.skin_exempt_moveable, list.skin_exempt_bone}),
                  (std::array<std::int64_t, 3>{3, row.exempt_moveable, row.exempt_bone}))
            << row.code;
    }
}

TEST(MeshRealLevels, EveryMeshDecodesAndEveryPointerFindsItsMesh)
{
    KELANIM_REQUIRE_REALDATA();
    for (const auto& path : test::real_levels()) {
        SCOPED_TRACE(path.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(path.string()), load_ok);
        Tmesh_list list;
        list.decode_meshes(level);
        EXPECT_TRUE(list.count > 0 && list.num_unmatched_pointers == 0);
        for (const tmesh& m : list.meshes) EXPECT_TRUE(!m.cut_short && m.num_dropped_faces == 0) << "mesh at " << m.data_offset;
        for (std::int32_t m = 0; m < std::int32_t(level.num_moveables); ++m)
            for (std::int32_t b = 0; b < level.moveables[std::size_t(m)].num_meshes; ++b)
                EXPECT_GE(list.bone_mesh(level, m, b), 0) << "moveable " << m << " bone " << b;
    }
}

}  // namespace
}  // namespace kelanim
