#include "app/spin_edit.h"

#include <limits>

namespace kelanim {

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) { apply_limits(); }

void TSpinEdit::setMinValue(int value)
{
    min_value_ = value;
    apply_limits();
}

void TSpinEdit::setMaxValue(int value)
{
    max_value_ = value;
    apply_limits();
}

void TSpinEdit::setLimits(int min_value, int max_value)
{
    min_value_ = min_value;
    max_value_ = max_value;
    apply_limits();
}

void TSpinEdit::apply_limits()
{
    if (min_value_ == max_value_)
        setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    else
        setRange(min_value_, std::max(min_value_, max_value_));
}

}  // namespace kelanim
