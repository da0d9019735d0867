#include "adapter/spisettings.h"

int channelByte(SpiChannel channel)
{
    const int index = static_cast<int>(channel);
    const int controller = index / 5;
    const int chipSelect = index % 5;
    return chipSelect << 4 | controller;
}

QString channelName(SpiChannel channel)
{
    const int index = static_cast<int>(channel);
    return QStringLiteral("SPI%1_CS%2").arg(index / 5 + 1).arg(index % 5);
}

bool parseChannelName(const QString &name, SpiChannel *channel)
{
    for (int index = 0; index < 10; ++index) {
        const auto candidate = static_cast<SpiChannel>(index);
        if (name == channelName(candidate)) {
            *channel = candidate;
            return true;
        }
    }
    return false;
}

int32_t clockHzFromText(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

void fillSpiConfig(SpiConfig *config, const PanelSettings &panel)
{
    config->controlMode = static_cast<uint8_t>(panel.controlMode);
    config->master = static_cast<uint8_t>(panel.role);
    config->clockPolarity = static_cast<uint8_t>(panel.clockPolarity);
    config->clockPhase = static_cast<uint8_t>(panel.clockPhase);
    config->lsbFirst = static_cast<uint8_t>(panel.bitOrder);
    config->csPolarity = static_cast<uint8_t>(panel.csPolarity);
    config->clockHz = clockHzFromText(panel.clockText);
}
