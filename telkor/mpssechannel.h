#pragma once
// One SPI controller on one interface of an FTDI chip in MPSSE mode: SCK on ADBUS0, MOSI on
// ADBUS1, MISO on ADBUS2, chip selects 0..4 on ADBUS3..7. It sets the interface up, applies a
// configuration and turns a train of chip-select assertions into one command stream.

#include "telkor/busbackend.h"
#include "telkor/ftdiport.h"
#include "telkor/mpssecommands.h"

#include <memory>
#include <vector>

namespace telkor
{

class MpsseChannel
{
public:
    struct Location {
        uint16_t vendor = 0, product = 0;
        int index = 0;     // among the attached chips with these ids
        int interface = 0; // 0 = A, 1 = B
    };
    // Pins of the low byte.
    static constexpr uint8_t sckPin = 0x01, mosiPin = 0x02, misoPin = 0x04, firstCsPin = 0x08;
    static constexpr uint8_t outputs = 0xFF & ~misoPin;
    // Intervals from this long on are timed by the host between two USB writes instead of
    // clocked out: the stream would otherwise grow by a command per 524288 clocks and the
    // latency of one more write no longer matters.
    static constexpr uint32_t hostTimedUs = 10000;
    // How long an answer may take beyond the bus time.
    static constexpr int answerSlackMs = 1000;

    MpsseChannel(std::unique_ptr<FtdiPort> port, const Location &where, bool loopback);
    ~MpsseChannel();
    MpsseChannel(const MpsseChannel &) = delete;
    MpsseChannel &operator=(const MpsseChannel &) = delete;

    // Opens and sets up the interface with the configuration last applied.
    bool open();
    void close();
    bool isOpen() const { return opened; }

    // BadConfig for a slave or a clock below the slowest; else Ok once the chip took it.
    int32_t configure(const SpiConfig &config);
    int32_t run(const BusTrain &train);

private:
    // Where an answer byte goes.
    struct Sink {
        uint8_t *to; // nullptr: dropped
        size_t count;
    };
    struct Segment {
        MpsseCommands commands;
        std::vector<Sink> sinks;
        uint64_t clocks = 0;
    };

    bool setUp();
    uint8_t idleLevels() const;
    void applyConfig(MpsseCommands *commands) const;
    void addAssertion(Segment *segment, const BusAssertion &assertion, int chipSelect) const;
    // Sends the segment with a pin read at its end (so the answer shows the bus is done) and
    // hands out the answer. Closes the port on failure.
    int32_t exchange(Segment *segment);
    bool exchangeRaw(const MpsseCommands &commands, std::vector<uint8_t> *reply, uint64_t clocks);
    void report(const char *what);

    std::unique_ptr<FtdiPort> port;
    Location where;
    bool loopback;
    bool opened = false;
    SpiConfig config{};
    uint16_t divisor = 0;
};

} // namespace telkor
