#include "oplist/rowvalues.h"

int rowNumber(const QString &cell)
{
    bool ok = false;
    const int value = cell.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

bool isPlainRowNumber(const QString &cell)
{
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok && value >= 0;
}
