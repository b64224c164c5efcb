// Editing the selected animation: the bounding-box fields, the automatic
// bound, the animation parameters and the Edit menu's check items.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/spin_edit.h"
#include "editing/animation_editing.h"
#include "editing/level_edit_command.h"

namespace kelanim {

void TForm1::ShowKeyframeBox()
{
    const auto fields = keyframe_box_fields(*level_, ListBox1->currentRow(), ComboBox1->currentIndex(),
                                            SpinEdit1->value());
    if (!fields) return;  // no box to show: the fields keep their values
    FillingBox = true;
    for (std::size_t f = 0; f < fields->size(); ++f) box_fields[f]->setValue((*fields)[f]);
    FillingBox = false;
}

void TForm1::SpinEditBoxChange(int field)
{
    // Values shown by the window itself, and values typed while the
    // animation plays, are not stored.
    if (FillingBox || playing()) return;
    record_edit(edit_kind::box_field, [&] {
        return set_keyframe_box_field(*level_, ListBox1->currentRow(), ComboBox1->currentIndex(), SpinEdit1->value(),
                                      field, box_fields[static_cast<std::size_t>(field)]->value());
    });
    refresh_viewport();
}

void TForm1::CheckBox1Click() { refresh_viewport(); }

void TForm1::Button1Click()
{
    if (playing()) return;
    const int m = ListBox1->currentRow();
    const int j = ComboBox1->currentIndex();
    // Each keyframe is shown while it is measured; the selection stays on
    // the last one.
    record_edit(edit_kind::automatic_bound, [&] {
        for (int n = 0; n <= SpinEdit1->MaxValue(); ++n) {
            SpinEdit1->setValue(n);
            automatic_bound(*level_, *meshes_, m, j, n);
        }
        return true;
    });
    ShowKeyframeBox();
    refresh_viewport();
}

void TForm1::Button2Click()
{
    const tanimation_parameters parameters{SpinEdit8->value(), SpinEdit9->value(), SpinEdit10->value(),
                                           SpinEdit11->value()};
    const bool applied = record_edit(edit_kind::parameters, [&] {
        return apply_animation_parameters(*level_, ListBox1->currentRow(), ComboBox1->currentIndex(), parameters);
    });
    if (!applied) return;
    ComboBox1Change();
    show_message(this, QStringLiteral("Updated."));
}

void TForm1::IgnoreTranslation1Click() { refresh_viewport(); }

void TForm1::FixRootYposition1Click()
{
    // Read by the export only; the view does not change.
}

}  // namespace kelanim
