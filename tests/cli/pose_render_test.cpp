// kelanim-cli pose and render on a small synthetic level.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "realdata.h"
#include "synthetic_level.h"

using namespace kelanim::test;

namespace {

// Moveable 0 holds animations 0 and 1, moveable 1 none.
std::string level_argument()
{
    const auto path = output_dir("cli") / "pose.tr4";
    synthetic_level(6).save(path);
    return shell_quote(path.string());
}

TEST(CliPose, ReadsTheMoveableAnimationAndKeyframeInThatOrder)
{
    const std::string level = level_argument();
    CliResult r = run_cli("pose " + level + " 0 1 0 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["moveable"], 0);
    EXPECT_EQ(json["animation"], 1);
    EXPECT_EQ(json["word"], 12);

    r = run_cli("pose " + level + " 1 0 0");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("animation"), std::string::npos) << r.err;
}

TEST(CliRender, SizeIsWidthByHeight)
{
    const auto picture = output_dir("cli") / "picture.png";
    CliResult r = run_cli("render " + level_argument() + " " + shell_quote(picture.string()) + " --size 64x48 --fit");
    if (r.status == 4 && r.err.find("cannot draw") != std::string::npos) GTEST_SKIP() << r.err;
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, picture.string() + ": 64x48\n");
    // The PNG header holds the width and height, big-endian, from byte 16.
    const std::vector<std::uint8_t> png = read_file(picture);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ((std::vector<std::uint8_t>(png.begin() + 16, png.begin() + 24)),
              (std::vector<std::uint8_t>{0, 0, 0, 64, 0, 0, 0, 48}));
    EXPECT_EQ(run_cli("render " + level_argument() + " x.png --size 64x").status, 3);
}

}  // namespace
