// A save changes only what was edited: a box word or an animation's frame
// rate changes those bytes of the file alone (in TR4, the level data chunk
// that holds them), and an imported animation the animation data alone.
#include <gtest/gtest.h>

#include <algorithm>

#include "byte_builder.h"
#include "cli_run.h"
#include "level/ttrlevel.h"
#include "realdata.h"

namespace kelanim {
namespace {

using test::read_file;
using test::shell_quote;

std::string saved_path(const std::string& name)
{
    return (test::short_output_dir("exact-save") / name).string();
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
            // The bytes of the original from the first difference to the last.
            const std::vector<std::uint8_t> original = read_file(in), saved = read_file(out);
            const auto first = std::mismatch(original.begin(), original.end(), saved.begin(), saved.end()).first;
            const std::size_t begin = first - original.begin();
            const std::size_t end = std::mismatch(original.rbegin(), std::make_reverse_iterator(first), saved.rbegin(),
                                                  std::make_reverse_iterator(saved.begin() + begin))
                                        .first.base() -
                                    original.begin();
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
// before.
struct Import {
    const char* level;
    const char* model;  // the exchange file, by its extension
    int moveable, animation;
    const char* export_options;
};

TEST(ExactSave, ImportChangesOnlyTheAnimationData)
{
    KELANIM_REQUIRE_REALDATA();
    const Import imports[] = {
        {"tr2.tr2", "ms3d", 0, 3, " --subversion 1 --by-bones"},
        {"tr4.tr4", "ms3d", 0, 1, ""},
        {"tr5.trc", "ms3d", 0, 2, ""},
        {"tr3.tr2", "glb", 0, 4, ""},
        {"tr4.tr4", "gltf", 0, 1, ""},
    };
    for (const Import& row : imports) {
        SCOPED_TRACE(std::string(row.level) + " with " + row.model);
        const std::string in = test::real_level(row.level).string(), out = saved_path(std::string("in_") + row.level);
        const std::string files_and_selection =
            shell_quote(in) + " " + shell_quote(saved_path(std::string("m.") + row.model)) + " --moveable " +
            std::to_string(row.moveable) + " --animation " + std::to_string(row.animation);
        std::filesystem::remove(saved_path("m.bmp"));
        const test::CliResult exported = test::run_cli("export " + files_and_selection + row.export_options);
        ASSERT_EQ(exported.status, 0) << exported.err;
        EXPECT_NE(exported.out.find("Export Done."), std::string::npos);
        if (*row.export_options) EXPECT_TRUE(std::filesystem::exists(saved_path("m.bmp")));  // the page beside it
        const test::CliResult imported = test::run_cli("import " + files_and_selection + " -o " + shell_quote(out));
        ASSERT_EQ(imported.status, 0) << imported.err;
        EXPECT_NE(imported.out.find("Import Sucessfull."), std::string::npos);

        Ttrlevel original, spliced;
        ASSERT_EQ(original.load_level(in), load_ok);
        ASSERT_EQ(spliced.load_level(out), load_ok);
        const std::size_t k = static_cast<std::size_t>(original.moveables[row.moveable].animation + row.animation);
        // A MilkShape import writes every rotation in the three-axis form; a
        // glTF one keeps the words of rotations that come back unchanged.
        if (std::string(row.model) == "ms3d")
            EXPECT_EQ(spliced.animations[k].frame_size, 9 + 2 * original.moveables[row.moveable].num_meshes);
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
