// The window on a full filesystem, a read-only one and a folder in a file's
// place: Save As and the export tell the user the system's reason and leave
// the old files and the level as they were; the recent-files list, written as
// the window closes, fails quietly and leaves its old ini file whole.
#include <cerrno>
#include <cstring>

#include "app/ini_file.h"
#include "app_test_support.h"
#include "small_filesystem.h"

namespace kelanim {
namespace {

namespace fs = std::filesystem;
using test::qpath;

enum Fault { full, read_only, folder };
const int fault_error[] = {ENOSPC, EROFS, EISDIR};
const auto old_bytes = test::Bytes().text("[MRU List]\n1=/levels/old.tr4\n").data();

// A window that opens a level and closes, with its list in `ini`.
void open_and_close(const fs::path& ini)
{
    TForm1 window(qpath(ini));
    window.OpenLevel(test::demo_level("demo.tr2"));
}

TEST(WindowDiskFaults, SaveAsExportAndTheRecentFilesKeepTheOldFiles)
{
    test::application();
    const fs::path work = test::short_output_dir("app-disk-faults");
    test::CaughtMessages messages;
    test::Bytes().append(old_bytes).save(work / "healthy.ini");  // a healthy disk takes the new list
    open_and_close(work / "healthy.ini");
    const auto entries = read_ini_section(qpath(work / "healthy.ini"), "MRU List");
    EXPECT_TRUE(entries && ini_value(*entries, "1").endsWith("demo.tr2") &&
                ini_value(*entries, "2") == "/levels/old.tr4");

    TForm1 window(qpath(work / "recent.ini"));
    window.OpenLevel(test::demo_level("demo.tr4"));
    const QString caption = window.windowTitle();
    auto saved = [&](const std::string& name) {
        window.SaveLevelAs(qpath(work / name));
        window.setWindowTitle(caption);
        return test::read_file(work / name);
    };
    const auto before = saved("before.tr4");
    EXPECT_TRUE(messages.take().empty());
    for (const Fault fault : {full, read_only, folder}) {
        SCOPED_TRACE(fault);
        test::SmallFilesystem disk(work / ("disk" + std::to_string(fault)), 512);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const fs::path dir = disk.folder();
        std::vector<fs::path> kept = {dir / "MostRecentFiles.ini", dir / "figure.ms3d", dir / "level.tr4"};
        for (fs::path& path : kept) {
            if (fault == folder) fs::create_directories(path), path /= "inside";  // the old bytes inside
            test::Bytes().append(old_bytes).save(path);
        }
        ASSERT_TRUE(fault == full ? disk.fill() : fault == read_only ? disk.make_read_only() : true);

        window.SaveLevelAs(qpath(dir / "level.tr4"));
        EXPECT_EQ(window.windowTitle(), caption);
        window.ExportSelection(qpath(dir / "figure.ms3d"), 1);
        const std::vector<QString> shown = messages.take();
        ASSERT_EQ(shown.size(), 2u);
        for (const QString& text : shown)
            EXPECT_TRUE(text.contains(QString::fromUtf8(std::strerror(fault_error[fault])))) << text.toStdString();
        open_and_close(dir / "MostRecentFiles.ini");
        EXPECT_TRUE(messages.take().empty());
        for (const fs::path& path : kept) EXPECT_EQ(test::read_file(path), old_bytes);
        std::vector<std::string> entries = {"MostRecentFiles.ini", "figure.ms3d", "level.tr4"};
        if (fault == full) entries.insert(entries.begin(), ".filler");
        EXPECT_EQ(test::folder_entries(dir), entries);  // nothing new
        EXPECT_EQ(saved("after.tr4"), before);
        try {  // the writing of the list itself reports the reason to whoever can show it
            write_ini_section(qpath(dir / "MostRecentFiles.ini"), "MRU List", {{"1", "/levels/new.tr4"}});
            ADD_FAILURE() << "writing should have failed";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), fault_error[fault]) << error.what();
        }
    }
}

}  // namespace
}  // namespace kelanim
