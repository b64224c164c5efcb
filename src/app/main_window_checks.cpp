// What leads out of the selected animation (the state-change table under the
// viewport) and Edit > "Check Animations...".
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

#include "anim/keyframes.h"
#include "app/animation_links_table.h"
#include "app/check_dialog.h"
#include "app/main_window.h"

namespace kelanim {

void TForm1::create_animation_checks()
{
    // The table takes the foot of the viewport's panel, so every control
    // keeps its place.
    AnimationLinks = new TAnimationLinksTable(Panel1);
    AnimationLinks->setObjectName(QStringLiteral("AnimationLinks"));
    AnimationLinks->setFixedHeight(animation_links_height);
    auto* layout = static_cast<QVBoxLayout*>(Panel1->layout());
    if (layout->count() == 0) layout->addStretch();  // no picture above it
    layout->addWidget(AnimationLinks);

    Edit1->addSeparator();
    CheckAnimations1 = Edit1->addAction(QStringLiteral("Check Animations..."));
    connect(CheckAnimations1, &QAction::triggered, this, &TForm1::CheckAnimations1Click);
}

void TForm1::show_animation_links()
{
    AnimationLinks->show_animation(*level_, animation_index(*level_, ListBox1->currentRow(), ComboBox1->currentIndex()));
}

void TForm1::CheckAnimations1Click()
{
    TCheckDialog dialog(*level_, this);
    dialog.exec();
}

}  // namespace kelanim
