#pragma once
// The settings panel as a plain record, and what the adapter library makes of it: the channel
// byte and the SpiConfig record.

#include "adapter/telkor.h"

#include <QString>

// What the panel says when a transfer starts: the adapter, the channel byte, the current indexes
// of the mode boxes in panel order, and the clock box's text. The window gathers it afresh for
// every transfer; the command-line runner fills it from its options.
struct PanelSettings {
    int device = 0;
    int channel = 0x00;
    int controlMode = 1;
    int workingMode = 1;
    int clockPhase = 0;
    int clockPolarity = 0;
    int csPolarity = 0;
    int shiftDirection = 0;
    QString clockText = QStringLiteral("50000000");
};

// Channel byte for the channel box index: chip select in the high nibble, controller (0 = SPI1,
// 1 = SPI2) in the low one. "SPI1_CS3" (3) gives 0x30, "SPI2_CS0" (5) gives 0x01.
int channelByte(int channelIndex);

// The clock box's text as a base-10 number of hertz; anything else gives 0.
int32_t clockHzFromText(const QString &text);

// Fills the record from the panel; each byte field is the box's index truncated to 8 bits.
// The reserved bytes are left as they are.
void fillSpiConfig(SpiConfig *config, const PanelSettings &panel);
