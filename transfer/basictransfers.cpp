// Write, read and write-read of the basic tab, and the library calls they share with the
// operation list: each call echoes its bytes on success and says what failed otherwise.

#include "adapter/adapterlibrary.h"
#include "app/mainwindow.h"
#include "transfer/bytetext.h"
#include "transfer/transferbuffer.h"
#include "ui_mainwindow.h"

void MainWindow::reportTransferFailure(const QString &message)
{
    stopAutoStart();
    needsInit = true;
    warn(message);
}

void MainWindow::refuseTransfer(const QString &message)
{
    stopAutoStart();
    warn(message);
}

MainWindow::Outcome MainWindow::writeOnce(int device, int channel, const QByteArray &data,
                                          const QString &slaveFailure)
{
    const AdapterEntries &adapter = AdapterLibrary::entries();
    const int n = data.size();
    QByteArray write = transferBuffer(data);
    if (spiConfig.master == 1 && spiConfig.controlMode == 0) {
        // Full duplex: as many bytes are clocked in as are sent.
        QByteArray read = transferBuffer();
        if (adapter.writeRead(device, channel, bufferBytes(write), n, bufferBytes(read), n, 0) != 0)
            return {false, QString::fromUtf8("写读数据失败！")};
        if (logTx)
            appendTraffic(write.constData(), n, true);
        if (logRx)
            appendTraffic(read.constData(), n, false);
        return {};
    }
    const int result = spiConfig.master == 1
                           ? adapter.write(device, channel, bufferBytes(write), n)
                           : adapter.slaveWrite(device, channel, bufferBytes(write), n, 0);
    if (result != 0)
        return {false, spiConfig.master == 1 ? QString::fromUtf8("写数据失败！") : slaveFailure};
    if (logTx)
        appendTraffic(write.constData(), n, true);
    return {};
}

MainWindow::Outcome MainWindow::readOnce(int device, int channel, int count)
{
    const AdapterEntries &adapter = AdapterLibrary::entries();
    QByteArray read = transferBuffer();
    if (spiConfig.master == 1) {
        if (count == 0)
            return {};
        if (adapter.read(device, channel, bufferBytes(read), count) != 0)
            return {false, QString::fromUtf8("读数据失败！")};
        if (logRx)
            appendTraffic(read.constData(), count, false);
        return {};
    }
    const int received = adapter.slaveRead(device, channel, bufferBytes(read), 0);
    // More than the buffer holds cannot be true of a working library: a failure, not data.
    if (received < 0 || received > TELKOR_BUFFER_SIZE)
        return {false, QString::fromUtf8("从机读数据失败！")};
    if (received > 0 && logRx)
        appendTraffic(read.constData(), received, false);
    return {};
}

MainWindow::Outcome MainWindow::writeReadOnce(int device, int channel, const QByteArray &data,
                                              int count)
{
    const AdapterEntries &adapter = AdapterLibrary::entries();
    const int n = data.size();
    QByteArray write = transferBuffer(data);
    QByteArray read = transferBuffer();
    if (adapter.writeRead(device, channel, bufferBytes(write), n, bufferBytes(read), count, 0) != 0)
        return {false, QString::fromUtf8("写读数据失败！")};
    if (logTx)
        appendTraffic(write.constData(), n, true);
    if (logRx)
        appendTraffic(read.constData(), count, false);
    return {};
}

void MainWindow::on_writePushButton_clicked()
{
    const int device = currentDevice();
    const int channel = currentChannel();
    if (!ensureDeviceReady())
        return;
    const QByteArray data = collectWriteData(ui->writeTextEdit, ui->hexSendCheckBox->isChecked(),
                                             HexConversion::Unsigned);
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refuseTransfer(writeDataTooLongMessage());
    const Outcome outcome =
        writeOnce(device, channel, data, QString::fromUtf8("从机模式写数据失败！"));
    if (!outcome.ok)
        reportTransferFailure(outcome.failure);
}

void MainWindow::on_readPushButton_clicked()
{
    const int count = ui->readByteCountSpinBox->value() % 65536;
    const int device = currentDevice();
    const int channel = currentChannel();
    if (!ensureDeviceReady())
        return;
    const Outcome outcome = readOnce(device, channel, count);
    if (!outcome.ok)
        reportTransferFailure(outcome.failure);
}

void MainWindow::on_writeReadPushButton_clicked()
{
    const int count = ui->readByteCountSpinBox->value() % 65536;
    const int device = currentDevice();
    const int channel = currentChannel();
    if (!ensureDeviceReady())
        return;
    const QByteArray data = collectWriteData(ui->writeTextEdit, ui->hexSendCheckBox->isChecked(),
                                             HexConversion::Signed);
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refuseTransfer(writeDataTooLongMessage());
    const Outcome outcome = writeReadOnce(device, channel, data, count);
    if (!outcome.ok)
        reportTransferFailure(outcome.failure);
}
