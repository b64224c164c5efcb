// Export and import back, driven from the window.
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>

#include <cmath>

#include "anim/keyframes.h"
#include "app/file_filters.h"
#include "app/spin_edit.h"
#include "app_test_support.h"

namespace kelanim {
namespace {

using test::qpath;

class ExchangeTest : public test::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window->OpenLevel(test::demo_level("demo.tr4"));
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
    const std::filesystem::path folder = test::short_output_dir("exchange");
};

// The same pose comes back (from glTF the very angles, from MilkShape alike up
// to whole turns and rounding); the animation is shown again from its first
// keyframe, playback ended.
TEST_F(ExchangeTest, AnExportedAnimationImportsBackUnchanged)
{
    choose(0, 2);
    const std::vector<double> before = angles(2);
    const int keyframes = keyframe_count(window->level(), 0, 2);
    // Filter 1 is MilkShape's binary form, filter 4 its ascii one; 0 stands for glTF.
    for (const auto& [name, filter] : {std::pair{"wave.ms3d", 1}, {"wave.mst", 4}, {"wave.glb", 0}}) {
        SCOPED_TRACE(name);
        std::filesystem::remove(folder / name);
        filter ? window->ExportSelection(qpath(folder / name), filter) : window->ExportGltf(qpath(folder / name), false);
        EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});
        if (filter) EXPECT_TRUE(std::filesystem::exists(folder / "wave.bmp"));
        window->SpeedButton1->click();
        filter ? window->ImportAnimation(qpath(folder / name)) : window->ImportModelAnimation(qpath(folder / name));
        EXPECT_EQ(messages.take(), std::vector<QString>{"Import Sucessfull."});
        EXPECT_FALSE(window->playing());
        const std::vector<double> after = angles(2);
        ASSERT_EQ(after.size(), before.size());
        if (!filter) EXPECT_EQ(after, before);
        for (std::size_t i = 0; i < after.size(); ++i)
            EXPECT_LT(std::abs(std::remainder(after[i] - before[i], 360.0)), 0.36) << i;
        EXPECT_EQ(window->SpinEdit1->value(), 0);
        EXPECT_EQ(window->Label2->text(), QString("KFrames:%1").arg(keyframes));
    }
}

TEST_F(ExchangeTest, AModelWithAnotherSkeletonOrAnUnknownExtensionIsRefused)
{
    // The static mesh exports without joints.
    QFocusEvent into(QEvent::FocusIn);
    QApplication::sendEvent(window->ListBox2, &into);
    window->ExportSelection(qpath(folder / "pedestal.ms3d"), 1);
    EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});
    QApplication::sendEvent(window->ListBox1, &into);
    const std::vector<std::int16_t> frames = window->level().frames;
    window->ImportAnimation(qpath(folder / "pedestal.ms3d"));
    window->ExportGltf(qpath(folder / "figure.obj"), true);
    const std::vector<QString> shown = messages.take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].startsWith("File has different amount Joints than current selected movable")) << shown[0].toStdString();
    EXPECT_TRUE(shown[1].contains("must end in \".glb\"")) << shown[1].toStdString();
    EXPECT_EQ(window->level().frames, frames);
    EXPECT_FALSE(std::filesystem::exists(folder / "figure.obj"));
}

TEST(FileFilters, PairsBecomeQtFilters)
{
    EXPECT_EQ(dialog_filters(QString::fromLatin1(TForm1::level_filter)),
              QStringList{"Tomb Raider Files (*.phd *.tub *.tr2 *.tr4 *.trc)"});
    const QStringList two = dialog_filters("A, *.x|*.x|B|*.y");
    EXPECT_EQ(two, QStringList({"A, *.x (*.x)", "B (*.y)"}));
    EXPECT_EQ(std::pair(filter_position(two, "B (*.y)"), filter_position(two, "C")), std::pair(2, 0));
}

}  // namespace
}  // namespace kelanim
