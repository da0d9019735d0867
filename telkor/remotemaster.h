#pragma once
// The master on the other side of a slave port: it sends a short frame at a steady rate and,
// while it does, clocks in up to 16 of the bytes the port queued; the next frame echoes them.
// A frame is 'M', 'S', a sequence number, the echo's length, then the echo.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace telkor
{

class RemoteMaster
{
public:
    static constexpr size_t maxEcho = 16;
    // Frames not read yet; older ones are lost, as in a port's overrun.
    static constexpr size_t maxPending = 64;

    // The port became a slave at `nowUs`; the first frame comes one period later. A period of
    // 0 means the master never sends.
    void start(uint64_t nowUs, uint64_t periodUs);
    void stop();

    // Sends every frame due by `nowUs`, taking the bytes it clocks in from `outgoing`.
    void catchUp(uint64_t nowUs, std::deque<uint8_t> &outgoing);
    // A frame from elsewhere (tests).
    void inject(std::vector<uint8_t> frame);
    // The oldest frame not read yet.
    bool take(std::vector<uint8_t> *frame);
    // The size of the frame take() gives next (0 when there is none).
    size_t nextSize() const { return pending.empty() ? 0 : pending.front().size(); }

private:
    void push(std::vector<uint8_t> frame);

    bool running = false;
    uint64_t period = 0;
    uint64_t nextFrameAt = 0;
    uint8_t sequence = 0;
    std::vector<uint8_t> received;
    std::deque<std::vector<uint8_t>> pending;
};

} // namespace telkor
