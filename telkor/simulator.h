#pragma once
// Everything behind the library's entries: the configuration, the clock, the attached
// adapters, fault injection, the test controls and the record of calls. One instance, guarded
// by a mutex, since a library may be called from any thread.

#include "telkor/config.h"
#include "telkor/simadapter.h"
#include "telkor/simclock.h"

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
    int32_t adapterCount() const { return attached; }
    // Unplugs the adapters from `count` on (they close) or plugs them back.
    void setAdapterCount(int32_t count);
    // The attached adapter at `device`, or nullptr.
    SimAdapter *adapter(int32_t device);
    // What AdapterGetInfo reports from now on, for every adapter.
    void setInfo(const DeviceInfo &record, const std::vector<uint8_t> &functionText);

    // The result the next call of `entry` is made to give instead of running, if any: a
    // result forced by a test, or an injected fault.
    bool takeForcedResult(const std::string &entry, int32_t *result);
    void forceResult(const std::string &entry, int32_t result, int32_t times);

    // Counts one call of an entry, for the unplugging schedule of the configuration.
    void countCall();

    void record(std::string line);
    const std::vector<std::string> &calls() const { return callLog; }
    void clearCalls() { callLog.clear(); }

private:
    Simulator();
    bool injectFault(const std::string &entry);

    std::mutex lock;
    LibraryConfig config;
    SimClock simClock;
    int32_t attached = 1;
    int32_t attachedWhenPlugged = 1;
    uint64_t scheduledCalls = 0;
    // Made when first attached and used: each carries 2 MiB of flash.
    std::vector<std::unique_ptr<SimAdapter>> adapters;
    std::vector<std::string> adapterProblems;
    bool customInfo = false;
    DeviceInfo infoRecord{};
    std::vector<uint8_t> functions;
    std::map<std::string, std::vector<int32_t>> forced;
    std::map<std::string, uint64_t> faultCalls;
    std::mt19937 faultRandom;
    std::vector<std::string> callLog;
};

} // namespace telkor
