#pragma once
// Saving the log and list files so that a failure never costs the user the file they had.

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// Streams the contents through `writer` into `path`; true when every byte reached the file.
// - A new file or an existing regular file is written to a temporary file beside it that
//   replaces the target only when every byte is written and synced: a failed save leaves an
//   existing file as it was and no partial file behind. The replacement keeps the target's
//   permission bits (and owner where the user may set it); a new file gets 0666 less the umask.
// - A symbolic link is followed: the file it points to is saved, the link stays a link.
// - Where a replacement would change more than the file (a device node, a named pipe, a file
//   with further hard links), or where no temporary file can be made beside the target (a
//   directory the user may not write to), the target is written in place. A failing write
//   (a full disk, the file size limit) still makes the save fail.
// The writer returns false to abandon the save; a write that fails makes every later write
// fail too, so the writer need not check each one.
bool saveFileWith(const QString &path, const std::function<bool(QIODevice &)> &writer);

bool saveFileReplacing(const QString &path, const QByteArray &bytes);

// What a streaming writer gathers before it writes: large enough that a save costs few
// writes, small enough to stay out of the way of the memory budget.
constexpr int SaveFlushBytes = 256 * 1024;
// Writes what `buffer` holds to `device` and empties it; false when the write failed.
bool flushTo(QIODevice &device, QByteArray &buffer);

// The system calls that decide whether a replacement is safe and that no test could make fail
// otherwise: the sync of the temporary file, then its rename over the target. Tests put stand-ins
// here; the program never changes them.
struct FileSavingCalls {
    int (*sync)(int fd);
    int (*rename)(const char *from, const char *to);
};
// Puts `calls` in place for the saves to come and gives the ones in place before.
FileSavingCalls setFileSavingCalls(const FileSavingCalls &calls);
