// The pretend USB bus of the FTDI backend's tests.

#include "fakeftdiport.h"

FakeFtdiChip *FakeUsb::find(uint16_t vendor, uint16_t product, int index)
{
    for (FakeFtdiChip &chip : chips)
        if (chip.present && chip.vendor == vendor && chip.product == product && index-- == 0)
            return &chip;
    return nullptr;
}

int FakeFtdiPort::count(uint16_t vendor, uint16_t product)
{
    int found = 0;
    while (usb.find(vendor, product, found))
        ++found;
    return found;
}

MpsseInterpreter *FakeFtdiPort::engineFor(const QString &call)
{
    return usb.failing.isEmpty() || !call.startsWith(usb.failing) ? engine() : nullptr;
}

bool FakeFtdiPort::open(uint16_t vendor, uint16_t product, int index, int interface)
{
    const QString call = QString::asprintf("open %04x:%04x %d", vendor, product, index);
    chip = usb.find(vendor, product, index);
    side = interface;
    if (!engineFor(call))
        chip = nullptr;
    return log(call, chip != nullptr);
}

bool FakeFtdiPort::setBitmode(uint8_t mask, uint8_t mode)
{
    const QString call = QString::asprintf("bitmode %02X %02X", mask, mode);
    if (MpsseInterpreter *engine = engineFor(call))
        engine->setBitmode(mode);
    return log(call, engineFor(call));
}

bool FakeFtdiPort::write(const uint8_t *data, size_t count)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(count));
    const QString call = "write " + QString::fromLatin1(bytes.toHex(' ').toUpper());
    if (MpsseInterpreter *engine = engineFor(call))
        engine->execute(data, count);
    return log(call, engineFor(call));
}

int FakeFtdiPort::read(uint8_t *buffer, size_t count, int)
{
    const QString call = "read " + QString::number(count);
    MpsseInterpreter *engine = engineFor(call);
    log(call, engine);
    return engine ? static_cast<int>(engine->take(buffer, count)) : -1;
}

bool FakeFtdiPort::log(const QString &call, bool result)
{
    usb.calls.append(QChar(chip ? 'A' + side : '-') + (" " + call) + (result ? "" : " failed"));
    return result;
}
