#pragma once
// The adapter library's interface: the twelve entries and the records they exchange.
//
// The program calls the adapter only through these entries, so any library offering them
// (ours in telkor/, or a hardware one) can stand behind the program. The numbers are the
// maker's ordinals; on this platform the entries are bound by name, the numbers stay here as
// documentation.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Transfer buffers of the program and of the adapter hold this many bytes.
#define TELKOR_BUFFER_SIZE 20480

#pragma pack(push, 1)

// Handed to SpiConfigure. Clock polarity comes before clock phase, the reverse of the panel.
typedef struct SpiConfig {
    // 0 hardware full-duplex, 1 hardware half-duplex, 2 software half-duplex, 3 single-bus
    uint8_t controlMode;
    uint8_t master;        // 0 slave, 1 master
    uint8_t clockPolarity; // 0 or 1
    uint8_t clockPhase;    // 0 or 1
    uint8_t lsbFirst;      // 0 most significant bit first, 1 least significant bit first
    uint8_t csPolarity;    // 0 active low, 1 active high
    uint8_t reserved[2];
    int32_t clockHz;
} SpiConfig;

// Filled by AdapterGetInfo. Texts are NUL-terminated UTF-8 when they fit; readers must not rely
// on the NUL. Versions are packed major (bits 31-24), minor (23-16), patch (15-0).
typedef struct DeviceInfo {
    char firmwareName[32];
    char buildDate[32];
    uint32_t hardwareVersion;
    uint32_t firmwareVersion;
    uint32_t serialNumber[3];
    uint8_t reserved[4]; // the program reserves 88 bytes and reads none of these
} DeviceInfo;

#pragma pack(pop)

// Size of the function text buffer handed to AdapterGetInfo.
#define TELKOR_FUNCTION_TEXT_SIZE 256

#ifdef __cplusplus
static_assert(sizeof(SpiConfig) == 12, "SpiConfig is 12 bytes");
static_assert(offsetof(SpiConfig, controlMode) == 0, "SpiConfig layout");
static_assert(offsetof(SpiConfig, master) == 1, "SpiConfig layout");
static_assert(offsetof(SpiConfig, clockPolarity) == 2, "SpiConfig layout");
static_assert(offsetof(SpiConfig, clockPhase) == 3, "SpiConfig layout");
static_assert(offsetof(SpiConfig, lsbFirst) == 4, "SpiConfig layout");
static_assert(offsetof(SpiConfig, csPolarity) == 5, "SpiConfig layout");
static_assert(offsetof(SpiConfig, clockHz) == 8, "SpiConfig layout");
static_assert(sizeof(DeviceInfo) == 88, "DeviceInfo is 88 bytes");
static_assert(offsetof(DeviceInfo, buildDate) == 32, "DeviceInfo layout");
static_assert(offsetof(DeviceInfo, hardwareVersion) == 64, "DeviceInfo layout");
static_assert(offsetof(DeviceInfo, firmwareVersion) == 68, "DeviceInfo layout");
static_assert(offsetof(DeviceInfo, serialNumber) == 72, "DeviceInfo layout");
static_assert(offsetof(DeviceInfo, reserved) == 84, "DeviceInfo layout");
#endif

#if defined(_WIN32)
#define TELKOR_API __declspec(dllexport)
#else
#define TELKOR_API __attribute__((visibility("default")))
#endif

// Results: the SPI entries give 0 on success; SpiSlaveRead the number of bytes received
// (0 = nothing, below 0 = failure); AdapterScan the number of adapters; AdapterOpen and
// AdapterGetInfo a boolean in their low byte.

/* 100 */ TELKOR_API int32_t AdapterScan(int32_t reserved);
/* 101 */ TELKOR_API int32_t AdapterOpen(int32_t device);
/* 103 */ TELKOR_API int32_t AdapterGetInfo(int32_t device, DeviceInfo *info, char *functions);
/* 300 */ TELKOR_API int32_t SpiConfigure(int32_t device, int32_t channel, SpiConfig *config);
/* 301 */ TELKOR_API int32_t SpiWrite(int32_t device, int32_t channel, uint8_t *data,
                                      int32_t count);
/* 303 */ TELKOR_API int32_t SpiRead(int32_t device, int32_t channel, uint8_t *buffer,
                                     int32_t count);
/* 304 */ TELKOR_API int32_t SpiWriteRead(int32_t device, int32_t channel, uint8_t *write,
                                          int32_t writeCount, uint8_t *read, int32_t readCount,
                                          int32_t reserved);
/* 305 */ TELKOR_API int32_t SpiSlaveWrite(int32_t device, int32_t channel, uint8_t *data,
                                           int32_t count, int32_t reserved);
/* 306 */ TELKOR_API int32_t SpiSlaveRead(int32_t device, int32_t channel, uint8_t *buffer,
                                          int32_t reserved);
/* 317 */ TELKOR_API int32_t SpiBlockWrite(int32_t device, int32_t channel, uint8_t *data,
                                           int32_t blockSize, int32_t blockCount,
                                           int32_t intervalUs);
/* 318 */ TELKOR_API int32_t SpiBlockRead(int32_t device, int32_t channel, uint8_t *buffer,
                                          int32_t blockSize, int32_t blockCount,
                                          int32_t intervalUs);
/* 319 */ TELKOR_API int32_t SpiBlockWriteRead(int32_t device, int32_t channel, uint8_t *write,
                                               int32_t writeBlockSize, uint8_t *read,
                                               int32_t readBlockSize, int32_t blockCount,
                                               int32_t intervalUs);

#ifdef __cplusplus
}
#endif
