#pragma once
// What one transfer did on the bus: its chip-select assertions ("frames"), each the bytes that
// were clocked while it lasted, both ways, rebuilt from the transfer's echoes and the settings
// it was made with. In full duplex the bytes go both ways at once; in the half-duplex modes a
// write-then-read writes first and reads after, under one assertion, the master sending FFh
// while it reads; each block of a train is an assertion of its own.

#include "adapter/transferoutcome.h"

#include <QByteArray>
#include <QString>
#include <QVector>

struct SpiFrame {
    QByteArray mosi;  // every byte clocked, as MOSI carried it (FFh where the master only read)
    QByteArray miso;  // as MISO carried it (FFh where nothing was read)
    int written = 0;  // mosi[0, written) was data, the rest filler
    int readFrom = 0; // miso[readFrom, readFrom + read) was read
    int read = 0;
    int firstEcho = 0; // the echo (log entry) of the transfer the frame starts with

    int clocks() const { return mosi.size(); } // in bytes
    bool wasRead(int byte) const { return byte >= readFrom && byte < readFrom + read; }
};

struct SpiTransfer {
    enum class Drawable {
        Yes,
        NoSettings, // the entry was kept without its transfer's settings
        Slave,      // the master on the other side clocked it, at its own pace
        Empty,      // no byte was clocked
    };

    TransferContext context;
    QVector<SpiFrame> frames;

    static SpiTransfer fromOutcome(const TransferOutcome &outcome);
    Drawable drawable() const;
    qint64 bytes() const; // clocked, all frames together

    // Names as exports and the waveform's captions write them.
    static const char *callName(TransferCall call); // "SpiWriteRead"; "" for None
    static QString channelName(int channel);        // "SPI1_CS1"
    static const char *controlModeName(int mode);   // "half-duplex"
    // "SPI1_CS1, half-duplex master, CPOL=0 CPHA=0, MSB first, CS active low, 1000000 Hz"
    // (and ", blocks 10 us apart" for a train).
    static QString settingsText(const TransferContext &context);
};
