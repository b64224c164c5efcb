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

TEST(CliExchange, ExportAndImportBackIntoANewLevel)
{
    KELANIM_REQUIRE_REALDATA();
    const std::string level = quoted(test::real_level("tr2.tr2"));
    const auto dir = fresh_dir("round-trip");
    const auto model = dir / "lara.ms3d";

    const auto exported =
        run_cli("export " + level + " " + quoted(model) + " --moveable 0 --animation 3 --subversion 1 --by-bones");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.out.find("Export Done."), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "lara.bmp"));

    const auto out = dir / "spliced.tr2";
    const auto imported =
        run_cli("import " + level + " " + quoted(model) + " --moveable 0 --animation 3 -o " + quoted(out));
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("Import Sucessfull."), std::string::npos);
    Ttrlevel original, spliced;
    ASSERT_EQ(original.load_level(test::real_level("tr2.tr2").string()), load_ok);
    ASSERT_EQ(spliced.load_level(out.string()), load_ok);
    ASSERT_EQ(spliced.animations.size(), original.animations.size());
    // Keyframes of the same number, now all in the three-axis form.
    const auto words = [](const Ttrlevel& l, std::size_t k) {
        return (l.animations[k + 1].frame_offset - l.animations[k].frame_offset) / 2;
    };
    const std::size_t k = static_cast<std::size_t>(original.moveables[0].animation) + 3;
    EXPECT_EQ(words(spliced, k) / spliced.animations[k].frame_size,
              words(original, k) / original.animations[k].frame_size);
    EXPECT_EQ(spliced.animations[k].frame_size, 9 + 2 * original.moveables[0].num_meshes);

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
    Ttrlevel returned;
    ASSERT_EQ(returned.load_level(back.string()), load_ok);
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

    // Lara's file into a moveable with other bones.
    Ttrlevel tr3;
    ASSERT_EQ(tr3.load_level(test::real_level("tr3.tr2").string()), load_ok);
    std::size_t other = 1;
    while (other < tr3.moveables.size() &&
           (tr3.moveables[other].num_meshes == tr3.moveables[0].num_meshes || tr3.moveables[other].animation < 0))
        ++other;
    ASSERT_LT(other, tr3.moveables.size());
    const auto model = dir / "lara.ms3d";
    ASSERT_EQ(run_cli("export " + level + " " + quoted(model) + " --moveable 0").status, 0);
    const auto out = dir / "never.tr2";
    const auto joints = run_cli("import " + level + " " + quoted(model) + " --moveable " + std::to_string(other) +
                                " --animation 0 -o " + quoted(out));
    EXPECT_NE(joints.status, 0);
    EXPECT_NE(joints.err.find("File has different amount Joints than current selected movable: Imported="),
              std::string::npos)
        << joints.err;
    const auto missing =
        run_cli("import " + level + " " + quoted(dir / "none.ms3d") + " --moveable 0 --animation 0 -o " + quoted(out));
    EXPECT_NE(missing.status, 0);
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace kelanim
