#pragma once
// What one transfer came to: the bytes to echo in the traffic log, in order, or why nothing
// (more) happened. The session fills it; the window and the command-line runner echo and warn.

#include "adapter/telkor.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The library entry that carried a transfer out.
enum class TransferCall : quint8 {
    None,
    Write,
    Read,
    WriteRead,
    SlaveWrite,
    SlaveRead,
    BlockWrite,
    BlockRead,
    BlockWriteRead,
};

// When a transfer happened and how the bus was set for it: the log keeps this with the
// transfer's entries, so that it can tell the time of each and draw what the wires did.
struct TransferContext {
    TransferCall call = TransferCall::None;
    int device = 0;
    int channel = 0;    // the channel byte: chip select in the high nibble, controller in the low
    SpiConfig config{}; // as applied to the adapter for the call
    int intervalUs = 0; // between the blocks of a train
    qint64 startUs = 0; // when the call started, on the monotonic clock (steady_clock), in µs
    qint64 durationUs = 0;
};

struct TransferOutcome {
    enum class Status {
        Done,      // every call succeeded (possibly there was nothing to do)
        NotReady,  // scanning, opening or configuring the adapter failed
        Refused,   // the request was turned down before any transfer call
        Failed,    // a transfer call failed (list rows: also a refused row)
        Abandoned, // the wait for a long call was given up (the window is closing)
    };
    // One log entry: `length` bytes at `offset` of `sent` (TX) or `received` (RX).
    struct Echo {
        bool sent;
        int offset;
        int length;
    };

    Status status = Status::Done;
    QString message; // the warning text unless Done
    QByteArray sent;
    QByteArray received;
    QVector<Echo> echoes;
    TransferContext context; // for a Done transfer that made a library call

    bool ok() const { return status == Status::Done; }
    static TransferOutcome failure(Status status, const QString &message)
    {
        TransferOutcome outcome;
        outcome.status = status;
        outcome.message = message;
        return outcome;
    }
    void echoSent(int offset, int length) { echoes.append({true, offset, length}); }
    void echoReceived(int offset, int length) { echoes.append({false, offset, length}); }
};
