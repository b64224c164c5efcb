// kelanim-cli as a script meets it: the exit status, the output and the reason
// on stderr. A refused export or import writes nothing. The round trips of
// export and import are in exact_save_test.
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
std::string level_file(const std::string& name, void (*damage)(Ttrlevel&))
{
    Ttrlevel level;
    EXPECT_EQ(level.load_level_from_memory(synthetic_level(code_tr2).data(), name), load_ok);
    for (tanimation& a : level.animations) a.frame_end = a.frame_start;
    level.animations[1].next_frame = 10;
    level.anim_dispatches[0].next_frame = 10;
    damage(level);
    EXPECT_EQ(level.save_level((output_dir() / name).string()), save_ok);
    return quoted(output_dir() / name);
}

std::string saved(const Bytes& bytes, const std::string& name)
{
    bytes.save(output_dir() / name);
    return quoted(output_dir() / name);
}

TEST(CliCommands, ExitStatusOutputAndReason)
{
    const std::string clean = level_file("clean.tr2", [](Ttrlevel&) {}), missing = quoted(output_dir() / "missing.phd");
    const std::string broken = level_file("broken.tr2", [](Ttrlevel& l) { l.animations[0].next_animation = 9; });
    // Moveables whose first animations zigzag, as a damaged level's may: each
    // would claim nearly every animation of the level, 30000 rows apiece.
    const std::string zigzag = level_file("zigzag.tr2", [](Ttrlevel& level) {
        level.moveables.assign(40, level.moveables[0]);
        for (std::size_t m = 0; m < level.moveables.size(); ++m) level.moveables[m].animation = m % 2 ? 30000 : 0;
        level.num_moveables = 40;
    });
    const std::string foreign = saved(Bytes().text("this is not a level at all"), "foreign.phd");
    Bytes half = synthetic_level(1, 0);
    half.data().resize(half.size() / 2);
    const std::string cut = saved(half, "cut.phd"), tub = saved(synthetic_level(2), "level.tub");
    const std::string packed = saved(in_container(synthetic_level(6)), "packed.tr4");
    const std::string pose = saved(synthetic_level(6), "pose.tr4");  // moveable 0: animations 0 and 1; 1: none
    const fs::path refused = output_dir("refused"), mesh = output_dir() / "mesh.mst";
    const std::string level = pose + " ", into = " -o " + quoted(refused / "x.tr4");
    ASSERT_EQ(run_cli("export " + level + quoted(mesh) + " --static 0").status, 0);  // a static mesh has no joints
    const struct {
        std::string arguments;
        int status;
        const char *prints, *says;
    } rows[] = {
        {"check " + clean, 0, "", ""},
        {"check " + broken + " --json", 1,
         "\"problems_found\": 1,\n  \"findings\": [\n    {\n      \"problem\": \"next_animation_missing\",\n"
         "      \"moveable\": 0,\n      \"animation\": 0,", ""},
        {"check " + zigzag, 1, "[animations_past_records]", ""},
        {"info " + zigzag, 0, "num_frames", ""},
        {"info " + zigzag + " --json", 0, "\"num_moveables\": 40", ""},
        {"check " + foreign, 2, "", "not a Tomb Raider level"},
        {"check " + missing, 2, "", "does not exist"},
        {"check", 3, "", ""},
        {"info " + missing, 1, "", "does not exist"},
        {"info " + foreign, 2, "", "not a Tomb Raider level"},
        {"info " + cut + " --json", 0, "\"truncated\": true", "ended early"},
        {"info " + tub + " --json", 0,
         "\"version\": \"0x00000020\",\n  \"version_code\": 2,\n  \"generation\": \"TR1 Unfinished Business\"", ""},
        {"info " + packed + " --json", 0, "\"generation\": \"TR4\",", ""},
        {"info " + packed + " --json", 0, "\"from_container\": true", ""},
        {"info " + packed, 0, "generation      TR4\nfrom_container  yes", ""},
        {"info", 3, "", ""},
        {"no-such-command", 3, "", ""},
        {"save " + pose + " " + quoted(output_dir() / "saved.tr4"), 0, "saved.tr4: TR4 (version code", ""},
        {"pose " + pose + " 0 1 0", 0, "moveable 0, animation 1, keyframe 0\nword    12\n", ""},
        {"pose " + pose + " 0 1 0 --json", 0, "\"word\": 12,", ""},
        {"pose " + pose + " 1 0 0", 3, "", "animation 0 does not exist: moveable 1 has 0 animations"},
        {"render " + pose + " x.png --size 64x", 3, "", ""},
        {"export " + level + quoted(refused / "lara.obj") + " --moveable 0", 4, "",
         "the file name must end in \".ms3d\" (binary) or \".mst\" (ascii). Nothing was exported."},
        {"export " + level + quoted(refused / "x.ms3d"), 3, "", ""},  // no selection
        {"export " + level + quoted(refused / "x.glb") + " --moveable 0 --by-bones", 3, "", ""},  // other format's options
        {"export " + level + quoted(refused / "x.ms3d") + " --moveable 0 --all-animations", 3, "", ""},
        {"import " + level + quoted(refused / "x.ms3d") + " --moveable 0 --animation 0 --source anim_0" + into, 3, "", ""},
        {"export " + level + quoted(refused / "x.ms3d") + " --moveable 9999", 4, "", "Moveable 9999 does not exist"},
        {"import " + level + quoted(mesh) + " --moveable 0 --animation 0" + into, 4, "",
         "File has different amount Joints than current selected movable"},
        {"import " + level + quoted(refused / "none.ms3d") + " --moveable 0 --animation 0" + into, 4, "",
         "none.ms3d does not exist. The level is unchanged."},
    };
    for (const auto& row : rows) {
        const CliResult result = run_cli(row.arguments);
        EXPECT_EQ(result.status, row.status) << row.arguments;
        EXPECT_NE(result.out.find(row.prints), std::string::npos) << row.arguments << ":\n" << result.out;
        EXPECT_NE(result.err.find(row.says), std::string::npos) << row.arguments << ": " << result.err;
        EXPECT_LT(result.out.size(), 20000u) << row.arguments;  // damaged counts give a short listing
    }
    EXPECT_TRUE(fs::is_empty(refused));
}

TEST(CliCommands, InfoReportsEveryRealLevelAsJson)
{
    KELANIM_REQUIRE_REALDATA();
    for (const fs::path& path : real_levels()) {
        SCOPED_TRACE(path.filename().string());
        const CliResult info = run_cli("info " + quoted(path) + " --json");
        ASSERT_EQ(info.status, 0) << info.err;
        const auto json = nlohmann::json::parse(info.out);
        EXPECT_EQ(json["result"], 0);
        EXPECT_GT(json["num_texture_pages"].get<int>(), 0);
        EXPECT_EQ(json["truncated"], false);
        // Moveables carry catalog names; Lara is object 0 in every generation.
        const auto& moveables = json["moveables"];
        ASSERT_EQ(moveables.size(), json["num_moveables"].get<std::size_t>());
        EXPECT_EQ(moveables[0]["name"], "LARA");
        std::size_t animations = 0, changes = 0, sounds = 0;
        for (const auto& m : moveables) {
            animations += m["animations"].size();
            EXPECT_FALSE(m["name"].get<std::string>().starts_with("Moveable Id#")) << m["object_id"];  // all named
        }
        EXPECT_EQ(animations, json["num_animations"].get<std::size_t>());
        EXPECT_EQ(json["static_meshes"].size(), json["num_static_meshes"].get<std::size_t>());
        // Each of Lara's animations lists its state changes and commands.
        for (const auto& a : moveables[0]["animations"]) {
            changes += a["state_changes"].size();
            for (const auto& c : a["commands"]) sounds += c["name"] == "Play Sound";
        }
        EXPECT_GT(changes, 100u);
        EXPECT_GT(sounds, 50u);
    }
}

TEST(CliCommands, RenderSizeIsWidthByHeight)
{
    const auto picture = output_dir() / "picture.png";
    const std::string level = saved(synthetic_level(6), "pose.tr4");
    CliResult r = run_cli("render " + level + " " + quoted(picture) + " --size 64x48 --fit");
    if (r.status == 4 && r.err.find("cannot draw") != std::string::npos) GTEST_SKIP() << r.err;
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, picture.string() + ": 64x48\n");
    // The PNG header holds the width and height, big-endian, from byte 16.
    const std::vector<std::uint8_t> png = read_file(picture);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ((std::vector<std::uint8_t>(png.begin() + 16, png.begin() + 24)),
              (std::vector<std::uint8_t>{0, 0, 0, 64, 0, 0, 0, 48}));
}

}  // namespace
