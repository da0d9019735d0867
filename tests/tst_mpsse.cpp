// The FTDI backend without hardware: FTDI chips in software (MpsseInterpreter) behind the
// port seam, the simulator's chips on their chip-select pins, the entries' rules in front.
// The expected command bytes are worked out by hand from FTDI's MPSSE command description,
// so that a mistake shared by the backend and the interpreter still shows.

#include "fakeftdiport.h"

#include "telkor/busadapter.h"
#include "telkor/ftdibackend.h"
#include "telkor/mpssecommands.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"

#include <QtTest>

using namespace telkor;

Q_DECLARE_METATYPE(SpiConfig)

namespace
{

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

SpiConfig busConfig(int controlMode, int polarity = 0, int phase = 0, int lsbFirst = 0,
                    int csPolarity = 0, int hz = 1000000)
{
    SpiConfig config{};
    config.controlMode = static_cast<uint8_t>(controlMode);
    config.master = 1;
    config.clockPolarity = static_cast<uint8_t>(polarity);
    config.clockPhase = static_cast<uint8_t>(phase);
    config.lsbFirst = static_cast<uint8_t>(lsbFirst);
    config.csPolarity = static_cast<uint8_t>(csPolarity);
    config.clockHz = hz;
    return config;
}

QStringList strings(const std::vector<std::string> &lines)
{
    QStringList list;
    for (const std::string &line : lines)
        list.append(QString::fromStdString(line));
    return list;
}

// One FTDI chip on the pretend USB bus: a flash on CS1 and a register bank on CS2 of
// interface A, a wire from MOSI to MISO on interface B.
struct Rig {
    SimClock clock;
    std::string problem;
    NorFlash flash{(clock.setRealTime(false), clock), std::string(), &problem};
    RegisterBank bank;
    LoopbackDevice wire;
    FakeUsb usb;
    FakeFtdiChip &chip;
    std::unique_ptr<BusAdapter> adapter;

    explicit Rig(uint16_t product = 0x6010, bool loopback = false) : chip(usb.plug(product))
    {
        chip.interfaces[0].attach(1, &flash);
        chip.interfaces[0].attach(2, &bank);
        chip.interfaces[1].attach(0, &wire);
        FakeFtdiPort lister(usb);
        const auto found = FtdiBackend::scan(FtdiBackend::Settings(), lister);
        adapter = std::make_unique<BusAdapter>(std::make_unique<FtdiBackend>(
            found.at(0), loopback, [this] { return std::make_unique<FakeFtdiPort>(usb); }));
    }
    MpsseInterpreter &mpsse(int interface = 0) { return chip.interfaces[interface]; }
    QByteArray writeRead(int channel, const QByteArray &out, int readCount)
    {
        QByteArray in(readCount, '\0');
        const int32_t result =
            adapter->writeRead(channel, reinterpret_cast<const uint8_t *>(out.constData()),
                               out.size(), reinterpret_cast<uint8_t *>(in.data()), readCount);
        return result == Ok ? in : "failed " + QByteArray::number(result);
    }
    int32_t write(int channel, const QByteArray &out)
    {
        return adapter->write(channel, reinterpret_cast<const uint8_t *>(out.constData()),
                              out.size());
    }
    QStringList writesFrom(int first) { return strings(usb.writes()).mid(first); }
};

} // namespace

class TestMpsse : public QObject
{
    Q_OBJECT

private slots:
    void setUp_data();
    void setUp();
    void clock_data();
    void clock();
    void transfers_data();
    void transfers();
    void blockTrains_data();
    void blockTrains();
    void flashAndRegisterRecipes();
    void internalLoopback();
    void unpluggedAndBack();
    void refusals();
    void idsAndScanOrder();
};

void TestMpsse::setUp_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("loopback");
    QTest::addColumn<QStringList>("calls");
    // After the sync (a bad command, AAh, answered FAh AAh): 60 MHz base, no adaptive, no
    // three-phase clocking, loopback on or off, divisor 0 (30 MHz), SCK low, MOSI high,
    // CS0..CS4 high, all but MISO outputs; a pin read to see it done.
    auto calls = [](const char *interface, const char *product, const char *loopback) {
        return QString(
                   "X open 0403:%1 0|X reset|X latency 1|X bitmode 00 00|X bitmode 00 02|"
                   "X write AA 87|X read 2|X write 8A 97 8D %2 86 00 00 80 FA FB 81 87|X read 1")
            .arg(product, loopback)
            .replace('X', interface)
            .split('|');
    };
    QTest::newRow("FT232H") << 0x6014 << false << calls("A", "6014", "85");
    QTest::newRow("FT232H, loopback") << 0x6014 << true << calls("A", "6014", "84");
    QTest::newRow("FT4232H, both interfaces")
        << 0x6011 << false << calls("A", "6011", "85") + calls("B", "6011", "85");
}

void TestMpsse::setUp()
{
    QFETCH(int, product);
    QFETCH(bool, loopback);
    QFETCH(QStringList, calls);
    Rig rig(static_cast<uint16_t>(product), loopback);
    QVERIFY(rig.adapter->open());
    QCOMPARE(strings(rig.usb.calls), calls);
    const MpsseInterpreter &mpsse = rig.mpsse();
    QVERIFY(mpsse.mpsse() && !mpsse.divideBy5() && !mpsse.adaptive() && !mpsse.threePhase());
    QCOMPARE(mpsse.loopback(), loopback);
    QCOMPARE(mpsse.clockHz(), qint64(30000000));
    QCOMPARE(strings(mpsse.problems()), QStringList());
}

void TestMpsse::clock_data()
{
    QTest::addColumn<int>("hz");
    QTest::addColumn<QString>("stream"); // empty: refused
    QTest::addColumn<int>("appliedHz");
    QTest::newRow("above 30 MHz") << 50000000 << "86 00 00" << 30000000;
    QTest::newRow("30 MHz") << 30000000 << "86 00 00" << 30000000;
    QTest::newRow("just below 30 MHz") << 29999999 << "86 01 00" << 15000000;
    QTest::newRow("9 MHz gives 7.5") << 9000000 << "86 03 00" << 7500000;
    QTest::newRow("1 MHz") << 1000000 << "86 1D 00" << 1000000;
    QTest::newRow("458 Hz, the slowest") << 458 << "86 DE FF" << 457; // 457.99 Hz
    QTest::newRow("457 Hz, too slow") << 457 << "" << 0;
}

void TestMpsse::clock()
{
    QFETCH(int, hz);
    QFETCH(QString, stream);
    QFETCH(int, appliedHz);
    Rig rig;
    QVERIFY(rig.adapter->open());
    const int before = rig.usb.writes().size();
    const int32_t result = rig.adapter->configure(0x00, busConfig(1, 0, 0, 0, 0, hz));
    if (stream.isEmpty()) {
        QCOMPARE(result, int32_t(BadConfig));
        QCOMPARE(rig.writesFrom(before), QStringList());
        return;
    }
    QCOMPARE(result, int32_t(Ok));
    QCOMPARE(rig.writesFrom(before), QStringList("A " + stream + " 80 FA FB 81 87"));
    QCOMPARE(rig.mpsse().clockHz(), qint64(appliedHz));
}

void TestMpsse::transfers_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<SpiConfig>("config");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<int>("readCount");
    QTest::addColumn<QString>("stream");
    QTest::addColumn<QByteArray>("in");
    // Modes 0 and 3: out on the falling edge (11h), in on the rising one (31h); modes 1 and
    // 2 the reverse (10h, 34h); 08h added for LSB first. CS1 is ADBUS4 (10h), CS2 ADBUS5.
    QTest::newRow("mode 0") << 0x10 << busConfig(1) << hex("9F") << 3
                            << "A 80 EA FB 11 00 00 9F 31 02 00 FF FF FF 80 FA FB 81 87"
                            << hex("EF4015");
    QTest::newRow("mode 1") << 0x10 << busConfig(1, 0, 1) << hex("9F") << 3
                            << "A 80 EA FB 10 00 00 9F 34 02 00 FF FF FF 80 FA FB 81 87"
                            << hex("FFFFFF");
    QTest::newRow("mode 2") << 0x20 << busConfig(1, 1, 0) << hex("1E") << 1
                            << "A 80 DB FB 10 00 00 1E 34 00 00 FF 80 FB FB 81 87" << hex("AD");
    QTest::newRow("mode 3") << 0x10 << busConfig(1, 1, 1) << hex("9F") << 3
                            << "A 80 EB FB 11 00 00 9F 31 02 00 FF FF FF 80 FB FB 81 87"
                            << hex("EF4015");
    QTest::newRow("LSB first, registers")
        << 0x20 << busConfig(1, 0, 0, 1) << hex("F1") << 1
        << "A 80 DA FB 19 00 00 F1 39 00 00 FF 80 FA FB 81 87" << hex("5A");
    QTest::newRow("chip select active high")
        << 0x10 << busConfig(1, 0, 0, 0, 1) << hex("9F") << 3
        << "A 80 12 FB 11 00 00 9F 31 02 00 FF FF FF 80 02 FB 81 87" << hex("FFFFFF");
    QTest::newRow("full duplex") << 0x10 << busConfig(0) << hex("9F") << 4
                                 << "A 80 EA FB 31 03 00 9F FF FF FF 80 FA FB 81 87"
                                 << hex("FFEF4015");
    QTest::newRow("full duplex, more out than in")
        << 0x10 << busConfig(0) << hex("9F0000") << 1
        << "A 80 EA FB 31 00 00 9F 11 01 00 00 00 80 FA FB 81 87" << hex("FF");
    // MOSI becomes an input (direction F9h) while the chip answers on the one data line.
    QTest::newRow("single bus") << 0x10 << busConfig(3) << hex("9F") << 3
                                << "A 80 EA FB 11 00 00 9F 80 EA F9 20 02 00 80 EA FB 80 FA FB "
                                   "81 87"
                                << hex("EF4015");
    QTest::newRow("wire on SPI2, mode 1, LSB first")
        << 0x01 << busConfig(0, 0, 1, 1) << hex("A1B2") << 2
        << "B 80 F2 FB 3C 01 00 A1 B2 80 FA FB 81 87" << hex("A1B2");
}

void TestMpsse::transfers()
{
    QFETCH(int, channel);
    QFETCH(SpiConfig, config);
    QFETCH(QByteArray, out);
    QFETCH(int, readCount);
    QFETCH(QString, stream);
    QFETCH(QByteArray, in);
    Rig rig;
    // Only the addressed chip on the bus: with chip selects active high, every other
    // (active-low) chip would be selected at rest and answer too.
    rig.mpsse().attach(channel == 0x10 ? 2 : 1, nullptr);
    QVERIFY(rig.adapter->open());
    QCOMPARE(rig.adapter->configure(channel, config), int32_t(Ok));
    const int before = rig.usb.writes().size();
    QCOMPARE(rig.writeRead(channel, out, readCount).toHex(), in.toHex());
    QCOMPARE(rig.writesFrom(before), QStringList(stream));
    QCOMPARE(strings(rig.mpsse(channel & 1).problems()), QStringList());
    uint8_t unread;
    QCOMPARE(rig.mpsse(channel & 1).take(&unread, 1), size_t(0)); // every answer was read
}

void TestMpsse::blockTrains_data()
{
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("intervalUs");
    QTest::addColumn<QStringList>("streams");
    QTest::addColumn<int>("idleClocks");
    // Two one-byte blocks on CS0 (ADBUS3: 08h), every chip select released in between.
    const QString first = "A 80 F2 FB 11 00 00 01 80 FA FB ",
                  second = "80 F2 FB 11 00 00 02 80 FA FB 81 87";
    QTest::newRow("10 us at 1 MHz: 8 + 2 clocks")
        << 1000000 << 10 << QStringList(first + "8F 00 00 8E 01 " + second) << 10;
    QTest::newRow("3 us at 7.5 MHz: 22.5 clocks rounded up")
        << 9000000 << 3 << QStringList(first + "8F 01 00 8E 06 " + second) << 23;
    QTest::newRow("100 us at 30 MHz: 375 bytes of clocks")
        << 30000000 << 100 << QStringList(first + "8F 76 01 " + second) << 3000;
    QTest::newRow("no interval") << 1000000 << 0 << QStringList(first + second) << 0;
    QTest::newRow("10 ms: timed by the host")
        << 1000000 << 10000 << QStringList({first + "81 87", "A " + second}) << 0;
}

void TestMpsse::blockTrains()
{
    QFETCH(int, hz);
    QFETCH(int, intervalUs);
    QFETCH(QStringList, streams);
    QFETCH(int, idleClocks);
    Rig rig;
    QVERIFY(rig.adapter->open());
    QCOMPARE(rig.adapter->configure(0x00, busConfig(1, 0, 0, 0, 0, hz)), int32_t(Ok));
    const int before = rig.usb.writes().size();
    const uint8_t data[] = {0x01, 0x02};
    QCOMPARE(rig.adapter->blockWrite(0x00, data, 1, 2, intervalUs), int32_t(Ok));
    QCOMPARE(rig.writesFrom(before), streams);
    QCOMPARE(qint64(rig.mpsse().idleClocks()), qint64(idleClocks));
    QVERIFY(!rig.mpsse().idleWhileSelected());
}

void TestMpsse::flashAndRegisterRecipes()
{
    Rig rig;
    QVERIFY(rig.adapter->open());
    QCOMPARE(rig.adapter->configure(0x10, busConfig(1)), int32_t(Ok));
    QCOMPARE(rig.writeRead(0x10, hex("9F"), 3).toHex(), QByteArray("ef4015"));
    // The list of examples/flash-page.list: erase sector 0, program four bytes, read back.
    QCOMPARE(rig.write(0x10, hex("06")), int32_t(Ok));
    QCOMPARE(rig.write(0x10, hex("20000000")), int32_t(Ok));
    rig.clock.advance(60000);
    QCOMPARE(rig.writeRead(0x10, hex("05"), 1).toHex(), QByteArray("00"));
    QCOMPARE(rig.write(0x10, hex("06")), int32_t(Ok));
    QCOMPARE(rig.write(0x10, hex("02000100DEADBEEF")), int32_t(Ok));
    QCOMPARE(rig.writeRead(0x10, hex("05"), 1).toHex(), QByteArray("01")); // programming
    rig.clock.advance(5000);
    QCOMPARE(rig.writeRead(0x10, hex("05"), 1).toHex(), QByteArray("00"));
    QCOMPARE(rig.writeRead(0x10, hex("03000100"), 4).toHex(), QByteArray("deadbeef"));
    // The register bank: identity, then a control register written and read back.
    QCOMPARE(rig.writeRead(0x20, hex("8F"), 1).toHex(), QByteArray("5a"));
    QCOMPARE(rig.write(0x20, hex("2047")), int32_t(Ok));
    QCOMPARE(rig.writeRead(0x20, hex("A0"), 1).toHex(), QByteArray("47"));
    QCOMPARE(strings(rig.mpsse().problems()), QStringList());
}

void TestMpsse::internalLoopback()
{
    Rig rig(0x6014, true);
    QVERIFY(rig.adapter->open());
    // Nothing on CS3: what comes back went round inside the chip.
    QCOMPARE(rig.adapter->configure(0x30, busConfig(0)), int32_t(Ok));
    QCOMPARE(rig.writeRead(0x30, hex("A1B2"), 2).toHex(), QByteArray("a1b2"));
    QCOMPARE(rig.adapter->configure(0x30, busConfig(1)), int32_t(Ok));
    QCOMPARE(rig.writeRead(0x30, hex("A1B2"), 2).toHex(), QByteArray("ffff")); // the filler
}

void TestMpsse::unpluggedAndBack()
{
    Rig rig;
    QVERIFY(rig.adapter->open());
    QCOMPARE(rig.adapter->configure(0x10, busConfig(1, 1, 1, 0, 0, 1000000)), int32_t(Ok));
    QCOMPARE(rig.writeRead(0x10, hex("9F"), 3).toHex(), QByteArray("ef4015"));
    rig.chip.present = false;
    QCOMPARE(rig.writeRead(0x10, hex("9F"), 3), QByteArray("failed -5"));
    QCOMPARE(rig.writeRead(0x10, hex("9F"), 3), QByteArray("failed -1")); // cannot reopen
    // Refused while away, so not applied when the chip comes back.
    QCOMPARE(rig.adapter->configure(0x10, busConfig(1, 0, 0, 0, 0, 2000000)), int32_t(NotOpen));
    // Plugged back: a chip at its power-on state, opened and set up again by the transfer.
    rig.chip.present = true;
    rig.mpsse().setBitmode(0x00);
    rig.usb.calls.clear();
    QCOMPARE(rig.writeRead(0x10, hex("9F"), 3).toHex(), QByteArray("ef4015"));
    QCOMPARE(strings(rig.usb.calls).first(), QString("A open 0403:6010 0"));
    QCOMPARE(rig.mpsse().clockHz(), qint64(1000000));
    QCOMPARE(int(rig.mpsse().lowValue()), 0xFB); // mode 3 rests SCK high
    // A chip that reset itself on the way answers nothing: a failure after the timeout, and
    // the next transfer sets it up again.
    rig.mpsse().setBitmode(0x00);
    QCOMPARE(rig.writeRead(0x10, hex("9F"), 3), QByteArray("failed -5"));
    QCOMPARE(rig.writeRead(0x10, hex("9F"), 3).toHex(), QByteArray("ef4015"));
}

void TestMpsse::refusals()
{
    Rig rig(0x6014);
    QVERIFY(rig.adapter->open());
    SpiConfig slave = busConfig(1);
    slave.master = 0;
    QCOMPARE(rig.adapter->configure(0x00, slave), int32_t(BadConfig));
    uint8_t buffer[TELKOR_BUFFER_SIZE];
    QCOMPARE(rig.adapter->slaveRead(0x00, buffer), int32_t(WrongRole));
    QCOMPARE(rig.adapter->slaveWrite(0x00, buffer, 1), int32_t(WrongRole));
    QCOMPARE(rig.adapter->configure(0x01, busConfig(1)), int32_t(BadConfig)); // no interface B
    DeviceInfo info;
    char functions[TELKOR_FUNCTION_TEXT_SIZE];
    QVERIFY(rig.adapter->info(&info, functions));
    QCOMPARE(QString(info.firmwareName), QString("FT232H MPSSE"));
    QVERIFY(QString(functions).contains("no slave"));
}

void TestMpsse::idsAndScanOrder()
{
    // Device indices follow the list of ids, then the order on the bus; unplugged chips are
    // not counted, and an id listed twice finds its chips once.
    FakeUsb usb;
    usb.plug(0x6014);
    usb.plug(0x6010);
    usb.plug(0x6014).present = false;
    usb.plug(0x6014);
    FakeFtdiPort lister(usb);
    std::vector<std::string> problems;
    const FtdiBackend::Settings settings = FtdiBackend::settings(
        {{"ids", "0403:6010,0403:6014,0403:6010"}, {"loopback", "on"}}, &problems);
    QStringList found;
    for (const FtdiBackend::Found &chip : FtdiBackend::scan(settings, lister))
        found.append(QString::asprintf("%04x:%04x %d", chip.vendor, chip.product, chip.index));
    QCOMPARE(found, QStringList({"0403:6010 0", "0403:6014 0", "0403:6014 1"}));
    QVERIFY(settings.loopback && problems.empty());
    // What cannot be used keeps the defaults.
    const FtdiBackend::Settings bad = FtdiBackend::settings(
        {{"ids", "0403:6014,,0403:6010"}, {"loopback", "maybe"}, {"speed", "1"}}, &problems);
    QCOMPARE(int(problems.size()), 3);
    QVERIFY(bad.ids == FtdiBackend::Settings().ids && !bad.loopback);
}

QTEST_GUILESS_MAIN(TestMpsse)
#include "tst_mpsse.moc"
