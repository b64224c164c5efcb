#include "editing/level_edit_command.h"

namespace kelanim {

QString edit_caption(edit_kind kind, const QString& source)
{
    switch (kind) {
    case edit_kind::box_field: return QStringLiteral("Bounding Box Edit");
    case edit_kind::automatic_bound: return QStringLiteral("Automatic Bound");
    case edit_kind::parameters: return QStringLiteral("Animation Parameters");
    case edit_kind::import:
        return source.isEmpty() ? QStringLiteral("Import") : QStringLiteral("Import of %1").arg(source);
    }
    return {};
}

LevelEditCommand::LevelEditCommand(edit_kind kind, Ttrlevel& level, level_change change, edit_place place,
                                   ShowPlace show, const QString& source)
    : QUndoCommand(edit_caption(kind, source)), kind_(kind), level_(level), change_(std::move(change)),
      place_(place), show_(std::move(show))
{
}

void LevelEditCommand::undo()
{
    // A change that does not fit the level (which cannot happen while the
    // stack is emptied on every open) leaves the level alone.
    if (change_.undo(level_) && show_) show_(place_);
}

void LevelEditCommand::redo()
{
    if (!pushed_) {
        pushed_ = true;  // made already, and the window shows it
        return;
    }
    if (change_.redo(level_) && show_) show_(place_);
}

int LevelEditCommand::id() const
{
    // Only typing into a box field merges, and only while it stays in the
    // same words (absorb checks that).
    return kind_ == edit_kind::box_field ? 1 : -1;
}

bool LevelEditCommand::mergeWith(const QUndoCommand* other)
{
    const auto* later = dynamic_cast<const LevelEditCommand*>(other);
    return later && later->kind_ == kind_ && &later->level_ == &level_ && change_.absorb(later->change_);
}

}  // namespace kelanim
