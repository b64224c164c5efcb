// kelanim-cli export and import on a real level, as a script would use them.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "level/ttrlevel.h"
#include "realdata.h"

namespace kelanim {
namespace {

using test::run_cli;
using test::shell_quote;

std::filesystem::path fresh_dir(const std::string& name)
{
    const auto dir = test::short_output_dir("cli-exchange") / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string quoted(const std::filesystem::path& path) { return shell_quote(path.string()); }

// The MilkShape round trip is in exact_save_test.
TEST(CliExchange, ExportsAStaticMeshAndGltfAndImportsGltfBack)
{
    KELANIM_REQUIRE_REALDATA();
    const std::string level = quoted(test::real_level("tr2.tr2"));
    const auto dir = fresh_dir("round-trip");

    // A static mesh in the ascii form.
    const auto mesh =
        run_cli("export " + quoted(test::real_level("tr1.phd")) + " " + quoted(dir / "mesh.mst") + " --static 1");
    ASSERT_EQ(mesh.status, 0) << mesh.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "mesh.mst"));

    // glTF with every animation, the buffer and page beside the document.
    const auto gltf = run_cli("export " + level + " " + quoted(dir / "lara.gltf") + " --moveable 0 --all-animations");
    ASSERT_EQ(gltf.status, 0) << gltf.err;
    for (const char* file : {"lara.gltf", "lara.bin", "lara.png"}) EXPECT_TRUE(std::filesystem::exists(dir / file));
    // ... and its animation 3 back, by name: as many keyframes of the same length.
    const auto back = dir / "back.tr2";
    const auto from_gltf = run_cli("import " + level + " " + quoted(dir / "lara.gltf") +
                                   " --moveable 0 --animation 3 --source anim_3 -o " + quoted(back));
    ASSERT_EQ(from_gltf.status, 0) << from_gltf.err;
    Ttrlevel original, returned;
    ASSERT_EQ(original.load_level(test::real_level("tr2.tr2").string()), load_ok);
    ASSERT_EQ(returned.load_level(back.string()), load_ok);
    const auto words = [](const Ttrlevel& l, std::size_t k) {
        return (l.animations[k + 1].frame_offset - l.animations[k].frame_offset) / 2;
    };
    const std::size_t k = static_cast<std::size_t>(original.moveables[0].animation) + 3;
    EXPECT_EQ(words(returned, k), words(original, k));
    EXPECT_EQ(returned.animations[k].frame_size, original.animations[k].frame_size);
}

TEST(CliExchange, FailuresExitNonZeroWithTheReasonAndWriteNothing)
{
    KELANIM_REQUIRE_REALDATA();
    const std::string level = quoted(test::real_level("tr3.tr2"));
    const auto dir = fresh_dir("failures");

    const auto extension = run_cli("export " + level + " " + quoted(dir / "lara.obj") + " --moveable 0");
    EXPECT_NE(extension.status, 0);
    EXPECT_NE(extension.err.find(".ms3d"), std::string::npos) << extension.err;
    EXPECT_EQ(run_cli("export " + level + " " + quoted(dir / "x.ms3d")).status, 3);  // no selection
    // Options of the other format.
    EXPECT_EQ(run_cli("export " + level + " " + quoted(dir / "x.glb") + " --moveable 0 --by-bones").status, 3);
    EXPECT_EQ(run_cli("export " + level + " " + quoted(dir / "x.ms3d") + " --moveable 0 --all-animations").status, 3);
    EXPECT_EQ(run_cli("import " + level + " " + quoted(dir / "x.ms3d") + " --moveable 0 --animation 0 -o " +
                      quoted(dir / "x.tr2") + " --source anim_0").status, 3);
    EXPECT_NE(run_cli("export " + level + " " + quoted(dir / "x.ms3d") + " --moveable 9999").status, 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir));

    // Models the import refuses: a static mesh has no joints; a missing file.
    const auto mesh = dir / "mesh.ms3d", out = dir / "never.tr2";
    ASSERT_EQ(run_cli("export " + quoted(test::real_level("tr1.phd")) + " " + quoted(mesh) + " --static 1").status, 0);
    for (const auto& [model, reason] : {std::pair{mesh, "File has different amount Joints than current selected movable"},
                                        std::pair{dir / "none.ms3d", ""}}) {
        const auto refused =
            run_cli("import " + level + " " + quoted(model) + " --moveable 0 --animation 0 -o " + quoted(out));
        EXPECT_NE(refused.status, 0);
        EXPECT_NE(refused.err.find(reason), std::string::npos) << refused.err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace kelanim
