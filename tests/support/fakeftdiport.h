#pragma once
// FTDI chips on a pretend USB bus, behind the FTDI backend's port: each interface is an
// MpsseInterpreter, chips can be unplugged and plugged back, every call but close is recorded.

#include "mpsseinterpreter.h"

#include "telkor/ftdiport.h"

#include <QStringList>

#include <deque>

struct FakeFtdiChip {
    uint16_t vendor = 0x0403, product = 0x6014;
    bool present = true;
    MpsseInterpreter interfaces[2]{};
};

struct FakeUsb {
    std::deque<FakeFtdiChip> chips; // where they stay while more are plugged in
    // "A open 0403:6014 0", "A write 80 FA FB", "A read 1 failed", ... ("-" before an open)
    QStringList calls;
    // Calls whose record would start with this fail, and do nothing (e.g. "latency").
    QString failing;

    FakeFtdiChip &plug(uint16_t id) { return chips.emplace_back(FakeFtdiChip{0x0403, id}); }
    // The `index`th chip plugged in with these ids, or nullptr.
    FakeFtdiChip *find(uint16_t vendor, uint16_t product, int index);
};

class FakeFtdiPort : public telkor::FtdiPort
{
public:
    explicit FakeFtdiPort(FakeUsb &usb) : usb(usb) {}

    int count(uint16_t vendor, uint16_t product) override;
    bool open(uint16_t vendor, uint16_t product, int index, int interface) override;
    void close() override { chip = nullptr; }
    bool reset() override { return log("reset", engineFor("reset")); }
    bool setLatency(uint8_t ms) override
    {
        return log("latency " + QString::number(ms), engineFor("latency"));
    }
    bool setBitmode(uint8_t mask, uint8_t mode) override;
    bool write(const uint8_t *data, size_t count) override;
    int read(uint8_t *buffer, size_t count, int timeoutMs) override;
    const char *error() override { return "fake failure"; }

private:
    // The open interface while its chip is plugged in, else nullptr.
    MpsseInterpreter *engine() { return chip && chip->present ? &chip->interfaces[side] : nullptr; }
    // The engine, unless `call` is to fail.
    MpsseInterpreter *engineFor(const QString &call);
    bool log(const QString &call, bool result);

    FakeUsb &usb;
    FakeFtdiChip *chip = nullptr;
    int side = 0; // the interface
};
