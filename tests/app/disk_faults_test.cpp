// The window on a real full filesystem and a read-only one: Save As and the
// export tell the user the system's reason and leave the old files and the
// level as they were; the recent-files list, written as the window closes,
// fails quietly and leaves its old ini file whole.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "app/ini_file.h"
#include "app_test_support.h"
#include "byte_builder.h"
#include "small_filesystem.h"

namespace kelanim {
namespace {

namespace fs = std::filesystem;
using test::CaughtMessages;
using test::qpath;
using test::SmallFilesystem;

const std::vector<std::uint8_t> old_contents = test::Bytes().text("the old file").data();

class WindowDiskFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }

    void SetUp() override
    {
        work = test::output_dir("app-disk-faults");
        window = std::make_unique<TForm1>(qpath(work / "recent.ini"));
        window->OpenLevel(qpath(fs::path(KELANIM_SOURCE_DIR) / "data/demo/demo.tr4"));
        messages.take();
        caption = window->windowTitle();
        before = saved_by_window("before.tr4");
    }

    // What the window saves for its level where there is room.
    std::vector<std::uint8_t> saved_by_window(const std::string& name)
    {
        const fs::path path = work / name;
        window->SaveLevelAs(qpath(path));
        EXPECT_TRUE(messages.take().empty());
        window->setWindowTitle(caption);
        return test::read_file(path);
    }

    // Saves as `target`, which must fail with the reason for `error`.
    void expect_save_fails(const fs::path& target, int error)
    {
        window->SaveLevelAs(qpath(target));
        const std::vector<QString> shown = messages.take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].contains(QString::fromUtf8(std::strerror(error)))) << shown[0].toStdString();
        EXPECT_EQ(window->windowTitle(), caption);
        EXPECT_EQ(saved_by_window("after.tr4"), before);
    }

    void expect_export_fails(const fs::path& target, int error)
    {
        window->ExportSelection(qpath(target), 1);
        const std::vector<QString> shown = messages.take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].contains(QString::fromUtf8(std::strerror(error)))) << shown[0].toStdString();
    }

    fs::path work;
    CaughtMessages messages;
    std::unique_ptr<TForm1> window;
    QString caption;
    std::vector<std::uint8_t> before;
};

TEST_F(WindowDiskFaults, SaveAsAndExportOntoAFullDisk)
{
    SmallFilesystem disk(work / "full", 512);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    test::Bytes().append(old_contents).save(disk.folder() / "level.tr4");
    test::Bytes().append(old_contents).save(disk.folder() / "figure.ms3d");
    ASSERT_TRUE(disk.fill());

    expect_save_fails(disk.folder() / "level.tr4", ENOSPC);
    expect_export_fails(disk.folder() / "figure.ms3d", ENOSPC);
    EXPECT_EQ(test::read_file(disk.folder() / "level.tr4"), old_contents);
    EXPECT_EQ(test::read_file(disk.folder() / "figure.ms3d"), old_contents);
    EXPECT_EQ(test::folder_entries(disk.folder()), (std::vector<std::string>{".filler", "figure.ms3d", "level.tr4"}));
}

TEST_F(WindowDiskFaults, SaveAsAndExportOntoAReadOnlyDisk)
{
    SmallFilesystem disk(work / "read_only", 512);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    test::Bytes().append(old_contents).save(disk.folder() / "level.tr4");
    ASSERT_TRUE(disk.make_read_only());

    expect_save_fails(disk.folder() / "level.tr4", EROFS);
    expect_export_fails(disk.folder() / "figure.ms3d", EROFS);
    EXPECT_EQ(test::read_file(disk.folder() / "level.tr4"), old_contents);
    EXPECT_EQ(test::folder_entries(disk.folder()), (std::vector<std::string>{"level.tr4"}));
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
        CaughtMessages messages;
        TForm1 window(qpath(ini));
        window.OpenLevel(qpath(fs::path(KELANIM_SOURCE_DIR) / "data/demo/demo.tr2"));
    }

    static void write_old_ini(const fs::path& ini)
    {
        std::ofstream(ini) << "[MRU List]\n1=/levels/old.tr4\n";
    }

    static std::vector<std::uint8_t> old_ini() { return test::Bytes().text("[MRU List]\n1=/levels/old.tr4\n").data(); }
};

TEST_F(RecentFilesDiskFaults, AHealthyDiskTakesTheNewList)
{
    const fs::path ini = test::output_dir("app-disk-faults") / "healthy.ini";
    write_old_ini(ini);
    open_and_close(ini);
    const auto entries = read_ini_section(qpath(ini), "MRU List");
    ASSERT_TRUE(entries);
    EXPECT_TRUE(ini_value(*entries, "1").endsWith("demo.tr2")) << ini_value(*entries, "1").toStdString();
    EXPECT_EQ(ini_value(*entries, "2"), "/levels/old.tr4");
}

TEST_F(RecentFilesDiskFaults, AFullDiskKeepsTheOldList)
{
    SmallFilesystem disk(test::output_dir("app-disk-faults") / "ini_full", 256);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    const fs::path ini = disk.folder() / "MostRecentFiles.ini";
    write_old_ini(ini);
    ASSERT_TRUE(disk.fill());
    open_and_close(ini);
    EXPECT_EQ(test::read_file(ini), old_ini());
    EXPECT_EQ(test::folder_entries(disk.folder()), (std::vector<std::string>{".filler", "MostRecentFiles.ini"}));

    // The writing itself reports the reason to whoever can show it.
    try {
        write_ini_section(qpath(ini), "MRU List", {{"1", "/levels/new.tr4"}});
        ADD_FAILURE() << "writing to a full disk should have failed";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ENOSPC) << error.what();
    }
    EXPECT_EQ(test::read_file(ini), old_ini());
}

TEST_F(RecentFilesDiskFaults, AReadOnlyDiskKeepsTheOldList)
{
    SmallFilesystem disk(test::output_dir("app-disk-faults") / "ini_read_only", 256);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    const fs::path ini = disk.folder() / "MostRecentFiles.ini";
    write_old_ini(ini);
    ASSERT_TRUE(disk.make_read_only());
    open_and_close(ini);
    EXPECT_EQ(test::read_file(ini), old_ini());
    EXPECT_EQ(test::folder_entries(disk.folder()), (std::vector<std::string>{"MostRecentFiles.ini"}));
}

TEST_F(RecentFilesDiskFaults, AnIniNameThatIsAFolderKeepsTheFolder)
{
    const fs::path ini = test::output_dir("app-disk-faults") / "ini_folder" / "MostRecentFiles.ini";
    fs::remove_all(ini.parent_path());
    fs::create_directories(ini);
    write_old_ini(ini / "inside");
    open_and_close(ini);
    EXPECT_TRUE(fs::is_directory(ini));
    EXPECT_EQ(test::read_file(ini / "inside"), old_ini());
    EXPECT_EQ(test::folder_entries(ini.parent_path()), (std::vector<std::string>{"MostRecentFiles.ini"}));
}

}  // namespace
}  // namespace kelanim
