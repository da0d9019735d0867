// Lazy preparation of the adapter: scan, open and configure only while the configuration last
// applied may differ from the panel; and the two mode boxes that keep the panel consistent.

#include "adapter/adapterlibrary.h"
#include "adapter/spisettings.h"
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

int MainWindow::currentDevice() const
{
    return ui->deviceIndexComboBox->currentIndex();
}

int MainWindow::currentChannel() const
{
    return channelByte(ui->channelIndexComboBox->currentIndex());
}

void MainWindow::warn(const QString &message)
{
    QMessageBox::warning(this, QString::fromUtf8("警告"), message, QMessageBox::Ok,
                         QMessageBox::NoButton);
}

void MainWindow::stopAutoStart()
{
    if (ui->autoStartPushButton->text() == QString::fromUtf8("停止")) {
        killTimer(timerId);
        ui->autoStartPushButton->setText(QString::fromUtf8("开始"));
    }
}

bool MainWindow::ensureDeviceReady()
{
    if (!needsInit)
        return true;
    const AdapterEntries &adapter = AdapterLibrary::entries();
    const int channel = currentChannel();
    const int device = currentDevice();

    auto fail = [this](const char *message) {
        stopAutoStart();
        warn(QString::fromUtf8(message));
        return false;
    };
    if (adapter.scan(0) <= 0)
        return fail("无设备连接！");
    if ((adapter.open(device) & 0xFF) == 0)
        return fail("打开设备失败！");

    PanelSettings panel;
    panel.controlMode = ui->controlModeComboBox->currentIndex();
    panel.workingMode = ui->workingModeComboBox->currentIndex();
    panel.clockPhase = ui->clockPhaseComboBox->currentIndex();
    panel.clockPolarity = ui->clockPolarityComboBox->currentIndex();
    panel.csPolarity = ui->csPolarityComboBox->currentIndex();
    panel.shiftDirection = ui->shiftDirComboBox->currentIndex();
    panel.clockText = ui->clockSpeedComboBox->currentText();
    fillSpiConfig(&spiConfig, panel);
    if (adapter.configure(device, channel, &spiConfig) != 0)
        return fail("配置设备失败！");
    needsInit = false;
    return true;
}

void MainWindow::on_controlModeComboBox_currentIndexChanged(const QString &arg1)
{
    QComboBox *clock = ui->clockSpeedComboBox;
    if (arg1.contains(QString::fromUtf8("硬件"))) {
        clock->setEditable(false);
        ui->workingModeComboBox->setEnabled(true);
    } else {
        clock->setEditable(true);
        // Inline completion would turn a typed 250000 into the item 25000000, and inserting
        // typed values would grow the list of standard clocks; the box must configure exactly
        // what was typed.
        clock->setCompleter(nullptr);
        clock->setInsertPolicy(QComboBox::NoInsert);
        clock->setEditText(QStringLiteral("100000"));
        ui->workingModeComboBox->setCurrentIndex(1);
        ui->workingModeComboBox->setEnabled(false);
    }
    needsInit = true;
}

void MainWindow::on_workingModeComboBox_currentIndexChanged(const QString &arg1)
{
    QWidget *const slaveLocked[] = {ui->clockSpeedComboBox,      ui->csPolarityComboBox,
                                    ui->controlModeComboBox,     ui->writeReadPushButton,
                                    ui->blockReadPushButton,     ui->blockWritePushButton,
                                    ui->blockWriteReadPushButton};
    if (arg1 != QString::fromUtf8("从机")) {
        for (QWidget *widget : slaveLocked)
            widget->setEnabled(true);
        needsInit = true;
        return;
    }
    ui->clockSpeedComboBox->setCurrentIndex(0);
    ui->csPolarityComboBox->setCurrentIndex(0);
    ui->controlModeComboBox->setCurrentIndex(1);
    for (QWidget *widget : slaveLocked)
        widget->setEnabled(false);
    ensureDeviceReady();
    needsInit = true;
}
