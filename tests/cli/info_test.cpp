#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "realdata.h"
#include "synthetic_level.h"

using namespace kelanim::test;
namespace fs = std::filesystem;

TEST(CliInfo, ReportsEveryRealLevelAsJson)
{
    KELANIM_REQUIRE_REALDATA();
    for (const fs::path& path : real_levels()) {
        SCOPED_TRACE(path.filename().string());
        CliResult r = run_cli("info " + shell_quote(path.string()) + " --json");
        ASSERT_EQ(r.status, 0) << r.err;
        auto json = nlohmann::json::parse(r.out);
        EXPECT_EQ(json["result"], 0);
        EXPECT_GE(json["version_code"].get<int>(), 1);
        EXPECT_GT(json["num_moveables"].get<int>(), 0);
        EXPECT_GT(json["num_texture_pages"].get<int>(), 0);
        EXPECT_EQ(json["from_container"], false);
        EXPECT_EQ(json["truncated"], false);
        EXPECT_TRUE(json.contains("num_sample_indices"));

        // Moveables carry catalog names; Lara is object 0 in every generation.
        const auto& moveables = json["moveables"];
        ASSERT_EQ(moveables.size(), json["num_moveables"].get<std::size_t>());
        EXPECT_EQ(moveables[0]["object_id"], 0);
        EXPECT_EQ(moveables[0]["name"], "LARA");
        std::size_t animations = 0;
        for (const auto& m : moveables) animations += m["animations"].size();
        EXPECT_EQ(animations, json["num_animations"].get<std::size_t>());
        EXPECT_EQ(json["static_meshes"].size(), json["num_static_meshes"].get<std::size_t>());
    }
}

TEST(CliInfo, GenerationAndContainerOfSyntheticLevels)
{
    const fs::path plain = output_dir("cli") / "level.tub";
    synthetic_level(2).save(plain);
    CliResult r = run_cli("info " + shell_quote(plain.string()) + " --json");
    ASSERT_EQ(r.status, 0) << r.err;
    auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["version"], "0x00000020");
    EXPECT_EQ(json["version_code"], 2);
    EXPECT_EQ(json["generation"], "TR1 Unfinished Business");

    const fs::path packed = output_dir("cli") / "packed.tr4";
    in_container(synthetic_level(6)).save(packed);
    r = run_cli("info " + shell_quote(packed.string()) + " --json");
    ASSERT_EQ(r.status, 0) << r.err;
    json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["from_container"], true);
    EXPECT_EQ(json["generation"], "TR4");

    // The readable form names the same facts.
    r = run_cli("info " + shell_quote(packed.string()));
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("num_frames"), std::string::npos);
    EXPECT_NE(r.out.find("TR4"), std::string::npos);
}

TEST(CliInfo, ExitStatusTellsWhatWentWrong)
{
    CliResult missing = run_cli("info " + shell_quote((output_dir("cli") / "nothing-here.phd").string()));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);

    const fs::path foreign = output_dir("cli") / "foreign.phd";
    Bytes().text("this is not a level at all").save(foreign);
    CliResult not_level = run_cli("info " + shell_quote(foreign.string()));
    EXPECT_EQ(not_level.status, 2);
    EXPECT_NE(not_level.err.find("not a Tomb Raider level"), std::string::npos);

    const fs::path cut = output_dir("cli") / "cut.phd";
    Bytes whole = synthetic_level(1, 0);
    whole.data().resize(whole.size() / 2);
    whole.save(cut);
    CliResult truncated = run_cli("info " + shell_quote(cut.string()) + " --json");
    EXPECT_EQ(truncated.status, 0);
    EXPECT_NE(truncated.err.find("ended early"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(truncated.out)["truncated"], true);

    EXPECT_EQ(run_cli("info").status, 3);
    EXPECT_EQ(run_cli("no-such-command").status, 3);
}
