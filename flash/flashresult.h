#pragma once
// How a flash job ended: success, or a typed failure with the numbers and addresses that
// explain it; what a job stopped midway left in which state; the text for the user and the
// exit code kavris-run gives for it.

#include "flash/flashjob.h"

#include <QByteArray>
#include <QString>
#include <QVector>

enum class FlashError {
    None,
    Cancelled,      // stopped between two operations, as asked
    LinkFailed,     // a transfer failed: `detail` is the adapter's message
    LinkUnsuitable, // the bus mode cannot carry a write followed by a read: `detail` says why
    BusyTimeout,    // the chip stayed busy longer than `boundUs` after `operation` at `address`
    VerifyMismatch, // first difference at `address`: `expected` written, `actual` read
    OutOfRange,     // [address, address + length) is not on the chip (or empty)
    Unaligned,      // an erase of [address, address + length) not on `unit` boundaries
    NoChip,         // the id read all FF or all 00 (`detail`: the id)
    UnknownChip,    // neither SFDP nor the built-in table describe the chip (`detail`: the id)
    Protected,      // status register 1 (`status`) protects [address, address + length)
    StatusLocked,   // unprotecting failed: SRWD is set and WP# held low
};

enum class FlashOperation { None, Read, PageProgram, Erase, ChipErase, WriteStatus };

// A part of the chip and what it holds after a job that changes the chip stopped.
struct FlashRegion {
    enum class State { Unchanged, Erased, Written, Verified, Unknown };
    quint64 start = 0, length = 0;
    State state = State::Unchanged;

    bool operator==(const FlashRegion &other) const
    {
        return start == other.start && length == other.length && state == other.state;
    }
};

struct FlashResult {
    FlashJob::Kind job = FlashJob::Kind::Identify;
    FlashError error = FlashError::None;
    FlashOperation operation = FlashOperation::None;
    quint64 address = 0, length = 0, unit = 0;
    quint8 expected = 0, actual = 0;
    quint8 status = 0;
    qint64 boundUs = 0;
    QString detail;
    // Write and Erase jobs that stopped after changing the chip: each part of the range they
    // change, in order.
    QVector<FlashRegion> regions;
    QByteArray data; // Read
    // The range the job worked on and what it did there.
    quint64 rangeStart = 0, rangeLength = 0;
    quint64 readBytes = 0, erasedBytes = 0, programmedBytes = 0;
    int eraseCommands = 0, programCommands = 0;
    bool verified = false;

    bool ok() const { return error == FlashError::None; }
    // One or two sentences for the user: what was done, or why not and what is left.
    QString text() const;
    // kavris-run's exit code: 0 success; 1 adapter or transfer failure, busy timeout, cancel;
    // 2 verify difference; 3 bad usage; 4 no chip, unknown chip for writing, protection.
    int exitCode() const;
    static QString regionsText(const QVector<FlashRegion> &regions);
};

// An address as the user reads it: "01F000h" (eight digits above 16 MiB).
QString flashAddressText(quint64 address);
