// The timeline: a slider over the keyframes of the current animation, and
// the guard that keeps the timeline's keys from the controls that need them.
#pragma once

#include <QSlider>

namespace kelanim {

class KeyframeTimeline : public QSlider {
    Q_OBJECT
public:
    explicit KeyframeTimeline(QWidget* parent = nullptr);

    // Shows keyframe `keyframe` of an animation of `count` keyframes, without
    // signalling; with no keyframes the slider rests at 0, disabled.
    void show_keyframe(int keyframe, int count);

Q_SIGNALS:
    // The user moved the slider to a keyframe.
    void keyframe_chosen(int keyframe);
};

// The window's Space shortcut would take the key from a focused button, check
// box or drop-down list, which use it themselves: those under `root` keep it.
// Spin boxes and line edits claim their keys on their own.
void keep_space_for_controls(QWidget* root);

}  // namespace kelanim
