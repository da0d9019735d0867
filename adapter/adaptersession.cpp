// The rules of preparation and of every transfer, in one place for the window and the
// command-line runner.

#include "adapter/adaptersession.h"

#include "adapter/firmwareinfo.h"
#include "oplist/rowvalues.h"
#include "transfer/bytetext.h"
#include "transfer/transferbuffer.h"

namespace
{

using Status = TransferOutcome::Status;

TransferOutcome refused(const QString &message)
{
    return TransferOutcome::failure(Status::Refused, message);
}

// The outcome of a call whose bytes went out of `write` and came back into `read`.
TransferOutcome withBuffers(QByteArray write, QByteArray read)
{
    TransferOutcome outcome;
    outcome.sent = std::move(write);
    outcome.received = std::move(read);
    return outcome;
}

} // namespace

AdapterSession::AdapterSession(const AdapterEntries &entries) : library(entries) {}

QString AdapterSession::prepare(const PanelSettings &settings)
{
    if (!stale)
        return QString();
    if (library.scan(0) <= 0)
        return QString::fromUtf8("无设备连接！");
    if ((library.open(settings.device) & 0xFF) == 0)
        return QString::fromUtf8("打开设备失败！");
    fillSpiConfig(&applied, settings);
    if (library.configure(settings.device, settings.channel, &applied) != 0)
        return QString::fromUtf8("配置设备失败！");
    stale = false;
    return QString();
}

TransferOutcome AdapterSession::failed(const char *message)
{
    stale = true;
    return TransferOutcome::failure(Status::Failed, QString::fromUtf8(message));
}

TransferOutcome AdapterSession::writeOnce(int device, int channel, const QByteArray &data,
                                          const QString &slaveFailure)
{
    const int n = data.size();
    QByteArray write = transferBuffer(data);
    if (isMaster() && isFullDuplex()) {
        // Full duplex: as many bytes are clocked in as are sent.
        QByteArray read = transferBuffer();
        if (library.writeRead(device, channel, bufferBytes(write), n, bufferBytes(read), n, 0) != 0)
            return failed("写读数据失败！");
        TransferOutcome outcome = withBuffers(write, read);
        outcome.echoSent(0, n);
        outcome.echoReceived(0, n);
        return outcome;
    }
    const int result = isMaster() ? library.write(device, channel, bufferBytes(write), n)
                                  : library.slaveWrite(device, channel, bufferBytes(write), n, 0);
    if (result != 0) {
        stale = true;
        return TransferOutcome::failure(
            Status::Failed, isMaster() ? QString::fromUtf8("写数据失败！") : slaveFailure);
    }
    TransferOutcome outcome = withBuffers(write, QByteArray());
    outcome.echoSent(0, n);
    return outcome;
}

TransferOutcome AdapterSession::readOnce(int device, int channel, int count)
{
    QByteArray read = transferBuffer();
    if (isMaster()) {
        if (count == 0)
            return TransferOutcome();
        if (library.read(device, channel, bufferBytes(read), count) != 0)
            return failed("读数据失败！");
        TransferOutcome outcome = withBuffers(QByteArray(), read);
        outcome.echoReceived(0, count);
        return outcome;
    }
    const int received = library.slaveRead(device, channel, bufferBytes(read), 0);
    // More than the buffer holds cannot be true of a working library: a failure, not data.
    if (received < 0 || received > TELKOR_BUFFER_SIZE)
        return failed("从机读数据失败！");
    TransferOutcome outcome = withBuffers(QByteArray(), read);
    if (received > 0)
        outcome.echoReceived(0, received);
    return outcome;
}

TransferOutcome AdapterSession::writeReadOnce(int device, int channel, const QByteArray &data,
                                              int count)
{
    const int n = data.size();
    QByteArray write = transferBuffer(data);
    QByteArray read = transferBuffer();
    if (library.writeRead(device, channel, bufferBytes(write), n, bufferBytes(read), count, 0) != 0)
        return failed("写读数据失败！");
    TransferOutcome outcome = withBuffers(write, read);
    outcome.echoSent(0, n);
    outcome.echoReceived(0, count);
    return outcome;
}

TransferOutcome AdapterSession::write(const PanelSettings &settings, const QByteArray &data)
{
    const QString problem = prepare(settings);
    if (!problem.isEmpty())
        return TransferOutcome::failure(Status::NotReady, problem);
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refused(writeDataTooLongMessage());
    return writeOnce(settings.device, settings.channel, data,
                     QString::fromUtf8("从机模式写数据失败！"));
}

TransferOutcome AdapterSession::read(const PanelSettings &settings, int count)
{
    const QString problem = prepare(settings);
    if (!problem.isEmpty())
        return TransferOutcome::failure(Status::NotReady, problem);
    return readOnce(settings.device, settings.channel, count);
}

TransferOutcome AdapterSession::writeRead(const PanelSettings &settings, const QByteArray &data,
                                          int count)
{
    const QString problem = prepare(settings);
    if (!problem.isEmpty())
        return TransferOutcome::failure(Status::NotReady, problem);
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refused(writeDataTooLongMessage());
    return writeReadOnce(settings.device, settings.channel, data, count);
}

TransferOutcome AdapterSession::blockWrite(const PanelSettings &settings, const QByteArray &data,
                                           int blockSize, int intervalUs)
{
    const QString problem = prepare(settings);
    if (!problem.isEmpty())
        return TransferOutcome::failure(Status::NotReady, problem);
    if (!isMaster())
        return refused(QString::fromUtf8("不能在从机模式下进行块读写操作！"));
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refused(writeDataTooLongMessage());
    // Bytes beyond the last whole block are neither sent nor echoed.
    const int blocks = blockSize > 0 ? data.size() / blockSize : 0;
    QByteArray write = transferBuffer(data);
    QByteArray read = transferBuffer();
    const int device = settings.device;
    const int channel = settings.channel;
    const bool fullDuplex = isFullDuplex();
    const int result =
        fullDuplex ? library.blockWriteRead(device, channel, bufferBytes(write), blockSize,
                                            bufferBytes(read), blockSize, blocks, intervalUs)
                   : library.blockWrite(device, channel, bufferBytes(write), blockSize, blocks,
                                        intervalUs);
    if (result != 0)
        return failed("块写数据失败！");
    TransferOutcome outcome = withBuffers(write, read);
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
    const QString problem = prepare(settings);
    if (!problem.isEmpty())
        return TransferOutcome::failure(Status::NotReady, problem);
    if (!isMaster())
        return refused(QString::fromUtf8("不能在从机模式下进行块读写操作！"));
    if (blockSize * blockCount == 0)
        return TransferOutcome();
    if (!fitsBuffer(blockSize, blockCount))
        return refused(readVolumeTooLargeMessage());
    // Read in every control mode, as the single read does: in full duplex the adapter clocks
    // out filler bytes while it reads.
    QByteArray read = transferBuffer();
    if (library.blockRead(settings.device, settings.channel, bufferBytes(read), blockSize,
                          blockCount, intervalUs) != 0)
        return failed("块模式读数据失败！");
    TransferOutcome outcome = withBuffers(QByteArray(), read);
    outcome.echoes.reserve(blockCount);
    for (int i = 0; i < blockCount; ++i)
        outcome.echoReceived(i * blockSize, blockSize);
    return outcome;
}

TransferOutcome AdapterSession::blockWriteRead(const PanelSettings &settings,
                                               const QByteArray &data, int writeBlockSize,
                                               int readBlockSize, int intervalUs)
{
    const QString problem = prepare(settings);
    if (!problem.isEmpty())
        return TransferOutcome::failure(Status::NotReady, problem);
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
    QByteArray write = transferBuffer(data);
    QByteArray read = transferBuffer();
    if (library.blockWriteRead(settings.device, settings.channel, bufferBytes(write),
                               writeBlockSize, bufferBytes(read), readBlockSize, blocks,
                               intervalUs) != 0)
        return failed("块模式写读数据失败！");
    TransferOutcome outcome = withBuffers(write, read);
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
    if (!outcome.ok()) {
        // A row that cannot run ends the pass like a failed call, and the adapter is
        // configured afresh before the next one.
        outcome.status = Status::Failed;
        stale = true;
    }
    return outcome;
}

TransferOutcome AdapterSession::firmwareInfo(int device)
{
    if (device >= library.scan(0))
        return TransferOutcome::failure(Status::NotReady, QString::fromUtf8("该设备未连接！"));
    if ((library.open(device) & 0xFF) == 0)
        return TransferOutcome::failure(Status::NotReady, QString::fromUtf8("打开设备失败！"));
    DeviceInfo info{};
    char functions[TELKOR_FUNCTION_TEXT_SIZE] = {};
    if ((library.getInfo(device, &info, functions) & 0xFF) == 0)
        return TransferOutcome::failure(Status::Failed, QString::fromUtf8("获取固件信息失败！"));
    TransferOutcome outcome;
    outcome.message = formatFirmwareInfo(info, functions);
    return outcome;
}
