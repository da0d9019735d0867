#include "cli/adapternote.h"

#include "adapter/adapterlibrary.h"

#include <QCoreApplication>

QString adapterNotFoundNote(const AdapterEntries &entries, int device)
{
    const int attached = entries.scan ? entries.scan(0) : 0;
    if (attached <= 0 || device < attached)
        return QString();
    const QString indices =
        attached == 1 ? QStringLiteral("0") : QStringLiteral("0-%1").arg(attached - 1);
    if (attached == 1)
        return QCoreApplication::translate("kavris-run",
                                           "kavris-run: adapter %1 not found: 1 adapter attached "
                                           "(%2)")
            .arg(device)
            .arg(indices);
    return QCoreApplication::translate("kavris-run",
                                       "kavris-run: adapter %1 not found: %2 adapters attached "
                                       "(%3)")
        .arg(device)
        .arg(attached)
        .arg(indices);
}
