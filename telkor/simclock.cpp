#include "telkor/simclock.h"

#include <thread>

namespace telkor
{

SimClock::SimClock() : origin(std::chrono::steady_clock::now()) {}

uint64_t SimClock::nowUs() const
{
    if (!real)
        return base;
    const auto elapsed = std::chrono::steady_clock::now() - origin;
    return base + static_cast<uint64_t>(
                      std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

void SimClock::spend(uint64_t microseconds)
{
    if (real)
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    else
        base += microseconds;
}

void SimClock::advance(uint64_t microseconds)
{
    if (!real)
        base += microseconds;
}

void SimClock::setRealTime(bool on)
{
    if (on == real)
        return;
    base = nowUs();
    origin = std::chrono::steady_clock::now();
    real = on;
}

} // namespace telkor
