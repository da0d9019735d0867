// Saving files: a temporary file renamed over the target where that is safe, the target itself
// where a rename would break what the user pointed us at.

#include "transfer/filesaving.h"

#include <QFile>
#include <QIODevice>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

FileSavingCalls systemCalls = {::fsync, ::rename};

// Writes to a descriptor through a buffer of its own, so that a writer may stream small pieces
// without a system call each. The first failing write is remembered: it fails the whole save
// even when the writer does not look at the results.
class DescriptorDevice : public QIODevice
{
public:
    explicit DescriptorDevice(int fd) : fd(fd)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

    // Writes what is buffered; false if any write so far has failed.
    bool finish() { return flushBuffer(); }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 length) override
    {
        if (failed)
            return -1;
        if (buffer.size() + length > capacity && !flushBuffer())
            return -1;
        if (length >= capacity) {
            if (!writeAll(data, length))
                return -1;
        } else {
            buffer.append(data, static_cast<int>(length));
        }
        return length;
    }

private:
    static constexpr qint64 capacity = 64 * 1024;

    bool flushBuffer()
    {
        if (failed)
            return false;
        const bool ok = writeAll(buffer.constData(), buffer.size());
        buffer.clear();
        return ok;
    }

    bool writeAll(const char *data, qint64 length)
    {
        while (length > 0) {
            // With SIGXFSZ ignored, the file size limit shows here as EFBIG.
            const ssize_t written = ::write(fd, data, static_cast<size_t>(length));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                failed = true;
                setErrorString(QString::fromLocal8Bit(strerror(errno)));
                return false;
            }
            data += written;
            length -= written;
        }
        return true;
    }

    int fd;
    QByteArray buffer;
    bool failed = false;
};

bool writeThrough(int fd, const std::function<bool(QIODevice &)> &writer)
{
    DescriptorDevice device(fd);
    const bool written = writer(device);
    return device.finish() && written;
}

// The file a chain of symbolic links ends at; a dangling link gives the path it names, so that
// saving creates the file the link points to.
QByteArray followLinks(QByteArray path)
{
    // The kernel's own limit on links in a row; a loop ends here and then fails to open.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status;
        if (::lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), buffer, sizeof buffer);
        if (length < 0)
            return path;
        QByteArray target(buffer, static_cast<int>(length));
        if (!target.startsWith('/'))
            target.prepend(path.left(path.lastIndexOf('/') + 1));
        path = target;
    }
    return path;
}

mode_t creationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool writeInPlace(const QByteArray &target, bool create,
                  const std::function<bool(QIODevice &)> &writer)
{
    const int flags = create ? O_CREAT | O_EXCL : O_TRUNC;
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | flags, 0666);
    if (fd < 0)
        return false;
    bool ok = writeThrough(fd, writer);
    ok = ::close(fd) == 0 && ok;
    // A file this save created must not stay behind half written.
    if (!ok && create)
        ::unlink(target.constData());
    return ok;
}

} // namespace

bool saveFileWith(const QString &path, const std::function<bool(QIODevice &)> &writer)
{
    const QByteArray target = followLinks(QFile::encodeName(path));
    if (target.isEmpty())
        return false;
    struct stat status;
    const bool exists = ::stat(target.constData(), &status) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists) {
        if (S_ISDIR(status.st_mode))
            return false;
        // Renaming over a device node or a pipe would replace it with a plain file, and
        // renaming over one of several hard links would split it from the others.
        if (!S_ISREG(status.st_mode) || status.st_nlink > 1)
            return writeInPlace(target, false, writer);
        if (::access(target.constData(), W_OK) != 0)
            return false;
    }

    QByteArray temporary = target + ".XXXXXX";
    const int slash = temporary.lastIndexOf('/');
    temporary.insert(slash + 1, '.');
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        // Only where the directory itself forbids a temporary file (no write permission, a
        // name at the length limit); a full disk must not cost the user the file in place.
        if (errno == EACCES || errno == EPERM || errno == ENAMETOOLONG)
            return writeInPlace(target, !exists, writer);
        return false;
    }

    bool ok = writeThrough(fd, writer);
    if (ok) {
        // The owner first: changing it may clear set-user-ID bits that the mode then restores.
        if (exists && (status.st_uid != ::geteuid() || status.st_gid != ::getegid()))
            (void)!::fchown(fd, status.st_uid, status.st_gid);
        ok = ::fchmod(fd, exists ? status.st_mode & 07777 : creationMode()) == 0;
    }
    // On the disk before the rename, or a crash could leave an empty file where the old one was.
    ok = ok && systemCalls.sync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && systemCalls.rename(temporary.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

FileSavingCalls setFileSavingCalls(const FileSavingCalls &calls)
{
    const FileSavingCalls before = systemCalls;
    systemCalls = calls;
    return before;
}

bool saveFileReplacing(const QString &path, const QByteArray &bytes)
{
    return saveFileWith(
        path, [&bytes](QIODevice &device) { return device.write(bytes) == bytes.size(); });
}

bool flushTo(QIODevice &device, QByteArray &buffer)
{
    if (buffer.isEmpty())
        return true;
    if (device.write(buffer) != buffer.size())
        return false;
    buffer.resize(0);
    return true;
}
