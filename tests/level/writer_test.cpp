#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <tuple>

#include "level/ttrlevel.h"
#include "level_files.h"
#include "realdata.h"
#include "small_filesystem.h"
#include "synthetic_level.h"

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

// Saves the level to `path` and reads back what was written.
Ttrlevel saved_and_read(Ttrlevel& level, const fs::path& path)
{
    Ttrlevel again;
    EXPECT_EQ(again.load_level_from_memory(saved(level, path), path.string()), load_ok);
    EXPECT_FALSE(again.truncated);
    return again;
}

// Saves onto `target`, which must fail with the system's reason for `error` and name the target.
void expect_save_fails_with(Ttrlevel& level, const fs::path& target, int error)
{
    try {
        level.save_level(target.string());
        ADD_FAILURE() << "saving to " << target << " should have failed";
    } catch (const std::system_error& e) {
        const std::string what = e.what();
        EXPECT_TRUE(e.code().value() == error && what.find(std::strerror(error)) != what.npos &&
                    what.find(target.string()) != what.npos)
            << what;
    }
}

}  // namespace

TEST(Writer, NothingLoadedWritesNothingAndProgressRunsLikeTheReader)
{
    fs::path dir = folder("progress");
    Ttrlevel level;
    EXPECT_EQ(level.save_level((dir / "x.phd").string()), save_nothing_loaded);
    EXPECT_TRUE(folder_entries(dir).empty());
    Collect progress;
    for (const std::string ext : {".phd", ".tr4"}) {
        ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(ext == ".phd" ? 1 : 6), dir / ("in" + ext)));
        level.gauge = &progress;
        ASSERT_EQ(level.save_level((dir / ("out" + ext)).string()), save_ok);
        level.gauge = nullptr;
    }
    EXPECT_EQ(progress.progress, (std::vector<int>{0, 30, 50, 80, 80, 85, 90, 100, 0, 0, 80, 80, 85, 90, 100, 0}));
}

// The Unfinished Business layout holds the palette after the sprite sequences
// (the synthetic levels of codes 1 and 2 differ only there); a .TRG name gives
// code 4 and the same bytes. Each save follows the one before on the same level.
TEST(Writer, Tr1AndTr2TakeTheirLayoutFromTheNewName)
{
    fs::path dir = folder("names");
    Ttrlevel level;
    struct Row { int loaded; const char* name; int code; };
    for (const Row& r : {Row{1, "a.tub", code_tr1_ub}, Row{0, "b.phd", code_tr1}, Row{3, "b.TRG.tr2", code_tr2_trg},
                         Row{0, "c.tr2", code_tr2}}) {
        SCOPED_TRACE(r.name);
        if (r.loaded) { ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(r.loaded), dir / name_for(r.loaded, "in"))); }
        EXPECT_EQ(saved(level, dir / r.name), synthetic_level(r.code).data());
        EXPECT_EQ(level.version_code, r.code);
    }
}

// A level read from a container is saved in one: unedited, the container
// read; edited, a new one around the level as a plain file saves it.
TEST(Writer, LevelFromAContainerIsSavedInOne)
{
    fs::path dir = folder("container");
    for (const std::string ext : {".tr2", ".tr4"}) {
        SCOPED_TRACE(ext);
        const int code = ext == ".tr2" ? 3 : 6;
        const Bytes file = in_container(synthetic_level(code));
        Ttrlevel packed, plain;
        ASSERT_NO_FATAL_FAILURE(load(packed, file, dir / ("packed" + ext)));
        ASSERT_NO_FATAL_FAILURE(load(plain, synthetic_level(code), dir / ("plain" + ext)));
        EXPECT_TRUE(packed.from_container);
        EXPECT_EQ(saved(packed, dir / ("a" + ext)), file.data());
        packed.frames[0] ^= 1;
        plain.frames[0] ^= 1;
        EXPECT_EQ(saved(packed, dir / ("b" + ext)), in_container(Bytes().append(saved(plain, dir / ("c" + ext)))).data());
    }
}

// A room size word that disagrees with the room (some files hold one) is
// written as the geometry gives it; texture buffers not all held are written
// as held (TR4), or their pages left out (older generations).
TEST(Writer, RoomSizesAndShortTextureBuffersFollowWhatIsHeld)
{
    fs::path dir = folder("held");
    for (const std::string ext : {".phd", ".tr2", ".tr4"}) {
        SCOPED_TRACE(ext);
        Ttrlevel level;
        ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(ext == ".phd" ? 1 : ext == ".tr2" ? 3 : 6, 2), dir / ("in" + ext)));
        const std::uint32_t right = level.rooms[0].num_data_words;
        level.rooms[0].num_data_words = 1;
        level.rooms[0].num_sprites = 0;  // one sprite fewer: 2 words less
        if (ext == ".tr4") level.textile32.resize(1000), level.misc_textile.clear();
        if (ext == ".tr2") level.textile16.resize(texture_page_bytes16 + 10);
        const Ttrlevel again = saved_and_read(level, dir / ("out" + ext));
        EXPECT_EQ(again.rooms.at(0).num_data_words, right - 2);
        EXPECT_EQ(again.frames, level.frames);
        EXPECT_EQ(again.num_texture_pages, ext == ".tr2" ? 1u : 2u);
        EXPECT_EQ(std::tuple(again.textile32, again.misc_textile), std::tuple(level.textile32, level.misc_textile));
    }
}

// Counts beyond their arrays fail clearly, a missing folder with the system's
// reason; neither writes anything, and the level still saves afterwards.
TEST(Writer, FailedSavesWriteNothing)
{
    fs::path dir = folder("failed");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(3), dir / "in.tr2"));
    const fs::path target = dir / "target.tr2";
    Bytes().text("old contents").save(target);
    auto refused = [&](auto& count) {
        count += 10;
        EXPECT_THROW(level.save_level(target.string()), std::length_error);
        count -= 10;
    };
    refused(level.num_frames);
    refused(level.rooms[0].num_lights);
    expect_save_fails_with(level, dir / "missing" / "x.tr2", ENOENT);
    EXPECT_EQ(read_file(target), Bytes().text("old contents").data());
    EXPECT_EQ(folder_entries(dir), (std::vector<std::string>{"in.tr2", "target.tr2"}));
    saved_and_read(level, target);
}

// Save As onto a full filesystem, a read-only one and a folder on a full one:
// the old file is left as it was, the error carries the system's reason and
// the target's name, and the level in memory still saves whole once the disk
// is fine again.
TEST(DiskFaults, SaveAsOntoABadDiskKeepsTheOldFileAndTheLevel)
{
    const fs::path work = output_dir("disk-faults");
    Ttrlevel level;
    ASSERT_NO_FATAL_FAILURE(load(level, synthetic_level(code_tr2), work / "source.tr2"));  // about 200 KB
    const auto before = saved(level, work / "before.tr2");
    const auto old = Bytes().text("the old level, which must survive").data();

    enum Fault { full, read_only, folder };
    struct Row { Fault fault; int error; std::vector<std::string> left; };
    for (const Row& row : {Row{full, ENOSPC, {".filler", "level.tr2"}}, Row{read_only, EROFS, {"level.tr2"}},
                           Row{folder, ENOSPC, {".filler", "level.tr2"}}}) {
        SCOPED_TRACE(row.fault);
        SmallFilesystem disk(work / ("disk" + std::to_string(row.fault)), 512);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const fs::path target = disk.folder() / "level.tr2";
        const fs::path kept = row.fault == folder ? target / "inside" : target;
        if (row.fault == folder) fs::create_directory(target);
        Bytes().append(old).save(kept);
        ASSERT_TRUE(row.fault == read_only ? disk.make_read_only() : disk.fill());

        expect_save_fails_with(level, target, row.error);
        if (row.fault == read_only) expect_save_fails_with(level, disk.folder() / "new.tr2", row.error);
        EXPECT_EQ(read_file(kept), old);
        EXPECT_EQ(folder_entries(disk.folder()), row.left);
        EXPECT_EQ(saved(level, work / "after.tr2"), before);
        if (row.fault == full) {
            fs::remove(disk.folder() / ".filler");
            ASSERT_EQ(level.save_level(target.string()), save_ok);
            EXPECT_EQ(read_file(target), before);
        }
    }
}
