// The question asked before unsaved changes to the level would be lost:
// "Save changes to NAME?" with Save, Discard and Cancel. Like the message
// boxes, it can be answered by an installed handler instead of the user, so
// that the tests can give each answer.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kelanim {

enum class SaveAnswer { save, discard, cancel };

using SaveQuestionHandler = std::function<SaveAnswer(QWidget* parent, const QString& text)>;

// Asks whether to save the changes to the level file `name` (no directory).
SaveAnswer ask_to_save_changes(QWidget* parent, const QString& name);

// Replaces the way the question is asked; an empty handler restores the
// message box. Returns the handler that was installed before.
SaveQuestionHandler set_save_question_handler(SaveQuestionHandler handler);

}  // namespace kelanim
