// Export onto a full filesystem, one that fills up between the pages and the
// model, a read-only one and a model name that is a folder: the files of an
// earlier export stay as they were, the outcome carries the system's reason,
// and the level in memory exports the same afterwards.
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
using Entries = std::vector<std::string>;

TEST(ExportDiskFaults, EveryFailedExportKeepsTheEarlierOne)
{
    test::ExchangeLevel fixture{code_tr4, {{3, {}, {4}, 1}}};
    auto export_to = [&](const fs::path& path) {
        export_request request;
        request.path = path.string();
        request.animation = 0;
        TMS3D_File model;
        return export_selection(fixture.level, fixture.meshes, request, model);
    };
    const fs::path reference = test::exchange_dir("disk-faults-reference");
    ASSERT_TRUE(export_to(reference / "model.ms3d").ok);
    const auto first_model = test::read_file(reference / "model.ms3d");
    const auto page_bytes = fs::file_size(reference / "model.bmp");
    const auto old_model = test::Bytes().text("the old model").data(), old_page = test::Bytes().text("the old page").data();

    enum Fault { full, full_after_pages, read_only, folder };
    struct Row {
        Fault fault;
        int error;
        Entries left;
    };
    for (const Row& row : {Row{full, ENOSPC, {".filler", "model.bmp", "model.ms3d"}},
                           Row{full_after_pages, ENOSPC, {".filler", "model.bmp", "model.ms3d", "page-link"}},
                           Row{read_only, EROFS, {"model.bmp", "model.ms3d"}},
                           Row{folder, EISDIR, {"model.bmp", "model.ms3d"}}}) {
        SCOPED_TRACE(row.fault);
        // A bitmap page is 192 KB: the small disk holds an earlier export and little more.
        test::SmallFilesystem disk(test::short_output_dir("milkshape-exchange") / ("disk" + std::to_string(row.fault)), 640);
        KELANIM_REQUIRE_SMALL_FILESYSTEM(disk);
        const fs::path dir = disk.folder();
        ASSERT_TRUE(export_to(dir / "model.ms3d").ok);
        test::Bytes().append(old_page).save(dir / "model.bmp");
        if (row.fault == folder) {
            fs::remove(dir / "model.ms3d");
            fs::create_directory(dir / "model.ms3d");
            test::Bytes().append(old_model).save(dir / "model.ms3d" / "inside");
        } else {
            test::Bytes().append(old_model).save(dir / "model.ms3d");
        }
        if (row.fault == full_after_pages) {
            // A second name keeps the old page's blocks in use once it is
            // replaced; then room for the new page and none for the model.
            fs::create_hard_link(dir / "model.bmp", dir / "page-link");
            ASSERT_TRUE(disk.fill());
            ASSERT_TRUE(disk.free_room(page_bytes));
        }
        if (row.fault == full) { ASSERT_TRUE(disk.fill()); }
        if (row.fault == read_only) { ASSERT_TRUE(disk.make_read_only()); }

        for (const char* name : {"model.ms3d", "model.mst"}) {
            if (row.fault != read_only && name != std::string("model.ms3d")) continue;
            const exchange_outcome outcome = export_to(dir / name);
            EXPECT_FALSE(outcome.ok);
            EXPECT_NE(outcome.message.find(std::strerror(row.error)), std::string::npos) << outcome.message;
        }
        EXPECT_EQ(test::read_file(dir / (row.fault == folder ? "model.ms3d/inside" : "model.ms3d")), old_model);
        EXPECT_EQ(test::read_file(dir / "model.bmp"), old_page);
        EXPECT_EQ(test::folder_entries(dir), row.left);
        ASSERT_TRUE(export_to(reference / "model.ms3d").ok);
        EXPECT_EQ(test::read_file(reference / "model.ms3d"), first_model);
    }
}

}  // namespace
}  // namespace kelanim
