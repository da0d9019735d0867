// "固件信息": what the adapter reports, and each way it can fail.

#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QPushButton>
#include <QtTest>

#include <cstring>

class TestFirmwareAction : public WindowTest
{
    Q_OBJECT

private slots:
    void showsWhatTheAdapterReports();
    void failures_data();
    void failures();
    void leavesConfigurationAndAutoStartAlone();
};

void TestFirmwareAction::showsWhatTheAdapterReports()
{
    DeviceInfo info{};
    std::strcpy(info.firmwareName, "USB2SPI 固件");
    std::strcpy(info.buildDate, "2026-11-30");
    info.firmwareVersion = 0x01020003;
    info.hardwareVersion = 0xFFFFFFFF;
    info.serialNumber[0] = 0xA1B2C3D4;
    info.serialNumber[1] = 0xFFFF;
    info.serialNumber[2] = 1;
    TelkorTestSetDeviceInfo(&info, nullptr, 0); // no function text at all
    fixture.trigger("actionFirmwareInfo");
    QCOMPARE(adapterCalls(),
             QStringList({"AdapterScan(0) => 1", "AdapterOpen(0) => 1", "AdapterGetInfo(0) => 1"}));
    QCOMPARE(fixture.dialogs().summary(),
             QStringList({QString::fromUtf8("QMessageBox|固件信息|固件名称: USB2SPI 固件\n"
                                            "编译日期: 2026-11-30\n"
                                            "固件版本: v1.2.3\n"
                                            "硬件版本: v255.255.65535\n"
                                            "设备序号: A1B2C3D40000FFFF00000001\n"
                                            "固件功能: ")}));
}

void TestFirmwareAction::failures_data()
{
    QTest::addColumn<int>("adapters");
    QTest::addColumn<int>("device");
    QTest::addColumn<QString>("force");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("message");
    QTest::newRow("no adapter") << 0 << 0 << "" << QStringList({"AdapterScan(0) => 0"})
                                << QString::fromUtf8("该设备未连接！");
    QTest::newRow("device 2 of 2") << 2 << 2 << "" << QStringList({"AdapterScan(0) => 2"})
                                   << QString::fromUtf8("该设备未连接！");
    QTest::newRow("open fails") << 1 << 0 << "AdapterOpen"
                                << QStringList({"AdapterScan(0) => 1", "AdapterOpen(0) => 0"})
                                << QString::fromUtf8("打开设备失败！");
    QTest::newRow("information fails")
        << 1 << 0 << "AdapterGetInfo"
        << QStringList({"AdapterScan(0) => 1", "AdapterOpen(0) => 1", "AdapterGetInfo(0) => 0"})
        << QString::fromUtf8("获取固件信息失败！");
}

void TestFirmwareAction::failures()
{
    QFETCH(int, adapters);
    QFETCH(int, device);
    QFETCH(QString, force);
    QFETCH(QStringList, calls);
    QFETCH(QString, message);
    TelkorTestSetAdapterCount(adapters);
    if (!force.isEmpty())
        TelkorTestForceResult(qPrintable(force), 0, 1);
    fixture.select("deviceIndexComboBox", device);
    fixture.trigger("actionFirmwareInfo");
    QCOMPARE(adapterCalls(), calls);
    QCOMPARE(fixture.dialogs().summary(), warningSummary(message));
    QCOMPARE(fixture.dialogs().seen.first().buttons, QStringList({"Ok"}));
}

void TestFirmwareAction::leavesConfigurationAndAutoStartAlone()
{
    fixture.click("readPushButton");
    QVERIFY(!MainWindowTestAccess::needsInit(fixture.window()));
    TelkorTestForceResult("AdapterGetInfo", 0, 1);
    fixture.trigger("actionFirmwareInfo");
    QVERIFY(!MainWindowTestAccess::needsInit(fixture.window()));
    clearAdapterCalls();
    fixture.click("readPushButton");
    QCOMPARE(adapterCalls(), QStringList({"SpiRead(0,0x00,10) => 0"}));
}

QTEST_MAIN(TestFirmwareAction)
#include "tst_firmwareaction.moc"
