// A spin edit whose limits work as the window's fields need them: equal
// minimum and maximum (0 and 0 at creation) mean no limits at all, so a field
// can take any number, and the maximum can be read back as it was set.
#pragma once

#include <QSpinBox>

namespace kelanim {

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    int MinValue() const { return min_value_; }
    int MaxValue() const { return max_value_; }
    void setMinValue(int value);
    void setMaxValue(int value);
    void setLimits(int min_value, int max_value);

private:
    void apply_limits();

    int min_value_ = 0;
    int max_value_ = 0;
};

}  // namespace kelanim
