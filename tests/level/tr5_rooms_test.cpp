#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "level/tr5_rooms.h"
#include "realdata.h"
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

std::vector<std::uint8_t> written(troom& room)
{
    TZFile out;
    zf_rewrite(out, 1);
    write_tr5_room(out, room);
    return {out.buffer.begin(), out.buffer.begin() + out.size};
}

template <typename T>
T value_at(const std::vector<std::uint8_t>& b, std::size_t at)
{
    T v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}
std::uint32_t u32_at(const std::vector<std::uint8_t>& b, std::size_t at) { return value_at<std::uint32_t>(b, at); }

// Every face names a merged vertex and the counts agree with the arrays.
void expect_consistent(const troom& room)
{
    ASSERT_EQ(room.vertices.size(), room.num_vertices);
    ASSERT_EQ(room.vertices_tr1.size(), room.num_vertices);
    ASSERT_EQ(room.tr5_vertices.size(), room.num_vertices);
    ASSERT_EQ(room.rectangles.size(), room.num_rectangles);
    ASSERT_EQ(room.tr5_rectangles.size(), room.num_rectangles);
    ASSERT_EQ(room.triangles.size(), room.num_triangles);
    ASSERT_EQ(room.tr5_triangles.size(), room.num_triangles);
    ASSERT_EQ(room.lights_tr5.size(), room.num_lights);
    ASSERT_EQ(room.records36.size(), room.num_records36);
    ASSERT_EQ(room.portals.size(), room.num_portals);
    ASSERT_EQ(room.statics.size(), room.num_static_meshes);
    ASSERT_EQ(room.sectors.size(), std::size_t{room.num_z_sectors} * room.num_x_sectors);
    for (const tface4& f : room.rectangles)
        for (std::uint16_t v : f.vertices) ASSERT_LT(v, room.num_vertices);
    for (const tface3& f : room.triangles)
        for (std::uint16_t v : f.vertices) ASSERT_LT(v, room.num_vertices);
}

}  // namespace

TEST(Tr5Room, TwoLayersSharingAVertexMergeIntoOne)
{
    Tr5RoomPlan plan = two_layer_room();
    ReadRoom r = read_room(tr5_room(plan).data());
    const troom& room = r.room;
    EXPECT_FALSE(r.ended_early);
    EXPECT_EQ(room.tr5_unread_bytes, 0);
    ASSERT_NO_FATAL_FAILURE(expect_consistent(room));

    // Four corners of the first layer plus two new vertices of the second.
    ASSERT_EQ(room.num_vertices, 6);
    EXPECT_EQ(room.vertices[2].z, 1024);
    EXPECT_EQ(room.vertices[4].x, 2048);
    EXPECT_EQ(room.vertices_tr1[4].y, -512);
    // The later duplicate overwrote the shared vertex's file data and colour.
    EXPECT_FLOAT_EQ(room.tr5_vertices[2].x, 1024.75f);
    EXPECT_EQ(room.tr5_vertices[2].raw[0], 0xC0);
    EXPECT_EQ(room.vertices[2].colour, (0xC0 >> 3) << 10 | (0xC0 >> 3) << 5 | (0xC0 >> 3));
    EXPECT_EQ(room.vertices[0].colour, (0x40 >> 3) << 10 | (0x40 >> 3) << 5 | (0x40 >> 3));

    // Faces of the second layer name the merged vertices.
    ASSERT_EQ(room.num_rectangles, 2);
    EXPECT_EQ(room.rectangles[0].vertices, (std::array<std::uint16_t, 4>{0, 1, 2, 3}));
    EXPECT_EQ(room.rectangles[1].vertices, (std::array<std::uint16_t, 4>{2, 4, 5, 2}));
    EXPECT_EQ(room.tr5_rectangles[1].extra, 0xE4);
    ASSERT_EQ(room.num_triangles, 2);
    EXPECT_EQ(room.triangles[1].vertices, (std::array<std::uint16_t, 3>{2, 4, 5}));
    EXPECT_EQ(room.tr5_triangles[1].face.texture, 1);  // the second layer's own texture numbering

    // Header fields kept to be written back, first to last.
    EXPECT_EQ(room.num_layers, 2u);
    EXPECT_EQ(room.tr5_y, -7);
    EXPECT_EQ(room.y_top, -3072);
    EXPECT_EQ(room.room_colour, 0xFF405060u);
    EXPECT_EQ(room.tr5_header_word[0], 0x03);
    EXPECT_EQ(room.tr5_null_marker, 0x12345678u);
    EXPECT_EQ(room.tr5_offsets[4], 0x55u);
    EXPECT_EQ(room.lights_tr5[0].bytes[0], 0x60);
    EXPECT_EQ(room.statics[0].bytes[19], 0xA0);

    // Layer headers stay as read.
    EXPECT_EQ(room.layer_headers[0].layer_word1, 0x700);
    EXPECT_EQ(room.layer_headers[1].layer_word1, 0x701);
}

TEST(Tr5Room, UnreadBytesAreSkippedAndOverrunsGoBackToTheDeclaredEnd)
{
    Tr5RoomPlan plan = two_layer_room();
    plan.tail_bytes = 10;
    Bytes bytes = tr5_room(plan);
    ReadRoom r = read_room(bytes.data());
    EXPECT_EQ(r.room.tr5_unread_bytes, 10);
    EXPECT_EQ(r.end_position, bytes.size());

    // A declared size that ends inside the vertices: the counts are cut at
    // the room's end, the room is damaged, and reading goes on from there.
    plan.tail_bytes = 0;
    plan.size_adjust = -30;
    bytes = tr5_room(plan);
    bytes.fill(100, 0x42);  // the next room's bytes
    r = read_room(bytes.data());
    EXPECT_TRUE(r.ended_early);
    EXPECT_EQ(r.end_position, bytes.size() - 100 - 30);
    ASSERT_NO_FATAL_FAILURE(expect_consistent(r.room));

    // A size that ends inside the fixed header gives a negative count.
    plan.size_adjust = -static_cast<std::int64_t>(tr5_room(plan).size()) + 8 + 100;
    bytes = tr5_room(plan);
    r = read_room(bytes.data());
    EXPECT_EQ(r.end_position, 108u);
    EXPECT_LT(r.room.tr5_unread_bytes, 0);
    EXPECT_EQ(r.room.tr5_unread_bytes, 108 - (216 + 2 + 2));  // the header, the portal count and its filler
}

// A room is written as it was read: odd and even triangle counts (with the
// alignment bytes after the faces), no layers, bytes after the vertices.
TEST(Tr5Room, RoomIsWrittenAsRead)
{
    Tr5RoomPlan with_tail = two_layer_room(2), empty;
    with_tail.tail_bytes = 6;
    empty.num_lights = empty.num_records36 = empty.num_portals = empty.num_statics = 0;
    for (const Tr5RoomPlan& plan : {two_layer_room(0), two_layer_room(1), with_tail, empty}) {
        const std::vector<std::uint8_t> bytes = tr5_room(plan).data();
        ReadRoom r = read_room(bytes);
        EXPECT_FALSE(r.ended_early);
        EXPECT_EQ(written(r.room), bytes);
    }
}

TEST(Tr5Room, FacesNamingNoVertexOfTheirLayerAreLeftOut)
{
    Tr5RoomPlan plan = two_layer_room();
    plan.layers[1].triangles.push_back({0, 1, 3});  // the layer has three vertices
    ReadRoom r = read_room(tr5_room(plan).data());
    EXPECT_TRUE(r.ended_early);
    EXPECT_EQ(r.room.num_triangles, 2);
    ASSERT_NO_FATAL_FAILURE(expect_consistent(r.room));
}

TEST(Tr5Room, MergeKeepsEveryDistinctVertexUpToTheSixteenBitCount)
{
    troom room;
    room.layers.resize(2);
    // 70000 distinct positions, far beyond the 3000 the old program kept.
    for (int i = 0; i < 70000; ++i)
        room.layers[i / 40000].vertices.push_back(
            ttr5_vertex{static_cast<float>(i % 256), static_cast<float>(i / 256), 7.0f, {}, 0});
    room.layers[0].triangles.push_back({{{0, 39999, 3000}, 5}, 0});
    room.layers[1].triangles.push_back({{{0, 25534, 25535}, 6}, 0});  // 65534 kept, 65535 not
    room.layers[1].rectangles.push_back({{{0, 1, 2, 3}, 7}, 0});

    EXPECT_FALSE(merge_tr5_layers(room));
    EXPECT_EQ(room.num_vertices, 65535);
    EXPECT_EQ(room.vertices[65534].x, 65534 % 256);
    ASSERT_EQ(room.num_triangles, 1);
    EXPECT_EQ(room.triangles[0].vertices, (std::array<std::uint16_t, 3>{0, 39999, 3000}));
    ASSERT_EQ(room.num_rectangles, 1);
    EXPECT_EQ(room.rectangles[0].vertices, (std::array<std::uint16_t, 4>{40000, 40001, 40002, 40003}));
    ASSERT_NO_FATAL_FAILURE(expect_consistent(room));

    // A room within the limit merges completely.
    room.layers[1].vertices.resize(1000);
    room.layers[1].triangles.clear();
    EXPECT_TRUE(merge_tr5_layers(room));
    EXPECT_EQ(room.num_vertices, 41000);
}

// The merge against a plain linear search: the first vertex at a truncated
// position fixes its number, later ones overwrite its data and colour.
TEST(Tr5Room, MergeMatchesALinearSearchOnRandomLayers)
{
    std::mt19937 random(11);
    using Position = std::array<std::int16_t, 3>;
    auto truncated = [](const ttr5_vertex& v) { return Position{std::int16_t(v.x), std::int16_t(v.y), std::int16_t(v.z)}; };
    for (int round = 0; round < 50; ++round) {
        troom room;
        room.layers.resize(1 + random() % 4);
        for (ttr5_layer& layer : room.layers) {
            const std::size_t n = 1 + random() % 40;
            for (std::size_t i = 0; i < n; ++i) {
                ttr5_vertex v{float(random() % 4) * 0.75f, -float(random() % 3) * 1.5f, float(random() % 3), {},
                              std::uint32_t(random())};
                v.raw[0] = static_cast<std::uint8_t>(random());
                layer.vertices.push_back(v);
            }
            auto corner = [&] { return static_cast<std::uint16_t>(random() % n); };
            for (std::uint16_t f = 0; f < 5; ++f) layer.triangles.push_back({{{corner(), corner(), corner()}, f}, 9});
        }
        ASSERT_TRUE(merge_tr5_layers(room));

        std::vector<Position> positions;
        std::vector<ttr5_vertex> data;
        auto find = [&](const Position& p) { return std::size_t(std::find(positions.begin(), positions.end(), p) - positions.begin()); };
        for (const ttr5_layer& layer : room.layers)
            for (const ttr5_vertex& v : layer.vertices) {
                if (find(truncated(v)) == positions.size()) {
                    positions.push_back(truncated(v));
                    data.push_back(v);
                }
                data[find(truncated(v))] = v;
            }
        ASSERT_EQ(room.num_vertices, positions.size());
        for (std::size_t i = 0; i < positions.size(); ++i) {
            EXPECT_EQ(room.vertices[i].x, positions[i][0]);
            EXPECT_EQ(room.vertices_tr1[i].y, positions[i][1]);
            EXPECT_EQ(room.tr5_vertices[i].raw[0], data[i].raw[0]);
            EXPECT_EQ(room.tr5_vertices[i].colour, data[i].colour);
        }
        std::size_t t = 0;
        for (const ttr5_layer& layer : room.layers)
            for (const ttr5_face3& face : layer.triangles) {
                for (int c = 0; c < 3; ++c)
                    EXPECT_EQ(room.triangles[t].vertices[c], find(truncated(layer.vertices[face.face.vertices[c]])));
                ++t;
            }
        EXPECT_EQ(room.num_triangles, t);
    }
}

TEST(Tr5Room, TruncatedOrSpoiledRoomsStayConsistent)
{
    const std::vector<std::uint8_t> full = tr5_room(two_layer_room(2)).data();
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        ReadRoom r = read_room({full.begin(), full.begin() + cut});
        EXPECT_TRUE(r.ended_early);
        EXPECT_LE(r.end_position, cut);
        ASSERT_NO_FATAL_FAILURE(expect_consistent(r.room));
        std::vector<std::uint8_t> out = written(r.room);  // never reads past an array
        EXPECT_EQ(u32_at(out, 4), out.size() - 8);
    }
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::uint8_t> spoiled = full;
        for (int k = 0; k < 6; ++k) spoiled[random() % spoiled.size()] = static_cast<std::uint8_t>(random());
        ReadRoom r = read_room(spoiled);
        EXPECT_LE(r.end_position, spoiled.size());
        ASSERT_NO_FATAL_FAILURE(expect_consistent(r.room));
        written(r.room);
    }
}

TEST(RealLevels, Tr5RoomsHoldPlausibleGeometry)
{
    KELANIM_REQUIRE_REALDATA();
    Ttrlevel level;
    ASSERT_EQ(level.load_level(real_level("tr5.trc")), load_ok);
    EXPECT_EQ(level.version_code, code_tr5);
    EXPECT_FALSE(level.truncated);
    ASSERT_GT(level.num_rooms, 0);
    for (const troom& room : level.rooms) {
        ASSERT_NO_FATAL_FAILURE(expect_consistent(room));
        EXPECT_GT(room.num_vertices, 0);
        EXPECT_GT(room.num_rectangles + room.num_triangles, 0);
        EXPECT_EQ(room.tr5_unread_bytes, 0);
        EXPECT_EQ(room.tr5_face_counts[3], room.num_lights * 88u);
    }
}
