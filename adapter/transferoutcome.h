#pragma once
// What one request to the adapter came to: the bytes to echo in the traffic log, in order, or
// why nothing (more) happened, as an error kind with its numbers. The session fills it; the
// window and the command-line runner echo, and turn the error into the warning's text.

#include "adapter/telkor.h"

#include <QByteArray>
#include <QMetaType>
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

// Why a request did not (fully) happen. adapterErrorText() gives the warning users read.
enum class AdapterError {
    None,
    NoDevice,         // the scan found no adapter
    OpenFailed,       // opening the adapter failed
    ConfigureFailed,  // configuring the SPI port failed
    WriteFailed,      // SpiWrite
    ReadFailed,       // SpiRead
    WriteReadFailed,  // SpiWriteRead
    SlaveWriteFailed, // SpiSlaveWrite from the write button
    SlaveRowFailed,   // SpiSlaveWrite from a list row
    SlaveReadFailed,  // SpiSlaveRead
    BlockWriteFailed, // SpiBlockWrite, or SpiBlockWriteRead for a full-duplex block write
    BlockReadFailed,  // SpiBlockRead
    BlockWriteReadFailed,
    BlockInSlaveMode,   // block transfers need a master
    WriteTooLong,       // `number` is the buffer's size
    ReadTooLarge,       // `number` is the buffer's size
    DeviceNotConnected, // the firmware query's device is beyond the adapters found
    FirmwareInfoFailed,
    NeedsMaster, // an exchange asked of a slave
};

// What AdapterGetInfo filled in, for the firmware box.
struct FirmwareRecord {
    DeviceInfo info{};
    char functions[TELKOR_FUNCTION_TEXT_SIZE] = {};
};

struct TransferOutcome {
    enum class Status {
        Done,     // every call succeeded (possibly there was nothing to do)
        NotReady, // scanning, opening or configuring the adapter failed
        Refused,  // the request was turned down before any transfer call
        Failed,   // a transfer call failed (list rows: also a refused row)
    };
    // One log entry: `length` bytes at `offset` of `sent` (TX) or `received` (RX).
    struct Echo {
        bool sent;
        int offset;
        int length;
    };

    Status status = Status::Done;
    AdapterError error = AdapterError::None;
    qint64 number = 0; // the number the error's text names, if any
    QByteArray sent;
    QByteArray received;
    QVector<Echo> echoes;
    TransferContext context; // for a transfer that made a library call
    FirmwareRecord firmware; // for the firmware query

    bool ok() const { return status == Status::Done; }
    static TransferOutcome failure(Status status, AdapterError error, qint64 number = 0)
    {
        TransferOutcome outcome;
        outcome.status = status;
        outcome.error = error;
        outcome.number = number;
        return outcome;
    }
    void echoSent(int offset, int length) { echoes.append({true, offset, length}); }
    void echoReceived(int offset, int length) { echoes.append({false, offset, length}); }
};

Q_DECLARE_METATYPE(TransferOutcome)
