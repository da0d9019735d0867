// The MPSSE streams of one interface. Every stream ends with a read of the pins and "send
// immediate", so that each entry waits for its answer, and thus for the bus to finish,
// in one USB round trip.

#include "telkor/mpssechannel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace telkor
{

namespace
{

constexpr uint8_t bitmodeReset = 0x00, bitmodeMpsse = 0x02;

// The adapter's power-on setting, until the first configuration: hardware half-duplex master,
// mode 0, MSB first, chip select active low, as fast as it goes.
SpiConfig defaultConfig()
{
    SpiConfig config{};
    config.controlMode = 1;
    config.master = 1;
    config.clockHz = static_cast<int32_t>(MpsseCommands::fastestHz);
    return config;
}

} // namespace

MpsseChannel::MpsseChannel(std::unique_ptr<FtdiPort> port, const Location &where, bool loopback)
    : port(std::move(port)), where(where), loopback(loopback), config(defaultConfig())
{
}

MpsseChannel::~MpsseChannel()
{
    close();
}

bool MpsseChannel::open()
{
    if (opened)
        return true;
    if (!port->open(where.vendor, where.product, where.index, where.interface)) {
        report("cannot be opened");
        return false;
    }
    opened = true;
    if (!setUp()) {
        close();
        return false;
    }
    return true;
}

void MpsseChannel::close()
{
    if (opened)
        port->close();
    opened = false;
}

bool MpsseChannel::setUp()
{
    if (!port->reset() || !port->setLatency(1) || !port->setBitmode(0, bitmodeReset) ||
        !port->setBitmode(0, bitmodeMpsse)) {
        report("cannot be put into MPSSE mode");
        return false;
    }
    // A bad command is answered at once with FAh and the command: proof that the command
    // processor reads us, and that no stale bytes sit in front of its answers.
    MpsseCommands sync;
    sync.add(MpsseCommands::BadCommand);
    sync.add(MpsseCommands::SendImmediate);
    std::vector<uint8_t> reply(2);
    if (!port->write(sync.bytes().data(), sync.bytes().size()) ||
        port->read(reply.data(), reply.size(), answerSlackMs) != 2 ||
        reply != std::vector<uint8_t>{MpsseCommands::BadCommandReply, MpsseCommands::BadCommand}) {
        report("does not answer as an MPSSE");
        return false;
    }
    MpsseCommands base;
    base.add(MpsseCommands::DivideBy5Off);
    base.add(MpsseCommands::AdaptiveOff);
    base.add(MpsseCommands::ThreePhaseOff);
    base.add(loopback ? MpsseCommands::LoopbackOn : MpsseCommands::LoopbackOff);
    applyConfig(&base);
    base.readLowByte();
    return exchangeRaw(base, &reply, 0);
}

uint8_t MpsseChannel::idleLevels() const
{
    // MOSI rests high, so that a filler byte and the line between transfers look the same.
    uint8_t levels = mosiPin;
    if (config.clockPolarity)
        levels |= sckPin;
    if (config.csPolarity == 0)
        levels |= 0xF8; // all five chip selects released
    return levels;
}

void MpsseChannel::applyConfig(MpsseCommands *commands) const
{
    commands->setDivisor(divisor);
    commands->setLowByte(idleLevels(), outputs);
}

int32_t MpsseChannel::configure(const SpiConfig &wanted)
{
    uint16_t wantedDivisor = 0;
    if (wanted.master != 1) {
        std::fprintf(stderr, "libTELKOR: FTDI: no slave mode\n");
        return BadConfig;
    }
    if (!MpsseCommands::divisorFor(wanted.clockHz, &wantedDivisor)) {
        std::fprintf(stderr, "libTELKOR: FTDI: %d Hz is below the slowest clock (458 Hz)\n",
                     static_cast<int>(wanted.clockHz));
        return BadConfig;
    }
    // A configuration that does not reach the chip is not kept: the entries' rules keep the
    // previous one too, and both must agree when the chip is set up again.
    const SpiConfig previous = config;
    const uint16_t previousDivisor = divisor;
    config = wanted;
    divisor = wantedDivisor;
    int32_t result = Ok;
    if (!opened) {
        result = open() ? Ok : NotOpen;
    } else {
        Segment segment;
        applyConfig(&segment.commands);
        result = exchange(&segment);
    }
    if (result != Ok) {
        config = previous;
        divisor = previousDivisor;
    }
    return result;
}

void MpsseChannel::addAssertion(Segment *segment, const BusAssertion &assertion,
                                int chipSelect) const
{
    MpsseCommands &commands = segment->commands;
    const uint8_t idle = idleLevels();
    const uint8_t asserted = static_cast<uint8_t>(idle ^ (firstCsPin << chipSelect));
    const uint8_t shift =
        MpsseCommands::shiftBits(config.clockPolarity, config.clockPhase, config.lsbFirst == 1);
    const bool singleBus = config.controlMode == 3;
    commands.setLowByte(asserted, outputs);
    std::vector<uint8_t> out;
    for (int p = 0; p < assertion.phaseCount; ++p) {
        const BusPhase &phase = assertion.phases[p];
        const size_t clocks = static_cast<size_t>(phase.clocks());
        segment->clocks += clocks * 8;
        if (singleBus && phase.inCount > 0) {
            // One data line: the chip drives it while we read, so MOSI lets go of it.
            commands.setLowByte(asserted, outputs & ~mosiPin);
            commands.read(shift, clocks);
            segment->sinks.push_back({phase.in, static_cast<size_t>(phase.inCount)});
            segment->sinks.push_back({nullptr, clocks - static_cast<size_t>(phase.inCount)});
            commands.setLowByte(asserted, outputs);
            continue;
        }
        out.assign(clocks, 0xFF);
        if (phase.out)
            std::copy(phase.out, phase.out + phase.outCount, out.begin());
        const size_t kept = phase.in ? static_cast<size_t>(phase.inCount) : 0;
        if (kept > 0) {
            commands.writeRead(shift, out.data(), kept);
            segment->sinks.push_back({phase.in, kept});
        }
        if (clocks > kept)
            commands.write(shift, out.data() + kept, clocks - kept);
    }
    commands.setLowByte(idle, outputs);
}

int32_t MpsseChannel::run(const BusTrain &train)
{
    if (!opened && !open())
        return NotOpen;
    if (config.controlMode == 3)
        for (const BusAssertion &assertion : train.assertions)
            for (int p = 0; p < assertion.phaseCount; ++p)
                if (assertion.phases[p].outCount > 0 && assertion.phases[p].inCount > 0) {
                    std::fprintf(stderr, "libTELKOR: FTDI: one data line cannot carry both "
                                         "ways at once\n");
                    return BadArgument;
                }
    const bool hostTimed = train.intervalUs >= hostTimedUs;
    // Clocks at the applied rate, rounded up: the pause is never shorter than asked.
    const uint64_t intervalClocks =
        (uint64_t{train.intervalUs} * 30 + divisor) / (uint64_t{divisor} + 1);
    Segment segment;
    for (size_t i = 0; i < train.assertions.size(); ++i) {
        addAssertion(&segment, train.assertions[i], train.chipSelect);
        if (i + 1 == train.assertions.size())
            break;
        if (!hostTimed) {
            segment.commands.idleClocks(intervalClocks);
            segment.clocks += intervalClocks;
            continue;
        }
        if (const int32_t result = exchange(&segment))
            return result;
        segment = Segment();
        std::this_thread::sleep_for(std::chrono::microseconds(train.intervalUs));
    }
    return exchange(&segment);
}

int32_t MpsseChannel::exchange(Segment *segment)
{
    segment->commands.readLowByte();
    segment->sinks.push_back({nullptr, 1});
    std::vector<uint8_t> reply;
    if (!exchangeRaw(segment->commands, &reply, segment->clocks))
        return DeviceFailed;
    size_t at = 0;
    for (const Sink &sink : segment->sinks) {
        if (sink.to)
            std::copy(reply.begin() + static_cast<std::ptrdiff_t>(at),
                      reply.begin() + static_cast<std::ptrdiff_t>(at + sink.count), sink.to);
        at += sink.count;
    }
    return Ok;
}

bool MpsseChannel::exchangeRaw(const MpsseCommands &commands, std::vector<uint8_t> *reply,
                               uint64_t clocks)
{
    MpsseCommands stream = commands;
    stream.add(MpsseCommands::SendImmediate);
    reply->assign(stream.replySize(), 0);
    const uint64_t busMs = clocks * 1000 / static_cast<uint64_t>(MpsseCommands::clockHz(divisor));
    const int timeoutMs = static_cast<int>(std::min<uint64_t>(busMs, 600000)) + answerSlackMs;
    if (port->write(stream.bytes().data(), stream.bytes().size()) &&
        port->read(reply->data(), reply->size(), timeoutMs) == static_cast<int>(reply->size()))
        return true;
    // Gone or confused: the next transfer opens the interface again and sets it up afresh.
    report("failed");
    close();
    return false;
}

void MpsseChannel::report(const char *what)
{
    std::fprintf(stderr, "libTELKOR: FTDI %04x:%04x #%d interface %c %s: %s\n", where.vendor,
                 where.product, where.index, 'A' + where.interface, what, port->error());
}

} // namespace telkor
