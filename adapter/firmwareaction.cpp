// "固件信息": what the chosen adapter reports about itself. Independent of the lazy
// configuration: it neither uses nor changes it, and leaves the auto-start alone.

#include "adapter/adapterlibrary.h"
#include "adapter/firmwareinfo.h"
#include "app/mainwindow.h"

#include <QMessageBox>

void MainWindow::on_actionFirmwareInfo_triggered()
{
    const AdapterEntries &adapter = AdapterLibrary::entries();
    const int device = currentDevice();
    if (device >= adapter.scan(0)) {
        warn(QString::fromUtf8("该设备未连接！"));
        return;
    }
    if ((adapter.open(device) & 0xFF) == 0) {
        warn(QString::fromUtf8("打开设备失败！"));
        return;
    }
    DeviceInfo info{};
    char functions[TELKOR_FUNCTION_TEXT_SIZE] = {};
    if ((adapter.getInfo(device, &info, functions) & 0xFF) == 0) {
        warn(QString::fromUtf8("获取固件信息失败！"));
        return;
    }
    QMessageBox::about(this, QString::fromUtf8("固件信息"), formatFirmwareInfo(info, functions));
}
