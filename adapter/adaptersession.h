#pragma once
// The adapter session: the one owner of the adapter. It holds the bound library entries, the
// configuration last applied and the stale flag; it prepares the adapter lazily from a
// PanelSettings record and carries out the six transfers, the list rows and the firmware query,
// choosing the library entry by master/slave and control mode. It reports what happened and
// never logs or warns itself, so the window and the command-line runner share every rule.
//
// Every library call runs on the session's CallWorker. While a long one is awaited the event
// loop turns and isBusy() is true: callers must not start other work then.

#include "adapter/adapterlibrary.h"
#include "adapter/callworker.h"
#include "adapter/spisettings.h"
#include "adapter/transferoutcome.h"
#include "oplist/operationrow.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class AdapterSession
{
public:
    explicit AdapterSession(const AdapterEntries &entries);

    // Stale: the next transfer scans, opens and configures the adapter first. Every failed
    // transfer call and every change of the panel makes the configuration stale.
    bool isStale() const { return stale; }
    void markStale() { stale = true; }
    const SpiConfig &appliedConfig() const { return applied; }

    // Scans, opens and configures the adapter if stale. Empty on success, else the warning.
    QString prepare(const PanelSettings &settings);

    // The basic and block transfers: prepare, check, one library call. Data and counts are
    // what the panel holds; anything beyond the adapter's buffers is refused, never cut.
    TransferOutcome write(const PanelSettings &settings, const QByteArray &data);
    TransferOutcome read(const PanelSettings &settings, int count);
    TransferOutcome writeRead(const PanelSettings &settings, const QByteArray &data, int count);
    TransferOutcome blockWrite(const PanelSettings &settings, const QByteArray &data, int blockSize,
                               int intervalUs);
    TransferOutcome blockRead(const PanelSettings &settings, int blockSize, int blockCount,
                              int intervalUs);
    TransferOutcome blockWriteRead(const PanelSettings &settings, const QByteArray &data,
                                   int writeBlockSize, int readBlockSize, int intervalUs);

    // One row of a list pass, on the adapter prepared at the start of the pass. Any failure,
    // refusals included, marks the configuration stale.
    TransferOutcome runRow(int device, int channel, const OperationRow &row);

    // The firmware box's text for `device`, or the warning. Leaves the configuration alone.
    TransferOutcome firmwareInfo(int device);

    // A library call is awaited with the event loop turning.
    bool isBusy() const { return worker.isBusy(); }
    // Gives up the wait for the call under way (the window is closing): its transfer comes to
    // Abandoned and nothing of it is reported.
    void abandonCall() { worker.abandon(); }
    CallWorker &calls() { return worker; }
    // What the call under way does ("块读数据") and how long it should take, in milliseconds
    // (0 when unknown), for the window's busy indicator.
    QString callOperation() const { return operation; }
    qint64 callExpectedMs() const { return expectedMs; }

private:
    // Runs one library call on the worker; false when the wait was abandoned.
    bool call(const char *what, qint64 expectedUs, std::function<int32_t()> body, int32_t *result);
    // One transfer call on fresh buffers of the adapter's size, the write buffer starting with
    // `data`. The outcome holds both buffers on success; else the failure (the configuration
    // goes stale) or Abandoned. With `count`, the result is a byte count (a slave read), kept
    // there and accepted up to the buffer's size; without, only 0 is success.
    using TransferBody = std::function<int32_t(uint8_t *write, uint8_t *read)>;
    TransferOutcome transfer(const char *what, qint64 expectedUs, const QByteArray &data,
                             const TransferBody &body, const QString &failure,
                             int32_t *count = nullptr);
    TransferOutcome writeOnce(int device, int channel, const QByteArray &data,
                              const QString &slaveFailure);
    TransferOutcome readOnce(int device, int channel, int count);
    TransferOutcome writeReadOnce(int device, int channel, const QByteArray &data, int count);
    // Prepares the adapter for a transfer; false, with *outcome saying why, when it cannot go on.
    bool ready(const PanelSettings &settings, TransferOutcome *outcome);
    bool isMaster() const { return applied.master == 1; }
    bool isFullDuplex() const { return applied.controlMode == 0; }

    AdapterEntries library;
    SpiConfig applied{};
    bool stale = true;
    CallWorker worker;
    QString operation;
    qint64 expectedMs = 0;
};
