// The window on a full filesystem, a read-only one and a folder in a file's
// place: Save As and the export tell the user the system's reason and leave
// the old files and the level as they were; the recent-files list, written as
// the window closes, fails quietly and leaves its old ini file whole.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "app/ini_file.h"
#include "app_test_support.h"
#include "byte_builder.h"
#include "small_filesystem.h"

namespace kelanim {
namespace {

namespace fs = std::filesystem;
using test::qpath;
using test::SmallFilesystem;
using Entries = std::vector<std::string>;

enum Fault { full, read_only, folder };

TEST(WindowDiskFaults, SaveAsAndExportKeepTheOldFilesAndSayWhy)
{
    test::application();
    const fs::path work = test::short_output_dir("app-disk-faults");
    test::CaughtMessages messages;
    TForm1 window(qpath(work / "recent.ini"));
    window.OpenLevel(test::demo_level("demo.tr4"));
    messages.take();
    const QString caption = window.windowTitle();
    auto saved = [&](const std::string& name) {
        window.SaveLevelAs(qpath(work / name));
        EXPECT_TRUE(messages.take().empty());
        window.setWindowTitle(caption);
        return test::read_file(work / name);
    };
    auto expect_reason = [&](int error) {
        const std::vector<QString> shown = messages.take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].contains(QString::fromUtf8(std::strerror(error)))) << shown[0].toStdString();
    };
    const auto before = saved("before.tr4");
    const auto old = test::Bytes().text("the old file").data();

    for (const Fault fault : {full, read_only, folder}) {
        SCOPED_TRACE(fault);
        SmallFilesystem disk(work / ("disk" + std::to_string(fault)), 512);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const fs::path dir = disk.folder();
        if (fault == folder) fs::create_directories(dir / "level.tr4");
        const fs::path level_kept = fault == folder ? dir / "level.tr4" / "inside" : dir / "level.tr4";
        for (const fs::path& path : {level_kept, dir / "figure.ms3d"}) test::Bytes().append(old).save(path);
        if (fault == full) { ASSERT_TRUE(disk.fill()); }
        if (fault == read_only) { ASSERT_TRUE(disk.make_read_only()); }
        const int error = fault == full ? ENOSPC : fault == read_only ? EROFS : EISDIR;

        window.SaveLevelAs(qpath(dir / "level.tr4"));
        expect_reason(error);
        EXPECT_EQ(window.windowTitle(), caption);
        if (fault != folder) {
            window.ExportSelection(qpath(dir / "figure.ms3d"), 1);
            expect_reason(error);
        }
        for (const fs::path& path : {level_kept, dir / "figure.ms3d"}) EXPECT_EQ(test::read_file(path), old);
        EXPECT_EQ(test::folder_entries(dir), (fault == full ? Entries{".filler", "figure.ms3d", "level.tr4"}
                                                            : Entries{"figure.ms3d", "level.tr4"}));
        EXPECT_EQ(saved("after.tr4"), before);
    }
}

// A window that opens a level and closes, with its list in `ini`.
void open_and_close(const fs::path& ini)
{
    test::CaughtMessages messages;
    TForm1 window(qpath(ini));
    window.OpenLevel(test::demo_level("demo.tr2"));
}

TEST(RecentFilesDiskFaults, AHealthyDiskTakesTheNewListABadOneKeepsTheOld)
{
    test::application();
    const fs::path work = test::output_dir("app-disk-faults");
    const auto old_ini = test::Bytes().text("[MRU List]\n1=/levels/old.tr4\n").data();
    test::Bytes().append(old_ini).save(work / "healthy.ini");
    open_and_close(work / "healthy.ini");
    const auto entries = read_ini_section(qpath(work / "healthy.ini"), "MRU List");
    ASSERT_TRUE(entries);
    EXPECT_TRUE(ini_value(*entries, "1").endsWith("demo.tr2")) << ini_value(*entries, "1").toStdString();
    EXPECT_EQ(ini_value(*entries, "2"), "/levels/old.tr4");

    for (const Fault fault : {full, read_only, folder}) {
        SCOPED_TRACE(fault);
        SmallFilesystem disk(work / ("ini" + std::to_string(fault)), 256);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const fs::path ini = disk.folder() / "MostRecentFiles.ini";
        if (fault == folder) fs::create_directories(ini);
        const fs::path kept = fault == folder ? ini / "inside" : ini;
        test::Bytes().append(old_ini).save(kept);
        if (fault == full) { ASSERT_TRUE(disk.fill()); }
        if (fault == read_only) { ASSERT_TRUE(disk.make_read_only()); }
        open_and_close(ini);
        EXPECT_EQ(test::read_file(kept), old_ini);
        EXPECT_EQ(test::folder_entries(disk.folder()),
                  (fault == full ? Entries{".filler", "MostRecentFiles.ini"} : Entries{"MostRecentFiles.ini"}));
        if (fault == folder) continue;
        // The writing itself reports the reason to whoever can show it.
        try {
            write_ini_section(qpath(ini), "MRU List", {{"1", "/levels/new.tr4"}});
            ADD_FAILURE() << "writing should have failed";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), fault == full ? ENOSPC : EROFS) << error.what();
        }
    }
}

}  // namespace
}  // namespace kelanim
