// The test controls (telkor/telkortest.h): entries of the test library only, which is the
// shipped library's code plus this file. The shipped library exports the twelve entries and
// nothing else.

#include "telkor/library.h"
#include "telkor/telkortest.h"

#include <algorithm>
#include <cstring>

using telkor::Library;

namespace
{

// Where the record can be read, every call of the simulation is recorded from the start.
__attribute__((constructor)) void recordCalls()
{
    Library::instance().simCalls().setRecording(true);
}

} // namespace

extern "C" {

void TelkorTestReset(void)
{
    Library::instance().reset();
}

int32_t TelkorTestConfigure(const char *text)
{
    return static_cast<int32_t>(Library::instance().reset(text ? text : "").size());
}

void TelkorTestAdvanceClock(int64_t microseconds)
{
    if (microseconds > 0)
        Library::instance().simulation().clock().advance(static_cast<uint64_t>(microseconds));
}

void TelkorTestSetAdapterCount(int32_t count)
{
    Library::instance().simulation().setAdapterCount(count);
}

void TelkorTestForceResult(const char *entry, int32_t result, int32_t times)
{
    if (entry)
        Library::instance().simCalls().forceResult(entry, result, times);
}

void TelkorTestQueueMiso(const uint8_t *data, int32_t count)
{
    telkor::SimRegistry &simulation = Library::instance().simulation();
    for (int32_t device = 0; device < simulation.adapterCount(); ++device)
        simulation.withAdapter(
            device, [&](telkor::SimAdapter &adapter) { adapter.queueMiso(data, count); });
}

void TelkorTestQueueSlaveFrame(const uint8_t *data, int32_t count)
{
    Library::instance().simulation().withAdapter(
        0, [&](telkor::SimAdapter &adapter) { adapter.queueSlaveFrame(0x00, data, count); });
}

void TelkorTestSetDeviceInfo(const DeviceInfo *info, const uint8_t *functions,
                             int32_t functionsSize)
{
    const int32_t size = std::clamp(functionsSize, 0, TELKOR_FUNCTION_TEXT_SIZE);
    const std::vector<uint8_t> text =
        functions ? std::vector<uint8_t>(functions, functions + size) : std::vector<uint8_t>();
    Library::instance().simulation().setInfo(info ? *info : DeviceInfo{}, text);
}

int32_t TelkorTestCallCount(void)
{
    return static_cast<int32_t>(Library::instance().simCalls().callCount());
}

int32_t TelkorTestCallText(int32_t index, char *buffer, int32_t size)
{
    std::string line;
    if (index < 0 || !Library::instance().simCalls().callText(static_cast<size_t>(index), &line))
        return -1;
    if (buffer && size > 0) {
        const size_t copied = std::min(line.size(), static_cast<size_t>(size - 1));
        std::memcpy(buffer, line.data(), copied);
        buffer[copied] = '\0';
    }
    return static_cast<int32_t>(line.size());
}

void TelkorTestClearCalls(void)
{
    Library::instance().simCalls().clearCalls();
}

void TelkorTestSetCallRecordLimit(int64_t bytes)
{
    Library::instance().simCalls().setRecordLimit(static_cast<size_t>(std::max<int64_t>(bytes, 0)));
}

} // extern "C"
