#pragma once
// One interface of an FTDI chip on USB, as the FTDI backend uses it: every libftdi call goes
// through here, so that tests can put a chip simulated in software in its place.

#include <cstddef>
#include <cstdint>

namespace telkor
{

class FtdiPort
{
public:
    virtual ~FtdiPort() = default;

    // How many chips with this vendor and product id are attached now.
    virtual int count(uint16_t vendor, uint16_t product) = 0;
    // Opens interface `interface` (0 = A, 1 = B) of the `index`th such chip.
    virtual bool open(uint16_t vendor, uint16_t product, int index, int interface) = 0;
    virtual void close() = 0;

    virtual bool reset() = 0;
    virtual bool setLatency(uint8_t milliseconds) = 0;
    virtual bool setBitmode(uint8_t mask, uint8_t mode) = 0;
    // All of `data` in one USB write; false on any failure.
    virtual bool write(const uint8_t *data, size_t count) = 0;
    // Waits up to `timeoutMs` for `count` bytes; returns how many came, or below 0 on failure.
    virtual int read(uint8_t *buffer, size_t count, int timeoutMs) = 0;
    // Why the last call failed, for standard error.
    virtual const char *error() = 0;
};

} // namespace telkor
