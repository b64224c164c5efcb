// File dialog filters written as "Description|*.a;*.b|Description|*.c"
// pairs, turned into what Qt's file dialogs take.
#pragma once

#include <QString>
#include <QStringList>

namespace kelanim {

// One Qt filter a pair: "Description (*.a *.b)".
QStringList dialog_filters(const QString& pairs);

// The position (from 1) of `chosen` among the filters, or 0.
int filter_position(const QStringList& filters, const QString& chosen);

}  // namespace kelanim
