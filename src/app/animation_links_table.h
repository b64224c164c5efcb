// A read-only table of what leads out of the selected animation: its state
// changes with their frame ranges and targets, and its animation commands
// decoded by name with their arguments.
#pragma once

#include <QTableWidget>

#include <cstdint>

#include "level/ttrlevel.h"

namespace kelanim {

class TAnimationLinksTable : public QTableWidget {
public:
    explicit TAnimationLinksTable(QWidget* parent = nullptr);

    // Lists level-wide animation k of the level; an animation that does not
    // exist leaves the table empty.
    void show_animation(const Ttrlevel& level, std::int64_t k);
};

}  // namespace kelanim
