#include "telkor/simclock.h"

#include <thread>

namespace telkor
{

SimClock::SimClock() : origin(std::chrono::steady_clock::now()) {}

uint64_t SimClock::nowUs() const
{
    std::lock_guard<std::mutex> guard(lock);
    return nowLocked();
}

uint64_t SimClock::nowLocked() const
{
    if (!real)
        return base;
    const auto elapsed = std::chrono::steady_clock::now() - origin;
    return base + static_cast<uint64_t>(
                      std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

void SimClock::spend(uint64_t microseconds)
{
    std::unique_lock<std::mutex> guard(lock);
    if (!real) {
        base += microseconds;
        return;
    }
    guard.unlock();
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

void SimClock::advance(uint64_t microseconds)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!real)
        base += microseconds;
}

bool SimClock::realTime() const
{
    std::lock_guard<std::mutex> guard(lock);
    return real;
}

void SimClock::setRealTime(bool on)
{
    std::lock_guard<std::mutex> guard(lock);
    if (on == real)
        return;
    base = nowLocked();
    origin = std::chrono::steady_clock::now();
    real = on;
}

} // namespace telkor
