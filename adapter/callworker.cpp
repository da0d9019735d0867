#include "adapter/callworker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace
{

std::atomic<int> abandonedJobs{0};

// How long the thread polls for the next job before it sleeps. Waking a sleeping thread costs
// both sides several microseconds of the scheduler's time, more than most calls take, while
// polling for a moment costs a core only while jobs follow each other. The poll yields, so
// that on a busy machine the thread that posts can have the core.
constexpr std::chrono::microseconds spinTime(50);

} // namespace

// What the worker thread and its owner share; it outlives whichever ends first.
struct CallWorker::Shared {
    struct Job {
        std::function<void()> run;
        bool abandoned = false;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    std::atomic<bool> posted{false}; // a mirror of !jobs.empty() read without the mutex
    bool runningAbandoned = false;   // the job under way was abandoned
    bool running = false;
    bool quit = false;
    std::thread thread;

    void work()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            if (jobs.empty() && !quit) {
                lock.unlock();
                const auto end = std::chrono::steady_clock::now() + spinTime;
                while (!posted.load(std::memory_order_acquire) &&
                       std::chrono::steady_clock::now() < end)
                    std::this_thread::yield();
                lock.lock();
            }
            changed.wait(lock, [this] { return !jobs.empty() || quit; });
            if (jobs.empty())
                return;
            Job job = std::move(jobs.front());
            jobs.pop_front();
            posted.store(!jobs.empty(), std::memory_order_relaxed);
            running = true;
            runningAbandoned = job.abandoned;
            lock.unlock();
            job.run();
            job.run = nullptr; // what it captured goes now, not with the next job
            lock.lock();
            running = false;
            if (runningAbandoned)
                --abandonedJobs;
            runningAbandoned = false;
        }
    }
};

CallWorker::CallWorker() : shared(std::make_shared<Shared>())
{
    std::shared_ptr<Shared> state = shared;
    shared->thread = std::thread([state] { state->work(); });
}

CallWorker::~CallWorker()
{
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->quit = true;
    // Jobs that have not started never will: their owner is gone.
    for (const Shared::Job &job : shared->jobs)
        if (job.abandoned)
            --abandonedJobs;
    shared->jobs.clear();
    shared->changed.notify_all();
    const bool stillRunning = shared->running;
    lock.unlock();
    // A job still running ends on its own, and its thread with it; the shared state keeps what
    // it needs alive until then.
    if (stillRunning)
        shared->thread.detach();
    else
        shared->thread.join();
}

void CallWorker::post(std::function<void()> job)
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->jobs.push_back({std::move(job), false});
    shared->posted.store(true, std::memory_order_release);
    shared->changed.notify_all();
}

void CallWorker::abandon()
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->running && !shared->runningAbandoned) {
        shared->runningAbandoned = true;
        ++abandonedJobs;
    }
    for (Shared::Job &job : shared->jobs) {
        if (!job.abandoned) {
            job.abandoned = true;
            ++abandonedJobs;
        }
    }
}

bool CallWorker::abandonedCallRunning()
{
    return abandonedJobs.load() > 0;
}
