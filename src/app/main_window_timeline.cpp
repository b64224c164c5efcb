// The timeline over the keyframes, its keys, and playback that follows an
// animation into its next animation.
#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

#include "anim/animation_chain.h"
#include "anim/keyframes.h"
#include "app/main_window.h"
#include "app/spin_edit.h"
#include "app/timeline.h"

namespace kelanim {

namespace {

// In the free space right of the gauge, level with the play button.
constexpr int timeline_left = 630, timeline_top = 17, timeline_height = 22;

}  // namespace

void TForm1::create_timeline()
{
    Timeline1 = new KeyframeTimeline(centralWidget());
    Timeline1->setGeometry(timeline_left, timeline_top, design_width - 16 - timeline_left, timeline_height);
    connect(Timeline1, &KeyframeTimeline::keyframe_chosen, this, &TForm1::Timeline1Change);

    // Window-wide keys. A focused spin box or line edit claims its keys
    // before a shortcut sees them, so typing in the fields is untouched.
    auto key = [this](Qt::Key code, auto handler) {
        auto* shortcut = new QShortcut(QKeySequence(code), this);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    key(Qt::Key_Left, [this] { step_keyframe(-1); });
    key(Qt::Key_Right, [this] { step_keyframe(1); });
    key(Qt::Key_Space, [this] { SpeedButton1->click(); });
    keep_space_for_controls(centralWidget());

    Edit1->addSeparator();
    FollowNextAnimation1 = Edit1->addAction(QStringLiteral("Follow Next Animation"));
    FollowNextAnimation1->setCheckable(true);
}

void TForm1::Timeline1Change(int keyframe) { SpinEdit1->setValue(keyframe); }

void TForm1::step_keyframe(int by)
{
    const int last = SpinEdit1->MaxValue();
    if (last < 0) return;  // no keyframes
    SpinEdit1->setValue(std::clamp(SpinEdit1->value() + by, 0, last));
}

void TForm1::sync_timeline()
{
    Timeline1->show_keyframe(SpinEdit1->value(),
                             keyframe_count(*level_, ListBox1->currentRow(), ComboBox1->currentIndex()));
}

bool TForm1::follow_next_animation()
{
    const auto step = next_in_chain(*level_, ListBox1->currentRow(), ComboBox1->currentIndex());
    if (!step) return false;
    // Into another animation as if the user chose it: the fields, labels and
    // the interval follow it. An animation that leads into itself only jumps.
    if (step->animation != ComboBox1->currentIndex()) {
        ComboBox1->setCurrentIndex(step->animation);
        ComboBox1Change();
    }
    SpinEdit1->setValue(step->keyframe);
    return true;
}

}  // namespace kelanim
