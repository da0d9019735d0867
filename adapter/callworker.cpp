#include "adapter/callworker.h"

#include <QEventLoop>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{

std::atomic<int> abandonedCalls{0};

// How long each side polls before it sleeps. A list pass or the auto-start makes short calls
// back to back: waking a sleeping thread costs both sides several microseconds of the
// scheduler's time, more than most calls take, while polling for a moment costs a core only
// while calls follow each other. The poll yields, so that on a busy machine the thread it waits
// for can have the core.
constexpr std::chrono::microseconds spinTime(50);

template <typename Ready> bool spinUntil(Ready ready)
{
    const auto end = std::chrono::steady_clock::now() + spinTime;
    do {
        if (ready())
            return true;
        std::this_thread::yield();
    } while (std::chrono::steady_clock::now() < end);
    return ready();
}

} // namespace

// What the worker thread and the waiting side share; it outlives whichever ends first.
struct CallWorker::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<int32_t()> task; // set while a call waits to run or runs
    bool hasTask = false;
    bool done = false;
    // Mirrors of hasTask and done that the polling side reads without the mutex.
    std::atomic<bool> posted{false};
    std::atomic<bool> finished{false};
    int32_t result = 0;
    bool quit = false;
    bool taskAbandoned = false;
    QPointer<QEventLoop> loop; // quit when the call ends during a wait with events
    std::thread thread;

    void work()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            if (!hasTask && !quit) {
                lock.unlock();
                spinUntil([this] { return posted.load(std::memory_order_acquire); });
                lock.lock();
            }
            changed.wait(lock, [this] { return hasTask || quit; });
            posted.store(false, std::memory_order_relaxed);
            if (!hasTask)
                return;
            std::function<int32_t()> call = std::move(task);
            lock.unlock();
            const int32_t value = call();
            call = nullptr; // the buffers it holds go now, not with the next call
            lock.lock();
            result = value;
            hasTask = false;
            done = true;
            finished.store(true, std::memory_order_release);
            if (taskAbandoned) {
                taskAbandoned = false;
                --abandonedCalls;
            }
            if (loop)
                QMetaObject::invokeMethod(loop, "quit", Qt::QueuedConnection);
            changed.notify_all();
        }
    }
};

CallWorker::CallWorker(QObject *parent) : QObject(parent), shared(std::make_shared<Shared>())
{
    std::shared_ptr<Shared> state = shared;
    shared->thread = std::thread([state] { state->work(); });
}

CallWorker::~CallWorker()
{
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->quit = true;
    shared->loop = nullptr;
    shared->changed.notify_all();
    const bool stillRunning = shared->hasTask;
    lock.unlock();
    // A call still running was abandoned; its thread ends when it returns.
    if (stillRunning)
        shared->thread.detach();
    else
        shared->thread.join();
}

bool CallWorker::abandonedCallRunning()
{
    return abandonedCalls.load() > 0;
}

bool CallWorker::run(std::function<int32_t()> call, int32_t *result)
{
    std::unique_lock<std::mutex> lock(shared->mutex);
    // An abandoned call may still hold the thread: this one waits its turn.
    shared->changed.wait(lock, [this] { return !shared->hasTask; });
    shared->task = std::move(call);
    shared->hasTask = true;
    shared->done = false;
    shared->finished.store(false, std::memory_order_relaxed);
    shared->posted.store(true, std::memory_order_release);
    abandoned = false;
    shared->changed.notify_all();
    lock.unlock();
    spinUntil([this] { return shared->finished.load(std::memory_order_acquire); });
    lock.lock();
    if (!shared->changed.wait_for(lock, std::chrono::microseconds(graceUs),
                                  [this] { return shared->done; })) {
        QEventLoop loop;
        shared->loop = &loop;
        waitingWithEvents = true;
        lock.unlock();
        emit longCallStarted();
        // The worker quits the loop when the call ends; abandon() quits it earlier.
        lock.lock();
        const bool finished = shared->done;
        lock.unlock();
        if (!finished && !abandoned)
            loop.exec();
        lock.lock();
        shared->loop = nullptr;
        waitingWithEvents = false;
        lock.unlock();
        emit longCallFinished();
        lock.lock();
        if (!shared->done) {
            shared->taskAbandoned = true;
            ++abandonedCalls;
            return false;
        }
        if (abandoned)
            return false; // the result came too late for a caller that has gone
    }
    *result = shared->result;
    return true;
}

void CallWorker::abandon()
{
    abandoned = true;
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->loop)
        shared->loop->quit();
}
