// Following the selection: moveable, animation, keyframe and static mesh;
// playback on the timer.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QAction>
#include <QPushButton>

#include "anim/keyframes.h"
#include "app/main_window.h"
#include "app/play_timer.h"
#include "app/spin_edit.h"
#include "editing/animation_editing.h"

namespace kelanim {

namespace {

void set_label(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

}  // namespace

void TForm1::ListBox1Click()
{
    const int m = ListBox1->currentRow();
    Timer1->setEnabled(false);
    ComboBox1->clear();
    const std::int32_t n = animation_count(*level_, m);
    if (n != 0) {
        set_label(Label1, QStringLiteral("Animations:%1").arg(n));
        for (std::int32_t i = 0; i < n; ++i) ComboBox1->addItem(QStringLiteral("Animation #%1").arg(i));
        ComboBox1->setCurrentIndex(0);
        ComboBox1Change();
        start_timer_if_playing();
    } else {
        // The animation parameter fields and the frame labels keep what they showed.
        set_label(Label1, QStringLiteral("No animations"));
        ComboBox1->setCurrentIndex(-1);
        SpinEdit1->setValue(-1);
        refresh_viewport();
        show_animation_links();
    }
}

void TForm1::ComboBox1Change()
{
    const int m = ListBox1->currentRow();
    const int j = ComboBox1->currentIndex();
    const std::int32_t c = keyframe_count(*level_, m, j);
    SpinEdit1->setValue(0);
    SpinEdit1->setMaxValue(c - 1);
    set_label(Label2, QStringLiteral("KFrames:%1").arg(c));
    frame_rate_ = keyframe_rate(*level_, m, j);
    if (c == 0) SpinEdit1->setValue(-1);

    // 25 ms per game tick. A frame rate of 0 gives no interval: the timer
    // does not run and the figures show 0 rather than a division by 0.
    const int interval = frame_rate_ * 1000 / 40;
    Timer1->setInterval(interval);
    set_label(Label3, QStringLiteral("Frame Rate:%1   Milkshape FPS:%2").arg(interval).arg(interval > 0 ? 800 / interval : 0));

    ShowKeyframeBox();
    refresh_viewport();

    const int k = static_cast<int>(animation_index(*level_, m, j));
    if (k >= 0 && static_cast<std::size_t>(k) < level_->animations.size()) {
        const tanimation& a = level_->animations[static_cast<std::size_t>(k)];
        set_label(Label4, QString::number(a.frame_start));
        set_label(Label5, QString::number(a.frame_end));
    }
    if (const auto parameters = animation_parameters(*level_, m, j)) {
        SpinEdit8->setValue(parameters->next_animation);
        SpinEdit9->setValue(parameters->next_frame);
        SpinEdit10->setValue(parameters->frame_rate);
        SpinEdit11->setValue(parameters->amount_frames);
    }
    if (c == 0)
        for (TSpinEdit* field : {SpinEdit8, SpinEdit9, SpinEdit10, SpinEdit11}) field->setValue(-1);
    show_animation_links();
}

void TForm1::SpinEdit1Change()
{
    ShowKeyframeBox();
    refresh_viewport();
}

void TForm1::ListBox1Enter()
{
    ViewMode = view_moveable;
    refresh_viewport();
}

void TForm1::ListBox2Enter()
{
    ViewMode = view_static_mesh;
    refresh_viewport();
}

void TForm1::ListBox2Click() { refresh_viewport(); }

void TForm1::SpeedButton1Click() { Timer1->setEnabled(SpeedButton1->isChecked()); }

void TForm1::Timer1Timer()
{
    // Every tick shows the next stored keyframe; past the last one the
    // animation starts again, or goes on with its next animation when the
    // chain is followed and can be.
    const int n = SpinEdit1->value();
    if (n >= SpinEdit1->MaxValue() && FollowNextAnimation1->isChecked() && follow_next_animation()) return;
    SpinEdit1->setValue(n >= SpinEdit1->MaxValue() ? 0 : n + 1);
}

}  // namespace kelanim
