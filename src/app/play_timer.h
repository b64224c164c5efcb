// The playback timer: enabled or not, with an interval in milliseconds. It
// ticks only while enabled with an interval above 0, so an animation whose
// frame rate gives 0 ms never floods the window with ticks; a new interval
// takes effect at once, restarting the wait.
#pragma once

#include <QObject>
#include <QTimer>

namespace kelanim {

class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject* parent = nullptr);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int Interval() const { return interval_; }
    void setInterval(int milliseconds);
    // True while ticks actually arrive.
    bool ticking() const { return timer_.isActive(); }

Q_SIGNALS:
    void OnTimer();

private:
    void update_timer();

    QTimer timer_;
    bool enabled_ = false;
    int interval_ = 100;
};

}  // namespace kelanim
