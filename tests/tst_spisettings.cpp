// The channel byte and the SpiConfig record built from the panel.

#include "adapter/spisettings.h"

#include <QtTest>

#include <cstring>

class TestSpiSettings : public QObject
{
    Q_OBJECT

private slots:
    void channelByte_data();
    void channelByte();
    void clockHz_data();
    void clockHz();
    void recordLayout_data();
    void recordLayout();
};

void TestSpiSettings::channelByte_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("channel");
    const int expected[] = {0x00, 0x10, 0x20, 0x30, 0x40, 0x01, 0x11, 0x21, 0x31, 0x41};
    for (int index = 0; index < 10; ++index)
        QTest::addRow("%s",
                      qPrintable(QStringLiteral("SPI%1_CS%2").arg(index / 5 + 1).arg(index % 5)))
            << index << expected[index];
}

void TestSpiSettings::channelByte()
{
    QFETCH(int, index);
    QFETCH(int, channel);
    QCOMPARE(::channelByte(index), channel);
}

void TestSpiSettings::clockHz_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("hz");
    QTest::newRow("first item") << "50000000" << 50000000;
    QTest::newRow("last item") << "390450" << 390450;
    QTest::newRow("typed") << "250000" << 250000;
    QTest::newRow("unit suffix") << "1M" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("beyond 32 bits") << "99999999999" << 0;
    QTest::newRow("hex is not decimal") << "0x10" << 0;
}

void TestSpiSettings::clockHz()
{
    QFETCH(QString, text);
    QFETCH(int, hz);
    QCOMPARE(clockHzFromText(text), hz);
}

void TestSpiSettings::recordLayout_data()
{
    QTest::addColumn<int>("controlMode");
    QTest::addColumn<int>("workingMode");
    QTest::addColumn<int>("clockPhase");
    QTest::addColumn<int>("clockPolarity");
    QTest::addColumn<int>("csPolarity");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QByteArray>("bytes");
    // Offsets: mode, master, polarity, phase, LSB first, CS polarity, 2 reserved, clock (LE).
    QTest::newRow("start-up panel")
        << 1 << 1 << 0 << 0 << 0 << 0 << QByteArray::fromHex("010100000000EEEE80F0FA02");
    QTest::newRow("polarity before phase")
        << 0 << 1 << 0 << 1 << 0 << 0 << QByteArray::fromHex("000101000000EEEE80F0FA02");
    QTest::newRow("phase at offset 3")
        << 0 << 1 << 1 << 0 << 0 << 0 << QByteArray::fromHex("000100010000EEEE80F0FA02");
    QTest::newRow("slave, LSB first, CS high")
        << 1 << 0 << 0 << 0 << 1 << 1 << QByteArray::fromHex("010000000101EEEE80F0FA02");
}

void TestSpiSettings::recordLayout()
{
    QFETCH(int, controlMode);
    QFETCH(int, workingMode);
    QFETCH(int, clockPhase);
    QFETCH(int, clockPolarity);
    QFETCH(int, csPolarity);
    QFETCH(int, shift);
    QFETCH(QByteArray, bytes);
    PanelSettings panel;
    panel.controlMode = controlMode;
    panel.workingMode = workingMode;
    panel.clockPhase = clockPhase;
    panel.clockPolarity = clockPolarity;
    panel.csPolarity = csPolarity;
    panel.shiftDirection = shift;
    panel.clockText = QStringLiteral("50000000");
    SpiConfig config;
    std::memset(&config, 0xEE, sizeof config); // the reserved bytes are never written
    fillSpiConfig(&config, panel);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(&config), sizeof config).toHex(),
             bytes.toHex().toLower());
}

QTEST_GUILESS_MAIN(TestSpiSettings)
#include "tst_spisettings.moc"
