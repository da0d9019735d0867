// The channel byte and the SpiConfig record built from the panel.

#include "adapter/spisettings.h"

#include <QtTest>

#include <cstring>

class TestSpiSettings : public QObject
{
    Q_OBJECT

private slots:
    void channelBytes();
    void record_data();
    void record();
};

void TestSpiSettings::channelBytes()
{
    QVector<int> bytes; // SPI1_CS0 to SPI1_CS4, then SPI2_CS0 to SPI2_CS4
    for (int index = 0; index < 10; ++index)
        bytes.append(channelByte(index));
    QCOMPARE(bytes, QVector<int>({0x00, 0x10, 0x20, 0x30, 0x40, 0x01, 0x11, 0x21, 0x31, 0x41}));
}

void TestSpiSettings::record_data()
{
    // Boxes as digits: control mode, working mode, phase, polarity, CS polarity, shift; clock.
    // Record: mode, master, polarity, phase, LSB first, CS polarity, 2 reserved, clock (LE).
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("start-up") << "110000 50000000" << QByteArray("010100000000eeee80f0fa02");
    QTest::newRow("polarity byte") << "010100 390450" << QByteArray("000101000000eeee32f50500");
    QTest::newRow("phase at offset 3") << "011000 250000" << QByteArray("000100010000eeee90d00300");
    QTest::newRow("slave, LSB, CS high") << "100011 " << QByteArray("010000000101eeee00000000");
    QTest::newRow("unit suffix") << "110000 1M" << QByteArray("010100000000eeee00000000");
    QTest::newRow("> 32 bits") << "110000 99999999999" << QByteArray("010100000000eeee00000000");
    QTest::newRow("hex is not decimal") << "110000 0x10" << QByteArray("010100000000eeee00000000");
}

void TestSpiSettings::record()
{
    QFETCH(QString, panel);
    QFETCH(QByteArray, record);
    PanelSettings settings;
    int *boxes[] = {&settings.controlMode,   &settings.workingMode, &settings.clockPhase,
                    &settings.clockPolarity, &settings.csPolarity,  &settings.shiftDirection};
    for (int i = 0; i < 6; ++i)
        *boxes[i] = panel.at(i).digitValue();
    settings.clockText = panel.mid(7);
    SpiConfig config;
    std::memset(&config, 0xEE, sizeof config); // the reserved bytes are never written
    fillSpiConfig(&config, settings);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(&config), sizeof config).toHex(), record);
}

QTEST_GUILESS_MAIN(TestSpiSettings)
#include "tst_spisettings.moc"
