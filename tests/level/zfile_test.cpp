#include <gtest/gtest.h>

#include <system_error>

#include "byte_builder.h"
#include "level/staged_files.h"
#include "level/zfile.h"
#include "realdata.h"
#include "small_filesystem.h"

using namespace kelanim;
using namespace kelanim::test;
using ByteVector = std::vector<std::uint8_t>;

// Seeking stops at the end, writes overwrite and extend, reads past the end are short.
TEST(MemoryFile, SeekStopsAtTheEndAndWritesOverwriteOrExtend)
{
    TZFile f;
    zf_assign(f, (output_dir("zfile") / "mem.bin").string());
    zf_rewrite(f, 1);
    const std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    zf_write(f, bytes, 6);
    zf_seek(f, 100);
    EXPECT_EQ(zf_pos(f), 6u);
    zf_seek(f, 4);
    zf_write(f, bytes + 6, 10);
    EXPECT_EQ(ByteVector(f.buffer.begin(), f.buffer.begin() + zf_size(f)),
              (ByteVector{1, 2, 3, 4, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    zf_seek(f, 12);
    std::uint8_t out[8] = {};
    EXPECT_EQ(zf_read(f, out, 8), 2u);
    EXPECT_EQ(ByteVector(out, out + 3), (ByteVector{18, 19, 0}));
}

TEST(Zlib, CompressAndDecompressRoundTrip)
{
    ByteVector data(100000), out;
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>((i * i) >> 3);
    const ByteVector packed = compress_buffer(data.data(), data.size());
    for (std::size_t expected_size : {std::size_t{0}, data.size()}) {
        ASSERT_TRUE(decompress_buffer(packed.data(), packed.size(), expected_size, out));
        EXPECT_EQ(out, data);
    }
    // Cut short: fails, keeps what it unpacked; a limit stops a stream that unpacks to more.
    EXPECT_TRUE(!decompress_buffer(packed.data(), packed.size() / 2, 0, out) && out.size() < data.size());
    EXPECT_TRUE(!decompress_buffer(packed.data(), packed.size(), 0, out, 1000) && out.size() <= 1000u);
}

TEST(StagedFiles, NothingReachesItsTargetBeforeTheCommitAndNoTemporaryOutlivesTheSet)
{
    namespace fs = std::filesystem;
    const fs::path dir = output_dir("staged");
    fs::remove_all(dir);  // an earlier run's
    fs::create_directories(dir);
    auto text = [](const char* s) { return Bytes().text(s).data(); };
    Bytes().text("old a").save(dir / "a");
    {
        StagedFiles dropped;
        dropped.stage((dir / "a").string(), text("new a"));
        dropped.stage((dir / "b").string(), text("new b"));
        EXPECT_EQ(read_file(dir / "a"), text("old a"));
    }
    EXPECT_EQ(folder_entries(dir), std::vector<std::string>{"a"});
    EXPECT_EQ(read_file(dir / "a"), text("old a"));

    // A target that became a folder after staging: the files before it are in
    // place, the rest are dropped with their temporaries.
    StagedFiles files;
    for (const char* name : {"a", "b", "c"}) files.stage((dir / name).string(), text((std::string("new ") + name).c_str()));
    fs::create_directories(dir / "b" / "inside");
    EXPECT_THROW(files.commit(), std::system_error);
    EXPECT_EQ(read_file(dir / "a"), text("new a"));
    EXPECT_EQ(folder_entries(dir), (std::vector<std::string>{"a", "b"}));
}
