#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace kelanim {

namespace {

MessageHandler& installed_handler()
{
    static MessageHandler handler;
    return handler;
}

QMessageBox::Icon box_icon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::information: return QMessageBox::Information;
    case MessageIcon::warning: return QMessageBox::Warning;
    case MessageIcon::error: return QMessageBox::Critical;
    case MessageIcon::none: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void show_message(QWidget* parent, const QString& text, MessageIcon icon, const QString& title)
{
    Message message{title.isEmpty() ? QApplication::applicationName() : title, text, icon};
    if (const MessageHandler& handler = installed_handler()) {
        handler(parent, message);
        return;
    }
    QMessageBox box(box_icon(icon), message.title, message.text, QMessageBox::Ok, parent);
    box.exec();
}

MessageHandler set_message_handler(MessageHandler handler)
{
    MessageHandler previous = std::move(installed_handler());
    installed_handler() = std::move(handler);
    return previous;
}

}  // namespace kelanim
