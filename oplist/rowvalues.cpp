#include "oplist/rowvalues.h"

int rowNumber(const QString &cell)
{
    bool ok = false;
    const int value = cell.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}
