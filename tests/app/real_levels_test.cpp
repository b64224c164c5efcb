// Every real level opens, plays, is edited and saved from the window, and
// opens again with the edits.
#include "app/main_window.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "anim/keyframes.h"
#include "app/spin_edit.h"
#include "app_test_support.h"

namespace kelanim {
namespace {

using test::CaughtMessages;
using test::qpath;

class RealLevelWindowTest : public ::testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() { test::application(); }
};

// The first moveable with an animation of at least two keyframes.
std::pair<int, int> playable(const Ttrlevel& level)
{
    for (std::int32_t m = 0; m < static_cast<std::int32_t>(level.num_moveables); ++m)
        for (std::int32_t j = 0; j < animation_count(level, m); ++j)
            if (keyframe_count(level, m, j) >= 2 && keyframe_rate(level, m, j) > 0) return {m, j};
    return {-1, -1};
}

TEST_P(RealLevelWindowTest, OpensPlaysEditsAndSaves)
{
    KELANIM_REQUIRE_REALDATA();
    const std::filesystem::path source = test::real_level(GetParam());
    if (!std::filesystem::exists(source)) GTEST_SKIP() << source << " is absent";
    CaughtMessages messages;
    const std::filesystem::path ini = test::output_dir("app-real") / (GetParam() + ".ini");
    auto window = std::make_unique<TForm1>(qpath(ini));
    messages.take();

    window->OpenLevel(qpath(source));
    EXPECT_TRUE(messages.take().empty());
    ASSERT_EQ(window->ListBox1->count(), static_cast<int>(window->level().num_moveables));
    EXPECT_EQ(window->ListBox2->count(), static_cast<int>(window->level().num_static_meshes));
    for (int row = 0; row < window->ListBox1->count(); ++row) EXPECT_FALSE(window->ListBox1->item(row)->text().isEmpty());

    const auto [m, j] = playable(window->level());
    ASSERT_GE(m, 0);
    window->ListBox1->setCurrentRow(m);
    window->ComboBox1->setCurrentIndex(j);
    window->ComboBox1Change();
    const int count = keyframe_count(window->level(), m, j);
    EXPECT_EQ(window->Label2->text(), QString("KFrames:%1").arg(count));

    // Play through the whole animation and round to its start.
    window->SpeedButton1->click();
    for (int tick = 0; tick < count; ++tick) window->Timer1Timer();
    EXPECT_EQ(window->SpinEdit1->value(), 0);
    window->SpeedButton1->click();

    // Edit: one box word by hand on keyframe 1, the automatic bound, the parameters.
    window->Button1Click();
    EXPECT_EQ(window->SpinEdit1->value(), count - 1);
    window->SpinEdit1->setValue(1);
    window->box_fields[2]->setValue(-1234);
    window->SpinEdit10->setValue(9);
    window->Button2->click();
    EXPECT_EQ(messages.take(), std::vector<QString>{"Updated."});

    const std::int64_t w = keyframe_word(window->level(), m, j, 1);
    const std::vector<std::int16_t> box(window->level().frames.begin() + w, window->level().frames.begin() + w + 6);
    EXPECT_EQ(box[4], -1234);

    const std::filesystem::path saved = test::output_dir("app-real") / ("saved-" + GetParam());
    std::filesystem::remove(saved);
    window->SaveLevelAs(qpath(saved));
    EXPECT_TRUE(messages.take().empty());
    ASSERT_TRUE(std::filesystem::exists(saved));

    window->OpenLevel(qpath(saved));
    EXPECT_TRUE(messages.take().empty());
    const Ttrlevel& reread = window->level();
    EXPECT_EQ(reread.num_moveables, static_cast<std::uint32_t>(window->ListBox1->count()));
    EXPECT_EQ(keyframe_rate(reread, m, j), 9);
    const std::int64_t w2 = keyframe_word(reread, m, j, 1);
    EXPECT_EQ(std::vector<std::int16_t>(reread.frames.begin() + w2, reread.frames.begin() + w2 + 6), box);
}

std::vector<std::string> real_level_names()
{
    std::vector<std::string> names;
    for (const auto& path : test::real_levels()) names.push_back(path.filename().string());
    if (names.empty()) names.push_back("tr4.tr4");  // reported as skipped
    return names;
}

INSTANTIATE_TEST_SUITE_P(RealLevels, RealLevelWindowTest, ::testing::ValuesIn(real_level_names()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace kelanim
