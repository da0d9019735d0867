#pragma once
// Everything behind the library's entries: the configuration, the clock, the attached
// adapters (simulated, or those of the configured hardware backend), fault injection, the test
// controls and the record of calls. One instance, guarded
// by a mutex, since a library may be called from any thread.

#include "telkor/config.h"
#include "telkor/simadapter.h"
#include "telkor/simclock.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace telkor
{

class Simulator
{
public:
    static constexpr int maxAdapters = 10;
    static Simulator &instance();

    std::mutex &mutex() { return lock; }

    // Back to the configuration of the environment (or of `text`, applied on top of it);
    // returns the problems found, which also go to standard error.
    std::vector<std::string> reset(const std::string &text = std::string());

    SimClock &clock() { return simClock; }
    // A call's USB round trip on the simulated clock; hardware takes its own time.
    void spendRoundTrip();
    // Adapters found now; for hardware, a new look at the devices.
    int32_t scan();
    int32_t adapterCount() const;
    // Unplugs the adapters from `count` on (they close) or plugs them back.
    void setAdapterCount(int32_t count);
    // The attached adapter at `device`, or nullptr.
    BusAdapter *adapter(int32_t device);
    // The same when it is simulated, for the test controls.
    SimAdapter *simAdapter(int32_t device);
    // What AdapterGetInfo reports from now on, for every adapter.
    void setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText);

    // The result the next call of `entry` is made to give instead of running, if any: a
    // result forced by a test, or an injected fault.
    bool takeForcedResult(const std::string &entry, int32_t *result);
    void forceResult(const std::string &entry, int32_t result, int32_t times);

    // Counts one call of an entry, for the unplugging schedule of the configuration.
    void countCall();

    // The record keeps the newest lines that fit in its limit of bytes.
    static constexpr size_t defaultRecordBytes = 4 << 20;
    void record(std::string line);
    const std::deque<std::string> &calls() const { return callLog; }
    void clearCalls();
    void setRecordLimit(size_t bytes);

private:
    Simulator();
    bool injectFault(const std::string &entry);
    void dropOldestCalls();

    std::mutex lock;
    LibraryConfig config;
    SimClock simClock;
    int32_t attached = 1;
    int32_t hardwareFound = -1; // devices of the hardware backend at the last scan; -1: none yet
    int32_t attachedWhenPlugged = 1;
    uint64_t scheduledCalls = 0;
    // Made when first attached and used: each carries 2 MiB of flash.
    std::vector<std::unique_ptr<BusAdapter>> adapters;
    std::vector<std::string> adapterProblems;
    bool customInfo = false;
    DeviceInfo infoRecord{};
    std::vector<uint8_t> functions;
    std::map<std::string, std::vector<int32_t>> forced;
    std::map<std::string, uint64_t> faultCalls;
    std::mt19937 faultRandom;
    std::deque<std::string> callLog;
    size_t callLogBytes = 0;
    size_t recordLimit = defaultRecordBytes;
};

} // namespace telkor
