#include "telkor/simcalls.h"

namespace telkor
{

namespace
{

// The value an entry gives when it fails: the boolean entries say false, the rest an error.
int32_t failureOf(const std::string &entry)
{
    if (entry == "AdapterScan" || entry == "AdapterOpen" || entry == "AdapterGetInfo")
        return 0;
    return InjectedFault;
}

} // namespace

SimCalls::SimCalls(SimRegistry &registry) : registry(registry) {}

void SimCalls::reset(const LibraryConfig &wanted)
{
    std::lock_guard<std::mutex> guard(lock);
    config = wanted;
    scheduledCalls = 0;
    attachedWhenPlugged = config.adapters;
    forced.clear();
    faultCalls.clear();
    faultRandom.seed(config.faultSeed);
    callLog.clear();
    callLogBytes = 0;
    recordLimit = defaultRecordBytes;
}

void SimCalls::countCall()
{
    if (config.pluggedCalls == 0)
        return;
    const uint64_t cycle = config.pluggedCalls + config.unpluggedCalls;
    const uint64_t position = scheduledCalls++ % cycle;
    if (position == config.pluggedCalls) {
        attachedWhenPlugged = registry.adapterCount();
        registry.setAdapterCount(0);
    } else if (position == 0 && scheduledCalls > 1) {
        registry.setAdapterCount(attachedWhenPlugged);
    }
}

bool SimCalls::injectFault(const std::string &entry)
{
    const auto rule = config.faults.find(entry);
    if (rule == config.faults.end())
        return false;
    const uint64_t call = ++faultCalls[entry];
    switch (rule->second.kind) {
    case FaultRule::Once:
        return call == 1;
    case FaultRule::Every:
        return call % rule->second.every == 0;
    case FaultRule::Random:
        return std::uniform_real_distribution<double>(0.0, 1.0)(faultRandom) <
               rule->second.probability;
    }
    return false;
}

bool SimCalls::replaced(const std::string &entry, int32_t *result)
{
    std::lock_guard<std::mutex> guard(lock);
    countCall();
    auto found = forced.find(entry);
    if (found != forced.end() && !found->second.empty()) {
        *result = found->second.front();
        found->second.erase(found->second.begin());
        return true;
    }
    if (injectFault(entry)) {
        *result = failureOf(entry);
        return true;
    }
    return false;
}

void SimCalls::forceResult(const std::string &entry, int32_t result, int32_t times)
{
    std::lock_guard<std::mutex> guard(lock);
    for (int32_t i = 0; i < times; ++i)
        forced[entry].push_back(result);
}

void SimCalls::record(std::string line)
{
    std::lock_guard<std::mutex> guard(lock);
    // The newest line stays even when it alone is over the limit.
    callLogBytes += line.size();
    callLog.push_back(std::move(line));
    dropOldestCalls();
}

size_t SimCalls::callCount() const
{
    std::lock_guard<std::mutex> guard(lock);
    return callLog.size();
}

bool SimCalls::callText(size_t index, std::string *line) const
{
    std::lock_guard<std::mutex> guard(lock);
    if (index >= callLog.size())
        return false;
    *line = callLog[index];
    return true;
}

void SimCalls::clearCalls()
{
    std::lock_guard<std::mutex> guard(lock);
    callLog.clear();
    callLogBytes = 0;
}

void SimCalls::setRecordLimit(size_t bytes)
{
    std::lock_guard<std::mutex> guard(lock);
    recordLimit = bytes;
    dropOldestCalls();
}

void SimCalls::dropOldestCalls()
{
    while (callLog.size() > 1 && callLogBytes > recordLimit) {
        callLogBytes -= callLog.front().size();
        callLog.pop_front();
    }
}

} // namespace telkor
