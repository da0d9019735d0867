#pragma once
// FTDI chips on a pretend USB bus, behind the FTDI backend's port: each interface is an
// MpsseInterpreter, chips can be unplugged and plugged back, and every call is recorded.

#include "mpsseinterpreter.h"

#include "telkor/ftdiport.h"

#include <memory>
#include <string>
#include <vector>

struct FakeFtdiChip {
    uint16_t vendor = 0x0403, product = 0x6014;
    bool present = true;
    MpsseInterpreter interfaces[2];
};

struct FakeUsb {
    std::vector<std::unique_ptr<FakeFtdiChip>> chips;
    // "A open 0403:6014 0", "A write 80 FA FB", "A read 1", ... ("-" before an open)
    std::vector<std::string> calls;

    FakeFtdiChip &plug(uint16_t product);
    // Only the writes, as hex, of all interfaces.
    std::vector<std::string> writes() const;
};

class FakeFtdiPort : public telkor::FtdiPort
{
public:
    explicit FakeFtdiPort(FakeUsb &usb) : usb(usb) {}

    int count(uint16_t vendor, uint16_t product) override;
    bool open(uint16_t vendor, uint16_t product, int index, int interface) override;
    void close() override;
    bool reset() override;
    bool setLatency(uint8_t milliseconds) override;
    bool setBitmode(uint8_t mask, uint8_t mode) override;
    bool write(const uint8_t *data, size_t count) override;
    int read(uint8_t *buffer, size_t count, int timeoutMs) override;
    const char *error() override { return "fake failure"; }

private:
    // The open interface while its chip is plugged in, else nullptr.
    MpsseInterpreter *engine();
    bool log(const std::string &call, bool result);

    FakeUsb &usb;
    FakeFtdiChip *chip = nullptr;
    int interface = 0;
};
