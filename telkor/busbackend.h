#pragma once
// What stands behind one adapter of the library: simulated chips, a Linux spidev host, an
// FTDI chip in MPSSE mode. The rules of the twelve entries (channel byte, limits, roles,
// control modes, one chip-select assertion per block) live once in BusAdapter; a backend only
// moves bytes as it is told.
//
// A backend must:
// - open() / close() its device; open() on an open device succeeds again. close() may come at
//   any time, also without open().
// - info(): fill the record's first 84 bytes (never `reserved`) and up to
//   TELKOR_FUNCTION_TEXT_SIZE bytes of function text. Pointers are valid, the device is open.
// - configure(controller, config): apply every field to controller 0 (SPI1) or 1 (SPI2), whose
//   five chip selects share the setting. The fields are already checked to be in range; give
//   BadConfig for a setting the hardware cannot make (and say why on stderr), Ok otherwise.
//   BusAdapter keeps the configuration; it calls run() only on a master and the slave entries
//   only on a slave.
// - run(train): carry out the chip-select assertions in order on the train's controller and
//   chip select, each one assertion from its first phase to its last phase without releasing
//   the chip select, with `intervalUs` between the release of one and the assertion of the
//   next. A phase clocks max(outCount, inCount) bytes: `out` first, FFh filler after it (or all
//   filler if `out` is null); the first `inCount` bytes received go to `in` (if not null), the
//   rest are dropped. Bit order, clock mode and chip-select polarity are the configured ones:
//   the bytes in `out` and `in` are always in the caller's order. An assertion that the
//   hardware cannot carry out whole must be refused, never cut or split into two. Give Ok, or
//   a failure (DeviceFailed for an I/O error, NotOpen when the device is gone) without
//   partial guarantees for `in`.
// - slaveWrite() / slaveRead(): queue bytes for the remote master / copy out what it sent
//   since the last read (no more than TELKOR_BUFFER_SIZE, return the count). Backends without
//   a slave port refuse slave configurations in configure() and never see these calls.
//
// A backend is used by one thread at a time (its adapter's lock is held); backends of two
// adapters work at the same time.

#include "telkor/adapter.h"

#include <cstdint>
#include <vector>

namespace telkor
{

// One part of a chip-select assertion.
struct BusPhase {
    const uint8_t *out = nullptr; // nullptr: filler bytes FFh go out
    int32_t outCount = 0;
    uint8_t *in = nullptr; // nullptr: what comes back is dropped
    int32_t inCount = 0;

    int32_t clocks() const { return outCount > inCount ? outCount : inCount; }
};

// One chip-select assertion: full duplex is one phase, half duplex a write phase then a read
// phase.
struct BusAssertion {
    static constexpr int maxPhases = 2;
    BusPhase phases[maxPhases];
    int phaseCount = 0;

    int64_t clocks() const
    {
        int64_t total = 0;
        for (int i = 0; i < phaseCount; ++i)
            total += phases[i].clocks();
        return total;
    }
};

// Assertions on one chip select of one controller.
struct BusTrain {
    int controller = 0; // 0 SPI1, 1 SPI2
    int chipSelect = 0; // 0..4
    std::vector<BusAssertion> assertions;
    uint32_t intervalUs = 0; // between two assertions, not before the first nor after the last
};

class BusBackend
{
public:
    virtual ~BusBackend() = default;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool info(DeviceInfo *info, char *functions) = 0;

    virtual int32_t configure(int controller, const SpiConfig &config) = 0;
    virtual int32_t run(const BusTrain &train) = 0;

    virtual int32_t slaveWrite(int controller, const uint8_t *data, int32_t count)
    {
        (void)controller, (void)data, (void)count;
        return WrongRole;
    }
    virtual int32_t slaveRead(int controller, uint8_t *buffer)
    {
        (void)controller, (void)buffer;
        return WrongRole;
    }
};

} // namespace telkor
