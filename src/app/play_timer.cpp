#include "app/play_timer.h"

namespace kelanim {

TTimer::TTimer(QObject* parent) : QObject(parent)
{
    connect(&timer_, &QTimer::timeout, this, &TTimer::OnTimer);
}

void TTimer::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    update_timer();
}

void TTimer::setInterval(int milliseconds)
{
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    update_timer();
}

void TTimer::update_timer()
{
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

}  // namespace kelanim
