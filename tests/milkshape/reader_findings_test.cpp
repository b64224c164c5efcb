// Inputs the fuzz targets found that once made the MilkShape readers or the
// import misbehave, each cut down to what it takes.
#include <gtest/gtest.h>

#include "milkshape/mst_file.h"
#include "ms3d_samples.h"

namespace kelanim {
namespace {

using test::Bytes;
using test::temp_path;

std::string written(const std::string& name, const Bytes& bytes)
{
    const auto path = temp_path(name);
    std::filesystem::remove(path);
    bytes.save(path);
    return path.string();
}

// A binary model without geometry whose animation has `total_frames` frames
// and one joint with one rotation key at `key_time` seconds.
Bytes one_joint_ms3d(std::int32_t total_frames, float key_time)
{
    Bytes b;
    b.text("MS3D000000").i32(4);
    b.u16(0).u16(0).u16(0).u16(0);                 // vertices, triangles, groups, materials
    b.f32(24).f32(1).i32(total_frames).u16(1);     // fps, current time, frames, joints
    b.u8(0).text("Root").fill(28).fill(32);        // flags, name, parent
    b.f32(0).f32(0).f32(0).f32(0).f32(0).f32(0);   // rotation, position
    b.u16(1).u16(0);                               // one rotation key, no translation keys
    b.f32(key_time).f32(0.5f).f32(0).f32(0);
    return b;
}

// With no frames there are no key slots: a key has nowhere to go and is
// dropped, instead of being written into the first slot of an empty array.
TEST(ReaderFindings, AKeyOfAModelWithoutFramesIsDroppedByTheBinaryReader)
{
    for (float time : {0.0f, 1 / 24.0f, -5.0f}) {
        TMS3D_File model;
        ASSERT_EQ(load_ms3d(model, written("no_frames.ms3d", one_joint_ms3d(0, time)), true), ms3d_ok) << model.last_error;
        ASSERT_EQ(model.joints.size(), 1u);
        EXPECT_TRUE(model.joints[0].rotation_keys.empty());
    }
}

TEST(ReaderFindings, AKeyOfAModelWithoutFramesIsDroppedByTheAsciiReader)
{
    const std::string text =
        "Signature: mst 1.0\r\nFrames: 0\r\nFrame: 1\r\nMeshes: 0\r\nMaterials: 0\r\nBones: 1\r\n"
        "\"Root\"\r\n\"\"\r\n0 0 0 0 0 0 0\r\n1\r\n1 0 0 0\r\n1\r\n0 0.5 0 0\r\n";
    TMS3D_File model;
    ASSERT_EQ(load_mst(model, written("no_frames.mst", Bytes().text(text))), ms3d_ok) << model.last_error;
    ASSERT_EQ(model.joints.size(), 1u);
    EXPECT_TRUE(model.joints[0].rotation_keys.empty());
    EXPECT_TRUE(model.joints[0].translation_keys.empty());
}

}  // namespace
}  // namespace kelanim
