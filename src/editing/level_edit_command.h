// The undo commands of the window: every change to the level is one
// LevelEditCommand on Qt's undo stack, holding what the edit replaced.
#pragma once

#include <QString>
#include <QUndoCommand>

#include <functional>

#include "editing/level_change.h"

namespace kelanim {

enum class edit_kind {
    box_field,        // a bounding-box field typed or stepped
    automatic_bound,  // "Automatic Bound" over an animation
    parameters,       // "<--- Apply changes"
    import,           // an animation imported from another program's file
};

// Where the window stood when the edit was made. Undo and redo go back there,
// so that the user sees what they took back.
struct edit_place {
    int moveable = -1;
    int animation = -1;
    int keyframe = -1;
};

class LevelEditCommand : public QUndoCommand {
public:
    // Shows the level again at a place after undo or redo changed it.
    using ShowPlace = std::function<void(const edit_place&)>;

    // The edit has been made already: the first redo, which the stack runs
    // as the command is pushed, finds the level as it is and only shows it.
    // The level must outlive the command; the window empties its stack
    // before it replaces the level. `source` names the imported file.
    LevelEditCommand(edit_kind kind, Ttrlevel& level, level_change change, edit_place place, ShowPlace show,
                     const QString& source = {});

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

    edit_kind kind() const { return kind_; }
    const level_change& change() const { return change_; }

private:
    edit_kind kind_;
    Ttrlevel& level_;
    level_change change_;
    edit_place place_;
    ShowPlace show_;
    bool pushed_ = false;
};

// The text of the undo and redo items for an edit.
QString edit_caption(edit_kind kind, const QString& source = {});

}  // namespace kelanim
