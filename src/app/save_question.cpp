#include "app/save_question.h"

#include <QApplication>
#include <QMessageBox>

namespace kelanim {

namespace {

SaveQuestionHandler& installed_handler()
{
    static SaveQuestionHandler handler;
    return handler;
}

}  // namespace

SaveAnswer ask_to_save_changes(QWidget* parent, const QString& name)
{
    const QString text = QStringLiteral("Save changes to %1?").arg(name);
    if (const SaveQuestionHandler& handler = installed_handler()) return handler(parent, text);
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return SaveAnswer::save;
    case QMessageBox::Discard: return SaveAnswer::discard;
    default: return SaveAnswer::cancel;
    }
}

SaveQuestionHandler set_save_question_handler(SaveQuestionHandler handler)
{
    SaveQuestionHandler previous = std::move(installed_handler());
    installed_handler() = std::move(handler);
    return previous;
}

}  // namespace kelanim
