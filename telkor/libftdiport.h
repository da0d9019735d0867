#pragma once
// The FTDI port through libftdi1: the one place of the library that talks to USB.

#include "telkor/ftdiport.h"

#include <vector>

struct ftdi_context;
struct ftdi_transfer_control;

namespace telkor
{

class LibFtdiPort : public FtdiPort
{
public:
    LibFtdiPort();
    ~LibFtdiPort() override;
    LibFtdiPort(const LibFtdiPort &) = delete;
    LibFtdiPort &operator=(const LibFtdiPort &) = delete;

    int count(uint16_t vendor, uint16_t product) override;
    bool open(uint16_t vendor, uint16_t product, int index, int interface) override;
    void close() override;
    bool reset() override;
    bool setLatency(uint8_t milliseconds) override;
    bool setBitmode(uint8_t mask, uint8_t mode) override;
    bool write(const uint8_t *data, size_t count) override;
    int read(uint8_t *buffer, size_t count, int timeoutMs) override;
    const char *error() override;

private:
    // Waits for the write under way, or gives it up; false if it failed.
    bool finishWrite(bool cancel);

    ftdi_context *context = nullptr;
    bool opened = false;
    // A write goes out while the answers come back: the chip's own buffers are far smaller
    // than one stream, and it stops taking commands while its answers wait to be read.
    ftdi_transfer_control *pending = nullptr;
    std::vector<uint8_t> outgoing;
    const char *message = "";
};

} // namespace telkor
