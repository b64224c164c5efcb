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

using test::qpath;

// The first moveable with a playing animation of at least two keyframes.
std::pair<int, int> playable(const Ttrlevel& level)
{
    for (std::int32_t m = 0; m < static_cast<std::int32_t>(level.num_moveables); ++m)
        for (std::int32_t j = 0; j < animation_count(level, m); ++j)
            if (keyframe_count(level, m, j) >= 2 && keyframe_rate(level, m, j) > 0) return {m, j};
    return {-1, -1};
}

std::vector<std::int16_t> box(const Ttrlevel& level, int m, int j, int n)
{
    const auto w = level.frames.begin() + keyframe_word(level, m, j, n);
    return {w, w + 6};
}

TEST(RealLevelWindow, OpensPlaysEditsAndSaves)
{
    KELANIM_REQUIRE_REALDATA();
    test::application();
    for (const auto& source : test::real_levels()) {
        const std::string name = source.filename().string();
        SCOPED_TRACE(name);
        test::CaughtMessages messages;
        auto window = std::make_unique<TForm1>(qpath(test::output_dir("app-real") / (name + ".ini")));
        messages.take();

        window->OpenLevel(qpath(source));
        EXPECT_TRUE(messages.take().empty());
        ASSERT_EQ(window->ListBox1->count(), static_cast<int>(window->level().num_moveables));
        EXPECT_EQ(window->ListBox2->count(), static_cast<int>(window->level().num_static_meshes));
        for (int row = 0; row < window->ListBox1->count(); ++row)
            EXPECT_FALSE(window->ListBox1->item(row)->text().isEmpty());

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

        // Edit: the automatic bound, one box word by hand on keyframe 1 (its low
        // sixteen bits are kept), the parameters.
        window->Button1Click();
        EXPECT_EQ(window->SpinEdit1->value(), count - 1);
        window->SpinEdit1->setValue(1);
        window->box_fields[2]->setValue(40000);
        window->SpinEdit10->setValue(9);
        window->Button2->click();
        EXPECT_EQ(messages.take(), std::vector<QString>{"Updated."});
        const std::vector<std::int16_t> edited = box(window->level(), m, j, 1);
        EXPECT_EQ(edited[4], -25536);

        const std::filesystem::path saved = test::output_dir("app-real") / ("saved-" + name);
        std::filesystem::remove(saved);
        window->SaveLevelAs(qpath(saved));
        EXPECT_TRUE(messages.take().empty());
        EXPECT_EQ(window->windowTitle(), QString::fromStdString("Kelanim By Brennick - saved-" + name + "[*]"));
        window->OpenLevel(qpath(saved));
        EXPECT_TRUE(messages.take().empty());
        EXPECT_EQ(window->ListBox1->count(), static_cast<int>(window->level().num_moveables));
        EXPECT_EQ(keyframe_rate(window->level(), m, j), 9);
        EXPECT_EQ(box(window->level(), m, j, 1), edited);
    }
}

}  // namespace
}  // namespace kelanim
