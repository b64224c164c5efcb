#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QMenu>

#include <algorithm>
#include <fstream>

#include "app_test_support.h"

namespace kelanim {
namespace {

using test::qpath;
using test::WindowLevel;

class MainWindowTest : public test::WindowTest {
protected:
    void SetUp() override { WindowTest::SetUp(), open_window_level(); }
    std::int16_t frame_word(int moveable, int animation, int keyframe, int word) const
    {
        return window->level().frames[std::size_t(keyframe_word(window->level(), moveable, animation, keyframe) + word)];
    }
    std::vector<int> parameters() const  // next animation, next frame, frame rate, frame count
    {
        const TForm1& w = *window;
        return {w.SpinEdit8->value(), w.SpinEdit9->value(), w.SpinEdit10->value(), w.SpinEdit11->value()};
    }
};

// The captions, and where the layout rules put the controls that follow the
// window's size: the panel and the timeline reach 16 pixels from the right,
// the panel 64 from the bottom; the groups, labels and lists follow upwards.
// Below the design height nothing moves up.
TEST_F(MainWindowTest, CaptionsAndTheLayoutRules)
{
    QStringList captions{window->SpeedButton1->text(), window->Label7->text(), window->Label8->text(),
                         window->CheckAnimations1->text()};
    for (QAction* item : window->File1->actions()) captions << (item->isSeparator() ? "-" : item->text());
    EXPECT_EQ(captions, QStringList({"Play Animation", "Starting Frame:", "Ending  Frame:", "Check Animations...",
                                     "&Open", "&Save As...", "-", "Export to MS3d", "Import From MS3d",
                                     "Export to glTF...", "Import from glTF/FBX...", "-", "&Exit", "-",
                                     "&1  window.tr4"}));  // the recent files follow the last separator
    std::vector<std::vector<int>> arranged;
    for (const QSize size : {QSize(), QSize(1200, 900), QSize(1100, 700)}) {
        if (size.isValid()) window->showNormal(), window->resize(size);
        const TForm1& w = *window;
        arranged.push_back({w.Panel1->x(), w.Panel1->y(), w.Panel1->width(), w.Panel1->height(), w.Label7->x(),
                            w.Timeline1->geometry().right() + 1, w.GroupBox2->y(), w.GroupBox1->y(), w.Label7->y(),
                            w.Label8->y(), w.Label4->y(), w.Label5->y(), w.ListBox2->y(), w.ListBox1->height()});
    }
    EXPECT_EQ(arranged, (std::vector<std::vector<int>>{
                            {429, 49, 571, 639, 76, 1000, 607, 510, 486, 486, 486, 486, 301, 243},
                            {429, 49, 755, 787, 76, 1184, 755, 658, 634, 634, 634, 634, 449, 391},
                            {429, 49, 655, 787, 76, 1084, 755, 658, 634, 634, 634, 634, 449, 391}}));
}

TEST_F(MainWindowTest, OpeningAndChoosingFillTheFields)
{
    // Names from the TR4 list of the catalog; moveable 0, chosen, has no animations.
    EXPECT_EQ((QStringList{window->ListBox1->item(0)->text(), window->ListBox1->item(1)->text(),
                           window->ListBox2->item(0)->text(), window->windowTitle(), window->Label1->text()}),
              QStringList({"PISTOLS_ANIM", "LARA", "Mesh #0", "Kelanim By Brennick - window.tr4[*]", "No animations"}));
    EXPECT_EQ(std::vector<int>({window->ListBox2->count(), window->ComboBox1->count(), window->SpinEdit1->value()}),
              std::vector<int>({1, 0, -1}));
    EXPECT_TRUE(messages.take().empty());

    choose(WindowLevel::figure);
    EXPECT_EQ(QStringList({window->Label1->text(), window->Label2->text(), window->Label3->text(),
                           window->ComboBox1->itemText(3)}),
              QStringList({"Animations:4", "KFrames:16", "Frame Rate:25   Milkshape FPS:32", "Animation #3"}));
    EXPECT_EQ(std::vector<int>({window->SpinEdit1->value(), window->SpinEdit1->MaxValue(), window->Timer1->Interval()}),
              std::vector<int>({0, 15, 25}));

    const tanimation& second = window->level().animations[1];
    choose(WindowLevel::figure, 1);
    EXPECT_EQ(window->Label3->text() + " " + window->Label4->text() + " " + window->Label5->text(),
              QString("Frame Rate:100   Milkshape FPS:8 %1 %2").arg(second.frame_start).arg(second.frame_end));
    EXPECT_EQ(parameters(), (std::vector<int>{second.next_animation, second.next_frame, 4,
                                              second.frame_end - second.frame_start + 1}));
    // The box fields show keyframe 0: minimum x in the first field, maximum x in the fourth.
    EXPECT_EQ(std::pair(window->box_fields[0]->value(), window->box_fields[3]->value()),
              std::pair(int(frame_word(WindowLevel::figure, 1, 0, 0)), int(frame_word(WindowLevel::figure, 1, 0, 1))));

    // A frame rate of 0 shows 0 and leaves the timer still.
    window->SpeedButton1->click();
    choose(WindowLevel::figure, 2);
    EXPECT_EQ(window->Label3->text(), "Frame Rate:0   Milkshape FPS:0");
    EXPECT_EQ(std::pair(window->Timer1->Enabled(), window->Timer1->ticking()), std::pair(true, false));
    window->SpeedButton1->click();

    choose(WindowLevel::no_keyframes);
    EXPECT_EQ(window->Label1->text() + " " + window->Label2->text(), "Animations:1 KFrames:0");
    EXPECT_EQ(window->SpinEdit1->value(), -1);
    EXPECT_EQ(parameters(), (std::vector<int>{-1, -1, -1, -1}));
    window->SpinEdit11->setValue(5), window->Button2Click();  // "Apply" does nothing without keyframes, and says nothing
    EXPECT_TRUE(messages.take().empty());
    // Back to a moveable without animations: the parameter fields keep what they showed.
    choose(WindowLevel::no_animations);
    EXPECT_EQ(std::pair(window->Label1->text(), window->SpinEdit8->value()), std::pair(QString("No animations"), -1));
    for (const bool on : {true, false}) {  // the options choose what the viewport shows
        window->IgnoreTranslation1->trigger();
        window->CheckBox1->click();
        EXPECT_EQ(std::pair(window->selection().ignore_translation, window->selection().show_box), std::pair(on, on));
    }
}

TEST_F(MainWindowTest, PlaybackStepsAndWrapsTheKeyframes)
{
    choose(WindowLevel::figure, 3);
    ASSERT_EQ(window->Label2->text(), "KFrames:3");
    window->SpeedButton1->click();
    EXPECT_TRUE(window->Timer1->ticking());
    std::vector<int> shown{window->SpinEdit1->value()};
    for (int tick = 0; tick < 4; ++tick) window->Timer1Timer(), shown.push_back(window->SpinEdit1->value());
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 0, 1}));
    EXPECT_EQ(window->box_fields[1]->value(), frame_word(WindowLevel::figure, 3, 1, 2));  // each step shows its box
    window->box_fields[0]->setValue(1234);  // typed while playing: not stored
    EXPECT_NE(frame_word(WindowLevel::figure, 3, 1, 0), 1234);

    // Choosing a moveable without animations stops the timer but not the button.
    choose(WindowLevel::no_animations);
    EXPECT_EQ(std::pair(window->Timer1->Enabled(), window->playing()), std::pair(false, true));
    choose(WindowLevel::figure);
    EXPECT_TRUE(window->Timer1->ticking());
    // Without keyframes the first tick goes to 0 and stays there.
    choose(WindowLevel::no_keyframes);
    window->Timer1Timer(), window->Timer1Timer();
    EXPECT_EQ(window->SpinEdit1->value(), 0);
    window->SpeedButton1->click();
    EXPECT_FALSE(window->Timer1->Enabled());
}

// The automatic bound measures every keyframe, but not while playing; "Apply"
// stores the parameters and shows them again. Which animations shift is the
// editing library's rule, tested there.
TEST_F(MainWindowTest, TheBoundAndTheParametersEditTheAnimationShown)
{
    choose(WindowLevel::figure, 1);
    const std::vector<std::int16_t> measured = window->level().frames;  // the demo's boxes were measured alike
    const std::int32_t count = keyframe_count(window->level(), WindowLevel::figure, 1);
    for (int n = 0; n < count; ++n)
        std::fill_n(window->level().frames.begin() + keyframe_word(window->level(), WindowLevel::figure, 1, n), 6, 0);
    window->SpeedButton1->click(), window->Button1Click();
    EXPECT_EQ(frame_word(WindowLevel::figure, 1, 0, 1), 0);
    window->SpeedButton1->click(), window->Button1Click();
    EXPECT_EQ(window->level().frames, measured);
    EXPECT_EQ(std::pair(window->SpinEdit1->value(), window->box_fields[4]->value()),
              std::pair(count - 1, int(frame_word(WindowLevel::figure, 1, count - 1, 3))));

    const std::vector<tanimation> before = window->level().animations;
    const int amount = before[1].frame_end - before[1].frame_start + 1;
    window->SpinEdit8->setValue(2), window->SpinEdit10->setValue(7), window->SpinEdit11->setValue(amount - 10);
    window->Button2->click();
    EXPECT_EQ(messages.take(), std::vector<QString>{"Updated."});
    const std::vector<tanimation>& after = window->level().animations;
    EXPECT_EQ(std::vector<int>({after[1].next_animation, after[1].frame_end, after[2].frame_start}),
              std::vector<int>({2, before[1].frame_end - 10, before[2].frame_start - 10}));
    EXPECT_EQ(std::pair(window->SpinEdit11->value(), window->Label3->text()),
              std::pair(amount - 10, QString("Frame Rate:175   Milkshape FPS:4")));
}

// Files that do not open and models that do not import or export leave the
// open level as it was and say why; a damaged level opens with a warning.
TEST_F(MainWindowTest, RefusedFilesKeepTheOpenLevelAndADamagedOneOpensWithAWarning)
{
    choose(WindowLevel::figure, 1);
    const std::filesystem::path dir = test::short_output_dir("refused");
    QFocusEvent into(QEvent::FocusIn);  // the static mesh is shown, and exports without joints
    QApplication::sendEvent(window->ListBox2, &into);
    EXPECT_EQ(window->selection().view_mode, view_static_mesh);
    window->ExportSelection(qpath(dir / "pedestal.ms3d"), 1);
    EXPECT_EQ(messages.take(), std::vector<QString>{"Export Done."});
    QApplication::sendEvent(window->ListBox1, &into);
    EXPECT_EQ(window->selection().view_mode, view_moveable);
    const QString title = window->windowTitle();
    const std::vector<std::int16_t> frames = window->level().frames;
    std::ofstream(dir / "junk.tr2") << "this is no level at all";
    // A folder cannot be read as a file: the error is shown all the same.
    for (const auto& [name, reason] : {std::pair{qpath(dir / "missing.tr4"), QString("does not exist")},
                                       {qpath(dir / "junk.tr2"), QString("not a Tomb Raider level")},
                                       {qpath(dir), QString()}}) {
        SCOPED_TRACE(name.toStdString());
        window->OpenLevel(name);
        const QString shown = messages.only();
        EXPECT_TRUE(shown.contains(name) && shown.contains(reason)) << shown.toStdString();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the arrow is back
        EXPECT_EQ(window->windowTitle(), title);
    }
    window->ImportAnimation(qpath(dir / "pedestal.ms3d"));
    EXPECT_TRUE(messages.only().startsWith("File has different amount Joints than current selected movable"));
    window->ExportGltf(qpath(dir / "figure.obj"), true);
    EXPECT_TRUE(messages.only().contains("must end in \".glb\""));
    EXPECT_FALSE(std::filesystem::exists(dir / "figure.obj"));
    EXPECT_EQ(window->level().frames, frames);
    EXPECT_EQ(std::pair(window->ListBox1->count(), window->ComboBox1->currentIndex()), std::pair(3, 1));
    window->Timer1Timer();
    EXPECT_EQ(window->SpinEdit1->value(), 1);

    // A TR2 level cut after its texture pages and part of its body opens with a warning.
    const std::filesystem::path cut = dir / "cut.tr2";
    std::filesystem::copy_file(test::demo_level("demo.tr2").toStdString(), cut,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 9000);
    window->OpenLevel(qpath(cut));
    EXPECT_TRUE(messages.only().contains("damaged"));
    EXPECT_EQ(window->windowTitle(), "Kelanim By Brennick - cut.tr2[*]");
}

// Export and import back through the File menu: the animation comes back
// with as many keyframes (from glTF, word for word) and is shown again from its
// first keyframe, playback ended. How close the imported rotations come is the
// exchange libraries' matter, tested there.
TEST_F(MainWindowTest, AnExportedAnimationImportsBack)
{
    const std::filesystem::path folder = test::short_output_dir("exchange");
    window->OpenLevel(test::demo_level("demo.tr4"));
    choose(0, 2);
    const int keyframes = keyframe_count(window->level(), 0, 2);
    // Typed, filter chosen (MilkShape subversion 1, its ascii form, one animation in a .glb), file, whether glTF.
    for (const auto& [typed, filter, name, gltf] :
         {std::tuple{"fig", 2, "fig.ms3d", false}, {"fig.mst", 4, "fig.mst", false}, {"fig", 1, "fig.glb", true}}) {
        SCOPED_TRACE(name);
        const std::vector<std::int16_t> frames = window->level().frames;
        use_dialog(gltf ? window->ExporttoGltf1 : window->ExporttoMS3d1, folder / typed, filter);
        EXPECT_EQ(messages.only(), "Export Done.");
        window->SpeedButton1->click();
        use_dialog(gltf ? window->ImportfromglTF1 : window->ImportFromMS3d1, folder / name);
        EXPECT_EQ(messages.only(), "Import Sucessfull.");
        EXPECT_FALSE(window->playing());
        EXPECT_TRUE(!gltf || window->level().frames == frames);
        EXPECT_EQ(std::pair(window->SpinEdit1->value(), window->Label2->text()),
                  std::pair(0, QString("KFrames:%1").arg(keyframes)));
    }
}

}  // namespace
}  // namespace kelanim
