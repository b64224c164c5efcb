// Edit > "Check Animations...": the findings of the level check in a dialog.
#pragma once

#include <QDialog>

#include "level/ttrlevel.h"

class QTableWidget;

namespace kelanim {

class TCheckDialog : public QDialog {
public:
    TCheckDialog(const Ttrlevel& level, QWidget* parent = nullptr);

    // One row a finding: place, problem, what is wrong.
    QTableWidget* findings() const { return findings_; }

private:
    QTableWidget* findings_;
};

}  // namespace kelanim
