#include <gtest/gtest.h>

#include <system_error>

#include "byte_builder.h"
#include "level/staged_files.h"
#include "level/zfile.h"
#include "realdata.h"
#include "small_filesystem.h"

using namespace kelanim;
using namespace kelanim::test;

TEST(MemoryFile, SeekStopsAtTheEndAndWritesOverwriteOrExtend)
{
    TZFile f;
    zf_assign(f, (output_dir("zfile") / "mem.bin").string());
    zf_rewrite(f, 1);
    const std::uint8_t six[6] = {1, 2, 3, 4, 5, 6};
    zf_write(f, six, 6);
    zf_seek(f, 100);
    EXPECT_EQ(zf_pos(f), 6u);

    zf_seek(f, 4);
    const std::uint8_t ten[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    zf_write(f, ten, 10);
    EXPECT_EQ(zf_size(f), 14u);
    EXPECT_EQ(f.buffer[3], 4);
    EXPECT_EQ(f.buffer[4], 10);
    EXPECT_EQ(f.buffer[5], 11);

    // Reads past the end are short.
    zf_seek(f, 12);
    std::uint8_t out[8] = {};
    EXPECT_EQ(zf_read(f, out, 8), 2u);
    EXPECT_EQ(out[1], 19);
    EXPECT_EQ(out[2], 0);
}

TEST(Zlib, CompressAndDecompressRoundTrip)
{
    std::vector<std::uint8_t> data(100000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>((i * i) >> 3);
    auto packed = compress_buffer(data.data(), data.size());
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(decompress_buffer(packed.data(), packed.size(), 0, out));
    EXPECT_EQ(out, data);
    ASSERT_TRUE(decompress_buffer(packed.data(), packed.size(), data.size(), out));
    EXPECT_EQ(out, data);
    // A stream cut short fails and keeps what was unpacked.
    EXPECT_FALSE(decompress_buffer(packed.data(), packed.size() / 2, 0, out));
    EXPECT_LT(out.size(), data.size());
    // A limit stops a stream that unpacks to more.
    EXPECT_FALSE(decompress_buffer(packed.data(), packed.size(), 0, out, 1000));
    EXPECT_LE(out.size(), 1000u);
}

TEST(StagedFiles, NothingReachesItsTargetBeforeTheCommitAndNoTemporaryOutlivesTheSet)
{
    namespace fs = std::filesystem;
    const fs::path dir = output_dir("staged");
    fs::remove_all(dir);  // an earlier run's
    fs::create_directories(dir);
    Bytes().text("old a").save(dir / "a");
    {
        StagedFiles dropped;
        dropped.stage((dir / "a").string(), Bytes().text("new a").data());
        dropped.stage((dir / "b").string(), Bytes().text("new b").data());
        EXPECT_EQ(read_file(dir / "a"), Bytes().text("old a").data());
    }
    EXPECT_EQ(folder_entries(dir), std::vector<std::string>{"a"});
    EXPECT_EQ(read_file(dir / "a"), Bytes().text("old a").data());

    // A target that became a folder after staging: the files before it are in
    // place, the rest are dropped with their temporaries.
    StagedFiles files;
    files.stage((dir / "a").string(), Bytes().text("new a").data());
    files.stage((dir / "b").string(), Bytes().text("new b").data());
    files.stage((dir / "c").string(), Bytes().text("new c").data());
    fs::create_directories(dir / "b" / "inside");
    EXPECT_THROW(files.commit(), std::system_error);
    EXPECT_EQ(read_file(dir / "a"), Bytes().text("new a").data());
    EXPECT_EQ(folder_entries(dir), (std::vector<std::string>{"a", "b"}));
}
