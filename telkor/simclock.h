#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

namespace telkor
{

// The simulated adapters' sense of time. With real timing a call takes as long as the bus
// would (the caller sleeps) and time runs with the wall clock, so a program's pauses between
// calls count; without it time is a counter that only calls (and tests) move on, so busy
// periods and slave frames come out the same on every run. The adapters share one clock and
// work at the same time: its lock is held only to read or move the time, never while a call
// sleeps.
class SimClock
{
public:
    SimClock();

    uint64_t nowUs() const;
    // The time a call takes on the bus.
    void spend(uint64_t microseconds);
    // Time passing between calls; without real timing only.
    void advance(uint64_t microseconds);

    bool realTime() const;
    void setRealTime(bool on);

private:
    uint64_t nowLocked() const;

    mutable std::mutex lock;
    bool real = true;
    uint64_t base = 0; // microseconds when `origin` was taken
    std::chrono::steady_clock::time_point origin;
};

} // namespace telkor
