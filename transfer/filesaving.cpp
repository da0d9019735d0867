#include "transfer/filesaving.h"

#include <QSaveFile>

bool saveFileReplacing(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Writing straight into the target would truncate it before a failure could be noticed.
    file.setDirectWriteFallback(false);
    // Unbuffered, so that a short write (a full disk) shows in write()'s result instead of
    // being lost in a buffer flush that reports partial success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool saveFileWith(const QString &path, const std::function<bool(QIODevice &)> &writer)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered as above: the writer sees a short write as soon as it happens.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (!writer(file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
