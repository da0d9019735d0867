#pragma once
// The library behind its twelve entries: the configuration, and the adapters of the backend
// it chooses. On the simulation every call also passes through SimCalls (unplugging
// schedule, forced results, faults, the record) and takes its USB round trip on the
// simulated clock; on hardware a call only finds its adapter and holds that adapter's lock.

#include "telkor/hardwareregistry.h"
#include "telkor/simcalls.h"
#include "telkor/simregistry.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace telkor
{

class Library
{
public:
    // The library as the environment configures it, on the host's hardware, made when first
    // used (telkor/entries.cpp).
    static Library &instance();

    explicit Library(HardwareRegistry::Source hardware);

    // Back to the configuration of the environment, with the items of `text` applied on top:
    // fresh adapters, nothing forced, the record empty. Returns the problems found, which
    // also go to standard error.
    std::vector<std::string> reset(const std::string &text = std::string());

    SimRegistry &simulation() { return simulated; }
    SimCalls &simCalls() { return calls; }

    // The twelve entries.
    int32_t adapterScan(int32_t reserved);
    int32_t adapterOpen(int32_t device);
    int32_t adapterGetInfo(int32_t device, DeviceInfo *info, char *functions);
    int32_t spiConfigure(int32_t device, int32_t channel, const SpiConfig *config);
    int32_t spiWrite(int32_t device, int32_t channel, const uint8_t *data, int32_t count);
    int32_t spiRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t count);
    int32_t spiWriteRead(int32_t device, int32_t channel, const uint8_t *write, int32_t writeCount,
                         uint8_t *read, int32_t readCount, int32_t reserved);
    int32_t spiSlaveWrite(int32_t device, int32_t channel, const uint8_t *data, int32_t count,
                          int32_t reserved);
    int32_t spiSlaveRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t reserved);
    int32_t spiBlockWrite(int32_t device, int32_t channel, const uint8_t *data, int32_t blockSize,
                          int32_t blockCount, int32_t intervalUs);
    int32_t spiBlockRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t blockSize,
                         int32_t blockCount, int32_t intervalUs);
    int32_t spiBlockWriteRead(int32_t device, int32_t channel, const uint8_t *write,
                              int32_t writeBlockSize, uint8_t *read, int32_t readBlockSize,
                              int32_t blockCount, int32_t intervalUs);

private:
    // Runs one call: `work` on the backend's adapters; on the simulation also the round trip,
    // SimCalls and, when recording, the line made of `arguments()`.
    template <typename Arguments, typename Work>
    int32_t call(const char *entry, const Arguments &arguments, const Work &work);

    std::mutex resetLock;
    SimRegistry simulated;
    SimCalls calls{simulated};
    HardwareRegistry hardware;
    std::atomic<bool> onHardware{false};
};

} // namespace telkor
