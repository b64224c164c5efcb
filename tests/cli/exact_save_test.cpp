// A save changes only what was edited: a box word or an animation's frame
// rate changes those bytes of the file alone (in TR4, the level data chunk
// that holds them), and an imported animation the animation data alone.
#include <gtest/gtest.h>

#include "byte_builder.h"
#include "cli_run.h"
#include "level/ttrlevel.h"
#include "realdata.h"

namespace kelanim {
namespace {

using test::read_file;

std::string saved_path(const std::string& name) { return (test::short_output_dir("exact-save") / name).string(); }

// The span of `original` outside which `saved` has the same bytes, front and back.
std::pair<std::size_t, std::size_t> changed_span(const std::vector<std::uint8_t>& original,
                                                 const std::vector<std::uint8_t>& saved)
{
    const std::size_t shorter = std::min(original.size(), saved.size());
    std::size_t begin = 0, tail = 0;
    while (begin < shorter && original[begin] == saved[begin]) ++begin;
    while (tail < shorter - begin && original.rbegin()[tail] == saved.rbegin()[tail]) ++tail;
    return {begin, original.size() - tail};
}

TEST(ExactSave, OneEditChangesOnlyWhatItEdits)
{
    KELANIM_REQUIRE_REALDATA();
    for (const auto& in : test::real_levels()) {
        for (const bool box : {true, false}) {
            SCOPED_TRACE(in.filename().string() + (box ? ", box" : ", frame rate"));
            Ttrlevel level, again;
            ASSERT_EQ(level.load_level(in.string()), load_ok);
            tanimation& edited = level.animations[level.num_animations / 2];
            if (box) level.frames[edited.frame_offset / 2 + 1] += 7;
            if (!box) edited.frame_rate += 1;
            const std::string out = saved_path("edited_" + in.filename().string());
            ASSERT_EQ(level.save_level(out), save_ok);
            const std::vector<std::uint8_t> original = read_file(in), saved = read_file(out);
            const auto [begin, end] = changed_span(original, saved);
            if (level.version_code == code_tr4) {
                const tpacked_chunk_origin& chunk = level.origin.chunks[chunk_level_data];
                EXPECT_GE(begin, chunk.at);
                EXPECT_LE(end, chunk.at + chunk.length);
            } else {
                EXPECT_EQ(saved.size(), original.size());
                EXPECT_LE(end - begin, 2u);
            }
            ASSERT_EQ(again.load_level(out), load_ok);
            EXPECT_EQ(again.frames, level.frames);
            EXPECT_EQ(again.animations[level.num_animations / 2].frame_rate, edited.frame_rate);
        }
    }
}

// An animation exported and imported back: the saved level is the original
// with the imported animation data in place of its own, as many keyframes as
// before. The files an export writes beside the model are there.
TEST(ExactSave, ImportChangesOnlyTheAnimationData)
{
    KELANIM_REQUIRE_REALDATA();
    const struct {
        const char *level, *model;  // the exchange file, by its extension
        int animation;              // of Lara, moveable 0
        bool all;                   // every animation exported, the one imported by name
        const char *export_options, *beside;
    } imports[] = {{"tr2.tr2", "ms3d", 3, false, " --subversion 1 --by-bones", "m.bmp"},
                   {"tr4.tr4", "ms3d", 1, false, "", "m.ms3d"},
                   {"tr5.trc", "ms3d", 2, false, "", "m.ms3d"},
                   {"tr3.tr2", "glb", 4, false, "", "m.glb"},
                   {"tr4.tr4", "gltf", 1, false, "", "m.bin"},
                   {"tr2.tr2", "gltf", 3, true, "", "m.png"}};
    for (const auto& row : imports) {
        SCOPED_TRACE(std::string(row.level) + " with " + row.model + (row.all ? ", all" : ""));
        const std::string in = test::real_level(row.level).string(), out = saved_path(std::string("in_") + row.level);
        const std::string files = test::shell_quote(in) + " " +
                                  test::shell_quote(saved_path(std::string("m.") + row.model)) + " --moveable 0";
        const std::string animation = " --animation " + std::to_string(row.animation);
        for (const char* file : {"m.bmp", "m.bin", "m.png"}) std::filesystem::remove(saved_path(file));
        const test::CliResult exported =
            test::run_cli("export " + files + (row.all ? " --all-animations" : animation) + row.export_options);
        ASSERT_EQ(exported.status, 0) << exported.err;
        EXPECT_NE(exported.out.find("Export Done."), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(saved_path(row.beside)));
        const std::string source = row.all ? " --source anim_" + std::to_string(row.animation) : "";
        const test::CliResult imported =
            test::run_cli("import " + files + animation + source + " -o " + test::shell_quote(out));
        ASSERT_EQ(imported.status, 0) << imported.err;
        EXPECT_NE(imported.out.find("Import Sucessfull."), std::string::npos);

        Ttrlevel original, spliced;
        ASSERT_EQ(original.load_level(in), load_ok);
        ASSERT_EQ(spliced.load_level(out), load_ok);
        const std::size_t k = static_cast<std::size_t>(original.moveables[0].animation + row.animation);
        // A MilkShape import writes every rotation in the three-axis form; a
        // glTF one keeps the words of rotations that come back unchanged.
        if (std::string(row.model) == "ms3d") {
            EXPECT_EQ(spliced.animations[k].frame_size, 9 + 2 * original.moveables[0].num_meshes);
        }
        const auto keyframes = [k](const Ttrlevel& l) {
            return (l.animations[k + 1].frame_offset - l.animations[k].frame_offset) / 2 / l.animations[k].frame_size;
        };
        EXPECT_EQ(keyframes(spliced), keyframes(original));
        original.frames = spliced.frames;
        original.num_frames = spliced.num_frames;
        original.animations = spliced.animations;
        original.moveables = spliced.moveables;
        ASSERT_EQ(original.save_level(saved_path("expected")), save_ok);
        EXPECT_TRUE(read_file(saved_path("expected")) == read_file(out));
    }
}

}  // namespace
}  // namespace kelanim
