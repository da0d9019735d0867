#pragma once
// The settings panel as a plain record of values, and what the adapter library makes of it: the
// channel byte and the SpiConfig record. The window's boxes carry these values in their items'
// data, so the order of the items in a box never decides what the adapter is told.

#include "adapter/telkor.h"

#include <QString>

// Each value is the byte the adapter's SpiConfig record takes for it.
enum class ControlMode : quint8 {
    HardwareFullDuplex = 0,
    HardwareHalfDuplex = 1,
    SoftwareHalfDuplex = 2,
    SingleBus = 3,
};
enum class Role : quint8 { Slave = 0, Master = 1 };
enum class ClockPhase : quint8 { FirstEdge = 0, SecondEdge = 1 };
enum class ClockPolarity : quint8 { IdleLow = 0, IdleHigh = 1 };
enum class CsPolarity : quint8 { ActiveLow = 0, ActiveHigh = 1 };
enum class BitOrder : quint8 { MsbFirst = 0, LsbFirst = 1 };
// A chip select of a controller: SPI1_CS0 to SPI1_CS4, then SPI2_CS0 to SPI2_CS4.
enum class SpiChannel : quint8 {
    Spi1Cs0,
    Spi1Cs1,
    Spi1Cs2,
    Spi1Cs3,
    Spi1Cs4,
    Spi2Cs0,
    Spi2Cs1,
    Spi2Cs2,
    Spi2Cs3,
    Spi2Cs4,
};

// Hardware modes clock the bus themselves; the software ones have no slave and a free clock.
inline bool isHardwareMode(ControlMode mode)
{
    return mode == ControlMode::HardwareFullDuplex || mode == ControlMode::HardwareHalfDuplex;
}

// Channel byte: chip select in the high nibble, controller (0 = SPI1, 1 = SPI2) in the low one.
// SPI1_CS3 gives 0x30, SPI2_CS0 gives 0x01.
int channelByte(SpiChannel channel);
// "SPI1_CS0" … "SPI2_CS4"; false for any other text.
bool parseChannelName(const QString &name, SpiChannel *channel);
QString channelName(SpiChannel channel);

// What the panel says when a transfer starts: the adapter, the channel, the modes and the clock
// box's text. The window gathers it afresh for every transfer; the command-line runner fills it
// from its options. The defaults are the panel's start-up values.
struct PanelSettings {
    int device = 0;
    SpiChannel channel = SpiChannel::Spi1Cs0;
    ControlMode controlMode = ControlMode::HardwareHalfDuplex;
    Role role = Role::Master;
    ClockPhase clockPhase = ClockPhase::FirstEdge;
    ClockPolarity clockPolarity = ClockPolarity::IdleLow;
    CsPolarity csPolarity = CsPolarity::ActiveLow;
    BitOrder bitOrder = BitOrder::MsbFirst;
    QString clockText = QStringLiteral("50000000");

    int channelByte() const { return ::channelByte(channel); }
    bool isMaster() const { return role == Role::Master; }
};

// The clock box's text as a base-10 number of hertz; anything else gives 0.
int32_t clockHzFromText(const QString &text);

// Fills the record from the panel. The reserved bytes are left as they are.
void fillSpiConfig(SpiConfig *config, const PanelSettings &panel);
