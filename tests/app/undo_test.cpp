#include <QTest>
#include <QUndoStack>

#include "app/save_question.h"
#include "app_test_support.h"

namespace kelanim {
namespace {

using test::qpath;
using test::WindowLevel;

class UndoTest : public test::WindowTest {
protected:
    void SetUp() override { WindowTest::SetUp(), open_window_level("level.tr4"), choose(WindowLevel::figure); }
    const std::filesystem::path level = test::output_dir() / "level.tr4";
};

// Every kind of edit is undone to the very bytes that were loaded, and the
// controls show the restored values.
TEST_F(UndoTest, UndoingEveryEditGivesBackTheLoadedBytes)
{
    const std::int16_t box_word = window->box_fields[3]->value();
    window->ExportSelection(qpath(test::output_dir() / "three.ms3d"), 1);
    window->box_fields[3]->setValue(1);
    window->box_fields[3]->setValue(12);  // typing on in the same field is one edit
    window->Button1Click();
    window->SpinEdit11->setValue(5), window->Button2Click();
    choose(WindowLevel::figure, 1);
    window->ImportAnimation(qpath(test::output_dir() / "three.ms3d"));
    ASSERT_EQ(std::pair(window->undo_stack()->count(), window->isWindowModified()), std::pair(4, true));
    const std::vector<std::int16_t> edited = window->level().frames;

    while (window->undo_stack()->canUndo()) window->Undo1->trigger();
    EXPECT_EQ(std::tuple(window->isWindowModified(), window->ComboBox1->currentIndex(), window->box_fields[3]->value()),
              std::tuple(false, 0, int(box_word)));
    use_dialog(window->SaveAs1, test::short_output_dir("undo") / "undone.tr4");  // a folder of this run
    EXPECT_EQ(test::read_file(test::short_output_dir("undo") / "undone.tr4"), test::read_file(level));

    while (window->undo_stack()->canRedo()) window->Redo1->trigger();
    EXPECT_EQ(std::pair(window->level().frames, window->ComboBox1->currentIndex()), std::pair(edited, 1));
}

// The three answers to "Save changes to NAME?" before another level opens
// and before the window closes; a save that fails is a cancel.
TEST_F(UndoTest, TheSaveQuestionsAnswersOnOpenAndOnClose)
{
    const std::filesystem::path other = test::write_window_level(test::output_dir() / "other.tr4");
    const struct {
        SaveAnswer answer;
        bool closing, save_fails, goes_on;
    } cases[] = {{SaveAnswer::save, false, false, true},     {SaveAnswer::discard, false, false, true},
                 {SaveAnswer::cancel, false, false, false},  {SaveAnswer::save, false, true, false},
                 {SaveAnswer::save, true, false, true},      {SaveAnswer::discard, true, false, true},
                 {SaveAnswer::cancel, true, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.answer) << " closing " << c.closing << " fails " << c.save_fails);
        SetUp();
        window->show();
        const std::vector<std::uint8_t> loaded = test::read_file(level);
        window->box_fields[3]->setValue(1234);
        QStringList asked;
        set_save_question_handler([&](QWidget*, const QString& text) { return asked << text, c.answer; });
        if (c.save_fails) std::filesystem::remove(level), std::filesystem::create_directory(level);
        if (!c.closing) use_dialog(window->Open1, other);
        const bool went_on = c.closing ? window->close() : window->windowTitle().contains("other.tr4");
        set_save_question_handler({});
        messages.take();
        EXPECT_EQ(asked, QStringList{"Save changes to level.tr4?"});
        EXPECT_EQ(std::pair(went_on, window->isWindowModified()),
                  std::pair(c.goes_on, !c.goes_on || (c.closing && c.answer == SaveAnswer::discard)));
        EXPECT_EQ(!c.save_fails && test::read_file(level) != loaded, c.answer == SaveAnswer::save && !c.save_fails);
        if (c.save_fails) std::filesystem::remove(level);
    }
}

// Playback past the last keyframe goes on in the next animation at the
// keyframe its next frame falls in; a chain that leads nowhere loops.
TEST_F(UndoTest, ChainedPlaybackCrossesIntoTheNextAnimation)
{
    const tanimation& target = window->level().animations[1];  // the figure's animation 1, rate 4
    const int into_third = target.frame_start + 2 * 4 + 1;
    const int short_end = window->level().animations[3].frame_end;  // past its three keyframes: the last one
    window->FollowNextAnimation1->setChecked(true);
    for (const auto& [next, frame, animation, keyframe] : {std::array{1, into_third, 1, 2},
                                                           std::array{3, short_end, 3, 2},
                                                           std::array{99, into_third, 3, 0},
                                                           std::array{1, target.frame_end + 1, 3, 0}}) {
        choose(WindowLevel::figure, 3);
        window->SpinEdit8->setValue(next), window->SpinEdit9->setValue(frame), window->Button2Click();
        window->SpinEdit1->setValue(2);  // the last keyframe
        window->Timer1Timer();
        const TForm1& w = *window;
        EXPECT_EQ(std::vector<int>({w.ComboBox1->currentIndex(), w.SpinEdit1->value(), w.Timeline1->value()}),
                  std::vector<int>({animation, keyframe, keyframe}));
    }
    window->Timeline1->setValue(1);  // moved by the user
    EXPECT_EQ(window->SpinEdit1->value(), 1);
}

// Left, Right and Space work from the lists but leave a field's typing alone.
TEST_F(UndoTest, TheTimelineKeysLeaveTypingAlone)
{
    window->show(), window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QWidget *list = window->ListBox1, *field = window->box_fields[0];
    const struct {
        QWidget* focus;
        Qt::Key key;
        int keyframe;
        bool playing;
    } presses[] = {{list, Qt::Key_Right, 1, false}, {list, Qt::Key_Right, 2, false}, {list, Qt::Key_Left, 1, false},
                   {field, Qt::Key_Left, 1, false}, {field, Qt::Key_Space, 1, false}, {list, Qt::Key_Space, 1, true}};
    for (const auto& press : presses) {
        press.focus->setFocus();
        QTest::keyClick(press.focus, press.key);
        EXPECT_EQ(std::tuple(window->SpinEdit1->value(), window->Timeline1->value(), window->playing()),
                  std::tuple(press.keyframe, press.keyframe, press.playing));
    }
}

}  // namespace
}  // namespace kelanim
