#include "adapter/sessioncore.h"

#include "adapter/transferbuffer.h"

#include <chrono>

namespace
{

using Status = TransferOutcome::Status;
using Kind = AdapterRequest::Kind;

TransferOutcome refused(AdapterError error, qint64 number = 0)
{
    return TransferOutcome::failure(Status::Refused, error, number);
}

TransferOutcome notReady(AdapterError error)
{
    return TransferOutcome::failure(Status::NotReady, error);
}

TransferOutcome writeTooLong()
{
    return refused(AdapterError::WriteTooLong, TELKOR_BUFFER_SIZE);
}

TransferOutcome readTooLarge()
{
    return refused(AdapterError::ReadTooLarge, TELKOR_BUFFER_SIZE);
}

// Bus time of a block train: the pauses between blocks; the bytes themselves are quick.
qint64 trainUs(int blocks, int intervalUs)
{
    return blocks > 1 ? qint64(blocks - 1) * intervalUs : 0;
}

qint64 nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

SpiConfig SessionCore::appliedConfig() const
{
    std::lock_guard<std::mutex> lock(appliedLock);
    return applied;
}

template <typename Body> int32_t SessionCore::plainCall(SessionStep step, Body body)
{
    expected.store(0);
    currentStep.store(step);
    const int32_t result = body();
    currentStep.store(SessionStep::Idle);
    return result;
}

template <typename Body>
TransferOutcome SessionCore::call(SessionStep step, TransferCall entry, int device, int channel,
                                  qint64 expectedUs, const QByteArray &data, AdapterError failure,
                                  Body body, int32_t *count)
{
    QByteArray write = transferBuffer(data);
    QByteArray read = transferBuffer();
    expected.store(expectedUs);
    currentStep.store(step);
    const qint64 start = nowUs();
    const int32_t value = body(bufferBytes(write), bufferBytes(read));
    const qint64 end = nowUs();
    currentStep.store(SessionStep::Idle);
    if (count)
        *count = value;
    // A slave read answers with a count; more than the buffer holds cannot be true of a
    // working library: a failure, not data.
    const bool ok = count ? value >= 0 && value <= TELKOR_BUFFER_SIZE : value == 0;
    if (!ok) {
        markStale();
        return TransferOutcome::failure(Status::Failed, failure);
    }
    TransferOutcome outcome;
    outcome.sent = write;
    outcome.received = read;
    outcome.context.call = entry;
    outcome.context.device = device;
    outcome.context.channel = channel;
    outcome.context.config = applied;
    outcome.context.startUs = start;
    outcome.context.durationUs = end - start;
    return outcome;
}

TransferOutcome SessionCore::run(const AdapterRequest &request)
{
    switch (request.kind) {
    case Kind::Prepare: {
        TransferOutcome outcome;
        prepare(request.settings, &outcome);
        return outcome;
    }
    case Kind::RowWrite:
    case Kind::RowRead:
    case Kind::RowWriteRead:
        return row(request);
    case Kind::FirmwareInfo:
        return firmwareInfo(request.settings.device);
    default:
        break;
    }
    TransferOutcome outcome;
    if (!prepare(request.settings, &outcome))
        return outcome;
    return transfer(request);
}

bool SessionCore::prepare(const PanelSettings &settings, TransferOutcome *outcome)
{
    if (!isStale())
        return true;
    // Marks made from now on, by a panel change during these calls, keep it stale.
    const quint64 mark = marks.load();
    const AdapterEntries &entries = library;
    const int device = settings.device;
    if (plainCall(SessionStep::Scan, [&] { return entries.scan(0); }) <= 0) {
        *outcome = notReady(AdapterError::NoDevice);
        return false;
    }
    if ((plainCall(SessionStep::Open, [&] { return entries.open(device); }) & 0xFF) == 0) {
        *outcome = notReady(AdapterError::OpenFailed);
        return false;
    }
    SpiConfig config = appliedConfig();
    fillSpiConfig(&config, settings);
    {
        std::lock_guard<std::mutex> lock(appliedLock);
        applied = config;
    }
    if (plainCall(SessionStep::Configure, [&] {
            return entries.configure(device, settings.channelByte(), &config);
        }) != 0) {
        *outcome = notReady(AdapterError::ConfigureFailed);
        return false;
    }
    appliedMark.store(mark);
    return true;
}

TransferOutcome SessionCore::writeOnce(int device, int channel, const QByteArray &data,
                                       AdapterError slaveFailure)
{
    const int n = data.size();
    // Full duplex: as many bytes are clocked in as are sent.
    if (isMaster() && isFullDuplex())
        return writeReadOnce(device, channel, data, n);
    const AdapterEntries &entries = library;
    TransferOutcome outcome =
        isMaster()
            ? call(SessionStep::Write, TransferCall::Write, device, channel, 0, data,
                   AdapterError::WriteFailed,
                   [&](uint8_t *out, uint8_t *) { return entries.write(device, channel, out, n); })
            : call(SessionStep::Write, TransferCall::SlaveWrite, device, channel, 0, data,
                   slaveFailure, [&](uint8_t *out, uint8_t *) {
                       return entries.slaveWrite(device, channel, out, n, 0);
                   });
    if (outcome.ok())
        outcome.echoSent(0, n);
    return outcome;
}

TransferOutcome SessionCore::readOnce(int device, int channel, int count)
{
    const AdapterEntries &entries = library;
    if (isMaster()) {
        if (count == 0)
            return TransferOutcome();
        TransferOutcome outcome =
            call(SessionStep::Read, TransferCall::Read, device, channel, 0, QByteArray(),
                 AdapterError::ReadFailed,
                 [&](uint8_t *, uint8_t *in) { return entries.read(device, channel, in, count); });
        if (outcome.ok())
            outcome.echoReceived(0, count);
        return outcome;
    }
    int32_t received = 0;
    TransferOutcome outcome = call(
        SessionStep::SlaveRead, TransferCall::SlaveRead, device, channel, 0, QByteArray(),
        AdapterError::SlaveReadFailed,
        [&](uint8_t *, uint8_t *in) { return entries.slaveRead(device, channel, in, 0); },
        &received);
    if (outcome.ok() && received > 0)
        outcome.echoReceived(0, received);
    return outcome;
}

TransferOutcome SessionCore::writeReadOnce(int device, int channel, const QByteArray &data,
                                           int count)
{
    const int n = data.size();
    const AdapterEntries &entries = library;
    TransferOutcome outcome =
        call(SessionStep::WriteRead, TransferCall::WriteRead, device, channel, 0, data,
             AdapterError::WriteReadFailed, [&](uint8_t *out, uint8_t *in) {
                 return entries.writeRead(device, channel, out, n, in, count, 0);
             });
    if (outcome.ok()) {
        outcome.echoSent(0, n);
        outcome.echoReceived(0, count);
    }
    return outcome;
}

TransferOutcome SessionCore::transfer(const AdapterRequest &request)
{
    const int device = request.settings.device;
    const int channel = request.settings.channelByte();
    const QByteArray &data = request.data;
    const AdapterEntries &entries = library;
    switch (request.kind) {
    case Kind::Write:
        if (data.size() > TELKOR_BUFFER_SIZE)
            return writeTooLong();
        return writeOnce(device, channel, data, AdapterError::SlaveWriteFailed);
    case Kind::Read:
        return readOnce(device, channel, request.count);
    case Kind::WriteRead:
        if (data.size() > TELKOR_BUFFER_SIZE)
            return writeTooLong();
        return writeReadOnce(device, channel, data, request.count);
    case Kind::BlockWrite: {
        if (!isMaster())
            return refused(AdapterError::BlockInSlaveMode);
        if (data.size() > TELKOR_BUFFER_SIZE)
            return writeTooLong();
        // Bytes beyond the last whole block are neither sent nor echoed.
        const int blockSize = request.blockSize;
        const int blocks = blockSize > 0 ? data.size() / blockSize : 0;
        const int interval = request.intervalUs;
        const bool fullDuplex = isFullDuplex();
        TransferOutcome outcome =
            call(SessionStep::BlockWrite,
                 fullDuplex ? TransferCall::BlockWriteRead : TransferCall::BlockWrite, device,
                 channel, trainUs(blocks, interval), data, AdapterError::BlockWriteFailed,
                 [&](uint8_t *out, uint8_t *in) {
                     return fullDuplex ? entries.blockWriteRead(device, channel, out, blockSize, in,
                                                                blockSize, blocks, interval)
                                       : entries.blockWrite(device, channel, out, blockSize, blocks,
                                                            interval);
                 });
        if (!outcome.ok())
            return outcome;
        outcome.context.intervalUs = interval;
        outcome.echoes.reserve(fullDuplex ? 2 * blocks : blocks);
        for (int i = 0; i < blocks; ++i)
            outcome.echoSent(i * blockSize, blockSize);
        for (int i = 0; fullDuplex && i < blocks; ++i)
            outcome.echoReceived(i * blockSize, blockSize);
        return outcome;
    }
    case Kind::BlockRead: {
        if (!isMaster())
            return refused(AdapterError::BlockInSlaveMode);
        const int blockSize = request.blockSize;
        const int blockCount = request.count;
        const int interval = request.intervalUs;
        if (blockSize * blockCount == 0)
            return TransferOutcome();
        if (!fitsBuffer(blockSize, blockCount))
            return readTooLarge();
        // Read in every control mode, as the single read does: in full duplex the adapter
        // clocks out filler bytes while it reads.
        TransferOutcome outcome =
            call(SessionStep::BlockRead, TransferCall::BlockRead, device, channel,
                 trainUs(blockCount, interval), QByteArray(), AdapterError::BlockReadFailed,
                 [&](uint8_t *, uint8_t *in) {
                     return entries.blockRead(device, channel, in, blockSize, blockCount, interval);
                 });
        if (!outcome.ok())
            return outcome;
        outcome.context.intervalUs = interval;
        outcome.echoes.reserve(blockCount);
        for (int i = 0; i < blockCount; ++i)
            outcome.echoReceived(i * blockSize, blockSize);
        return outcome;
    }
    case Kind::BlockWriteRead: {
        if (!isMaster()) {
            // Unlike the other two block transfers, this refusal also makes the configuration
            // stale; users have always seen the adapter configured afresh after it.
            markStale();
            return refused(AdapterError::BlockInSlaveMode);
        }
        if (data.size() > TELKOR_BUFFER_SIZE)
            return writeTooLong();
        const int writeBlockSize = request.blockSize;
        const int readBlockSize = request.readBlockSize;
        const int interval = request.intervalUs;
        const int blocks = writeBlockSize > 0 ? data.size() / writeBlockSize : 0;
        if (writeBlockSize * blocks == 0)
            return TransferOutcome();
        if (!fitsBuffer(readBlockSize, blocks))
            return readTooLarge();
        TransferOutcome outcome =
            call(SessionStep::BlockWriteRead, TransferCall::BlockWriteRead, device, channel,
                 trainUs(blocks, interval), data, AdapterError::BlockWriteReadFailed,
                 [&](uint8_t *out, uint8_t *in) {
                     return entries.blockWriteRead(device, channel, out, writeBlockSize, in,
                                                   readBlockSize, blocks, interval);
                 });
        if (!outcome.ok())
            return outcome;
        outcome.context.intervalUs = interval;
        outcome.echoes.reserve(2 * blocks);
        for (int i = 0; i < blocks; ++i) {
            outcome.echoSent(i * writeBlockSize, writeBlockSize);
            outcome.echoReceived(i * readBlockSize, readBlockSize);
        }
        return outcome;
    }
    case Kind::Exchange:
        return exchange(device, channel, data, request.count);
    default:
        return TransferOutcome();
    }
}

TransferOutcome SessionCore::exchange(int device, int channel, const QByteArray &data, int count)
{
    if (!isMaster())
        return refused(AdapterError::NeedsMaster);
    const int n = data.size();
    const AdapterEntries &entries = library;
    if (isFullDuplex()) {
        // One exchange: what comes in while the filler goes out is what was read.
        if (qint64(n) + count > TELKOR_BUFFER_SIZE || count < 0)
            return n > TELKOR_BUFFER_SIZE ? writeTooLong() : readTooLarge();
        const int total = n + count;
        TransferOutcome outcome =
            call(SessionStep::WriteRead, TransferCall::WriteRead, device, channel, 0,
                 data + QByteArray(count, '\xFF'), AdapterError::WriteReadFailed,
                 [&](uint8_t *out, uint8_t *in) {
                     return entries.writeRead(device, channel, out, total, in, total, 0);
                 });
        if (outcome.ok())
            outcome.received = outcome.received.mid(n, count);
        return outcome;
    }
    if (n > TELKOR_BUFFER_SIZE)
        return writeTooLong();
    if (count < 0 || count > TELKOR_BUFFER_SIZE)
        return readTooLarge();
    TransferOutcome outcome =
        count == 0
            ? call(SessionStep::Write, TransferCall::Write, device, channel, 0, data,
                   AdapterError::WriteFailed,
                   [&](uint8_t *out, uint8_t *) { return entries.write(device, channel, out, n); })
            : call(SessionStep::WriteRead, TransferCall::WriteRead, device, channel, 0, data,
                   AdapterError::WriteReadFailed, [&](uint8_t *out, uint8_t *in) {
                       return entries.writeRead(device, channel, out, n, in, count, 0);
                   });
    if (outcome.ok())
        outcome.received.truncate(count);
    return outcome;
}

TransferOutcome SessionCore::row(const AdapterRequest &request)
{
    const int device = request.settings.device;
    const int channel = request.settings.channelByte();
    const QByteArray &data = request.data;
    const int count = request.count;
    TransferOutcome outcome;
    switch (request.kind) {
    case Kind::RowWrite:
        if (data.isEmpty())
            return outcome;
        outcome = data.size() > TELKOR_BUFFER_SIZE
                      ? writeTooLong()
                      : writeOnce(device, channel, data, AdapterError::SlaveRowFailed);
        break;
    case Kind::RowRead:
        if (!isMaster())
            return readOnce(device, channel, 0); // a slave takes what the master sent
        // Read in every control mode, as the read button does.
        outcome = count < 0 || count > TELKOR_BUFFER_SIZE ? readTooLarge()
                                                          : readOnce(device, channel, count);
        break;
    default:
        if (data.isEmpty() || !isMaster())
            return outcome;
        if (data.size() > TELKOR_BUFFER_SIZE)
            outcome = writeTooLong();
        else if (count < 0 || count > TELKOR_BUFFER_SIZE)
            outcome = readTooLarge();
        else
            outcome = writeReadOnce(device, channel, data, count);
        break;
    }
    if (!outcome.ok()) {
        // A row that cannot run ends the pass like a failed call, and the adapter is
        // configured afresh before the next one.
        outcome.status = Status::Failed;
        markStale();
    }
    return outcome;
}

TransferOutcome SessionCore::firmwareInfo(int device)
{
    const AdapterEntries &entries = library;
    if (device >= plainCall(SessionStep::Scan, [&] { return entries.scan(0); }))
        return notReady(AdapterError::DeviceNotConnected);
    if ((plainCall(SessionStep::Open, [&] { return entries.open(device); }) & 0xFF) == 0)
        return notReady(AdapterError::OpenFailed);
    TransferOutcome outcome;
    FirmwareRecord &record = outcome.firmware;
    if ((plainCall(SessionStep::GetInfo,
                   [&] { return entries.getInfo(device, &record.info, record.functions); }) &
         0xFF) == 0)
        return TransferOutcome::failure(Status::Failed, AdapterError::FirmwareInfoFailed);
    return outcome;
}
