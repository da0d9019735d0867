#include "adapter/spisettings.h"

int channelByte(int channelIndex)
{
    if (channelIndex >= 5)
        return ((channelIndex - 5) << 4) | 1;
    return channelIndex << 4;
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
    config->master = static_cast<uint8_t>(panel.workingMode);
    config->clockPolarity = static_cast<uint8_t>(panel.clockPolarity);
    config->clockPhase = static_cast<uint8_t>(panel.clockPhase);
    config->lsbFirst = static_cast<uint8_t>(panel.shiftDirection);
    config->csPolarity = static_cast<uint8_t>(panel.csPolarity);
    config->clockHz = clockHzFromText(panel.clockText);
}
