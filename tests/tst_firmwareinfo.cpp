// The text of the firmware-information box.

#include "adapter/firmwareinfo.h"

#include <QtTest>

#include <cstring>

class TestFirmwareInfo : public QObject
{
    Q_OBJECT

private slots:
    void text();
};

void TestFirmwareInfo::text()
{
    DeviceInfo info{
        "TELKOR 固件", "Jan  5 2026", 0x02010000, 0x01020003, {0xA1B2C3D4, 0xFFFF, 0x1}, {}};
    char functions[TELKOR_FUNCTION_TEXT_SIZE] = "SPI,IIC";
    QCOMPARE(formatFirmwareInfo(info, functions),
             QString::fromUtf8("固件名称: TELKOR 固件\n"
                               "编译日期: Jan  5 2026\n"
                               "固件版本: v1.2.3\n"
                               "硬件版本: v2.1.0\n"
                               "设备序号: A1B2C3D40000FFFF00000001\n"
                               "固件功能: SPI,IIC"));
    QCOMPARE(formatVersion(0xFFFFFFFF), QStringLiteral("v255.255.65535"));
    // A library that fills every byte of a field writes no NUL: the text stops at the field's
    // end, not in the next field.
    info = DeviceInfo{};
    std::memset(info.firmwareName, 'N', sizeof info.firmwareName);
    std::memset(info.buildDate, 'D', sizeof info.buildDate);
    std::memset(functions, 'F', sizeof functions);
    const QStringList lines = formatFirmwareInfo(info, functions).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QString::fromUtf8("固件名称: ") + QString(32, QLatin1Char('N')));
    QCOMPARE(lines.value(1), QString::fromUtf8("编译日期: ") + QString(32, QLatin1Char('D')));
    QCOMPARE(lines.value(5), QString::fromUtf8("固件功能: ") + QString(256, QLatin1Char('F')));
    functions[0] = '\0';
    QVERIFY(formatFirmwareInfo(info, functions).endsWith(QString::fromUtf8("\n固件功能: ")));
}

QTEST_GUILESS_MAIN(TestFirmwareInfo)
#include "tst_firmwareinfo.moc"
