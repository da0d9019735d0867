#pragma once
// The adapter session: the one owner of the adapter. It holds the bound library entries, the
// configuration last applied and the stale flag; it prepares the adapter lazily from a
// PanelSettings record and carries out the six transfers, the list rows and the firmware query,
// choosing the library entry by master/slave and control mode. It reports what happened and
// never logs or warns itself, so the window and the command-line runner share every rule.

#include "adapter/adapterlibrary.h"
#include "adapter/spisettings.h"
#include "adapter/transferoutcome.h"
#include "oplist/operationrow.h"

#include <QByteArray>
#include <QString>

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

private:
    TransferOutcome writeOnce(int device, int channel, const QByteArray &data,
                              const QString &slaveFailure);
    TransferOutcome readOnce(int device, int channel, int count);
    TransferOutcome writeReadOnce(int device, int channel, const QByteArray &data, int count);
    TransferOutcome failed(const char *message);
    bool isMaster() const { return applied.master == 1; }
    bool isFullDuplex() const { return applied.controlMode == 0; }

    AdapterEntries library;
    SpiConfig applied{};
    bool stale = true;
};
