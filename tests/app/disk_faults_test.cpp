// The window on a full filesystem, a read-only one and a folder in a file's
// place: Save As and the export tell the user the system's reason and leave
// the old files and the level as they were; the recent-files list, written as
// the window closes, fails quietly and leaves its old ini file whole.
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
using Entries = std::vector<std::string>;

enum Fault { full, read_only, folder };
const int fault_error[] = {ENOSPC, EROFS, EISDIR};
const auto old_bytes = test::Bytes().text("[MRU List]\n1=/levels/old.tr4\n").data();

// Writes the old bytes to each of `files` on the small disk and brings on the
// fault; the folder fault puts a folder in the first file's place, the old
// bytes inside it. Returns where the old bytes lie.
std::vector<fs::path> bring_on(Fault fault, test::SmallFilesystem& disk, std::vector<fs::path> files)
{
    if (fault == folder) fs::create_directories(files[0]), files[0] /= "inside";
    for (const fs::path& path : files) test::Bytes().append(old_bytes).save(path);
    EXPECT_TRUE(fault == full ? disk.fill() : fault == read_only ? disk.make_read_only() : true);
    return files;
}

Entries plus_filler(Fault fault, Entries names)  // what the folder holds afterwards: nothing new
{
    if (fault == full) names.insert(names.begin(), ".filler");
    return names;
}

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
        window.setWindowTitle(caption);
        return test::read_file(work / name);
    };
    const auto before = saved("before.tr4");
    for (const Fault fault : {full, read_only, folder}) {
        SCOPED_TRACE(fault);
        test::SmallFilesystem disk(work / ("disk" + std::to_string(fault)), 512);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const fs::path dir = disk.folder();
        const auto kept = bring_on(fault, disk, {dir / "level.tr4", dir / "figure.ms3d"});
        window.SaveLevelAs(qpath(dir / "level.tr4"));
        EXPECT_EQ(window.windowTitle(), caption);
        if (fault != folder) window.ExportSelection(qpath(dir / "figure.ms3d"), 1);
        const std::vector<QString> shown = messages.take();
        ASSERT_EQ(shown.size(), fault == folder ? 1u : 2u);
        for (const QString& text : shown)
            EXPECT_TRUE(text.contains(QString::fromUtf8(std::strerror(fault_error[fault])))) << text.toStdString();
        for (const fs::path& path : kept) EXPECT_EQ(test::read_file(path), old_bytes);
        EXPECT_EQ(test::folder_entries(dir), plus_filler(fault, {"figure.ms3d", "level.tr4"}));
        EXPECT_EQ(saved("after.tr4"), before);
        EXPECT_TRUE(messages.take().empty());
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
    const fs::path work = test::output_dir();
    test::Bytes().append(old_bytes).save(work / "healthy.ini");
    open_and_close(work / "healthy.ini");
    const auto entries = read_ini_section(qpath(work / "healthy.ini"), "MRU List");
    ASSERT_TRUE(entries);
    EXPECT_TRUE(ini_value(*entries, "1").endsWith("demo.tr2")) << ini_value(*entries, "1").toStdString();
    EXPECT_EQ(ini_value(*entries, "2"), "/levels/old.tr4");

    for (const Fault fault : {full, read_only, folder}) {
        SCOPED_TRACE(fault);
        test::SmallFilesystem disk(work / ("ini" + std::to_string(fault)), 256);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const fs::path ini = disk.folder() / "MostRecentFiles.ini";
        const fs::path kept = bring_on(fault, disk, {ini})[0];
        open_and_close(ini);
        EXPECT_EQ(test::read_file(kept), old_bytes);
        EXPECT_EQ(test::folder_entries(disk.folder()), plus_filler(fault, {"MostRecentFiles.ini"}));
        if (fault == folder) continue;
        try {  // the writing itself reports the reason to whoever can show it
            write_ini_section(qpath(ini), "MRU List", {{"1", "/levels/new.tr4"}});
            ADD_FAILURE() << "writing should have failed";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), fault_error[fault]) << error.what();
        }
    }
}

}  // namespace
}  // namespace kelanim
