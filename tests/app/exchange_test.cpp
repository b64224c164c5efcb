// Export and import back, driven from the window. How close the imported
// rotations come is the exchange libraries' matter, tested there.
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>

#include "anim/keyframes.h"
#include "app/file_filters.h"
#include "app/spin_edit.h"
#include "app_test_support.h"

namespace kelanim {
namespace {

using test::qpath;
using ExchangeTest = test::WindowTest;

// The animation comes back with as many keyframes (from glTF, word for word)
// and is shown again from its first keyframe, playback ended.
TEST_F(ExchangeTest, AnExportedAnimationImportsBack)
{
    const std::filesystem::path folder = test::short_output_dir("exchange");
    window->OpenLevel(test::demo_level("demo.tr4"));
    choose(0, 2);
    const int keyframes = keyframe_count(window->level(), 0, 2);
    // Filter 1 is MilkShape's binary form, filter 4 its ascii one; 0 stands for glTF.
    for (const auto& [name, filter] : {std::pair{"wave.ms3d", 1}, {"wave.mst", 4}, {"wave.glb", 0}}) {
        SCOPED_TRACE(name);
        const std::vector<std::int16_t> frames = window->level().frames;
        std::filesystem::remove(folder / name);
        filter ? window->ExportSelection(qpath(folder / name), filter) : window->ExportGltf(qpath(folder / name), false);
        EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});
        EXPECT_TRUE(!filter || std::filesystem::exists(folder / "wave.bmp"));
        window->SpeedButton1->click();
        filter ? window->ImportAnimation(qpath(folder / name)) : window->ImportModelAnimation(qpath(folder / name));
        EXPECT_EQ(messages.take(), std::vector<QString>{"Import Sucessfull."});
        EXPECT_FALSE(window->playing());
        EXPECT_EQ(keyframe_count(window->level(), 0, 2), keyframes);
        EXPECT_TRUE(filter || window->level().frames == frames);
        EXPECT_EQ(window->SpinEdit1->value(), 0);
        EXPECT_EQ(window->Label2->text(), QString("KFrames:%1").arg(keyframes));
    }
}

TEST_F(ExchangeTest, AModelWithAnotherSkeletonOrAnUnknownExtensionIsRefused)
{
    const std::filesystem::path folder = test::short_output_dir("refused");
    window->OpenLevel(test::demo_level("demo.tr4"));
    QFocusEvent into(QEvent::FocusIn);  // the static mesh exports without joints
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
