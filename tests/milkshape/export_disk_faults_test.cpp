// Export onto a real full filesystem, one that fills up between the pages and
// the model, a read-only one and a model name that is a folder: the files of an earlier export stay as they were, the outcome
// carries the system's reason, and the level in memory exports the same
// afterwards.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "byte_builder.h"
#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "small_filesystem.h"

namespace kelanim {
namespace {

namespace fs = std::filesystem;
using test::ExchangeLevel;
using test::SmallFilesystem;

class ExportDiskFaults : public ::testing::Test {
protected:
    // A bitmap page is 192 KB: the small disk holds an earlier export and
    // little more.
    static constexpr std::size_t disk_kilobytes = 640;

    exchange_outcome export_to(const fs::path& path)
    {
        export_request request;
        request.path = path.string();
        request.animation = 0;
        TMS3D_File model;
        return export_selection(fixture.level, fixture.meshes, request, model);
    }

    // An earlier export in `folder`, marked so that any change shows.
    void old_export(const fs::path& folder)
    {
        ASSERT_TRUE(export_to(folder / "model.ms3d").ok);
        test::Bytes model, page;
        model.text("the old model");
        page.text("the old page");
        model.save(folder / "model.ms3d");
        page.save(folder / "model.bmp");
    }

    void expect_old_export(const fs::path& folder)
    {
        EXPECT_EQ(test::read_file(folder / "model.ms3d"), test::Bytes().text("the old model").data());
        EXPECT_EQ(test::read_file(folder / "model.bmp"), test::Bytes().text("the old page").data());
    }

    // The level still exports as it did, where there is room (to the same
    // name: the model names its pages).
    void expect_level_unchanged()
    {
        const fs::path dir = reference_dir();
        ASSERT_TRUE(export_to(dir / "model.ms3d").ok);
        EXPECT_EQ(test::read_file(dir / "model.ms3d"), first_model);
    }

    // A folder of this test's own: the tests run in parallel processes.
    static fs::path reference_dir()
    {
        return test::exchange_dir(std::string("disk-faults-reference-") +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    void SetUp() override
    {
        const fs::path dir = reference_dir();
        const exchange_outcome outcome = export_to(dir / "model.ms3d");
        ASSERT_TRUE(outcome.ok) << outcome.message;
        first_model = test::read_file(dir / "model.ms3d");
        page_bytes = fs::file_size(dir / "model.bmp");
    }

    ExchangeLevel fixture{code_tr4, {{3, {}, {4}, 1}}};
    std::vector<std::uint8_t> first_model;
    std::uintmax_t page_bytes = 0;
};

TEST_F(ExportDiskFaults, AFullFilesystemKeepsTheEarlierExport)
{
    SmallFilesystem disk(test::short_output_dir("milkshape-exchange") / "full", disk_kilobytes);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    ASSERT_NO_FATAL_FAILURE(old_export(disk.folder()));
    ASSERT_TRUE(disk.fill());

    const exchange_outcome outcome = export_to(disk.folder() / "model.ms3d");
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find(std::strerror(ENOSPC)), std::string::npos) << outcome.message;
    expect_old_export(disk.folder());
    EXPECT_EQ(test::folder_entries(disk.folder()), (std::vector<std::string>{".filler", "model.bmp", "model.ms3d"}));
    expect_level_unchanged();
}

TEST_F(ExportDiskFaults, FullAfterThePagesKeepsTheEarlierExport)
{
    SmallFilesystem disk(test::short_output_dir("milkshape-exchange") / "half", disk_kilobytes);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    ASSERT_NO_FATAL_FAILURE(old_export(disk.folder()));
    // A second name keeps the old page's blocks in use once it is replaced.
    fs::create_hard_link(disk.folder() / "model.bmp", disk.folder() / "page-link");
    ASSERT_TRUE(disk.fill());
    // Room for the new page, none left for the model written after it.
    ASSERT_TRUE(disk.free_room(page_bytes));

    const exchange_outcome outcome = export_to(disk.folder() / "model.ms3d");
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find(std::strerror(ENOSPC)), std::string::npos) << outcome.message;
    expect_old_export(disk.folder());
    EXPECT_EQ(test::folder_entries(disk.folder()),
              (std::vector<std::string>{".filler", "model.bmp", "model.ms3d", "page-link"}));
}

TEST_F(ExportDiskFaults, AReadOnlyFilesystemKeepsTheEarlierExport)
{
    SmallFilesystem disk(test::short_output_dir("milkshape-exchange") / "read_only", disk_kilobytes);
    KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
    ASSERT_NO_FATAL_FAILURE(old_export(disk.folder()));
    ASSERT_TRUE(disk.make_read_only());

    for (const char* name : {"model.ms3d", "model.mst"}) {
        const exchange_outcome outcome = export_to(disk.folder() / name);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.message.find(std::strerror(EROFS)), std::string::npos) << outcome.message;
    }
    expect_old_export(disk.folder());
    EXPECT_EQ(test::folder_entries(disk.folder()), (std::vector<std::string>{"model.bmp", "model.ms3d"}));
    expect_level_unchanged();
}

TEST_F(ExportDiskFaults, AModelNameThatIsAFolderKeepsTheFolder)
{
    const fs::path dir = test::exchange_dir("disk-faults-folder");
    fs::create_directory(dir / "model.ms3d");
    test::Bytes().text("inside").save(dir / "model.ms3d" / "inside");
    test::Bytes().text("the old page").save(dir / "model.bmp");

    const exchange_outcome outcome = export_to(dir / "model.ms3d");
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find(std::strerror(EISDIR)), std::string::npos) << outcome.message;
    EXPECT_TRUE(fs::is_directory(dir / "model.ms3d"));
    EXPECT_EQ(test::read_file(dir / "model.ms3d" / "inside"), test::Bytes().text("inside").data());
    EXPECT_EQ(test::read_file(dir / "model.bmp"), test::Bytes().text("the old page").data());
    expect_level_unchanged();
}

}  // namespace
}  // namespace kelanim
