// Undo and redo of every change to the level, the window's mark of unsaved
// changes, and the question asked before they would be lost.
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QUndoStack>

#include "app/main_window.h"
#include "app/save_question.h"
#include "app/spin_edit.h"
#include "editing/level_edit_command.h"

namespace kelanim {

void TForm1::create_undo()
{
    undo_stack_ = new QUndoStack(this);
    Undo1 = undo_stack_->createUndoAction(this, QStringLiteral("&Undo"));
    Undo1->setShortcuts(QKeySequence::Undo);
    Redo1 = undo_stack_->createRedoAction(this, QStringLiteral("&Redo"));
    Redo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // At the top of the Edit menu, above the export and view options.
    QAction* first = Edit1->actions().value(0);
    Edit1->insertActions(first, {Undo1, Redo1});
    Edit1->insertSeparator(first);

    // The stack's clean state is the saved (or opened) level; the caption
    // carries Qt's modified marker for everything else.
    connect(undo_stack_, &QUndoStack::cleanChanged, this, [this](bool clean) { setWindowModified(!clean); });
}

bool TForm1::record_edit(edit_kind kind, const std::function<bool()>& edit, const QString& source)
{
    if (recording_edit_) return edit();

    const edit_place place{ListBox1->currentRow(), ComboBox1->currentIndex(), SpinEdit1->value()};
    const animation_data before = copy_animation_data(*level_);
    bool done = false;
    recording_edit_ = true;
    try {
        done = edit();
    } catch (...) {
        recording_edit_ = false;
        throw;
    }
    recording_edit_ = false;

    // Whatever the edit changed is kept, also when it reports failure
    // half-way: undo must be able to take back every byte it wrote.
    level_change change = level_change::between(before, *level_);
    if (!change.empty())
        undo_stack_->push(new LevelEditCommand(
            kind, *level_, std::move(change), place, [this](const edit_place& at) { show_edit_place(at); }, source));
    return done;
}

void TForm1::show_edit_place(const edit_place& place)
{
    // The lists are filled again: an undone import may change what they show.
    {
        const QSignalBlocker quiet(ListBox1);
        ListBox1->setCurrentRow(place.moveable);
    }
    ListBox1Click();
    if (place.animation > 0 && place.animation < ComboBox1->count()) {
        ComboBox1->setCurrentIndex(place.animation);
        ComboBox1Change();
    }
    if (place.keyframe >= 0 && place.keyframe <= SpinEdit1->MaxValue()) SpinEdit1->setValue(place.keyframe);
    ShowKeyframeBox();
    refresh_viewport();
}

bool TForm1::may_discard_changes()
{
    if (undo_stack_->isClean()) return true;
    switch (ask_to_save_changes(this, QFileInfo(open_level_name_).fileName())) {
    case SaveAnswer::discard: return true;
    case SaveAnswer::cancel: return false;
    case SaveAnswer::save: break;
    }
    return SaveLevelAs(open_level_name_);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!may_discard_changes()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace kelanim
