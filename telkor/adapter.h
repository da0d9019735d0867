#pragma once
// One adapter behind the library's entries. The entries find the adapter by its device index
// and hand it the call; the adapter routes each transfer to the controller and chip select
// the channel byte names. BusAdapter implements it once, in front of a backend (simulated
// chips or hardware).

#include "adapter/telkor.h"

namespace telkor
{

// Library results besides 0 = success.
enum Result : int32_t {
    Ok = 0,
    NotOpen = -1,       // adapter not attached or not opened
    BadArgument = -2,   // channel, pointer, count or size out of range
    WrongRole = -3,     // master entry on a slave port or the other way round
    BadConfig = -4,     // a configuration field the adapter cannot apply
    DeviceFailed = -5,  // the hardware refused or failed the transfer (I/O error)
    InjectedFault = -6, // made to fail on purpose (fault injection)
};

class Adapter
{
public:
    virtual ~Adapter() = default;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Fills the record's 84 bytes and the function text (no more than its 256 bytes).
    virtual bool info(DeviceInfo *info, char *functions) = 0;

    virtual int32_t configure(int32_t channel, const SpiConfig &config) = 0;
    virtual int32_t write(int32_t channel, const uint8_t *data, int32_t count) = 0;
    virtual int32_t read(int32_t channel, uint8_t *buffer, int32_t count) = 0;
    virtual int32_t writeRead(int32_t channel, const uint8_t *write, int32_t writeCount,
                              uint8_t *read, int32_t readCount) = 0;
    virtual int32_t slaveWrite(int32_t channel, const uint8_t *data, int32_t count) = 0;
    // Bytes received (0 = nothing), or a failure below 0.
    virtual int32_t slaveRead(int32_t channel, uint8_t *buffer) = 0;
    virtual int32_t blockWrite(int32_t channel, const uint8_t *data, int32_t size, int32_t count,
                               int32_t intervalUs) = 0;
    virtual int32_t blockRead(int32_t channel, uint8_t *buffer, int32_t size, int32_t count,
                              int32_t intervalUs) = 0;
    virtual int32_t blockWriteRead(int32_t channel, const uint8_t *write, int32_t writeSize,
                                   uint8_t *read, int32_t readSize, int32_t count,
                                   int32_t intervalUs) = 0;
};

} // namespace telkor
