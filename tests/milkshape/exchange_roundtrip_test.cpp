// Real animations exported and imported back into the same animation, for
// every version code; the spliced level saves and reads back as it was.
#include <gtest/gtest.h>

#include "anim/keyframes.h"
#include "exchange_fixtures.h"
#include "milkshape/export_moveable.h"
#include "milkshape/import_animation.h"

namespace kelanim {
namespace {

// The animations the round trip takes: Lara's first and last, the first of the moveable with the most bones.
std::vector<std::pair<std::int32_t, std::int32_t>> chosen_animations(const Ttrlevel& level)
{
    std::vector<std::pair<std::int32_t, std::int32_t>> chosen{{0, 0}, {0, animation_count(level, 0) - 1}};
    std::int32_t widest = 0;
    for (std::int32_t m = 1; m < static_cast<std::int32_t>(level.moveables.size()); ++m)
        if (animation_count(level, m) > 0 && keyframe_count(level, m, 0) > 0 &&
            level.moveables[std::size_t(m)].num_meshes > level.moveables[std::size_t(widest)].num_meshes)
            widest = m;
    if (widest > 0) chosen.emplace_back(widest, 0);
    return chosen;
}

// The level file and the code it is handled as (2 and 4 share the layouts of 1 and 3).
class RoundTrip : public testing::TestWithParam<std::pair<const char*, std::int32_t>> {};

TEST_P(RoundTrip, OffsetsExactRotationsWithinHalfADegreeOtherAnimationsUntouched)
{
    KELANIM_REQUIRE_REALDATA();
    const auto [file, code] = GetParam();
    Ttrlevel level;
    ASSERT_EQ(level.load_level(test::real_level(file).string()), load_ok);
    level.version_code = code;
    Tmesh_list meshes;
    meshes.decode_meshes(level);
    const auto dir = test::exchange_dir(std::string("round-trip-") + file + std::to_string(code));
    for (const auto& [m, j] : chosen_animations(level)) {
        SCOPED_TRACE("moveable " + std::to_string(m) + " animation " + std::to_string(j));
        const std::int32_t count = keyframe_count(level, m, j);
        std::vector<tpose> before;
        for (std::int32_t n = 0; n < count; ++n) before.push_back(decode_keyframe(level, m, j, n));
        auto words = test::keyframe_words(level);
        const export_request request{.path = (dir / "anim.ms3d").string(), .moveable = m, .animation = j};
        TMS3D_File model;
        const exchange_outcome exported = export_selection(level, meshes, request, model);
        ASSERT_TRUE(exported.ok) << exported.message;
        const exchange_outcome imported = import_animation_file(level, meshes, m, j, request.path, model);
        ASSERT_TRUE(imported.ok && imported.warnings.empty()) << imported.message;
        ASSERT_EQ(keyframe_count(level, m, j), count);
        double worst = 0;
        for (std::int32_t n = 0; n < count; ++n) {
            const tpose after = decode_keyframe(level, m, j, n), &was = before[static_cast<std::size_t>(n)];
            ASSERT_EQ(after.offset, was.offset) << "keyframe " << n;
            for (std::size_t b = 0; b < was.angles.size(); ++b)
                worst = std::max(worst, test::rotation_difference(after.angles[b], was.angles[b]));
        }
        EXPECT_LT(worst, 0.5);
        // Every other animation keeps its words.
        auto words_after = test::keyframe_words(level);
        words_after.at(std::size_t(animation_index(level, m, j))) = words[std::size_t(animation_index(level, m, j))];
        EXPECT_TRUE(words_after == words);
    }
    // The spliced level is written and read back as it is in memory (the
    // TR1 and TR2 families in the layout of the file's own name).
    if (code != code_tr1_ub && code != code_tr2_trg) {
        const auto saved = dir / (std::string("spliced-") + file);
        level.save_level(saved.string());
        Ttrlevel again;
        ASSERT_EQ(again.load_level(saved.string()), load_ok);
        EXPECT_TRUE(test::level_state(again) == test::level_state(level));
    }
}

INSTANTIATE_TEST_SUITE_P(RealLevels, RoundTrip,
                         testing::Values(std::pair{"tr1.phd", code_tr1}, std::pair{"tr1.phd", code_tr1_ub},
                                         std::pair{"tr2.tr2", code_tr2}, std::pair{"tr2.tr2", code_tr2_trg},
                                         std::pair{"tr3.tr2", code_tr3}, std::pair{"tr4.tr4", code_tr4},
                                         std::pair{"tr5.trc", code_tr5}),
                         [](const auto& info) { return "code" + std::to_string(info.param.second); });

}  // namespace
}  // namespace kelanim
