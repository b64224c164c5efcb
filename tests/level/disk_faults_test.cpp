// Save As on a real full filesystem and on a read-only one: the old file is
// left as it was, the error carries the system's reason, and the level in
// memory still saves whole once the disk is fine again. (A target that is a
// folder and a disk full in mid-file through a file size limit are in
// writer_test.cpp.)
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "level/ttrlevel.h"
#include "realdata.h"
#include "small_filesystem.h"
#include "synthetic_level.h"

using namespace kelanim;
using namespace kelanim::test;
namespace fs = std::filesystem;

namespace {

fs::path mount_point(const std::string& name) { return output_dir("disk-faults") / name; }

// What saving the level gives, written where there is room.
std::vector<std::uint8_t> saved_bytes(Ttrlevel& level, const std::string& name)
{
    const fs::path path = output_dir("disk-faults") / name;
    EXPECT_EQ(level.save_level(path.string()), save_ok);
    return read_file(path);
}

class DiskFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bytes file = synthetic_level(code_tr2);  // one texture page: about 200 KB
        const fs::path source = output_dir("disk-faults") / "source.tr2";
        file.save(source);
        ASSERT_EQ(level.load_level(source.string()), load_ok);
        before = saved_bytes(level, "before.tr2");
        old.text("the old level, which must survive");
    }

    // Saves onto `target` and returns the error, checking that it failed.
    std::system_error failed_save(const fs::path& target)
    {
        try {
            level.save_level(target.string());
        } catch (const std::system_error& error) {
            return error;
        }
        ADD_FAILURE() << "saving to " << target << " should have failed";
        return std::system_error(0, std::generic_category());
    }

    Ttrlevel level;
    std::vector<std::uint8_t> before;
    Bytes old;
};

TEST_F(DiskFaults, SaveAsOntoAFullFilesystemKeepsTheOldFile)
{
    SmallFilesystem disk(mount_point("full"), 512);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    const fs::path target = disk.folder() / "level.tr2";
    old.save(target);
    ASSERT_TRUE(disk.fill());

    const std::system_error error = failed_save(target);
    EXPECT_EQ(error.code().value(), ENOSPC);
    EXPECT_NE(std::string(error.what()).find(std::strerror(ENOSPC)), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos) << error.what();
    EXPECT_EQ(read_file(target), old.data());
    EXPECT_EQ(folder_entries(disk.folder()), (std::vector<std::string>{".filler", "level.tr2"}));

    // Nothing of the level was lost: it saves the same as before, and onto
    // the small disk too once room is made.
    EXPECT_EQ(saved_bytes(level, "after_full.tr2"), before);
    fs::remove(disk.folder() / ".filler");
    ASSERT_EQ(level.save_level(target.string()), save_ok);
    EXPECT_EQ(read_file(target), before);
}

TEST_F(DiskFaults, SaveAsOntoAReadOnlyFilesystemKeepsTheOldFile)
{
    SmallFilesystem disk(mount_point("read_only"), 512);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    const fs::path target = disk.folder() / "level.tr2";
    old.save(target);
    ASSERT_TRUE(disk.make_read_only());

    const std::system_error error = failed_save(target);
    EXPECT_EQ(error.code().value(), EROFS);
    EXPECT_NE(std::string(error.what()).find(std::strerror(EROFS)), std::string::npos) << error.what();
    EXPECT_EQ(read_file(target), old.data());
    EXPECT_EQ(folder_entries(disk.folder()), (std::vector<std::string>{"level.tr2"}));
    // A new name fails the same way.
    EXPECT_EQ(failed_save(disk.folder() / "new.tr2").code().value(), EROFS);

    EXPECT_EQ(saved_bytes(level, "after_read_only.tr2"), before);
}

TEST_F(DiskFaults, SaveAsOntoAFolderOnAFullFilesystemKeepsTheFolder)
{
    SmallFilesystem disk(mount_point("folder"), 512);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    const fs::path target = disk.folder() / "level.tr2";
    fs::create_directory(target);
    old.save(target / "inside");
    ASSERT_TRUE(disk.fill());

    failed_save(target);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(read_file(target / "inside"), old.data());
    EXPECT_EQ(folder_entries(disk.folder()), (std::vector<std::string>{".filler", "level.tr2"}));
    EXPECT_EQ(saved_bytes(level, "after_folder.tr2"), before);
}

}  // namespace
