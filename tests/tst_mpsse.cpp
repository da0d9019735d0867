// The FTDI backend without hardware: FTDI chips in software (MpsseInterpreter) behind the
// port seam, the simulator's chips on their chip-select pins, the entries' rules in front.
// The expected command bytes are worked out by hand from FTDI's MPSSE command description,
// so that a mistake shared by the backend and the interpreter still shows.

#include "fakeftdiport.h"
#include "stderrcapture.h"

#include "telkor/busadapter.h"
#include "telkor/ftdibackend.h"
#include "telkor/norflash.h"

#include <QtTest>

#include <utility>

using namespace telkor;

Q_DECLARE_METATYPE(SpiConfig)

namespace
{

// Control mode 0 full duplex, 1 half duplex, 3 one data line; SPI mode 0..3.
SpiConfig busConfig(uint8_t control, uint8_t mode = 0, uint8_t lsbFirst = 0, uint8_t csHigh = 0,
                    int32_t hz = 1000000)
{
    return {control, 1, uint8_t(mode >> 1), uint8_t(mode & 1), lsbFirst, csHigh, {}, hz};
}

// One FTDI chip on the pretend USB bus, opened: a flash on CS1 of interface A, a wire from
// MOSI to MISO on interface B.
struct Rig {
    SimClock clock;
    NorFlash flash{clock, std::string(), nullptr};
    LoopbackDevice wire;
    FakeUsb usb;
    FakeFtdiChip &chip;
    std::unique_ptr<BusAdapter> adapter;

    explicit Rig(uint16_t product = 0x6010, bool loopback = false, bool openNow = true)
        : chip(usb.plug(product))
    {
        chip.interfaces[0].attach(1, &flash);
        chip.interfaces[1].attach(0, &wire);
        FakeFtdiPort lister(usb);
        adapter = std::make_unique<BusAdapter>(std::make_unique<FtdiBackend>(
            FtdiBackend::scan(FtdiBackend::Settings(), lister).at(0), loopback,
            [this] { return std::make_unique<FakeFtdiPort>(usb); }));
        if (openNow)
            QVERIFY(adapter->open());
    }
    // The port's calls since the last look; only the writes, as "A 80 FA FB".
    QStringList calls() { return std::exchange(usb.calls, {}); }
    QStringList writes() { return calls().filter(" write ").replaceInStrings(" write ", " "); }
    QStringList problems() { return chip.interfaces[0].problems() + chip.interfaces[1].problems(); }
    // The answer as hex, or "failed" and the result.
    QByteArray writeRead(int channel, const QByteArray &outHex, int readCount)
    {
        const QByteArray out = QByteArray::fromHex(outHex);
        QByteArray in(readCount, '\0');
        const int32_t result =
            adapter->writeRead(channel, reinterpret_cast<const uint8_t *>(out.constData()),
                               out.size(), reinterpret_cast<uint8_t *>(in.data()), readCount);
        return result == Ok ? in.toHex() : "failed " + QByteArray::number(result);
    }
};

} // namespace

class TestMpsse : public QObject
{
    Q_OBJECT

private slots:
    void setUpLoopbackAndRefusals();
    void transfers_data();
    void transfers();
    void clockAndBlockTrains_data();
    void clockAndBlockTrains();
    void unpluggedAndBack();
    void idsAndScanOrder();
    void portFailures_data();
    void portFailures();
};

void TestMpsse::setUpLoopbackAndRefusals()
{
    Rig rig(0x6014, true);
    // After the sync (a bad command, AAh, answered FAh AAh): 60 MHz base, no adaptive, no
    // three-phase clocking, loopback on, divisor 0 (30 MHz), SCK low, MOSI high, CS0..CS4
    // high, all but MISO outputs; a pin read to see it done.
    QCOMPARE(rig.calls(), QString("A open 0403:6014 0|A reset|A latency 1|A bitmode 00 00|"
                                  "A bitmode 00 02|A write AA 87|A read 2|"
                                  "A write 8A 97 8D 84 86 00 00 80 FA FB 81 87|A read 1")
                              .split('|'));
    // Nothing on CS3: what comes back went round inside the chip.
    QCOMPARE(rig.adapter->configure(0x30, busConfig(0)), int32_t(Ok));
    QCOMPARE(rig.writeRead(0x30, "A1B2", 2), QByteArray("a1b2"));
    QCOMPARE(rig.adapter->configure(0x30, busConfig(1)), int32_t(Ok));
    QCOMPARE(rig.writeRead(0x30, "A1B2", 2), QByteArray("ffff")); // the filler
    // Refused, with nothing sent: slave mode, a clock below the slowest, SPI2 of a chip with
    // one interface.
    const SpiConfig slave{1, 0, 0, 0, 0, 0, {}, 1000000};
    rig.calls();
    QCOMPARE(rig.adapter->configure(0x00, slave), int32_t(BadConfig));
    QCOMPARE(rig.adapter->configure(0x00, busConfig(1, 0, 0, 0, 457)), int32_t(BadConfig));
    QCOMPARE(rig.adapter->configure(0x01, busConfig(1)), int32_t(BadConfig));
    QCOMPARE(rig.calls(), QStringList());
}

void TestMpsse::transfers_data()
{
    QTest::addColumn<QString>("out");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("in");
    QTest::addColumn<SpiConfig>("config");
    QTest::addColumn<QString>("writes");
    auto row = [](const char *name, const char *out, int channel, const char *in,
                  const SpiConfig &config, const char *writes) {
        QTest::newRow(name) << QString(out) << channel << QString(in) << config << QString(writes);
    };
    // Modes 0 and 3: out on the falling edge (11h), in on the rising one (31h); modes 1 and
    // 2 the reverse (10h, 34h); 08h added for LSB first. CS1 is ADBUS4 (10h), CS2 ADBUS5
    // (20h). The flash takes modes 0 and 3 only: in the others it does not answer.
    row("mode 0", "9F", 0x10, "ef4015", busConfig(1),
        "A 80 EA FB 11 00 00 9F 31 02 00 FF FF FF 80 FA FB 81 87");
    row("mode 1", "9F", 0x10, "ffffff", busConfig(1, 1),
        "A 80 EA FB 10 00 00 9F 34 02 00 FF FF FF 80 FA FB 81 87");
    row("mode 2", "1E", 0x20, "ff", busConfig(1, 2),
        "A 80 DB FB 10 00 00 1E 34 00 00 FF 80 FB FB 81 87");
    row("chip select active high", "9F", 0x10, "ffffff", busConfig(1, 0, 0, 1),
        "A 80 12 FB 11 00 00 9F 31 02 00 FF FF FF 80 02 FB 81 87");
    row("LSB first", "F9", 0x10, "f702a8", busConfig(1, 0, 1),
        "A 80 EA FB 19 00 00 F9 39 02 00 FF FF FF 80 FA FB 81 87");
    row("mode 2, chip select active high", "1E", 0x20, "ff", busConfig(1, 2, 0, 1),
        "A 80 23 FB 10 00 00 1E 34 00 00 FF 80 03 FB 81 87");
    row("mode 3, LSB first", "F9", 0x10, "f702a8", busConfig(1, 3, 1),
        "A 80 EB FB 19 00 00 F9 39 02 00 FF FF FF 80 FB FB 81 87");
    // The read ends before the write: the rest of it goes out alone.
    row("full duplex", "9F0000", 0x10, "ffef", busConfig(0),
        "A 80 EA FB 31 01 00 9F 00 11 00 00 00 80 FA FB 81 87");
    // MOSI becomes an input (direction F9h) while the chip answers on the one data line.
    row("single bus, LSB first", "F9", 0x10, "f702a8", busConfig(3, 0, 1),
        "A 80 EA FB 19 00 00 F9 80 EA F9 28 02 00 80 EA FB 80 FA FB 81 87");
    row("wire on SPI2, mode 1, LSB first", "A1B2", 0x01, "a1b2", busConfig(0, 1, 1),
        "B 80 F2 FB 3C 01 00 A1 B2 80 FA FB 81 87");
}

void TestMpsse::transfers()
{
    QFETCH(QString, out);
    QFETCH(int, channel);
    QFETCH(QString, in);
    QFETCH(SpiConfig, config);
    QFETCH(QString, writes);
    Rig rig;
    QCOMPARE(rig.adapter->configure(channel, config), int32_t(Ok));
    rig.calls();
    QCOMPARE(QString(rig.writeRead(channel, out.toLatin1(), in.size() / 2)), in);
    QCOMPARE(rig.writes(), QStringList(writes));
    QCOMPARE(rig.problems(), QStringList()); // every opcode known, every answer read
}

void TestMpsse::clockAndBlockTrains_data()
{
    QTest::addColumn<int>("hz");
    QTest::addColumn<QString>("divisor");
    QTest::addColumn<int>("intervalUs");
    QTest::addColumn<QString>("pause"); // "|": the second block in a write of its own
    auto row = [](const char *name, int hz, const char *divisor, int intervalUs,
                  const char *pause) {
        QTest::newRow(name) << hz << QString(divisor) << intervalUs << QString(pause);
    };
    // 30 MHz / (divisor + 1), never faster than asked; the pause never shorter.
    row("50 MHz gives 30; 100 us: 375 bytes of clocks", 50000000, "00 00", 100, "8F 76 01 ");
    row("29.999999 MHz gives 15; 10 us: 144 + 6 clocks", 29999999, "01 00", 10, "8F 11 00 8E 05 ");
    row("9 MHz gives 7.5; 3 us: 22.5 clocks rounded up", 9000000, "03 00", 3, "8F 01 00 8E 06 ");
    row("1 MHz; 10 us: 8 + 2 clocks", 1000000, "1D 00", 10, "8F 00 00 8E 01 ");
    // 299970 clocks: 37496 bytes of 8 and 2 more.
    row("30 MHz exactly; 9.999 ms: clocked out", 30000000, "00 00", 9999, "8F 77 92 8E 01 ");
    row("458 Hz, the slowest; 10 ms: timed by the host", 458, "DE FF", 10000, "81 87|A ");
}

void TestMpsse::clockAndBlockTrains()
{
    QFETCH(int, hz);
    QFETCH(QString, divisor);
    QFETCH(int, intervalUs);
    QFETCH(QString, pause);
    Rig rig;
    rig.calls();
    QCOMPARE(rig.adapter->configure(0x00, busConfig(1, 0, 0, 0, hz)), int32_t(Ok));
    const uint8_t data[] = {0x01, 0x02};
    QCOMPARE(rig.adapter->blockWrite(0x00, data, 1, 2, intervalUs), int32_t(Ok));
    // Two one-byte blocks on CS0 (ADBUS3: 08h), every chip select released in between.
    QCOMPARE(rig.writes(), ("A 86 " + divisor + " 80 FA FB 81 87|A 80 F2 FB 11 00 00 01 80 FA FB " +
                            pause + "80 F2 FB 11 00 00 02 80 FA FB 81 87")
                               .split('|'));
    QCOMPARE(rig.problems(), QStringList());
}

void TestMpsse::unpluggedAndBack()
{
    Rig rig;
    QCOMPARE(rig.adapter->configure(0x10, busConfig(1, 3)), int32_t(Ok));
    rig.chip.present = false;
    QCOMPARE(rig.writeRead(0x10, "9F", 3), QByteArray("failed -5"));
    QCOMPARE(rig.writeRead(0x10, "9F", 3), QByteArray("failed -1")); // cannot reopen
    // Refused while away, so not applied when the chip comes back.
    QCOMPARE(rig.adapter->configure(0x10, busConfig(1, 0, 0, 0, 2000000)), int32_t(NotOpen));
    // Plugged back at its power-on state: opened and set up again, in mode 3 at 1 MHz.
    rig.chip.present = true;
    rig.chip.interfaces[0].setBitmode(0x00);
    rig.calls();
    QCOMPARE(rig.writeRead(0x10, "9F", 3), QByteArray("ef4015"));
    QCOMPARE(rig.writes().value(1), QString("A 8A 97 8D 85 86 1D 00 80 FB FB 81 87"));
    // A chip that reset itself answers nothing: a failure after the timeout, and the next
    // transfer sets it up again.
    rig.chip.interfaces[0].setBitmode(0x00);
    QCOMPARE(rig.writeRead(0x10, "9F", 3), QByteArray("failed -5"));
    QCOMPARE(rig.writeRead(0x10, "9F", 3), QByteArray("ef4015"));
}

void TestMpsse::idsAndScanOrder()
{
    // Device indices follow the list of ids, then the order on the bus; unplugged chips are
    // not counted, and an id listed twice finds its chips once.
    FakeUsb usb;
    for (uint16_t product : {0x6014, 0x6010, 0x6014, 0x6014})
        usb.plug(product);
    usb.chips[2].present = false;
    FakeFtdiPort lister(usb);
    std::vector<std::string> problems;
    const FtdiBackend::Settings settings = FtdiBackend::settings(
        {{"ids", "0403:6010,0403:6014,0403:6010"}, {"loopback", "1"}}, &problems);
    QStringList found;
    for (const FtdiBackend::Found &chip : FtdiBackend::scan(settings, lister))
        found.append(QString::asprintf("%04x:%04x %d", chip.vendor, chip.product, chip.index));
    QCOMPARE(found, QStringList({"0403:6010 0", "0403:6014 0", "0403:6014 1"}));
    QVERIFY(problems == std::vector<std::string>{"\"ftdi.loopback=1\" cannot be used; ignored"});
}

void TestMpsse::portFailures_data()
{
    // The port call that fails (as the pretend USB bus records it), when: opening the adapter,
    // or a transfer on the opened one.
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("inTransfer");
    QTest::addColumn<QString>("said");
    const QString where = QStringLiteral("libTELKOR: FTDI 0403:6014 #0 interface A ");
    auto row = [&](const char *name, const char *failing, bool inTransfer, const char *said) {
        QTest::newRow(name) << QString(failing) << inTransfer << where + said + ": fake failure\n";
    };
    row("open", "open", false, "cannot be opened");
    for (const char *call : {"reset", "latency", "bitmode 00 00", "bitmode 00 02"})
        row(call, call, false, "cannot be put into MPSSE mode");
    // The bad command that proves the MPSSE reads us, and its answer.
    row("sync write", "write AA", false, "does not answer as an MPSSE");
    row("sync read", "read 2", false, "does not answer as an MPSSE");
    row("setting up", "write 8A", false, "failed");
    row("transfer write", "write 80 EA", true, "failed");
    row("transfer read", "read 4", true, "failed");
}

void TestMpsse::portFailures()
{
    // Each failure is said once on standard error and fails the call; once the port works
    // again, the next call opens the interface and sets it up afresh.
    QFETCH(QString, failing);
    QFETCH(bool, inTransfer);
    QFETCH(QString, said);
    Rig rig(0x6014, false, inTransfer);
    rig.usb.failing = failing;
    QByteArray answer;
    bool opened = true;
    const QByteArray text = stderrOf([&] {
        if (inTransfer)
            answer = rig.writeRead(0x10, "9F", 3);
        else
            opened = rig.adapter->open();
    });
    QCOMPARE(QString::fromLocal8Bit(text), said);
    QCOMPARE(inTransfer ? answer : QByteArray::number(opened), inTransfer ? "failed -5" : "0");
    QVERIFY(rig.calls().filter(" failed").size() == 1);
    rig.usb.failing.clear();
    if (!inTransfer)
        QVERIFY(rig.adapter->open());
    QCOMPARE(rig.writeRead(0x10, "9F", 3), QByteArray("ef4015"));
    QVERIFY(rig.calls().contains("A open 0403:6014 0"));
}

QTEST_GUILESS_MAIN(TestMpsse)
#include "tst_mpsse.moc"
