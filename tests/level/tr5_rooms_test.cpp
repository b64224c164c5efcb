#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "level/tr5_rooms.h"
#include "synthetic_tr5.h"

using namespace kelanim;
using namespace kelanim::test;

namespace {

struct ReadRoom {
    troom room;
    bool ended_early = false;
    std::uint32_t end_position = 0;
};

ReadRoom read_room(const std::vector<std::uint8_t>& bytes)
{
    TZFile f;
    f.buffer = bytes;
    f.size = static_cast<std::uint32_t>(bytes.size());
    LevelStream in(f);
    ReadRoom r;
    read_tr5_room(in, r.room);
    r.ended_early = in.ended_early();
    r.end_position = in.pos();
    return r;
}

std::vector<std::uint8_t> written(const troom& room)
{
    TZFile out;
    zf_rewrite(out, 1);
    write_tr5_room(out, room);
    return {out.buffer.begin(), out.buffer.begin() + out.size};
}

// Every face names a merged vertex and the counts agree with the arrays.
void expect_consistent(const troom& r)
{
    const std::vector<std::size_t> counts = {
        r.num_vertices,   r.num_vertices,  r.num_vertices,      r.num_rectangles,
        r.num_rectangles, r.num_triangles, r.num_triangles,     r.num_lights,
        r.num_records36,  r.num_portals,   r.num_static_meshes, std::size_t{r.num_z_sectors} * r.num_x_sectors};
    ASSERT_EQ((std::vector<std::size_t>{r.vertices.size(), r.vertices_tr1.size(), r.tr5_vertices.size(), r.rectangles.size(),
                                        r.tr5_rectangles.size(), r.triangles.size(), r.tr5_triangles.size(), r.lights_tr5.size(),
                                        r.records36.size(), r.portals.size(), r.statics.size(), r.sectors.size()}),
              counts);
    for (const tface4& f : r.rectangles) ASSERT_LT(*std::max_element(f.vertices.begin(), f.vertices.end()), r.num_vertices);
    for (const tface3& f : r.triangles) ASSERT_LT(*std::max_element(f.vertices.begin(), f.vertices.end()), r.num_vertices);
}

}  // namespace

TEST(Tr5Room, TwoLayersSharingAVertexMergeIntoOne)
{
    ReadRoom r = read_room(tr5_room(two_layer_room()).data());
    const troom& room = r.room;
    EXPECT_TRUE(!r.ended_early && room.tr5_unread_bytes == 0);
    ASSERT_NO_FATAL_FAILURE(expect_consistent(room));
    // Four corners of the first layer plus two new vertices of the second; the later
    // duplicate overwrote the shared vertex's file data and colour.
    ASSERT_EQ(room.num_vertices * 10 + room.num_rectangles, 62);
    EXPECT_EQ(
        (std::vector<double>{double(room.vertices[2].z), double(room.vertices[4].x), double(room.vertices_tr1[4].y),
                             room.tr5_vertices[2].x, double(room.tr5_vertices[2].raw[0]),
                             double(room.vertices[2].colour), double(room.vertices[0].colour)}),
        (std::vector<double>{1024, 2048, -512, 1024.75, 0xC0, (0xC0 >> 3) * 0x421, (0x40 >> 3) * 0x421}));
    // Faces of the second layer name the merged vertices, textures numbered by their layer.
    ASSERT_EQ(room.num_triangles, 2);
    EXPECT_EQ(room.rectangles[1].vertices, (std::array<std::uint16_t, 4>{2, 4, 5, 2}));
    EXPECT_EQ(room.triangles[1].vertices, (std::array<std::uint16_t, 3>{2, 4, 5}));
    EXPECT_EQ(room.tr5_rectangles[1].extra * 100 + room.tr5_triangles[1].face.texture, 0xE4 * 100 + 1);
    // Header fields kept to be written back, first to last.
    EXPECT_EQ((std::vector<std::int64_t>{room.num_layers, room.tr5_y, room.y_top, room.room_colour, room.tr5_header_word[0],
                                         room.tr5_null_marker, room.tr5_offsets[4], room.lights_tr5[0].bytes[0],
                                         room.statics[0].bytes[19], room.layer_headers[1].layer_word1}),
              (std::vector<std::int64_t>{2, -7, -3072, 0xFF405060, 0x03, 0x12345678, 0x55, 0x60, 0xA0, 0x701}));
    // A face naming no vertex of its layer (which has three) is left out.
    Tr5RoomPlan plan = two_layer_room();
    plan.layers[1].triangles.push_back({0, 1, 3});
    r = read_room(tr5_room(plan).data());
    EXPECT_TRUE(r.ended_early && r.room.num_triangles == 2);
    ASSERT_NO_FATAL_FAILURE(expect_consistent(r.room));
}

TEST(Tr5Room, UnreadBytesAreSkippedAndOverrunsGoBackToTheDeclaredEnd)
{
    Tr5RoomPlan plan = two_layer_room();
    plan.tail_bytes = 10;
    Bytes bytes = tr5_room(plan);
    ReadRoom r = read_room(bytes.data());
    EXPECT_EQ((std::pair<long, long>{r.room.tr5_unread_bytes, r.end_position}), (std::pair<long, long>{10, bytes.size()}));
    // A declared size that ends inside the vertices: the counts are cut at
    // the room's end, the room is damaged, and reading goes on from there.
    plan.tail_bytes = 0;
    plan.size_adjust = -30;
    bytes = tr5_room(plan).fill(100, 0x42);  // the next room's bytes
    r = read_room(bytes.data());
    EXPECT_TRUE(r.ended_early && r.end_position == bytes.size() - 100 - 30);
    ASSERT_NO_FATAL_FAILURE(expect_consistent(r.room));
    // A size that ends inside the fixed header gives a negative count.
    plan.size_adjust = -static_cast<std::int64_t>(tr5_room(plan).size()) + 8 + 100;
    r = read_room(tr5_room(plan).data());  // unread: less the header, the portal count and its filler
    EXPECT_EQ((std::pair<long, long>{r.room.tr5_unread_bytes, r.end_position}), (std::pair<long, long>{108 - (216 + 2 + 2), 108}));
}

// A room is written as it was read: odd and even triangle counts (with the
// alignment bytes after the faces), no layers, bytes after the vertices. Cut
// short anywhere, a room stays consistent and writes whole. (Spoiled bytes are
// the fuzz target's.)
TEST(Tr5Room, RoomIsWrittenAsReadAndTruncatedRoomsStayConsistent)
{
    Tr5RoomPlan with_tail = two_layer_room(2), empty;
    with_tail.tail_bytes = 6;
    empty.num_lights = empty.num_records36 = empty.num_portals = empty.num_statics = 0;
    for (const Tr5RoomPlan& plan : {two_layer_room(0), two_layer_room(1), empty, with_tail}) {
        const std::vector<std::uint8_t> bytes = tr5_room(plan).data();
        ReadRoom r = read_room(bytes);
        EXPECT_FALSE(r.ended_early);
        EXPECT_EQ(written(r.room), bytes);
    }
    const std::vector<std::uint8_t> full = tr5_room(two_layer_room(2)).data();
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        ReadRoom r = read_room({full.begin(), full.begin() + cut});
        EXPECT_TRUE(r.ended_early && r.end_position <= cut);
        ASSERT_NO_FATAL_FAILURE(expect_consistent(r.room));
        const std::vector<std::uint8_t> out = written(r.room);  // never reads past an array; its size word is right
        EXPECT_EQ(out.at(4) | out[5] << 8 | out[6] << 16 | std::size_t{out[7]} << 24, out.size() - 8);
    }
}

TEST(Tr5Room, MergeKeepsEveryDistinctVertexUpToTheSixteenBitCountAsALinearSearchWould)
{
    troom room;
    room.layers.resize(2);  // 70000 distinct positions
    for (int i = 0; i < 70000; ++i)
        room.layers[i / 40000].vertices.push_back(ttr5_vertex{static_cast<float>(i % 256), static_cast<float>(i / 256), 7.0f, {}, 0});
    room.layers[0].triangles.push_back({{{0, 39999, 3000}, 5}, 0});
    room.layers[1].triangles.push_back({{{0, 25534, 25535}, 6}, 0});  // 65534 kept, 65535 not
    room.layers[1].rectangles.push_back({{{0, 1, 2, 3}, 7}, 0});
    EXPECT_FALSE(merge_tr5_layers(room));
    EXPECT_EQ(room.vertices.at(65534).x, 65534 % 256);
    ASSERT_EQ(room.num_vertices * 100 + room.num_triangles * 10 + room.num_rectangles, 6553511);
    EXPECT_EQ(room.triangles[0].vertices, (std::array<std::uint16_t, 3>{0, 39999, 3000}));
    EXPECT_EQ(room.rectangles[0].vertices, (std::array<std::uint16_t, 4>{40000, 40001, 40002, 40003}));
    ASSERT_NO_FATAL_FAILURE(expect_consistent(room));
    room.layers[1].vertices.resize(1000);  // within the limit: merges completely, from scratch
    room.layers[1].triangles.clear();
    EXPECT_TRUE(merge_tr5_layers(room) && room.num_vertices == 41000);

    // Against a plain linear search on random layers: the first vertex at a truncated
    // position fixes its number, later ones overwrite its data and colour.
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        troom mixed;
        mixed.layers.resize(1 + random() % 4);
        std::vector<std::array<std::int64_t, 5>> expected, got;  // x, y, z, first raw byte, colour per merged vertex
        std::vector<std::uint16_t> corners, got_corners;
        for (ttr5_layer& layer : mixed.layers) {
            const std::size_t n = 1 + random() % 40;
            std::vector<std::uint16_t> merged;
            for (std::size_t i = 0; i < n; ++i) {
                ttr5_vertex v{float(random() % 4) * 0.75f,
                              -float(random() % 3) * 1.5f,
                              float(random() % 3),
                              {std::uint8_t(random())},
                              std::uint32_t(random())};
                layer.vertices.push_back(v);
                const std::array<std::int64_t, 5> e{std::int16_t(v.x), std::int16_t(v.y), std::int16_t(v.z), v.raw[0], v.colour};
                const auto at = std::find_if(expected.begin(), expected.end(), [&](const auto& x) {
                    return std::equal(x.begin(), x.begin() + 3, e.begin());
                });
                merged.push_back(std::uint16_t(at - expected.begin()));
                at == expected.end() ? expected.push_back(e) : void(*at = e);
            }
            for (std::uint16_t f = 0; f < 5; ++f) {
                layer.triangles.push_back(
                    {{{std::uint16_t(random() % n), std::uint16_t(random() % n), std::uint16_t(random() % n)}, f}, 9});
                for (std::uint16_t c : layer.triangles.back().face.vertices) corners.push_back(merged[c]);
            }
        }
        ASSERT_TRUE(merge_tr5_layers(mixed));
        for (std::size_t i = 0; i < mixed.vertices.size(); ++i)
            got.push_back({mixed.vertices[i].x, mixed.vertices_tr1[i].y, mixed.vertices[i].z,
                           mixed.tr5_vertices[i].raw[0], mixed.tr5_vertices[i].colour});
        for (const tface3& t : mixed.triangles) got_corners.insert(got_corners.end(), t.vertices.begin(), t.vertices.end());
        EXPECT_EQ(got, expected);
        EXPECT_EQ(got_corners, corners);
    }
}
