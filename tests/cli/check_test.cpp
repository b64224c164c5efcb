#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "realdata.h"
#include "synthetic_level.h"

using namespace kelanim;
using namespace kelanim::test;
namespace fs = std::filesystem;

namespace {

// The synthetic TR2 level with consistent links, changed by `damage`, saved.
fs::path level_file(const std::string& name, void (*damage)(Ttrlevel&))
{
    Ttrlevel level;
    EXPECT_EQ(level.load_level_from_memory(synthetic_level(code_tr2).data(), name), load_ok);
    for (tanimation& a : level.animations) a.frame_end = a.frame_start;
    level.animations[1].next_frame = 10;
    level.anim_dispatches[0].next_frame = 10;
    damage(level);
    const fs::path path = output_dir("cli") / name;
    EXPECT_EQ(level.save_level(path.string()), load_ok);
    return path;
}

// Moveables whose first animations zigzag, as a damaged level's may: each
// would claim nearly every animation of the level, 30000 rows apiece.
void zigzag(Ttrlevel& level)
{
    level.moveables.assign(40, level.moveables[0]);
    for (std::size_t m = 0; m < level.moveables.size(); ++m) level.moveables[m].animation = m % 2 ? 30000 : 0;
    level.num_moveables = 40;
}

}  // namespace

TEST(CliCheck, ExitStatusTellsCleanFromFoundFromNoLevel)
{
    const fs::path clean = level_file("clean.tr2", [](Ttrlevel&) {});
    const fs::path broken = level_file("broken.tr2", [](Ttrlevel& l) { l.animations[0].next_animation = 9; });
    const fs::path not_level = output_dir("cli") / "not_a_level.tr2";
    Bytes().text("no level here").save(not_level);

    EXPECT_EQ(run_cli("check " + shell_quote(clean.string())).status, 0);
    EXPECT_EQ(run_cli("check " + shell_quote(not_level.string())).status, 2);
    EXPECT_EQ(run_cli("check " + shell_quote((output_dir("cli") / "missing.tr2").string())).status, 2);
    EXPECT_EQ(run_cli("check").status, 3);

    const CliResult found = run_cli("check " + shell_quote(broken.string()) + " --json");
    EXPECT_EQ(found.status, 1);
    const auto json = nlohmann::json::parse(found.out);
    ASSERT_EQ(json["findings"].size(), 1u);
    EXPECT_EQ(json["findings"][0]["problem"], "next_animation_missing");
    EXPECT_EQ(json["findings"][0]["moveable"], 0);
    EXPECT_EQ(json["findings"][0]["animation"], 0);
}

TEST(CliCheck, DamagedCountsGiveAShortListing)
{
    const fs::path damaged = level_file("zigzag.tr2", zigzag);
    for (const char* format : {"", " --json"}) {
        const CliResult info = run_cli("info " + shell_quote(damaged.string()) + format);
        EXPECT_EQ(info.status, 0);
        EXPECT_LT(info.out.size(), 20000u) << format;
    }
    const CliResult check = run_cli("check " + shell_quote(damaged.string()));
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("[animations_past_records]"), std::string::npos);
}

TEST(CliCheck, InfoListsStateChangesAndCommandsOfEachAnimation)
{
    KELANIM_REQUIRE_REALDATA();
    const CliResult info = run_cli("info " + shell_quote(real_level("tr2.tr2").string()) + " --json");
    ASSERT_EQ(info.status, 0);
    const auto lara = nlohmann::json::parse(info.out)["moveables"][0]["animations"];
    std::size_t changes = 0, sounds = 0;
    for (const auto& a : lara) {
        changes += a["state_changes"].size();
        for (const auto& c : a["commands"]) sounds += c["name"] == "Play Sound";
    }
    EXPECT_GT(changes, 100u);
    EXPECT_GT(sounds, 100u);
}
