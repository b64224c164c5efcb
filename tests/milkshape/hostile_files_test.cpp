// Foreign, hostile and shortened files for both readers: each is refused
// with a reason and leaves the model as it was.
#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "milkshape/mst_file.h"
#include "ms3d_samples.h"

namespace kelanim {
namespace {

using test::Bytes;
using test::bytes_of;

// Whether a failed load left the model, marked with 777 frames, alone.
void expect_untouched(const TMS3D_File& m)
{
    ASSERT_TRUE(!m.last_error.empty() && m.total_frames == 777 && m.vertices.size() == 7u && m.num_joints == 3);
}

// The counts before the joints of an .mst file of `frames` frames.
std::string mst_header(int frames)
{
    return "Signature: mst 1.0\r\nFrames: " + std::to_string(frames) + "\r\nFrame: 3\r\nMeshes: 0\r\nMaterials: 0\r\n";
}

TEST(MilkShapeReaders, HostileFilesAreRefusedWithAReasonAndChangeNothing)
{
    const auto header = [] { return Bytes().text("MS3D000000").i32(4); };
    const auto sub0 = test::saved_bytes(test::sample_model(0), "sub0.ms3d");
    auto bad_corner = sub0;
    bad_corner[14 + 2 + 7 * 15 + 2 + 2] = 9;  // the first triangle's first corner
    TMS3D_File long_animation = test::sample_model(0);
    long_animation.total_frames = 2'000'000'000;
    const auto too_long = test::saved_bytes(long_animation, "long.ms3d");
    const std::string mesh = "Signature: mst 1.0\r\nFrames: 2\r\nFrame: 0\r\nMeshes: 1\r\nm 0 0\r\n";
    const std::string faces = "1\r\n0 0 0 0 0 0 0\r\n0\r\n1\r\n-1 -1 -1 0 0 0 0\r\n1\r\n0 0 0 ";
    struct Row {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::int16_t result;
        std::string reason;
        bool interpolate = false;
    };
    const Row rows[] = {
        {"x.ms3d", Bytes().text("MS3D00000").data(), ms3d_bad_signature, ""},
        {"x.ms3d", Bytes().text("MS3D000001").i32(4).data(), ms3d_bad_signature, ""},
        {"x.ms3d", Bytes().text("MS3D000000").i32(3).fill(40).data(), ms3d_bad_version, ""},
        {"x.ms3d", Bytes().text("MS3D000000").u16(4).data(), ms3d_damaged, ""},
        {"x.ms3d", header().u16(65535).fill(100).data(), ms3d_damaged, "65535 vertices"},
        {"x.ms3d", header().u16(0).u16(0).u16(1).u8(0).fill(32).u16(60000).fill(10).data(), ms3d_damaged, "group"},
        {"x.ms3d", bad_corner, ms3d_damaged, "names vertex 9"},
        {"x.ms3d", Bytes().append(sub0).i32(1).i32(1).i32(0).i32(0x7FFFFFFF).data(), ms3d_damaged, "comment"},
        {"x.ms3d", Bytes().append(sub0).i32(1).fill(16).data(), ms3d_damaged, "vertex extra subversion"},
        {"x.ms3d", too_long, ms3d_damaged, "2000000000", true},  // only a per-frame model cannot hold it
        {"x.mst", {}, ms3d_bad_signature, ""},
        {"x.mst", bytes_of(";only a comment\r\nFrames: 3\r\n"), ms3d_bad_signature, ""},
        {"x.mst", bytes_of(mesh + "1\r\n0 abc 0 0 0 0 0\r\n"), ms3d_damaged, "'abc' is not a valid floating point"},
        {"x.mst", bytes_of(mesh + "1\r\n0 0 0 0 0 0 zero\r\n"), ms3d_damaged, "'zero' is not a valid integer value"},
        {"x.mst", bytes_of(mesh + "1\r\n0 0 0 0 0 0 0\r\n"), ms3d_damaged, "'' is not a valid integer value"},
        {"x.mst", bytes_of(mesh + "-4\r\n"), ms3d_damaged, "negative"},
        {"x.mst", bytes_of(mesh + faces + "5 0 0 0 0\r\n"), ms3d_damaged, "names vertex 5"},
        {"x.mst", bytes_of(mesh + faces + "0 0 0 0 0\r\n"), ms3d_damaged, "names normal 0"},
        {"x.mst", bytes_of(mesh + "1\r\n0 0 0 0 0 0 300\r\n"), ms3d_damaged, "out of range"},
        {"x.mst", bytes_of(mst_header(12) + "Bones: 70000\r\n"), ms3d_damaged, "out of range"},
        {"x.mst", bytes_of(mst_header(60000) + "Bones: 9000\r\n"), ms3d_damaged, "too many keys"},
        // 16 bones fit at the most frames a joint can hold; 17 do not.
        {"x.mst", bytes_of(mst_header(65535) + "Bones: 17\r\n"), ms3d_damaged, "17 joints of 65535 frames are too"},
        {"x.mst", bytes_of(mst_header(-3) + "Bones: 1\r\n"), ms3d_damaged, "negative"},
    };
    TMS3D_File model = test::sample_model(2);
    model.total_frames = 777;
    for (const char* absent : {"absent.ms3d", "absent.mst"}) {
        EXPECT_EQ(load_ms3d(model, test::temp_path(absent).string(), false), ms3d_no_file);
        expect_untouched(model);
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(test::load_bytes(model, row.bytes, row.interpolate, row.name), row.result);
        EXPECT_NE(model.last_error.find(row.reason), std::string::npos) << model.last_error;
        expect_untouched(model);
    }
    EXPECT_EQ(test::load_bytes(model, too_long), ms3d_ok);
    EXPECT_EQ(model.total_frames, 2'000'000'000);
}

TEST(MilkShapeReaders, EveryShortenedFileFailsCleanlyAndLeavesTheModelAlone)
{
    const auto ms3d = test::saved_bytes(test::sample_model(2), "full.ms3d");
    const std::size_t end_of_joints = test::saved_bytes(test::sample_model(0), "sub0.ms3d").size();
    TMS3D_File welded = test::sample_model(2);
    ASSERT_TRUE(weld_vertices(welded, false)) << welded.last_error;
    const std::string mst = encode_mst(welded);
    std::vector<std::size_t> mst_cuts;  // after each line but the last, a key
    for (std::size_t end = mst.find("\r\n"); end < mst.rfind("\r\n", mst.size() - 3); end = mst.find("\r\n", end + 2))
        mst_cuts.push_back(end + 2);
    std::vector<std::size_t> ms3d_cuts(ms3d.size());
    std::iota(ms3d_cuts.begin(), ms3d_cuts.end(), 0);
    ms3d_cuts.erase(ms3d_cuts.begin() + static_cast<std::ptrdiff_t>(end_of_joints));  // a whole subversion 0 file
    TMS3D_File model = test::sample_model(2);
    model.total_frames = 777;
    for (const auto& [name, whole, cuts] :
         {std::tuple{"cut.ms3d", ms3d, ms3d_cuts}, {"cut.mst", bytes_of(mst), mst_cuts}})
        for (const std::size_t length : cuts) {
            const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            const std::string text(cut.begin(), cut.end());
            const bool is_signed = name == std::string("cut.mst") ? text.find("Signature") != text.npos : length >= 10;
            for (bool interpolate : {false, true}) {
                SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(length));
                const std::int16_t expected = is_signed ? ms3d_damaged : ms3d_bad_signature;
                ASSERT_EQ(test::load_bytes(model, cut, interpolate, name), expected);
                expect_untouched(model);
            }
        }
}

}  // namespace
}  // namespace kelanim
