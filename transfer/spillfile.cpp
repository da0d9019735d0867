// Writing with pwrite() on the writer thread and reading with pread() on the caller's lets both
// use the one descriptor without sharing a file position.

#include "transfer/spillfile.h"

#include <QTemporaryFile>

#include <cerrno>
#include <unistd.h>

SpillFile::SpillFile(std::function<void()> written) : notify(std::move(written)) {}

SpillFile::~SpillFile()
{
    if (writer.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
            jobs.clear();
        }
        wake.notify_all();
        writer.join();
    }
}

bool SpillFile::open(const QString &folder)
{
    file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/traffic-log-XXXXXX.spill"));
    if (!file->open())
        return false;
    descriptor = file->handle();
    writer = std::thread(&SpillFile::run, this);
    return true;
}

QString SpillFile::fileName() const
{
    return file ? file->fileName() : QString();
}

qint64 SpillFile::enqueue(int id, const QByteArray &bytes)
{
    const qint64 offset = end;
    end += bytes.size();
    {
        std::lock_guard<std::mutex> lock(mutex);
        jobs.push_back(Job{id, offset, bytes});
        pending += bytes.size();
    }
    wake.notify_one();
    return offset;
}

void SpillFile::takeFinished(std::vector<int> *written, std::vector<int> *failed)
{
    std::lock_guard<std::mutex> lock(mutex);
    written->swap(doneIds);
    failed->swap(failedIds);
    doneIds.clear();
    failedIds.clear();
    finished.store(false, std::memory_order_release);
}

void SpillFile::waitUntilWritten()
{
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [this] { return jobs.empty() && !busy; });
}

qint64 SpillFile::pendingBytes() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return pending;
}

QByteArray SpillFile::read(qint64 offset, int size) const
{
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(descriptor, bytes.data() + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return QByteArray();
        done += n;
    }
    return bytes;
}

void SpillFile::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (stopping)
            return;
        Job job = std::move(jobs.front());
        jobs.pop_front();
        busy = true;
        lock.unlock();
        qint64 done = 0;
        while (done < job.bytes.size()) {
            const ssize_t n = ::pwrite(descriptor, job.bytes.constData() + done,
                                       size_t(job.bytes.size() - done), off_t(job.offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += n;
        }
        const bool ok = done == job.bytes.size();
        const qint64 size = job.bytes.size();
        job.bytes = QByteArray();
        lock.lock();
        busy = false;
        pending -= size;
        (ok ? doneIds : failedIds).push_back(job.id);
        finished.store(true, std::memory_order_release);
        if (jobs.empty()) {
            idle.notify_all();
            if (notify)
                notify();
        }
    }
}
