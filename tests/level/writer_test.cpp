#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "level/ttrlevel.h"
#include "realdata.h"
#include "synthetic_level.h"
#include "synthetic_tr5.h"

using namespace kelanim;
using namespace kelanim::test;
namespace fs = std::filesystem;

namespace {

fs::path folder(const std::string& name)
{
    fs::path dir = output_dir("writer") / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void load(Ttrlevel& level, const Bytes& bytes, const fs::path& path)
{
    bytes.save(path);
    ASSERT_EQ(level.load_level(path), load_ok);
}

// The synthetic level as the writer gives it back: palette entry 0 magenta.
std::vector<std::uint8_t> with_magenta_entry0(std::vector<std::uint8_t> bytes)
{
    static const std::uint8_t synthetic_entry0[] = {1, 2, 3, SyntheticFacts::palette_marker, 0x11, 0x22};
    auto at = std::search(bytes.begin(), bytes.end(), std::begin(synthetic_entry0), std::end(synthetic_entry0));
    if (at != bytes.end()) {
        at[0] = 255;
        at[1] = 0;
        at[2] = 255;
    }
    return bytes;
}

class CollectProgress : public ProgressSink {
public:
    void set_progress(int percent) override { values.push_back(percent); }
    std::vector<int> values;
};

std::vector<std::string> names_in(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Writer, NothingLoadedWritesNothing)
{
    fs::path dir = folder("nothing");
    Ttrlevel level;
    EXPECT_EQ(level.save_level((dir / "x.phd").string()), save_nothing_loaded);
    EXPECT_TRUE(names_in(dir).empty());
}

TEST(Writer, ReportsProgressLikeTheReader)
{
    fs::path dir = folder("progress");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(1), dir / "in.phd"));
    CollectProgress progress;
    level.gauge = &progress;
    ASSERT_EQ(level.save_level((dir / "out.phd").string()), save_ok);
    EXPECT_EQ(progress.values, (std::vector<int>{0, 30, 50, 80, 80, 85, 90, 100, 0}));

    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(6), dir / "in.tr4"));
    progress.values.clear();
    ASSERT_EQ(level.save_level((dir / "out.tr4").string()), save_ok);
    EXPECT_EQ(progress.values, (std::vector<int>{0, 80, 80, 85, 90, 100, 0}));
}

TEST(Writer, Tr1TakesItsLayoutFromTheNewName)
{
    fs::path dir = folder("tub");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(1), dir / "a.phd"));

    // The Unfinished Business layout holds the palette after the sprite
    // sequences; the synthetic levels of the two codes differ only there.
    ASSERT_EQ(level.save_level((dir / "a.tub").string()), save_ok);
    EXPECT_EQ(level.version_code, code_tr1_ub);
    EXPECT_EQ(read_file(dir / "a.tub"), with_magenta_entry0(synthetic_level(2).data()));

    ASSERT_EQ(level.save_level((dir / "b.phd").string()), save_ok);
    EXPECT_EQ(level.version_code, code_tr1);
    EXPECT_EQ(read_file(dir / "b.phd"), with_magenta_entry0(synthetic_level(1).data()));
}

TEST(Writer, Tr2UnderATrgNameGetsCode4AndTheSameBytes)
{
    fs::path dir = folder("trg");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(3), dir / "a.tr2"));
    ASSERT_EQ(level.save_level((dir / "b.TRG.tr2").string()), save_ok);
    EXPECT_EQ(level.version_code, code_tr2_trg);
    ASSERT_EQ(level.save_level((dir / "c.tr2").string()), save_ok);
    EXPECT_EQ(level.version_code, code_tr2);
    EXPECT_EQ(read_file(dir / "b.TRG.tr2"), read_file(dir / "c.tr2"));
}

TEST(Writer, LevelFromAContainerIsSavedPlain)
{
    fs::path dir = folder("container");
    for (int code : {3, 6}) {
        SCOPED_TRACE(code);
        const char* ext = code == 3 ? ".tr2" : ".tr4";
        Ttrlevel packed, plain;
        ASSERT_NO_FATAL_FAILURE(load(packed, in_container(synthetic_level(code)), dir / (std::string("packed") + ext)));
        ASSERT_NO_FATAL_FAILURE(load(plain, synthetic_level(code), dir / (std::string("plain") + ext)));
        ASSERT_TRUE(packed.from_container);
        ASSERT_EQ(packed.save_level((dir / (std::string("a") + ext)).string()), save_ok);
        ASSERT_EQ(plain.save_level((dir / (std::string("b") + ext)).string()), save_ok);
        std::vector<std::uint8_t> saved = read_file(dir / (std::string("a") + ext));
        ASSERT_GT(saved.size(), 4u);
        EXPECT_NE(std::memcmp(saved.data(), "ZLIB", 4), 0);
        EXPECT_EQ(saved, read_file(dir / (std::string("b") + ext)));
    }
}

TEST(Writer, RoomSizeIsRecomputedFromTheGeometry)
{
    fs::path dir = folder("room_size");
    for (int code : {1, 3, 6}) {
        SCOPED_TRACE(code);
        Ttrlevel level;
        ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(code), dir / (code == 6 ? "in.tr4" : "in.tr2")));
        troom& room = level.rooms[0];
        const std::uint32_t right = room.num_data_words;
        room.num_data_words = 1;
        room.num_sprites = 0;  // one sprite fewer: 2 words less
        ASSERT_EQ(level.save_level((dir / (code == 6 ? "out.tr4" : "out.tr2")).string()), save_ok);
        EXPECT_EQ(room.num_data_words, right - 2);
        Ttrlevel again;
        ASSERT_EQ(again.load_level(dir / (code == 6 ? "out.tr4" : "out.tr2")), load_ok);
        EXPECT_FALSE(again.truncated);
        EXPECT_EQ(again.rooms[0].num_data_words, right - 2);
        EXPECT_EQ(again.rooms[0].num_sprites, 0);
        EXPECT_EQ(again.num_frames, level.num_frames);
    }
}

TEST(Writer, ShortTextureBuffersAreWrittenAsHeldWithTheirTrueSize)
{
    fs::path dir = folder("short_textures");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(6, 2), dir / "in.tr4"));
    level.textile32.resize(1000);
    level.misc_textile.clear();
    ASSERT_EQ(level.save_level((dir / "out.tr4").string()), save_ok);
    EXPECT_EQ(level.textile32_size, 1000u);
    EXPECT_EQ(level.misc_textile_size, 0u);

    Ttrlevel again;
    ASSERT_EQ(again.load_level(dir / "out.tr4"), load_ok);
    EXPECT_FALSE(again.truncated);
    EXPECT_EQ(again.textile32, level.textile32);
    EXPECT_EQ(again.textile16, level.textile16);
    EXPECT_TRUE(again.misc_textile.empty());
    EXPECT_EQ(again.frames, level.frames);

    // Pages of the older generations whose bytes are not all held are left
    // out, and the page count says so.
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(3, 2), dir / "in.tr2"));
    level.textile16.resize(texture_page_bytes16 + 10);
    ASSERT_EQ(level.save_level((dir / "out.tr2").string()), save_ok);
    ASSERT_EQ(again.load_level(dir / "out.tr2"), load_ok);
    EXPECT_FALSE(again.truncated);
    EXPECT_EQ(again.num_texture_pages, 1u);
    EXPECT_EQ(again.num_frames, level.num_frames);
}

TEST(Writer, CountsBeyondTheirArraysFailClearlyAndWriteNothing)
{
    fs::path dir = folder("lying_counts");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(3), dir / "in.tr2"));
    const fs::path target = dir / "target.tr2";
    Bytes old;
    old.text("old contents");
    old.save(target);

    level.num_frames += 10;
    EXPECT_THROW(level.save_level(target.string()), std::length_error);
    level.num_frames -= 10;
    level.rooms[0].num_lights = 5;
    EXPECT_THROW(level.save_level(target.string()), std::length_error);

    EXPECT_EQ(read_file(target), old.data());
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"in.tr2", "target.tr2"}));
}

TEST(Writer, FailedWriteLeavesTheOldFileIntact)
{
    fs::path dir = folder("failed_write");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(6), dir / "in.tr4"));
    const fs::path target = dir / "target.tr4";
    Bytes old;
    old.text("the old level");
    old.save(target);

    // The disk fills up in the middle of the file.
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    try {
        level.save_level(target.string());
        ADD_FAILURE() << "the save should have failed";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(EFBIG)), std::string::npos) << e.what();
    }
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(read_file(target), old.data());
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"in.tr4", "target.tr4"}));
    EXPECT_EQ(level.version_code, code_tr4);

    // A target that cannot be replaced.
    fs::create_directory(dir / "a_folder.tr4");
    EXPECT_THROW(level.save_level((dir / "a_folder.tr4").string()), std::system_error);
    EXPECT_TRUE(fs::is_directory(dir / "a_folder.tr4"));
    try {
        level.save_level((dir / "missing" / "x.tr4").string());
        ADD_FAILURE() << "the save should have failed";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos) << e.what();
    }
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"a_folder.tr4", "in.tr4", "target.tr4"}));

    // The level is still whole and saves once the disk has room.
    ASSERT_EQ(level.save_level(target.string()), save_ok);
    Ttrlevel again;
    EXPECT_EQ(again.load_level(target), load_ok);
    EXPECT_FALSE(again.truncated);
}

TEST(Writer, ReadOnlyFolderLeavesTheOldFileIntact)
{
    if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind the superuser";
    fs::path dir = folder("read_only");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(1), dir / "in.phd"));
    const fs::path target = dir / "target.phd";
    Bytes old;
    old.text("the old level");
    old.save(target);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    try {
        level.save_level(target.string());
        ADD_FAILURE() << "the save should have failed";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(EACCES)), std::string::npos) << e.what();
    }
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(read_file(target), old.data());
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"in.phd", "target.phd"}));
}
