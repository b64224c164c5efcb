// The window on a real full filesystem and a read-only one: Save As and the
// export tell the user the system's reason and leave the old files and the
// level as they were; the recent-files list, written as the window closes,
// fails quietly and leaves its old ini file whole.
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

const std::vector<std::uint8_t> old_contents = test::Bytes().text("the old file").data();

class WindowDiskFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }

    void SetUp() override
    {
        window = std::make_unique<TForm1>(qpath(work / "recent.ini"));
        window->OpenLevel(test::demo_level("demo.tr4"));
        messages.take();
        caption = window->windowTitle();
        before = saved_by_window("before.tr4");
    }

    // What the window saves for its level where there is room.
    std::vector<std::uint8_t> saved_by_window(const std::string& name)
    {
        window->SaveLevelAs(qpath(work / name));
        EXPECT_TRUE(messages.take().empty());
        window->setWindowTitle(caption);
        return test::read_file(work / name);
    }

    // The one message shown must give the reason for `error`.
    void expect_reason(int error)
    {
        const std::vector<QString> shown = messages.take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].contains(QString::fromUtf8(std::strerror(error)))) << shown[0].toStdString();
    }

    // Saves as `target`, which must fail with the reason for `error` and change nothing.
    void expect_save_fails(const fs::path& target, int error)
    {
        window->SaveLevelAs(qpath(target));
        expect_reason(error);
        EXPECT_EQ(window->windowTitle(), caption);
        EXPECT_EQ(saved_by_window("after.tr4"), before);
    }

    const fs::path work = test::short_output_dir("app-disk-faults");
    test::CaughtMessages messages;
    std::unique_ptr<TForm1> window;
    QString caption;
    std::vector<std::uint8_t> before;
};

TEST_F(WindowDiskFaults, SaveAsAndExportOntoAFullOrReadOnlyDisk)
{
    for (const bool full : {true, false}) {
        SCOPED_TRACE(full ? "full" : "read-only");
        SmallFilesystem disk(work / (full ? "full" : "read_only"), 512);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const char* const names[] = {"level.tr4", "figure.ms3d"};
        for (const char* name : names) test::Bytes().append(old_contents).save(disk.folder() / name);
        ASSERT_TRUE(full ? disk.fill() : disk.make_read_only());
        const int error = full ? ENOSPC : EROFS;

        expect_save_fails(disk.folder() / "level.tr4", error);
        window->ExportSelection(qpath(disk.folder() / "figure.ms3d"), 1);
        expect_reason(error);
        for (const char* name : names) EXPECT_EQ(test::read_file(disk.folder() / name), old_contents);
        EXPECT_EQ(test::folder_entries(disk.folder()),
                  (full ? Entries{".filler", "figure.ms3d", "level.tr4"} : Entries{"figure.ms3d", "level.tr4"}));
    }
}

TEST_F(WindowDiskFaults, SaveAsOntoAFolder)
{
    const fs::path target = work / "folder.tr4";
    fs::remove_all(target);
    fs::create_directory(target);
    expect_save_fails(target, EISDIR);
    EXPECT_TRUE(fs::is_directory(target));
}

// The window that closes on a disk that cannot take its recent-files list.
class RecentFilesDiskFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }

    // A window that opens a level and closes, with its list in `ini`.
    static void open_and_close(const fs::path& ini)
    {
        test::CaughtMessages messages;
        TForm1 window(qpath(ini));
        window.OpenLevel(test::demo_level("demo.tr2"));
    }

    static std::vector<std::uint8_t> write_old_ini(const fs::path& ini)
    {
        test::Bytes old;
        old.text("[MRU List]\n1=/levels/old.tr4\n").save(ini);
        return old.data();
    }
};

TEST_F(RecentFilesDiskFaults, AHealthyDiskTakesTheNewListAFullOrReadOnlyOneKeepsTheOld)
{
    const fs::path healthy = test::output_dir("app-disk-faults") / "healthy.ini";
    write_old_ini(healthy);
    open_and_close(healthy);
    const auto entries = read_ini_section(qpath(healthy), "MRU List");
    ASSERT_TRUE(entries);
    EXPECT_TRUE(ini_value(*entries, "1").endsWith("/demo.tr2")) << ini_value(*entries, "1").toStdString();
    EXPECT_EQ(ini_value(*entries, "2"), "/levels/old.tr4");

    for (const bool full : {true, false}) {
        SCOPED_TRACE(full ? "full" : "read-only");
        SmallFilesystem disk(test::output_dir("app-disk-faults") / (full ? "ini_full" : "ini_read_only"), 256);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const fs::path ini = disk.folder() / "MostRecentFiles.ini";
        const auto old_ini = write_old_ini(ini);
        ASSERT_TRUE(full ? disk.fill() : disk.make_read_only());
        open_and_close(ini);
        EXPECT_EQ(test::read_file(ini), old_ini);
        EXPECT_EQ(test::folder_entries(disk.folder()),
                  (full ? Entries{".filler", "MostRecentFiles.ini"} : Entries{"MostRecentFiles.ini"}));

        // The writing itself reports the reason to whoever can show it.
        try {
            write_ini_section(qpath(ini), "MRU List", {{"1", "/levels/new.tr4"}});
            ADD_FAILURE() << "writing should have failed";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), full ? ENOSPC : EROFS) << error.what();
        }
        EXPECT_EQ(test::read_file(ini), old_ini);
    }
}

TEST_F(RecentFilesDiskFaults, AnIniNameThatIsAFolderKeepsTheFolder)
{
    const fs::path ini = test::output_dir("app-disk-faults") / "ini_folder" / "MostRecentFiles.ini";
    fs::remove_all(ini.parent_path());
    fs::create_directories(ini);
    const auto old_ini = write_old_ini(ini / "inside");
    open_and_close(ini);
    EXPECT_TRUE(fs::is_directory(ini));
    EXPECT_EQ(test::read_file(ini / "inside"), old_ini);
    EXPECT_EQ(test::folder_entries(ini.parent_path()), (Entries{"MostRecentFiles.ini"}));
}

}  // namespace
}  // namespace kelanim
