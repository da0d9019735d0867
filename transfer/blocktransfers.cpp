// Block write, block read and block write-read: a train of equal blocks with a pause between
// them, done by the adapter in one call. Master only.

#include "adapter/adapterlibrary.h"
#include "app/mainwindow.h"
#include "transfer/bytetext.h"
#include "transfer/transferbuffer.h"
#include "ui_mainwindow.h"

void MainWindow::refuseSlaveBlockTransfer(bool markStale)
{
    stopAutoStart();
    if (markStale)
        needsInit = true;
    warn(QString::fromUtf8("不能在从机模式下进行块读写操作！"));
}

void MainWindow::on_blockWritePushButton_clicked()
{
    const int blockSize = ui->writeBlockSizesSinBox->value();
    const int interval = ui->intervalTimeSpinBox->value();
    const int device = currentDevice();
    const int channel = currentChannel();
    if (!ensureDeviceReady())
        return;
    if (spiConfig.master == 0)
        return refuseSlaveBlockTransfer(false);
    const QByteArray data = collectWriteData(
        ui->blockWriteTextEdit, ui->blockHexSendCheckBox->isChecked(), HexConversion::Signed);
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refuseTransfer(writeDataTooLongMessage());
    // Bytes beyond the last whole block are neither sent nor echoed.
    const int blocks = data.size() / blockSize;
    const AdapterEntries &adapter = AdapterLibrary::entries();
    QByteArray write = transferBuffer(data);
    QByteArray read = transferBuffer();
    const bool fullDuplex = spiConfig.controlMode == 0;
    const int result =
        fullDuplex
            ? adapter.blockWriteRead(device, channel, bufferBytes(write), blockSize,
                                     bufferBytes(read), blockSize, blocks, interval)
            : adapter.blockWrite(device, channel, bufferBytes(write), blockSize, blocks, interval);
    if (result != 0)
        return reportTransferFailure(QString::fromUtf8("块写数据失败！"));
    if (logTx)
        echoBlocks(write.constData(), blockSize, blocks, true);
    if (fullDuplex && logRx)
        echoBlocks(read.constData(), blockSize, blocks, false);
}

void MainWindow::on_blockReadPushButton_clicked()
{
    const int blockSize = ui->readBlockSizeSpinBox->value();
    const int blockCount = ui->blockReadCountSpinBox->value();
    const int interval = ui->intervalTimeSpinBox->value();
    const int device = currentDevice();
    const int channel = currentChannel();
    if (!ensureDeviceReady())
        return;
    if (spiConfig.master == 0)
        return refuseSlaveBlockTransfer(false);
    if (blockSize * blockCount == 0)
        return;
    if (!fitsBuffer(blockSize, blockCount))
        return refuseTransfer(readVolumeTooLargeMessage());
    // Read in every control mode, as the single read does: in full duplex the adapter clocks
    // out filler bytes while it reads.
    QByteArray read = transferBuffer();
    if (AdapterLibrary::entries().blockRead(device, channel, bufferBytes(read), blockSize,
                                            blockCount, interval) != 0)
        return reportTransferFailure(QString::fromUtf8("块模式读数据失败！"));
    if (logRx)
        echoBlocks(read.constData(), blockSize, blockCount, false);
}

void MainWindow::on_blockWriteReadPushButton_clicked()
{
    const int writeBlockSize = ui->writeBlockSizesSinBox->value();
    const int readBlockSize = ui->readBlockSizeSpinBox->value();
    const int interval = ui->intervalTimeSpinBox->value();
    const int device = currentDevice();
    const int channel = currentChannel();
    if (!ensureDeviceReady())
        return;
    if (spiConfig.master == 0)
        return refuseSlaveBlockTransfer(true);
    const QByteArray data = collectWriteData(
        ui->blockWriteTextEdit, ui->blockHexSendCheckBox->isChecked(), HexConversion::Signed);
    if (data.size() > TELKOR_BUFFER_SIZE)
        return refuseTransfer(writeDataTooLongMessage());
    const int blocks = data.size() / writeBlockSize;
    if (writeBlockSize * blocks == 0)
        return;
    if (!fitsBuffer(readBlockSize, blocks))
        return refuseTransfer(readVolumeTooLargeMessage());
    QByteArray write = transferBuffer(data);
    QByteArray read = transferBuffer();
    if (AdapterLibrary::entries().blockWriteRead(device, channel, bufferBytes(write),
                                                 writeBlockSize, bufferBytes(read), readBlockSize,
                                                 blocks, interval) != 0)
        return reportTransferFailure(QString::fromUtf8("块模式写读数据失败！"));
    for (int i = 0; i < blocks; ++i) {
        if (logTx)
            appendTraffic(write.constData() + i * writeBlockSize, writeBlockSize, true);
        if (logRx)
            appendTraffic(read.constData() + i * readBlockSize, readBlockSize, false);
    }
}
