#include "app/file_filters.h"

namespace kelanim {

QStringList dialog_filters(const QString& pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        filters << parts[i].trimmed() + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')');
    }
    return filters;
}

int filter_position(const QStringList& filters, const QString& chosen)
{
    return static_cast<int>(filters.indexOf(chosen) + 1);
}

}  // namespace kelanim
