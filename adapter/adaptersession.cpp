// The rules of preparation and of every transfer, in one place for the window and the
// command-line runner.

#include "adapter/adaptersession.h"

#include "adapter/firmwareinfo.h"
#include "oplist/rowvalues.h"
#include "transfer/bytetext.h"
#include "adapter/transferbuffer.h"

namespace
{

using Status = TransferOutcome::Status;

TransferOutcome refused(const QString &message)
{
    return TransferOutcome::failure(Status::Refused, message);
}

TransferOutcome notReady(const QString &message)
{
    return TransferOutcome::failure(Status::NotReady, message);
}

const TransferOutcome abandoned = TransferOutcome::failure(Status::Abandoned, QString());

// Bus time of a block train: the pauses between blocks; the bytes themselves are quick.
qint64 trainUs(int blocks, int intervalUs)
{
    return blocks > 1 ? qint64(blocks - 1) * intervalUs : 0;
}

} // namespace

AdapterSession::AdapterSession(const AdapterEntries &entries) : library(entries) {}

bool AdapterSession::call(const char *what, qint64 expectedUs, std::function<int32_t()> body,
                          int32_t *result)
{
    operation = QString::fromUtf8(what);
    expectedMs = expectedUs / 1000;
    return worker.run(std::move(body), result);
}

QString AdapterSession::prepare(const PanelSettings &settings)
{
    if (!stale)
        return QString();
    const AdapterEntries entries = library;
    const int device = settings.device;
    int32_t result = 0;
    if (!call(
            "扫描设备", 0, [entries] { return entries.scan(0); }, &result))
        return QString();
    if (result <= 0)
        return QString::fromUtf8("无设备连接！");
    if (!call(
            "打开设备", 0, [entries, device] { return entries.open(device); }, &result))
        return QString();
    if ((result & 0xFF) == 0)
        return QString::fromUtf8("打开设备失败！");
    fillSpiConfig(&applied, settings);
    auto config = std::make_shared<SpiConfig>(applied);
    const int channel = settings.channel;
    if (!call(
            "配置设备", 0,
            [entries, device, channel, config] {
                return entries.configure(device, channel, config.get());
            },
            &result))
        return QString();
    if (result != 0)
        return QString::fromUtf8("配置设备失败！");
    stale = false;
    return QString();
}

bool AdapterSession::ready(const PanelSettings &settings, TransferOutcome *outcome)
{
    const QString problem = prepare(settings);
    if (!problem.isEmpty())
        *outcome = notReady(problem);
    else if (stale)
        *outcome = abandoned; // the wait for a preparing call was given up
    return problem.isEmpty() && !stale;
}

TransferOutcome AdapterSession::transfer(const char *what, qint64 expectedUs,
                                         const QByteArray &data, const TransferBody &body,
                                         const QString &failure, int32_t *count)
{
    // The buffers belong to the call, so that an abandoned one still has them.
    struct Buffers {
        QByteArray write;
        QByteArray read;
    };
    auto buffers = std::make_shared<Buffers>();
    buffers->write = transferBuffer(data);
    buffers->read = transferBuffer();
    int32_t value = 0;
    if (!call(
            what, expectedUs,
            [buffers, body] {
                return body(bufferBytes(buffers->write), bufferBytes(buffers->read));
            },
            &value))
        return abandoned;
    if (count)
        *count = value;
    // A slave read answers with a count; more than the buffer holds cannot be true of a
    // working library: a failure, not data.
    const bool ok = count ? value >= 0 && value <= TELKOR_BUFFER_SIZE : value == 0;
    if (!ok) {
        stale = true;
        return TransferOutcome::failure(Status::Failed, failure);
    }
    TransferOutcome outcome;
    outcome.sent = buffers->write;
    outcome.received = buffers->read;
    return outcome;
}

TransferOutcome AdapterSession::writeOnce(int device, int channel, const QByteArray &data,
                                          const QString &slaveFailure)
{
    const int n = data.size();
    // Full duplex: as many bytes are clocked in as are sent.
    if (isMaster() && isFullDuplex())
        return writeReadOnce(device, channel, data, n);
    const AdapterEntries entries = library;
    TransferOutcome outcome =
        isMaster()
            ? transfer(
                  "写数据", 0, data,
                  [=](uint8_t *out, uint8_t *) { return entries.write(device, channel, out, n); },
                  QString::fromUtf8("写数据失败！"))
            : transfer(
                  "写数据", 0, data,
                  [=](uint8_t *out, uint8_t *) {
                      return entries.slaveWrite(device, channel, out, n, 0);
                  },
                  slaveFailure);
    if (outcome.ok())
        outcome.echoSent(0, n);
    return outcome;
}

TransferOutcome AdapterSession::readOnce(int device, int channel, int count)
{
    const AdapterEntries entries = library;
    if (isMaster()) {
        if (count == 0)
            return TransferOutcome();
        TransferOutcome outcome = transfer(
            "读数据", 0, QByteArray(),
            [=](uint8_t *, uint8_t *in) { return entries.read(device, channel, in, count); },
            QString::fromUtf8("读数据失败！"));
        if (outcome.ok())
            outcome.echoReceived(0, count);
        return outcome;
    }
    int32_t received = 0;
    TransferOutcome outcome = transfer(
        "从机读数据", 0, QByteArray(),
        [=](uint8_t *, uint8_t *in) { return entries.slaveRead(device, channel, in, 0); },
        QString::fromUtf8("从机读数据失败！"), &received);
    if (outcome.ok() && received > 0)
        outcome.echoReceived(0, received);
    return outcome;
}

TransferOutcome AdapterSession::writeReadOnce(int device, int channel, const QByteArray &data,
                                              int count)
{
    const int n = data.size();
    const AdapterEntries entries = library;
    TransferOutcome outcome = transfer(
        "写读数据", 0, data,
        [=](uint8_t *out, uint8_t *in) {
            return entries.writeRead(device, channel, out, n, in, count, 0);
        },
        QString::fromUtf8("写读数据失败！"));
    if (outcome.ok()) {
        outcome.echoSent(0, n);
        outcome.echoReceived(0, count);
    }
    return outcome;
}

TransferOutcome AdapterSession::write(const PanelSettings &settings, const QByteArray &data)
{
    TransferOutcome outcome;
    if (!ready(settings, &outcome))
        return outcome;
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refused(writeDataTooLongMessage());
    return writeOnce(settings.device, settings.channel, data,
                     QString::fromUtf8("从机模式写数据失败！"));
}

TransferOutcome AdapterSession::read(const PanelSettings &settings, int count)
{
    TransferOutcome outcome;
    if (!ready(settings, &outcome))
        return outcome;
    return readOnce(settings.device, settings.channel, count);
}

TransferOutcome AdapterSession::writeRead(const PanelSettings &settings, const QByteArray &data,
                                          int count)
{
    TransferOutcome outcome;
    if (!ready(settings, &outcome))
        return outcome;
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refused(writeDataTooLongMessage());
    return writeReadOnce(settings.device, settings.channel, data, count);
}

TransferOutcome AdapterSession::blockWrite(const PanelSettings &settings, const QByteArray &data,
                                           int blockSize, int intervalUs)
{
    TransferOutcome outcome;
    if (!ready(settings, &outcome))
        return outcome;
    if (!isMaster())
        return refused(QString::fromUtf8("不能在从机模式下进行块读写操作！"));
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refused(writeDataTooLongMessage());
    // Bytes beyond the last whole block are neither sent nor echoed.
    const int blocks = blockSize > 0 ? data.size() / blockSize : 0;
    const int device = settings.device;
    const int channel = settings.channel;
    const bool fullDuplex = isFullDuplex();
    const AdapterEntries entries = library;
    outcome = transfer(
        "块写数据", trainUs(blocks, intervalUs), data,
        [=](uint8_t *out, uint8_t *in) {
            return fullDuplex
                       ? entries.blockWriteRead(device, channel, out, blockSize, in, blockSize,
                                                blocks, intervalUs)
                       : entries.blockWrite(device, channel, out, blockSize, blocks, intervalUs);
        },
        QString::fromUtf8("块写数据失败！"));
    if (!outcome.ok())
        return outcome;
    outcome.echoes.reserve(fullDuplex ? 2 * blocks : blocks);
    for (int i = 0; i < blocks; ++i)
        outcome.echoSent(i * blockSize, blockSize);
    for (int i = 0; fullDuplex && i < blocks; ++i)
        outcome.echoReceived(i * blockSize, blockSize);
    return outcome;
}

TransferOutcome AdapterSession::blockRead(const PanelSettings &settings, int blockSize,
                                          int blockCount, int intervalUs)
{
    TransferOutcome outcome;
    if (!ready(settings, &outcome))
        return outcome;
    if (!isMaster())
        return refused(QString::fromUtf8("不能在从机模式下进行块读写操作！"));
    if (blockSize * blockCount == 0)
        return TransferOutcome();
    if (!fitsBuffer(blockSize, blockCount))
        return refused(readVolumeTooLargeMessage());
    // Read in every control mode, as the single read does: in full duplex the adapter clocks
    // out filler bytes while it reads.
    const int device = settings.device;
    const int channel = settings.channel;
    const AdapterEntries entries = library;
    outcome = transfer(
        "块读数据", trainUs(blockCount, intervalUs), QByteArray(),
        [=](uint8_t *, uint8_t *in) {
            return entries.blockRead(device, channel, in, blockSize, blockCount, intervalUs);
        },
        QString::fromUtf8("块模式读数据失败！"));
    if (!outcome.ok())
        return outcome;
    outcome.echoes.reserve(blockCount);
    for (int i = 0; i < blockCount; ++i)
        outcome.echoReceived(i * blockSize, blockSize);
    return outcome;
}

TransferOutcome AdapterSession::blockWriteRead(const PanelSettings &settings,
                                               const QByteArray &data, int writeBlockSize,
                                               int readBlockSize, int intervalUs)
{
    TransferOutcome outcome;
    if (!ready(settings, &outcome))
        return outcome;
    if (!isMaster()) {
        // Unlike the other two block transfers, this refusal also makes the configuration
        // stale; users have always seen the adapter configured afresh after it.
        stale = true;
        return refused(QString::fromUtf8("不能在从机模式下进行块读写操作！"));
    }
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refused(writeDataTooLongMessage());
    const int blocks = writeBlockSize > 0 ? data.size() / writeBlockSize : 0;
    if (writeBlockSize * blocks == 0)
        return TransferOutcome();
    if (!fitsBuffer(readBlockSize, blocks))
        return refused(readVolumeTooLargeMessage());
    const int device = settings.device;
    const int channel = settings.channel;
    const AdapterEntries entries = library;
    outcome = transfer(
        "块写读数据", trainUs(blocks, intervalUs), data,
        [=](uint8_t *out, uint8_t *in) {
            return entries.blockWriteRead(device, channel, out, writeBlockSize, in, readBlockSize,
                                          blocks, intervalUs);
        },
        QString::fromUtf8("块模式写读数据失败！"));
    if (!outcome.ok())
        return outcome;
    outcome.echoes.reserve(2 * blocks);
    for (int i = 0; i < blocks; ++i) {
        outcome.echoSent(i * writeBlockSize, writeBlockSize);
        outcome.echoReceived(i * readBlockSize, readBlockSize);
    }
    return outcome;
}

TransferOutcome AdapterSession::runRow(int device, int channel, const OperationRow &row)
{
    TransferOutcome outcome;
    switch (row.operation) {
    case Operation::Write: {
        const QByteArray data = parseHexBytes(row.writeData, HexConversion::Signed);
        if (data.isEmpty())
            return outcome;
        outcome = data.size() > TELKOR_BUFFER_SIZE
                      ? refused(writeDataTooLongMessage())
                      : writeOnce(device, channel, data, QString::fromUtf8("从机写数据失败！"));
        break;
    }
    case Operation::Read: {
        if (!isMaster())
            return readOnce(device, channel, 0); // a slave takes what the master sent
        // Read in every control mode, as the read button does.
        const int count = rowNumber(row.count);
        outcome = count < 0 || count > TELKOR_BUFFER_SIZE ? refused(readVolumeTooLargeMessage())
                                                          : readOnce(device, channel, count);
        break;
    }
    case Operation::WriteRead: {
        const QByteArray data = parseHexBytes(row.writeData, HexConversion::Signed);
        const int count = rowNumber(row.count);
        if (data.isEmpty() || !isMaster())
            return outcome;
        if (data.size() > TELKOR_BUFFER_SIZE)
            outcome = refused(writeDataTooLongMessage());
        else if (count < 0 || count > TELKOR_BUFFER_SIZE)
            outcome = refused(readVolumeTooLargeMessage());
        else
            outcome = writeReadOnce(device, channel, data, count);
        break;
    }
    }
    if (!outcome.ok() && outcome.status != Status::Abandoned) {
        // A row that cannot run ends the pass like a failed call, and the adapter is
        // configured afresh before the next one.
        outcome.status = Status::Failed;
        stale = true;
    }
    return outcome;
}

TransferOutcome AdapterSession::firmwareInfo(int device)
{
    const AdapterEntries entries = library;
    int32_t result = 0;
    if (!call(
            "扫描设备", 0, [entries] { return entries.scan(0); }, &result))
        return abandoned;
    if (device >= result)
        return notReady(QString::fromUtf8("该设备未连接！"));
    if (!call(
            "打开设备", 0, [entries, device] { return entries.open(device); }, &result))
        return abandoned;
    if ((result & 0xFF) == 0)
        return notReady(QString::fromUtf8("打开设备失败！"));
    struct Info {
        DeviceInfo record{};
        char functions[TELKOR_FUNCTION_TEXT_SIZE] = {};
    };
    auto info = std::make_shared<Info>();
    if (!call(
            "获取固件信息", 0,
            [entries, device, info] {
                return entries.getInfo(device, &info->record, info->functions);
            },
            &result))
        return abandoned;
    if ((result & 0xFF) == 0)
        return TransferOutcome::failure(Status::Failed, QString::fromUtf8("获取固件信息失败！"));
    TransferOutcome outcome;
    outcome.message = formatFirmwareInfo(info->record, info->functions);
    return outcome;
}
