#pragma once
// Runs the adapter library's calls on a thread of their own, one at a time and in order, while
// the caller waits for each result. A call that is over within the grace time looks exactly as
// if it ran on the caller's thread: no event is handled meanwhile, so the order of the log,
// the message boxes and the library calls stays as it always was. Only a longer call lets the
// caller's event loop turn while it waits, so that the window keeps painting; callers must then
// refuse to start other work (isBusy()).
//
// A wait can be abandoned (the window is closing): run() returns at once and the call finishes
// on its own, with everything it touches kept alive by the task itself.

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class CallWorker : public QObject
{
    Q_OBJECT

public:
    explicit CallWorker(QObject *parent = nullptr);
    ~CallWorker() override;

    // Runs `call` on the worker thread and waits for it. False when the wait was abandoned;
    // *result is then left alone.
    bool run(std::function<int32_t()> call, int32_t *result);

    // A call is under way and the event loop turns while it is awaited.
    bool isBusy() const { return waitingWithEvents; }
    // Ends the wait under way at once (run() returns false); later calls run as usual.
    void abandon();

    // Microseconds a call may take before the event loop turns (default 100 ms).
    void setGraceMicroseconds(int64_t microseconds) { graceUs = microseconds; }

    // Whether an abandoned call anywhere in the process has not returned yet: the process
    // should then end without unloading the library under it.
    static bool abandonedCallRunning();

signals:
    // A call outlived the grace time; the event loop turns until longCallFinished.
    void longCallStarted();
    void longCallFinished();

private:
    struct Shared;
    std::shared_ptr<Shared> shared;
    int64_t graceUs = 100000;
    bool waitingWithEvents = false;
    bool abandoned = false;
};
