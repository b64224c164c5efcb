// The small adapters through which the level code reports to the window.
#pragma once

#include <QProgressBar>
#include <QString>

#include "app/main_window.h"
#include "app/message_box.h"
#include "level/sinks.h"

namespace kelanim {

// Progress of reading and writing on Gauge1, painted at once: the work runs
// on the window's thread and the bar would otherwise show only the end.
class TForm1::Gauge : public ProgressSink {
public:
    explicit Gauge(QProgressBar* bar) : bar_(bar) {}
    void set_progress(int percent) override
    {
        if (bar_->value() == percent) return;
        bar_->setValue(percent);
        bar_->repaint();
    }

private:
    QProgressBar* bar_;
};

// Messages of the level code become message boxes.
class TForm1::LevelMessages : public MessageSink {
public:
    explicit LevelMessages(QWidget* parent) : parent_(parent) {}
    void show_message(std::string_view text) override
    {
        kelanim::show_message(parent_, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                              MessageIcon::warning);
    }

private:
    QWidget* parent_;
};

}  // namespace kelanim
