// Export to MilkShape and import back, driven from the window.
#include "app/main_window.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
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

using test::qpath;

class ExchangeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::application(); }
    void SetUp() override
    {
        window = std::make_unique<TForm1>(qpath(folder / "recent.ini"));
        window->OpenLevel(test::demo_level("demo.tr4"));
        messages.take();
    }

    // Angles of every bone of every keyframe of animation j of the figure.
    std::vector<double> angles(int j) const
    {
        std::vector<double> all;
        for (int n = 0; n < keyframe_count(window->level(), 0, j); ++n)
            for (const tangles& a : decode_keyframe(window->level(), 0, j, n).angles)
                all.insert(all.end(), {a.x, a.y, a.z});
        return all;
    }

    const std::filesystem::path folder = test::short_output_dir("exchange");
    test::CaughtMessages messages;
    std::unique_ptr<TForm1> window;
};

TEST_F(ExchangeTest, AnExportedAnimationImportsBackUnchanged)
{
    window->ComboBox1->setCurrentIndex(2);
    window->ComboBox1Change();
    const std::vector<double> before = angles(2);
    const int keyframes = keyframe_count(window->level(), 0, 2);

    // Filter 1 is the binary form, filter 4 the ascii one.
    for (const auto& [name, filter] : {std::pair{"wave.ms3d", 1}, std::pair{"wave.mst", 4}}) {
        SCOPED_TRACE(name);
        std::filesystem::remove(folder / name);
        window->ExportSelection(qpath(folder / name), filter);
        EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});
        EXPECT_TRUE(std::filesystem::exists(folder / "wave.bmp"));

        window->SpeedButton1->click();
        window->ImportAnimation(qpath(folder / name));
        EXPECT_EQ(messages.take(), std::vector<QString>{"Import Sucessfull."});
        EXPECT_FALSE(window->playing());  // the import ends playback
        EXPECT_EQ(keyframe_count(window->level(), 0, 2), keyframes);
        // The same pose: every angle alike up to whole turns.
        const std::vector<double> after = angles(2);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < after.size(); ++i)
            EXPECT_LT(std::abs(std::remainder(after[i] - before[i], 360.0)), 0.36) << i;
        // The animation is shown again from its first keyframe.
        EXPECT_EQ(window->SpinEdit1->value(), 0);
        EXPECT_EQ(window->Label2->text(), QString("KFrames:%1").arg(keyframes));
    }
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

TEST_F(ExchangeTest, AGltfAnimationImportsBackAsItWasAndAnUnknownExtensionIsRefused)
{
    window->ComboBox1->setCurrentIndex(2);
    window->ComboBox1Change();
    const std::vector<double> before = angles(2);
    window->ExportGltf(qpath(folder / "wave.glb"), false);
    EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});
    window->ImportModelAnimation(qpath(folder / "wave.glb"));
    EXPECT_EQ(messages.take(), std::vector<QString>{"Import Sucessfull."});
    EXPECT_EQ(angles(2), before);

    window->ExportGltf(qpath(folder / "figure.obj"), true);
    const std::vector<QString> shown = messages.take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].contains("must end in \".glb\"")) << shown[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists(folder / "figure.obj"));
}

TEST(FileFilters, PairsBecomeQtFilters)
{
    EXPECT_EQ(dialog_filters(QString::fromLatin1(TForm1::level_filter)),
              QStringList{"Tomb Raider Files (*.phd *.tub *.tr2 *.tr4 *.trc)"});
    const QStringList two = dialog_filters("A, *.x|*.x|B|*.y");
    EXPECT_EQ(two, QStringList({"A, *.x (*.x)", "B (*.y)"}));
    EXPECT_EQ(filter_position(two, "B (*.y)"), 2);
    EXPECT_EQ(filter_position(two, "C"), 0);
}

}  // namespace
}  // namespace kelanim
