#include "transfer/filesaving.h"

#include <QSaveFile>

bool saveFileReplacing(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Writing straight into the target would truncate it before a failure could be noticed.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
