// The channel byte and name, and the SpiConfig record built from the panel's values.

#include "adapter/spisettings.h"

#include <QtTest>

#include <cstring>

Q_DECLARE_METATYPE(PanelSettings)

class TestSpiSettings : public QObject
{
    Q_OBJECT

private slots:
    void channels();
    void record_data();
    void record();
};

void TestSpiSettings::channels()
{
    QVector<int> bytes;
    QStringList names;
    for (int index = 0; index < 10; ++index) {
        const auto channel = static_cast<SpiChannel>(index);
        bytes.append(channelByte(channel));
        names.append(channelName(channel));
        SpiChannel parsed = SpiChannel::Spi2Cs4;
        QVERIFY(parseChannelName(names.last(), &parsed));
        QCOMPARE(int(parsed), index);
    }
    QCOMPARE(bytes, QVector<int>({0x00, 0x10, 0x20, 0x30, 0x40, 0x01, 0x11, 0x21, 0x31, 0x41}));
    QCOMPARE(names.join(' '), QString("SPI1_CS0 SPI1_CS1 SPI1_CS2 SPI1_CS3 SPI1_CS4 SPI2_CS0 "
                                      "SPI2_CS1 SPI2_CS2 SPI2_CS3 SPI2_CS4"));
    for (const char *wrong : {"SPI1_CS5", "SPI3_CS0", "spi1_cs0", "SPI1_CS", ""}) {
        SpiChannel untouched = SpiChannel::Spi1Cs3;
        QVERIFY2(!parseChannelName(QString::fromLatin1(wrong), &untouched), wrong);
        QCOMPARE(untouched, SpiChannel::Spi1Cs3);
    }
}

void TestSpiSettings::record_data()
{
    // Panel: the values that differ from the start-up ones, and the clock box's text.
    // Record: mode, master, polarity, phase, LSB first, CS polarity, 2 reserved, clock (LE).
    QTest::addColumn<PanelSettings>("panel");
    QTest::addColumn<QByteArray>("record");
    const auto panel = [](const char *clock, void (*change)(PanelSettings &) = nullptr) {
        PanelSettings settings;
        settings.clockText = QString::fromLatin1(clock);
        if (change)
            change(settings);
        return settings;
    };
    using P = PanelSettings &;
    // clang-format off
    QTest::newRow("start-up") << panel("50000000") << QByteArray("010100000000eeee80f0fa02");
    QTest::newRow("full duplex") << panel("390450", [](P s) { s.controlMode = ControlMode::HardwareFullDuplex; }) << QByteArray("000100000000eeee32f50500");
    QTest::newRow("software half duplex") << panel("250000", [](P s) { s.controlMode = ControlMode::SoftwareHalfDuplex; }) << QByteArray("020100000000eeee90d00300");
    QTest::newRow("single bus") << panel("1", [](P s) { s.controlMode = ControlMode::SingleBus; }) << QByteArray("030100000000eeee01000000");
    QTest::newRow("polarity alone, byte 2") << panel("0", [](P s) { s.clockPolarity = ClockPolarity::IdleHigh; }) << QByteArray("010101000000eeee00000000");
    QTest::newRow("phase alone, byte 3") << panel("0", [](P s) { s.clockPhase = ClockPhase::SecondEdge; }) << QByteArray("010100010000eeee00000000");
    QTest::newRow("LSB first alone, byte 4") << panel("0", [](P s) { s.bitOrder = BitOrder::LsbFirst; }) << QByteArray("010100000100eeee00000000");
    QTest::newRow("CS high alone, byte 5") << panel("0", [](P s) { s.csPolarity = CsPolarity::ActiveHigh; }) << QByteArray("010100000001eeee00000000");
    QTest::newRow("slave alone, byte 1") << panel("0", [](P s) { s.role = Role::Slave; }) << QByteArray("010000000000eeee00000000");
    QTest::newRow("unit suffix") << panel("1M") << QByteArray("010100000000eeee00000000");
    QTest::newRow("> 32 bits") << panel("99999999999") << QByteArray("010100000000eeee00000000");
    QTest::newRow("hex is not decimal") << panel("0x10") << QByteArray("010100000000eeee00000000");
    // clang-format on
}

void TestSpiSettings::record()
{
    QFETCH(PanelSettings, panel);
    SpiConfig config;
    std::memset(&config, 0xEE, sizeof config); // the reserved bytes are never written
    fillSpiConfig(&config, panel);
    QTEST(QByteArray(reinterpret_cast<const char *>(&config), sizeof config).toHex(), "record");
}

QTEST_GUILESS_MAIN(TestSpiSettings)
#include "tst_spisettings.moc"
