#pragma once
// Everything behind the library's entries: the attached adapters, the test controls and the
// record of calls. One instance, guarded by a mutex, since a library may be called from any
// thread.

#include "telkor/simadapter.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace telkor {

class Simulator
{
public:
    static constexpr int maxAdapters = 10;
    static Simulator &instance();

    std::mutex &mutex() { return lock; }

    void reset();
    int32_t adapterCount() const { return attached; }
    void setAdapterCount(int32_t count);
    // The adapter at `device` if attached, else nullptr.
    SimAdapter *adapter(int32_t device);

    // A result forced on the next call of `entry`, if any (and consumed).
    bool takeForcedResult(const std::string &entry, int32_t *result);
    void forceResult(const std::string &entry, int32_t result, int32_t times);

    void record(std::string line);
    const std::vector<std::string> &calls() const { return callLog; }
    void clearCalls() { callLog.clear(); }

    DeviceInfo info{};
    std::vector<uint8_t> functions;

private:
    Simulator();

    std::mutex lock;
    int32_t attached = 1;
    std::vector<SimAdapter> adapters;
    std::map<std::string, std::vector<int32_t>> forced;
    std::vector<std::string> callLog;
};

} // namespace telkor
