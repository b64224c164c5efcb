// A save changes only what was edited: one edited word of a real level
// changes that word of the file alone (or, in TR4, the level data chunk that
// holds it), and an imported animation changes the animation data alone.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "byte_builder.h"
#include "cli_run.h"
#include "level/ttrlevel.h"
#include "realdata.h"

namespace kelanim {
namespace {

namespace fs = std::filesystem;
using ByteVector = std::vector<std::uint8_t>;

fs::path out_dir()
{
    const fs::path dir = test::short_output_dir("exact-save");
    fs::create_directories(dir);
    return dir;
}

std::uint32_t u32_at(const ByteVector& b, std::size_t at)
{
    std::uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

// Where the level data chunk of a TR4 file begins and ends: after the
// version, the page counts and the three texture chunks.
std::pair<std::size_t, std::size_t> level_data_chunk(const ByteVector& file)
{
    std::size_t at = 10;
    for (int chunk = 0; chunk < 3; ++chunk) at += 8 + u32_at(file, at + 4);
    return {at, at + 8 + u32_at(file, at + 4)};
}

// The saved file equals the original but for one 16-bit word, or, for TR4,
// but for the level data chunk.
void expect_only_the_edit_differs(const ByteVector& original, const ByteVector& saved, bool tr4)
{
    if (tr4) {
        const auto [begin, end] = level_data_chunk(original);
        const auto [saved_begin, saved_end] = level_data_chunk(saved);
        ASSERT_EQ(saved_begin, begin);
        EXPECT_TRUE(std::equal(original.begin(), original.begin() + begin, saved.begin())) << "before the level data";
        EXPECT_TRUE(std::equal(original.begin() + end, original.end(), saved.begin() + saved_end, saved.end()))
            << "after the level data";
        return;
    }
    ASSERT_EQ(saved.size(), original.size());
    std::vector<std::size_t> differing;
    for (std::size_t i = 0; i < saved.size(); ++i)
        if (saved[i] != original[i]) differing.push_back(i);
    ASSERT_FALSE(differing.empty());
    EXPECT_LE(differing.back() - differing.front(), 1u) << "bytes " << differing.front() << " to " << differing.back();
}

struct Edit {
    const char* what;
    std::function<void(Ttrlevel&)> apply;
};

TEST(ExactSave, OneEditChangesOnlyWhatItEdits)
{
    KELANIM_REQUIRE_REALDATA();
    const Edit edits[] = {
        {"box", [](Ttrlevel& l) { l.frames[l.animations[l.num_animations / 2].frame_offset / 2 + 1] += 7; }},
        {"frame rate", [](Ttrlevel& l) { l.animations[l.num_animations / 2].frame_rate += 1; }},
    };
    for (const fs::path& in : test::real_levels()) {
        for (const Edit& edit : edits) {
            SCOPED_TRACE(in.filename().string() + ", " + edit.what);
            Ttrlevel level, again;
            ASSERT_EQ(level.load_level(in.string()), load_ok);
            edit.apply(level);
            const fs::path out = out_dir() / ("edited_" + in.filename().string());
            ASSERT_EQ(level.save_level(out.string()), save_ok);
            ASSERT_NO_FATAL_FAILURE(expect_only_the_edit_differs(test::read_file(in), test::read_file(out),
                                                                 level.version_code == code_tr4));
            ASSERT_EQ(again.load_level(out.string()), load_ok);
            EXPECT_EQ(again.frames, level.frames);
            EXPECT_EQ(std::memcmp(again.animations.data(), level.animations.data(),
                                  level.animations.size() * sizeof(tanimation)),
                      0);
        }
    }
}

// An animation exported and imported back: the saved level is the original
// with the imported animation data in place of its own.
struct Import {
    const char* level;
    const char* model;  // the exchange file, by its extension
    int moveable, animation;
};

TEST(ExactSave, ImportChangesOnlyTheAnimationData)
{
    KELANIM_REQUIRE_REALDATA();
    const Import imports[] = {
        {"tr2.tr2", "ms3d", 0, 3},
        {"tr4.tr4", "ms3d", 0, 1},
        {"tr5.trc", "ms3d", 0, 2},
    };
    for (const Import& row : imports) {
        SCOPED_TRACE(std::string(row.level) + " with " + row.model);
        const fs::path in = test::real_level(row.level), model = out_dir() / (std::string("model.") + row.model),
                       out = out_dir() / (std::string("imported_") + row.level);
        const std::string selection =
            " --moveable " + std::to_string(row.moveable) + " --animation " + std::to_string(row.animation);
        const auto exported = test::run_cli("export " + test::shell_quote(in.string()) + " " +
                                            test::shell_quote(model.string()) + selection);
        ASSERT_EQ(exported.status, 0) << exported.err;
        const auto imported =
            test::run_cli("import " + test::shell_quote(in.string()) + " " + test::shell_quote(model.string()) +
                          selection + " -o " + test::shell_quote(out.string()));
        ASSERT_EQ(imported.status, 0) << imported.err;

        Ttrlevel original, spliced;
        ASSERT_EQ(original.load_level(in.string()), load_ok);
        ASSERT_EQ(spliced.load_level(out.string()), load_ok);
        original.frames = spliced.frames;
        original.num_frames = spliced.num_frames;
        original.animations = spliced.animations;
        original.moveables = spliced.moveables;
        const fs::path expected = out_dir() / (std::string("expected_") + row.level);
        ASSERT_EQ(original.save_level(expected.string()), save_ok);
        EXPECT_TRUE(test::read_file(expected) == test::read_file(out));
    }
}

}  // namespace
}  // namespace kelanim
