#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "realdata.h"
#include "synthetic_level.h"

using namespace kelanim::test;
namespace fs = std::filesystem;

namespace {

nlohmann::json info_json(const fs::path& path)
{
    CliResult r = run_cli("info " + shell_quote(path.string()) + " --json");
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out);
}

fs::path saved(const Bytes& bytes, const std::string& name)
{
    const fs::path path = output_dir("cli") / name;
    bytes.save(path);
    return path;
}

}  // namespace

TEST(CliInfo, ReportsEveryRealLevelAsJson)
{
    KELANIM_REQUIRE_REALDATA();
    for (const fs::path& path : real_levels()) {
        SCOPED_TRACE(path.filename().string());
        const auto json = info_json(path);
        EXPECT_EQ(json["result"], 0);
        EXPECT_GT(json["num_texture_pages"].get<int>(), 0);
        EXPECT_EQ(json["truncated"], false);
        // Moveables carry catalog names; Lara is object 0 in every generation.
        const auto& moveables = json["moveables"];
        ASSERT_EQ(moveables.size(), json["num_moveables"].get<std::size_t>());
        EXPECT_EQ(moveables[0]["name"], "LARA");
        std::size_t animations = 0;
        for (const auto& m : moveables) {
            animations += m["animations"].size();
            EXPECT_FALSE(m["name"].get<std::string>().starts_with("Moveable Id#")) << m["object_id"];  // all named
        }
        EXPECT_EQ(animations, json["num_animations"].get<std::size_t>());
        EXPECT_EQ(json["static_meshes"].size(), json["num_static_meshes"].get<std::size_t>());
    }
}

TEST(CliInfo, GenerationAndContainerOfSyntheticLevels)
{
    auto json = info_json(saved(synthetic_level(2), "level.tub"));
    EXPECT_EQ(json["version"], "0x00000020");
    EXPECT_EQ(json["version_code"], 2);
    EXPECT_EQ(json["generation"], "TR1 Unfinished Business");

    const fs::path packed = saved(in_container(synthetic_level(6)), "packed.tr4");
    json = info_json(packed);
    EXPECT_EQ(json["from_container"], true);
    EXPECT_EQ(json["generation"], "TR4");

    // The readable form names the same facts.
    CliResult r = run_cli("info " + shell_quote(packed.string()));
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("num_frames"), std::string::npos);
    EXPECT_NE(r.out.find("TR4"), std::string::npos);
}

TEST(CliInfo, ExitStatusTellsWhatWentWrong)
{
    CliResult missing = run_cli("info " + shell_quote((output_dir("cli") / "nothing-here.phd").string()));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);

    CliResult foreign = run_cli("info " + shell_quote(saved(Bytes().text("this is not a level at all"), "foreign.phd").string()));
    EXPECT_EQ(foreign.status, 2);
    EXPECT_NE(foreign.err.find("not a Tomb Raider level"), std::string::npos);

    Bytes half = synthetic_level(1, 0);
    half.data().resize(half.size() / 2);
    CliResult truncated = run_cli("info " + shell_quote(saved(half, "cut.phd").string()) + " --json");
    EXPECT_EQ(truncated.status, 0);
    EXPECT_NE(truncated.err.find("ended early"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(truncated.out)["truncated"], true);

    EXPECT_EQ(run_cli("info").status, 3);
    EXPECT_EQ(run_cli("no-such-command").status, 3);
}
