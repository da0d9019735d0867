#pragma once
// The traffic log's overflow: a temporary file that chunks of entry records are written to by
// a thread of its own, so that appending never waits for the disk. The file is removed when
// the object goes (and with it on exit or when the log is cleared).

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QTemporaryFile;

class SpillFile
{
public:
    // `written` is called on the writing thread whenever it has finished all it was given.
    explicit SpillFile(std::function<void()> written);
    ~SpillFile();
    SpillFile(const SpillFile &) = delete;
    SpillFile &operator=(const SpillFile &) = delete;

    // Creates the file in `folder`; false when that fails.
    bool open(const QString &folder);
    QString fileName() const;

    // Queues `bytes` (shared, not copied) for writing; returns where they will be in the file.
    qint64 enqueue(int id, const QByteArray &bytes);
    // The ids whose bytes reached the file, and those whose write failed, since the last call.
    void takeFinished(std::vector<int> *written, std::vector<int> *failed);
    bool hasFinished() const { return finished.load(std::memory_order_acquire); }
    void waitUntilWritten();
    // Bytes queued and not yet written.
    qint64 pendingBytes() const;

    // Reads back what was written at `offset`; an empty array when the read fails.
    QByteArray read(qint64 offset, int size) const;

private:
    struct Job {
        int id;
        qint64 offset;
        QByteArray bytes;
    };
    void run();

    std::unique_ptr<QTemporaryFile> file;
    int descriptor = -1;
    qint64 end = 0;
    std::function<void()> notify;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Job> jobs;
    qint64 pending = 0;
    bool busy = false;
    bool stopping = false;
    std::vector<int> doneIds;
    std::vector<int> failedIds;
    std::atomic<bool> finished{false};
    std::thread writer;
};
