#include "catalog/catalog_file.h"

#include <gtest/gtest.h>

#include "catalog/catalog.h"
#include "catalog_test_files.h"

namespace kelanim {
namespace {

TEST(CatalogFile, PrefersTheExecutablesFolderThenTheDataFolder)
{
    const auto folder = test::output_dir("catalog/exe");
    const auto beside = test::write_text_file("exe/trcatalog.xml", "<c/>");
    const auto candidates = catalog_candidates(folder);
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0], beside);
    EXPECT_EQ(candidates[1], (folder / "../share/kelanim/trcatalog.xml").lexically_normal());  // a moved install
    EXPECT_EQ(candidates[2].filename(), "trcatalog.xml");
    EXPECT_EQ(candidates[2].parent_path().filename(), "kelanim");
    EXPECT_EQ(find_catalog_file(folder), beside);
    EXPECT_TRUE(keeps_data_beside_itself(folder));

    // A folder named like the catalog is not taken for it.
    const auto decoy = test::output_dir("catalog/decoy");
    std::filesystem::create_directories(decoy / "trcatalog.xml");
    EXPECT_FALSE(keeps_data_beside_itself(decoy));
    const auto found = find_catalog_file(decoy);
    if (found) {
        EXPECT_EQ(*found, candidates[2]);
    }
}

// The build puts our catalog beside the test executable.
TEST(CatalogFile, OurCatalogNamesLaraInEveryGeneration)
{
    const auto path = find_catalog_file();
    ASSERT_TRUE(path) << "trcatalog.xml not found beside " << executable_dir();
    auto table = std::make_unique<catalog_table>();
    for (std::int32_t code = 1; code <= 7; ++code) {
        read_catalog(*table, *path, code);
        EXPECT_EQ((*table)[0].name, "LARA") << code;
    }
    read_catalog(*table, *path, 4);
    EXPECT_EQ((*table)[15].name, "DOG");  // the .TRG code reads the TR2 section
    read_catalog(*table, *path, 6);
    EXPECT_EQ((*table)[8].name, "LARA_SKIN");
}

}  // namespace
}  // namespace kelanim
