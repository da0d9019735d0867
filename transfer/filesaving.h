#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// Writes the whole file or nothing: the bytes go to a temporary file beside the target, which
// replaces the target only when every byte is written. A failed save leaves an existing file
// as it was and no partial file behind.
bool saveFileReplacing(const QString &path, const QByteArray &bytes);

// The same for a file written piece by piece: `writer` streams into the temporary file and says
// whether all went well; the target is replaced only when it did and every write reached the disk.
bool saveFileWith(const QString &path, const std::function<bool(QIODevice &)> &writer);
