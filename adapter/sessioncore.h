#pragma once
// The rules of preparation and of every transfer, list row and firmware query, carried out on
// the session's worker thread, one request at a time: which library entry each request calls
// in each mode, what is refused before a call, what is echoed, and when the configuration goes
// stale. It calls the library directly and blocks while it does; AdapterSession runs it on its
// worker so that nothing else ever waits for it.
//
// Staleness is read and marked from any thread: a mark made while a preparation runs keeps the
// configuration stale, so a panel change during a configure call is never lost.

#include "adapter/adapterlibrary.h"
#include "adapter/adapterrequest.h"
#include "adapter/transferoutcome.h"

#include <atomic>
#include <mutex>

// The library call under way, for the window's busy indicator.
enum class SessionStep {
    Idle,
    Scan,
    Open,
    Configure,
    GetInfo,
    Write,
    Read,
    WriteRead,
    SlaveRead,
    BlockWrite,
    BlockRead,
    BlockWriteRead,
};

class SessionCore
{
public:
    explicit SessionCore(const AdapterEntries &entries) : library(entries) {}

    // Carries the request out; on the worker thread.
    TransferOutcome run(const AdapterRequest &request);

    bool isStale() const { return appliedMark.load() != marks.load(); }
    void markStale() { marks.fetch_add(1); }
    SpiConfig appliedConfig() const;

    SessionStep step() const { return currentStep.load(); }
    // How long the call under way should take, in microseconds (0 when unknown).
    qint64 expectedUs() const { return expected.load(); }

private:
    // Scans, opens and configures the adapter if stale; false, with *outcome saying why, when
    // it cannot go on.
    bool prepare(const PanelSettings &settings, TransferOutcome *outcome);
    TransferOutcome transfer(const AdapterRequest &request);
    TransferOutcome row(const AdapterRequest &request);
    TransferOutcome firmwareInfo(int device);

    // One transfer call on fresh buffers of the adapter's size, the write buffer starting with
    // `data`. The outcome holds both buffers and the call's context on success; else the failure
    // (the configuration goes stale). With `count`, the result is a byte count (a slave read),
    // kept there and accepted up to the buffer's size; without, only 0 is success.
    template <typename Body>
    TransferOutcome call(SessionStep step, TransferCall entry, int device, int channel,
                         qint64 expectedUs, const QByteArray &data, AdapterError failure, Body body,
                         int32_t *count = nullptr);
    template <typename Body> int32_t plainCall(SessionStep step, Body body);
    TransferOutcome writeOnce(int device, int channel, const QByteArray &data,
                              AdapterError slaveFailure);
    TransferOutcome readOnce(int device, int channel, int count);
    TransferOutcome writeReadOnce(int device, int channel, const QByteArray &data, int count);
    TransferOutcome exchange(int device, int channel, const QByteArray &data, int count);
    bool isMaster() const { return applied.master == 1; }
    bool isFullDuplex() const { return applied.controlMode == 0; }

    const AdapterEntries library;
    SpiConfig applied{}; // the worker's; others read a copy through appliedConfig()
    mutable std::mutex appliedLock;
    std::atomic<quint64> marks{1};
    std::atomic<quint64> appliedMark{0};
    std::atomic<SessionStep> currentStep{SessionStep::Idle};
    std::atomic<qint64> expected{0};
};
