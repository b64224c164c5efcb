// Export to MilkShape and import back, driven from the window.
#include "app/main_window.h"

#include <QComboBox>
#include <QLabel>
#include <QFocusEvent>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>

#include "anim/keyframes.h"
#include "app/file_filters.h"
#include "app/spin_edit.h"
#include "app_test_support.h"

namespace kelanim {
namespace {

using test::CaughtMessages;
using test::qpath;

class ExchangeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }
    void SetUp() override
    {
        folder = test::output_dir("exchange");
        window = std::make_unique<TForm1>(qpath(folder / "recent.ini"));
        window->OpenLevel(qpath(std::filesystem::path(KELANIM_SOURCE_DIR) / "data/demo/demo.tr4"));
        messages.take();
    }

    // Angles of every bone of every keyframe of animation j of the figure.
    std::vector<double> angles(int j) const
    {
        std::vector<double> all;
        for (int n = 0; n < keyframe_count(window->level(), 0, j); ++n)
            for (const tangles& a : decode_keyframe(window->level(), 0, j, n).angles) all.insert(all.end(), {a.x, a.y, a.z});
        return all;
    }

    std::filesystem::path folder;
    CaughtMessages messages;
    std::unique_ptr<TForm1> window;
};

// Two poses are the same when every bone turns every point the same way;
// the angle triples may differ by whole turns.
bool same_turns(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = std::remainder(a[i] - b[i], 360.0);
        if (std::abs(d) > 0.36) return false;
    }
    return true;
}

TEST_F(ExchangeTest, AnExportedAnimationImportsBackUnchanged)
{
    window->ComboBox1->setCurrentIndex(2);
    window->ComboBox1Change();
    const std::vector<double> before = angles(2);
    const int keyframes = keyframe_count(window->level(), 0, 2);

    const std::filesystem::path model = folder / "wave.ms3d";
    std::filesystem::remove(model);
    window->ExportSelection(qpath(model), 1);
    EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});
    EXPECT_TRUE(std::filesystem::exists(model));
    EXPECT_TRUE(std::filesystem::exists(folder / "wave.bmp"));

    window->SpeedButton1->click();
    window->ImportAnimation(qpath(model));
    EXPECT_EQ(messages.take(), std::vector<QString>{"Import Sucessfull."});
    EXPECT_FALSE(window->playing());  // the import ends playback
    EXPECT_EQ(keyframe_count(window->level(), 0, 2), keyframes);
    EXPECT_TRUE(same_turns(angles(2), before));
    // The animation is shown again from its first keyframe.
    EXPECT_EQ(window->SpinEdit1->value(), 0);
    EXPECT_EQ(window->Label2->text(), QString("KFrames:%1").arg(keyframes));
}

TEST_F(ExchangeTest, TheAsciiFormIsWrittenForItsFilter)
{
    const std::filesystem::path model = folder / "idle.mst";
    std::filesystem::remove(model);
    window->ExportSelection(qpath(model), 4);
    EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});
    EXPECT_TRUE(std::filesystem::exists(model));
}

TEST_F(ExchangeTest, AModelWithAnotherSkeletonIsRefused)
{
    // The static mesh exports without joints.
    QFocusEvent into(QEvent::FocusIn);
    QApplication::sendEvent(window->ListBox2, &into);
    const std::filesystem::path model = folder / "pedestal.ms3d";
    window->ExportSelection(qpath(model), 1);
    EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});

    QApplication::sendEvent(window->ListBox1, &into);
    const std::vector<std::int16_t> frames = window->level().frames;
    window->ImportAnimation(qpath(model));
    const std::vector<QString> shown = messages.take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].startsWith("File has different amount Joints than current selected movable"));
    EXPECT_EQ(window->level().frames, frames);
}

TEST(FileFilters, PairsBecomeQtFilters)
{
    const QStringList filters = dialog_filters(QString::fromLatin1(TForm1::level_filter));
    EXPECT_EQ(filters, QStringList{"Tomb Raider Files (*.phd *.tub *.tr2 *.tr4 *.trc)"});
    const QStringList two = dialog_filters("A, *.x|*.x|B|*.y");
    EXPECT_EQ(two, QStringList({"A, *.x (*.x)", "B (*.y)"}));
    EXPECT_EQ(filter_position(two, "B (*.y)"), 2);
    EXPECT_EQ(filter_position(two, "C"), 0);
}

}  // namespace
}  // namespace kelanim
