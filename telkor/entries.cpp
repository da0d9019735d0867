// The library's exported entries: the twelve the program calls, handed to the library's
// adapters (telkor/library.h). The test controls are entries of the test library only
// (telkor/testcontrols.cpp).

#include "telkor/library.h"

using telkor::Library;

Library &Library::instance()
{
    static Library library(telkor::HardwareRegistry::Source::real());
    return library;
}

namespace
{

// The configuration is read when the library is loaded, so that a problem with it shows on
// standard error at once, not at the first transfer.
__attribute__((constructor)) void readConfigurationAtLoad()
{
    Library::instance();
}

} // namespace

extern "C" {

int32_t AdapterScan(int32_t reserved)
{
    return Library::instance().adapterScan(reserved);
}

int32_t AdapterOpen(int32_t device)
{
    return Library::instance().adapterOpen(device);
}

int32_t AdapterGetInfo(int32_t device, DeviceInfo *info, char *functions)
{
    return Library::instance().adapterGetInfo(device, info, functions);
}

int32_t SpiConfigure(int32_t device, int32_t channel, SpiConfig *config)
{
    return Library::instance().spiConfigure(device, channel, config);
}

int32_t SpiWrite(int32_t device, int32_t channel, uint8_t *data, int32_t count)
{
    return Library::instance().spiWrite(device, channel, data, count);
}

int32_t SpiRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t count)
{
    return Library::instance().spiRead(device, channel, buffer, count);
}

int32_t SpiWriteRead(int32_t device, int32_t channel, uint8_t *write, int32_t writeCount,
                     uint8_t *read, int32_t readCount, int32_t reserved)
{
    return Library::instance().spiWriteRead(device, channel, write, writeCount, read, readCount,
                                            reserved);
}

int32_t SpiSlaveWrite(int32_t device, int32_t channel, uint8_t *data, int32_t count,
                      int32_t reserved)
{
    return Library::instance().spiSlaveWrite(device, channel, data, count, reserved);
}

int32_t SpiSlaveRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t reserved)
{
    return Library::instance().spiSlaveRead(device, channel, buffer, reserved);
}

int32_t SpiBlockWrite(int32_t device, int32_t channel, uint8_t *data, int32_t blockSize,
                      int32_t blockCount, int32_t intervalUs)
{
    return Library::instance().spiBlockWrite(device, channel, data, blockSize, blockCount,
                                             intervalUs);
}

int32_t SpiBlockRead(int32_t device, int32_t channel, uint8_t *buffer, int32_t blockSize,
                     int32_t blockCount, int32_t intervalUs)
{
    return Library::instance().spiBlockRead(device, channel, buffer, blockSize, blockCount,
                                            intervalUs);
}

int32_t SpiBlockWriteRead(int32_t device, int32_t channel, uint8_t *write, int32_t writeBlockSize,
                          uint8_t *read, int32_t readBlockSize, int32_t blockCount,
                          int32_t intervalUs)
{
    return Library::instance().spiBlockWriteRead(device, channel, write, writeBlockSize, read,
                                                 readBlockSize, blockCount, intervalUs);
}

} // extern "C"
