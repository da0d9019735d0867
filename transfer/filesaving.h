#pragma once

#include <QByteArray>
#include <QString>

// Writes the whole file or nothing: the bytes go to a temporary file beside the target, which
// replaces the target only when every byte is written. A failed save leaves an existing file
// as it was and no partial file behind.
bool saveFileReplacing(const QString &path, const QByteArray &bytes);
