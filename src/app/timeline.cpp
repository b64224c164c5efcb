#include "app/timeline.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>

#include <algorithm>

namespace kelanim {

namespace {

// Claims an unmodified Space for the control that has the focus.
class SpaceClaim : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

KeyframeTimeline::KeyframeTimeline(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("Timeline1"));
    setToolTip(QStringLiteral("Keyframes (Left, Right: step; Space: play)"));
    setSingleStep(1);
    show_keyframe(0, 0);
    connect(this, &QSlider::valueChanged, this, &KeyframeTimeline::keyframe_chosen);
}

void KeyframeTimeline::show_keyframe(int keyframe, int count)
{
    const QSignalBlocker quiet(this);
    const int last = std::max(count - 1, 0);
    setRange(0, last);
    setPageStep(std::max(1, count / 10));
    setValue(std::clamp(keyframe, 0, last));
    setEnabled(count > 0);
}

void keep_space_for_controls(QWidget* root)
{
    auto* claim = new SpaceClaim(root);
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) button->installEventFilter(claim);
    for (QComboBox* list : root->findChildren<QComboBox*>()) list->installEventFilter(claim);
}

}  // namespace kelanim
