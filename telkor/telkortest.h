#pragma once
// Extra entries of our adapter library for tests: they set up the simulated adapters, make
// entries fail, script what reads return and record every call of the twelve entries. The
// program never calls them.

#include "adapter/telkor.h"

#ifdef __cplusplus
extern "C" {
#endif

// Back to the start-up state of the configuration in the environment: fresh adapters,
// nothing forced or queued, the call record empty.
TELKOR_API void TelkorTestReset(void);
// The same, with the configuration items of `text` applied on top; returns how many items
// could not be used.
TELKOR_API int32_t TelkorTestConfigure(const char *text);
// Time passing between calls while timing is off (the simulated clock only).
TELKOR_API void TelkorTestAdvanceClock(int64_t microseconds);
// How many adapters are attached (0 = all unplugged). Adapters beyond the count are closed.
TELKOR_API void TelkorTestSetAdapterCount(int32_t count);
// The next `times` calls of `entry` (e.g. "SpiWrite") return `result` and do nothing else.
TELKOR_API void TelkorTestForceResult(const char *entry, int32_t result, int32_t times);
// Bytes that the master receives next on any adapter, in place of the chips' answers.
TELKOR_API void TelkorTestQueueMiso(const uint8_t *data, int32_t count);
// A frame for adapter 0's slave port on SPI1, read before the remote master's own frames.
TELKOR_API void TelkorTestQueueSlaveFrame(const uint8_t *data, int32_t count);
// What AdapterGetInfo copies out: the record and `functionsSize` bytes of function text (no
// NUL is added, so a full 256-byte text has none).
TELKOR_API void TelkorTestSetDeviceInfo(const DeviceInfo *info, const uint8_t *functions,
                                        int32_t functionsSize);
// The call record: one line per call of the twelve entries, oldest first, such as
// "SpiWrite(0,0x00,[11 22],2) => 0".
TELKOR_API int32_t TelkorTestCallCount(void);
// Copies line `index` (NUL-terminated, cut to `size`) and returns its full length, or -1.
TELKOR_API int32_t TelkorTestCallText(int32_t index, char *buffer, int32_t size);
TELKOR_API void TelkorTestClearCalls(void);
// The record keeps the newest lines within this many bytes (4 MiB after a reset), and always
// the newest line.
TELKOR_API void TelkorTestSetCallRecordLimit(int64_t bytes);

#ifdef __cplusplus
}
#endif
