// The pretend USB bus of the FTDI backend's tests.

#include "fakeftdiport.h"

#include <cstdio>

namespace
{

std::string hex(const uint8_t *data, size_t count)
{
    std::string text;
    char digits[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", data[i]);
        text += digits;
    }
    return text;
}

} // namespace

FakeFtdiChip &FakeUsb::plug(uint16_t product)
{
    chips.push_back(std::make_unique<FakeFtdiChip>());
    chips.back()->product = product;
    return *chips.back();
}

std::vector<std::string> FakeUsb::writes() const
{
    std::vector<std::string> found;
    for (const std::string &call : calls)
        if (call.compare(1, 7, " write ") == 0)
            found.push_back(call.substr(0, 2) + call.substr(8));
    return found;
}

int FakeFtdiPort::count(uint16_t vendor, uint16_t product)
{
    int found = 0;
    for (const auto &candidate : usb.chips)
        found += candidate->present && candidate->vendor == vendor && candidate->product == product;
    return found;
}

bool FakeFtdiPort::open(uint16_t vendor, uint16_t product, int index, int wanted)
{
    chip = nullptr;
    interface = wanted;
    char text[48];
    std::snprintf(text, sizeof text, "open %04x:%04x %d", vendor, product, index);
    for (const auto &candidate : usb.chips)
        if (candidate->present && candidate->vendor == vendor && candidate->product == product &&
            index-- == 0)
            chip = candidate.get();
    return log(text, chip != nullptr);
}

void FakeFtdiPort::close()
{
    log("close", true);
    chip = nullptr;
}

bool FakeFtdiPort::reset()
{
    return log("reset", engine() != nullptr);
}

bool FakeFtdiPort::setLatency(uint8_t milliseconds)
{
    return log("latency " + std::to_string(milliseconds), engine() != nullptr);
}

bool FakeFtdiPort::setBitmode(uint8_t mask, uint8_t mode)
{
    MpsseInterpreter *mpsse = engine();
    if (mpsse)
        mpsse->setBitmode(mode);
    return log("bitmode " + hex(&mask, 1) + " " + hex(&mode, 1), mpsse != nullptr);
}

bool FakeFtdiPort::write(const uint8_t *data, size_t count)
{
    MpsseInterpreter *mpsse = engine();
    if (mpsse)
        mpsse->execute(data, count);
    return log("write " + hex(data, count), mpsse != nullptr);
}

int FakeFtdiPort::read(uint8_t *buffer, size_t count, int)
{
    MpsseInterpreter *mpsse = engine();
    log("read " + std::to_string(count), mpsse != nullptr);
    return mpsse ? static_cast<int>(mpsse->take(buffer, count)) : -1;
}

MpsseInterpreter *FakeFtdiPort::engine()
{
    return chip && chip->present ? &chip->interfaces[interface] : nullptr;
}

bool FakeFtdiPort::log(const std::string &call, bool result)
{
    const char name = chip ? static_cast<char>('A' + interface) : '-';
    usb.calls.push_back(std::string(1, name) + " " + call + (result ? "" : " failed"));
    return result;
}
