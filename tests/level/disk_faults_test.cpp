// Save As onto a full filesystem, a read-only one and a folder on a full one:
// the old file is left as it was, the error carries the system's reason and
// the target's name, and the level in memory still saves whole once the disk
// is fine again. (A disk full in mid-file is in writer_test.cpp.)
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

TEST(DiskFaults, SaveAsOntoABadDiskKeepsTheOldFileAndTheLevel)
{
    const fs::path work = output_dir("disk-faults");
    synthetic_level(code_tr2).save(work / "source.tr2");  // one texture page: about 200 KB
    Ttrlevel level;
    ASSERT_EQ(level.load_level((work / "source.tr2").string()), load_ok);
    auto saved = [&](const std::string& name) {
        EXPECT_EQ(level.save_level((work / name).string()), save_ok);
        return read_file(work / name);
    };
    const auto before = saved("before.tr2");
    const auto old = Bytes().text("the old level, which must survive").data();

    enum Fault { full, read_only, folder };
    struct Row {
        Fault fault;
        int error;
        std::vector<std::string> left;
    };
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

        for (const fs::path& name : {target, disk.folder() / "new.tr2"}) {
            if (name != target && row.fault != read_only) continue;
            try {
                level.save_level(name.string());
                ADD_FAILURE() << "saving to " << name << " should have failed";
            } catch (const std::system_error& error) {
                EXPECT_EQ(error.code().value(), row.error);
                EXPECT_NE(std::string(error.what()).find(std::strerror(row.error)), std::string::npos) << error.what();
                EXPECT_NE(std::string(error.what()).find(name.string()), std::string::npos) << error.what();
            }
        }
        EXPECT_EQ(read_file(kept), old);
        EXPECT_EQ(folder_entries(disk.folder()), row.left);
        EXPECT_EQ(saved("after.tr2"), before);
        if (row.fault == full) {
            fs::remove(disk.folder() / ".filler");
            ASSERT_EQ(level.save_level(target.string()), save_ok);
            EXPECT_EQ(read_file(target), before);
        }
    }
}
