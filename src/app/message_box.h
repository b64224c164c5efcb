// Every message box of the window goes through show_message, so that the
// tests can catch the messages instead of blocking on a modal box.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kelanim {

enum class MessageIcon { none, information, warning, error };

struct Message {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::none;
};

using MessageHandler = std::function<void(QWidget* parent, const Message& message)>;

// Shows a modal message box (or hands the message to the installed handler).
// An empty title takes the application's name.
void show_message(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::none,
                  const QString& title = {});

// Replaces the way messages are shown; an empty handler restores the message
// box. Returns the handler that was installed before.
MessageHandler set_message_handler(MessageHandler handler);

}  // namespace kelanim
