// The simulated bus: chips on the chip selects, the bit order and clock mode as they see
// them, the slave ports' remote masters, and the bus time of every train.

#include "telkor/simbus.h"

#include "telkor/busadapter.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"

#include <algorithm>
#include <cstring>

namespace telkor
{

namespace
{

uint8_t reverseBits(uint8_t byte)
{
    byte = static_cast<uint8_t>((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
    byte = static_cast<uint8_t>((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
    byte = static_cast<uint8_t>((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
    return byte;
}

// A line seen one bit late: what a chip sampling on the wrong clock edge reads.
class LateBits
{
public:
    uint8_t pass(uint8_t byte)
    {
        const uint8_t seen = static_cast<uint8_t>(previous << 7 | byte >> 1);
        previous = byte & 1;
        return seen;
    }

private:
    uint8_t previous = 1; // the idle line is high
};

} // namespace

SimBus::SimBus(const LibraryConfig &config, SimClock &clock, const std::string &flashFile,
               std::vector<std::string> *problems, bool firstAdapter)
    : clock(clock), slavePeriodUs(config.slavePeriodUs)
{
    for (Controller &controller : controllers)
        controller.config = BusAdapter::defaultConfig();
    bool fileGiven = false;
    for (size_t slot = 0; slot < devices.size(); ++slot) {
        switch (config.devices[slot]) {
        case DeviceKind::Loopback:
            devices[slot] = std::make_unique<LoopbackDevice>();
            break;
        case DeviceKind::Flash: {
            // One file holds one flash: the first flash of the adapter keeps it, unless its chip
            // select has a file of its own.
            const FlashChipOptions &chip = config.flashChips[slot];
            std::string problem;
            devices[slot] =
                std::make_unique<NorFlash>(clock, chip,
                                           firstAdapter && !chip.file.empty() ? chip.file
                                           : fileGiven                        ? std::string()
                                                                              : flashFile,
                                           &problem);
            fileGiven = true;
            if (!problem.empty())
                problems->push_back(problem);
            break;
        }
        case DeviceKind::Registers:
            devices[slot] = std::make_unique<RegisterBank>();
            break;
        case DeviceKind::None:
            devices[slot] = std::make_unique<EmptySocket>();
            break;
        }
    }
}

bool SimBus::info(DeviceInfo *record, char *functionText)
{
    std::memcpy(record, &infoRecord, offsetof(DeviceInfo, reserved));
    std::memcpy(functionText, functions.data(),
                std::min<size_t>(functions.size(), TELKOR_FUNCTION_TEXT_SIZE));
    return true;
}

void SimBus::setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText)
{
    infoRecord = record;
    functions = functionText;
}

void SimBus::attach(int slot, std::unique_ptr<SpiDevice> chip)
{
    if (slot >= 0 && static_cast<size_t>(slot) < devices.size())
        devices[static_cast<size_t>(slot)] = std::move(chip);
}

SpiDevice *SimBus::device(int slot) const
{
    return slot >= 0 && static_cast<size_t>(slot) < devices.size()
               ? devices[static_cast<size_t>(slot)].get()
               : nullptr;
}

int32_t SimBus::configure(int index, const SpiConfig &config)
{
    Controller &controller = controllers[static_cast<size_t>(index)];
    // The master on the other side keeps its pace when a slave port is configured again.
    if (config.master == 0 && controller.config.master != 0)
        controller.remote.start(clock.nowUs(), slavePeriodUs);
    else if (config.master != 0)
        controller.remote.stop();
    controller.config = config;
    return Ok;
}

int64_t SimBus::frame(const Controller &controller, SpiDevice &chip, const BusAssertion &assertion)
{
    const SpiConfig &config = controller.config;
    const bool lsbFirst = config.lsbFirst == 1;
    // The chips' select is active low: with the adapter driving it active high, the chip is
    // deselected exactly while the bytes go by, and MISO floats high.
    const bool present = !chip.followsChipSelect() || config.csPolarity == 0;
    const bool garbled = !chip.acceptsMode(config.clockPolarity, config.clockPhase);
    LateBits toChip, fromChip;
    int64_t clocked = 0;
    if (present)
        chip.select();
    for (int p = 0; p < assertion.phaseCount; ++p) {
        const BusPhase &phase = assertion.phases[p];
        const int32_t clocks = phase.clocks();
        clocked += clocks;
        for (int32_t i = 0; i < clocks; ++i) {
            const uint8_t mosi = phase.out && i < phase.outCount ? phase.out[i] : 0xFF;
            uint8_t wire = lsbFirst ? reverseBits(mosi) : mosi;
            if (garbled)
                wire = toChip.pass(wire);
            uint8_t answer = present ? chip.exchange(wire) : 0xFF;
            if (garbled)
                answer = fromChip.pass(answer);
            if (!phase.in || i >= phase.inCount)
                continue;
            uint8_t miso = lsbFirst ? reverseBits(answer) : answer;
            if (!scriptedMiso.empty()) {
                miso = scriptedMiso.front();
                scriptedMiso.pop_front();
            }
            phase.in[i] = miso;
        }
    }
    if (present)
        chip.deselect();
    return clocked;
}

int32_t SimBus::run(const BusTrain &train)
{
    const Controller &controller = controllers[static_cast<size_t>(train.controller)];
    SpiDevice &chip = *devices[static_cast<size_t>(train.controller * 5 + train.chipSelect)];
    int64_t clocked = 0;
    for (const BusAssertion &assertion : train.assertions)
        clocked += frame(controller, chip, assertion);
    // Bus time of the bytes at the controller's clock, plus the pauses between assertions.
    const int64_t hz = controller.config.clockHz;
    const int64_t busUs = (clocked * 8 * 1000000 + hz - 1) / hz;
    const int64_t pausesUs =
        train.assertions.size() > 1
            ? int64_t{train.intervalUs} * static_cast<int64_t>(train.assertions.size() - 1)
            : 0;
    clock.spend(static_cast<uint64_t>(busUs + pausesUs));
    return Ok;
}

int32_t SimBus::slaveWrite(int index, const uint8_t *data, int32_t count)
{
    Controller &controller = controllers[static_cast<size_t>(index)];
    // The port's own buffer holds no more than the adapter's.
    const size_t room =
        TELKOR_BUFFER_SIZE - std::min<size_t>(controller.slaveOutgoing.size(), TELKOR_BUFFER_SIZE);
    if (static_cast<size_t>(count) > room)
        return BadArgument;
    controller.slaveOutgoing.insert(controller.slaveOutgoing.end(), data, data + count);
    return Ok;
}

int32_t SimBus::slaveRead(int index, uint8_t *buffer)
{
    Controller &controller = controllers[static_cast<size_t>(index)];
    controller.remote.catchUp(clock.nowUs(), controller.slaveOutgoing);
    // Everything received since the last read, whole frames, as much as the buffer holds.
    size_t used = 0;
    std::vector<uint8_t> frame;
    while (controller.remote.nextSize() > 0 &&
           used + controller.remote.nextSize() <= TELKOR_BUFFER_SIZE) {
        controller.remote.take(&frame);
        std::copy(frame.begin(), frame.end(), buffer + used);
        used += frame.size();
    }
    return static_cast<int32_t>(used);
}

void SimBus::queueMiso(const uint8_t *data, int32_t count)
{
    if (data && count > 0)
        scriptedMiso.insert(scriptedMiso.end(), data, data + count);
}

void SimBus::queueSlaveFrame(int index, const uint8_t *data, int32_t count)
{
    if (data && count > 0 && index >= 0 && index <= 1)
        controllers[static_cast<size_t>(index)].remote.inject(
            std::vector<uint8_t>(data, data + std::min(count, int32_t{TELKOR_BUFFER_SIZE})));
}

} // namespace telkor
