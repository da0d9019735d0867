#include "telkor/remotemaster.h"

#include <algorithm>

namespace telkor
{

void RemoteMaster::start(uint64_t nowUs, uint64_t periodUs)
{
    running = periodUs > 0;
    period = periodUs;
    nextFrameAt = nowUs + periodUs;
    received.clear();
}

void RemoteMaster::stop()
{
    running = false;
}

void RemoteMaster::catchUp(uint64_t nowUs, std::deque<uint8_t> &outgoing)
{
    if (!running || nowUs < nextFrameAt)
        return;
    // A long pause: the frames lost to the overrun need not be built.
    const uint64_t due = (nowUs - nextFrameAt) / period + 1;
    if (due > maxPending) {
        sequence = static_cast<uint8_t>(sequence + (due - maxPending));
        nextFrameAt += (due - maxPending) * period;
    }
    while (nowUs >= nextFrameAt) {
        std::vector<uint8_t> frame = {'M', 'S', sequence++, static_cast<uint8_t>(received.size())};
        frame.insert(frame.end(), received.begin(), received.end());
        push(std::move(frame));
        const size_t taken = std::min(maxEcho, outgoing.size());
        received.assign(outgoing.begin(), outgoing.begin() + static_cast<long>(taken));
        outgoing.erase(outgoing.begin(), outgoing.begin() + static_cast<long>(taken));
        nextFrameAt += period;
    }
}

void RemoteMaster::inject(std::vector<uint8_t> frame)
{
    push(std::move(frame));
}

void RemoteMaster::push(std::vector<uint8_t> frame)
{
    pending.push_back(std::move(frame));
    if (pending.size() > maxPending)
        pending.pop_front();
}

bool RemoteMaster::take(std::vector<uint8_t> *frame)
{
    if (pending.empty())
        return false;
    *frame = std::move(pending.front());
    pending.pop_front();
    return true;
}

} // namespace telkor
