#pragma once
// What the simulation does around each call of the twelve entries, and hardware does not:
// the unplugging schedule, results forced by tests and injected faults, and the record of
// calls that tests read. Its lock is held only while it looks and records, never while an
// adapter works, so that calls to two adapters still run at the same time.

#include "telkor/config.h"
#include "telkor/simregistry.h"

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace telkor
{

class SimCalls
{
public:
    // The record keeps the newest lines that fit in its limit of bytes.
    static constexpr size_t defaultRecordBytes = 4 << 20;

    explicit SimCalls(SimRegistry &registry);

    // The fault rules and schedule of `config`; nothing forced, the record empty at its
    // default limit.
    void reset(const LibraryConfig &config);

    // Calls are recorded only where the record can be read: in the library with the test
    // controls.
    void setRecording(bool on) { recordingOn = on; }
    bool recording() const { return recordingOn; }

    // Before a call of `entry`: counts it for the unplugging schedule, and gives the result
    // that replaces it, if any: a result forced by a test, or an injected fault.
    bool replaced(const std::string &entry, int32_t *result);
    void forceResult(const std::string &entry, int32_t result, int32_t times);

    void record(std::string line);
    size_t callCount() const;
    // Line `index` of the record; false if there is none.
    bool callText(size_t index, std::string *line) const;
    void clearCalls();
    void setRecordLimit(size_t bytes);

private:
    bool injectFault(const std::string &entry);
    void countCall();
    void dropOldestCalls();

    SimRegistry &registry;
    std::atomic<bool> recordingOn{false};
    mutable std::mutex lock;
    LibraryConfig config;
    uint64_t scheduledCalls = 0;
    int32_t attachedWhenPlugged = 1;
    std::map<std::string, std::vector<int32_t>> forced;
    std::map<std::string, uint64_t> faultCalls;
    std::mt19937 faultRandom;
    std::deque<std::string> callLog;
    size_t callLogBytes = 0;
    size_t recordLimit = defaultRecordBytes;
};

} // namespace telkor
