#pragma once
// The thread that runs the adapter library's calls, one job at a time and in order. Nobody
// waits for it: a job hands its result back itself (AdapterSession posts it to its own thread).
//
// The thread polls for a moment before it sleeps, so that a list pass or the auto-start, which
// post short jobs back to back, do not pay a thread wake-up for each.
//
// A job under way can be abandoned (the window is closing): it finishes on its own, keeping
// alive what it captured, and the process can ask whether such a job still runs, so that it
// ends without unloading the library under it.

#include <functional>
#include <memory>

class CallWorker
{
public:
    CallWorker();
    // A job still running goes on to its end on its thread, which then ends too.
    ~CallWorker();
    CallWorker(const CallWorker &) = delete;
    CallWorker &operator=(const CallWorker &) = delete;

    // Queues `job`; it runs after every job posted before it.
    void post(std::function<void()> job);

    // The jobs queued or running now count as abandoned until they end.
    void abandon();
    // Whether an abandoned job anywhere in the process has not ended yet.
    static bool abandonedCallRunning();

private:
    struct Shared;
    std::shared_ptr<Shared> shared;
};
