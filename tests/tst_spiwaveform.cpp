// The bus as a timing diagram: which frames a transfer's echoes make, the edges of each wire
// in every clock mode, bit order and chip-select polarity, and our VCD files decoded by
// sigrok's SPI decoder.

#include "bus/vcdwriter.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// "0/1/2/3" for CPOL and CPHA as SPI modes, then "lsb" and "cs-high" flags, "full" duplex.
TransferOutcome outcome(TransferCall call, const QString &settings, int hz, int intervalUs = 0)
{
    TransferOutcome made;
    made.context.call = call;
    SpiConfig &config = made.context.config;
    config.master = 1;
    config.controlMode = settings.contains(QLatin1String("full")) ? 0 : 1;
    const int mode = settings.left(1).toInt();
    config.clockPolarity = mode >> 1;
    config.clockPhase = mode & 1;
    config.lsbFirst = settings.contains(QLatin1String("lsb"));
    config.csPolarity = settings.contains(QLatin1String("cs-high"));
    config.clockHz = hz;
    made.context.intervalUs = intervalUs;
    return made;
}

// Echoes "T9F01" (sent) and "REF40" (received), in order.
void echo(TransferOutcome &made, const QStringList &echoes)
{
    for (const QString &e : echoes) {
        const QByteArray bytes = QByteArray::fromHex(e.mid(1).toLatin1());
        QByteArray &buffer = e.startsWith(QLatin1Char('T')) ? made.sent : made.received;
        const int offset = buffer.size();
        buffer += bytes;
        e.startsWith(QLatin1Char('T')) ? made.echoSent(offset, bytes.size())
                                       : made.echoReceived(offset, bytes.size());
    }
}

// Each frame as "mosi/miso/written,readFrom+read@firstEcho".
QStringList frames(const SpiTransfer &transfer)
{
    QStringList out;
    for (const SpiFrame &f : transfer.frames)
        out << QString::asprintf("%s/%s/%d,%d+%d@%d", f.mosi.toHex().toUpper().constData(),
                                 f.miso.toHex().toUpper().constData(), f.written, f.readFrom,
                                 f.read, f.firstEcho);
    return out;
}

// A wire as its first level and its toggles in microseconds; SCK, regular, as its count and
// its first and last toggle.
QString describe(const SpiWaveform &wave)
{
    QStringList parts;
    const char *names[] = {"cs", "sck", "mosi", "miso"};
    for (int s = 0; s < SpiWaveform::SignalCount; ++s) {
        const SpiWaveform::Trace &trace = wave.trace(SpiWaveform::Signal(s));
        QStringList times;
        for (const qint64 t : trace.edges)
            times << QString::number(t / 1e6);
        if (s == SpiWaveform::Sck && times.size() > 2)
            times =
                QStringList{QStringLiteral("x%1").arg(times.size()), times.first(), times.last()};
        parts << QString::asprintf("%s %d ", names[s], trace.initial) +
                     times.join(QLatin1Char(','));
    }
    return parts.join(QLatin1String(" | "));
}

} // namespace

class TestSpiWaveform : public QObject
{
    Q_OBJECT

private slots:
    void transfers_data();
    void transfers();
    void sigrokDecodesOurVcd_data();
    void sigrokDecodesOurVcd();
    void vcdHeaderAndUnits();
};

void TestSpiWaveform::transfers_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("echoes");
    QTest::addColumn<QString>("expected"); // the frames, or the wires ("cs ...")
    QTest::addColumn<int>("intervalUs");
    QTest::addColumn<int>("drawable");
    const auto row = [](const char *name, TransferCall call, const char *settings,
                        const QStringList &echoes, const char *expected, int intervalUs = 0,
                        SpiTransfer::Drawable drawable = SpiTransfer::Drawable::Yes) {
        QTest::newRow(name) << int(call) << settings << echoes << expected << intervalUs
                            << int(drawable);
    };
    using C = TransferCall;
    using D = SpiTransfer::Drawable;
    // clang-format off
    row("write", C::Write, "0", {"T0602"}, "0602/FFFF/2,0+0@0");
    row("read, filler out", C::Read, "0", {"R5A"}, "FF/5A/0,0+1@0");
    row("half-duplex write, then read", C::WriteRead, "0", {"T9F", "REF4015"}, "9FFFFFFF/FFEF4015/1,1+3@0");
    row("full duplex: both at once, the shorter filled", C::WriteRead, "0 full", {"T0102", "RA1B2C3"}, "0102FF/A1B2C3/2,0+3@0");
    row("full-duplex write reads nothing", C::Write, "0 full", {"T01"}, "01/FF/1,0+0@0");
    row("block write: a frame a block", C::BlockWrite, "0", {"T01", "T02"}, "01/FF/1,0+0@0 02/FF/1,0+0@1");
    row("block read", C::BlockRead, "0", {"R0A", "R0B"}, "FF/0A/0,0+1@0 FF/0B/0,0+1@1");
    row("block write-read, alternating echoes", C::BlockWriteRead, "0", {"T01", "R0A0B", "T02", "R0C0D"}, "01FFFF/FF0A0B/1,1+2@0 02FFFF/FF0C0D/1,1+2@2");
    row("block write in full duplex: writes, then reads", C::BlockWriteRead, "0 full", {"T01", "T02", "R0A", "R0B"}, "01/0A/1,0+1@0 02/0B/1,0+1@1");
    row("empty read block", C::BlockWriteRead, "0", {"T01", "R"}, "01/FF/1,0+0@0");
    row("no settings", C::None, "0", {"T01"}, "", 0, D::NoSettings);
    row("slave", C::SlaveRead, "0", {"R01"}, "", 0, D::Slave);
    row("nothing clocked", C::Write, "0", {"T"}, "//0,0+0@0", 0, D::Empty);
    // 1 MHz: a period is 1 us. CS active at 1 us, bits from 1.5 us, edges every 0.5 us.
    // A5 = 1010 0101.
    row("mode 0: bits put at the period's start, CS low", C::Write, "0", {"TA5"}, "cs 1 1,10 | sck 0 x16,2,9.5 | mosi 1 2.5,3.5,4.5,6.5,7.5,8.5 | miso 1 ");
    row("mode 1: put at the leading edge", C::Write, "1", {"TA5"}, "cs 1 1,10 | sck 0 x16,2,9.5 | mosi 1 3,4,5,7,8,9 | miso 1 ");
    row("mode 2: clock idles high", C::Write, "2", {"TA5"}, "cs 1 1,10 | sck 1 x16,2,9.5 | mosi 1 2.5,3.5,4.5,6.5,7.5,8.5 | miso 1 ");
    row("mode 3", C::Write, "3", {"TA5"}, "cs 1 1,10 | sck 1 x16,2,9.5 | mosi 1 3,4,5,7,8,9 | miso 1 ");
    // 13 = 0001 0011: least significant first 1,1,0,0,1,0,0,0; MOSI idles high again after.
    row("lsb first", C::Write, "0 lsb", {"T13"}, "cs 1 1,10 | sck 0 x16,2,9.5 | mosi 1 3.5,5.5,6.5,10 | miso 1 ");
    row("msb first, same byte", C::Write, "0", {"T13"}, "cs 1 1,10 | sck 0 x16,2,9.5 | mosi 1 1.5,4.5,5.5,7.5 | miso 1 ");
    row("chip select active high", C::Write, "0 cs-high", {"TFF"}, "cs 0 1,10 | sck 0 x16,2,9.5 | mosi 1  | miso 1 ");
    // The read follows the write within one assertion; MISO 7F: its first bit low.
    row("write then read under one assertion", C::WriteRead, "0", {"TFF", "R7F"}, "cs 1 1,18 | sck 0 x32,2,17.5 | mosi 1  | miso 1 9.5,10.5");
    // Two blocks, 5 us apart: CS high from 10 to 15 us.
    row("a train's pause", C::BlockWrite, "0", {"TFF", "T7F"}, "cs 1 1,10,15,24 | sck 0 x32,2,23.5 | mosi 1 15.5,16.5 | miso 1 ", 5);
    row("no pause: still a period", C::BlockWrite, "0", {"TFF", "TFF"}, "cs 1 1,10,11,20 | sck 0 x32,2,19.5 | mosi 1  | miso 1 ");
    // clang-format on
}

void TestSpiWaveform::transfers()
{
    QFETCH(int, call);
    QFETCH(QString, settings);
    QFETCH(QStringList, echoes);
    QFETCH(QString, expected);
    QFETCH(int, intervalUs);
    TransferOutcome made = outcome(TransferCall(call), settings, 1000000, intervalUs);
    echo(made, echoes);
    const SpiTransfer transfer = SpiTransfer::fromOutcome(made);
    QTEST(int(transfer.drawable()), "drawable");
    if (expected.startsWith(QLatin1String("cs "))) {
        const SpiWaveform wave(transfer);
        QCOMPARE(describe(wave), expected);
        QCOMPARE(wave.end() - wave.trace(SpiWaveform::Cs).edges.back(), qint64(1000000));
    } else {
        QCOMPARE(frames(transfer).join(QLatin1Char(' ')), expected);
    }
}

void TestSpiWaveform::sigrokDecodesOurVcd_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("decoder");
    QTest::addColumn<int>("hz");
    for (int mode = 0; mode < 4; ++mode)
        for (const bool lsb : {false, true})
            for (const bool high : {false, true}) {
                const char *order = lsb ? "lsb-first" : "msb-first";
                const char *cs = high ? "active-high" : "active-low";
                QTest::addRow("mode %d, %s, cs %s", mode, order, cs)
                    << QString::asprintf("%d%s%s", mode, lsb ? " lsb" : "", high ? " cs-high" : "")
                    << QString::asprintf("cpol=%d:cpha=%d:bitorder=%s:cs_polarity=%s", mode >> 1,
                                         mode & 1, order, cs)
                    << (mode == 1 ? 390450 : 50000000 >> mode);
            }
    QTest::newRow("full duplex") << "3 full"
                                 << "cpol=1:cpha=1" << 1000000;
}

void TestSpiWaveform::sigrokDecodesOurVcd()
{
    QFETCH(QString, settings);
    QFETCH(QString, decoder);
    QFETCH(int, hz);
    const QString sigrok = QStandardPaths::findExecutable(QStringLiteral("sigrok-cli"));
    if (sigrok.isEmpty())
        QFAIL("sigrok-cli is missing (Debian package sigrok-cli; scripts/test.sh installs it)");
    TransferOutcome made = outcome(TransferCall::BlockWriteRead, settings, hz, 3);
    echo(made, {"T9F0102", "REF4015", "TA5B6C7", "RC30F"});
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("bus.vcd")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    VcdWriter writer(file, hz);
    QVERIFY(writer.begin({QStringLiteral("KAVRIS test")}));
    QVERIFY(writer.add(SpiWaveform(SpiTransfer::fromOutcome(made))));
    QVERIFY(writer.finish());
    file.close();
    QProcess process;
    process.start(sigrok, {"-I", "vcd", "-i", file.fileName(), "-P",
                           "spi:clk=sck:mosi=mosi:miso=miso:cs=cs:" + decoder, "-A",
                           "spi=mosi-transfer:miso-transfer"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.readAllStandardError(), QByteArray());
    // Each assertion once for MISO, once for MOSI: the bytes written, the filler the master
    // clocks out while it reads, and the bytes read.
    const QByteArray expected =
        settings.contains(QLatin1String("full"))
            ? "spi-1: EF 40 15\nspi-1: 9F 01 02\nspi-1: C3 0F FF\nspi-1: A5 B6 C7\n"
            : "spi-1: FF FF FF EF 40 15\nspi-1: 9F 01 02 FF FF FF\n"
              "spi-1: FF FF FF C3 0F\nspi-1: A5 B6 C7 FF FF\n";
    QCOMPARE(process.readAllStandardOutput(), expected);
}

void TestSpiWaveform::vcdHeaderAndUnits()
{
    TransferOutcome made = outcome(TransferCall::Write, "1 cs-high", 1000000);
    echo(made, {"T80"});
    QBuffer first, second;
    first.open(QIODevice::WriteOnly);
    VcdWriter writer(first, 1000000); // a half period of 500 ns: units of 10 ns
    QCOMPARE(writer.unitPs(), qint64(10000));
    QVERIFY(writer.begin({QStringLiteral("SPI1_CS1 $end")}));
    QVERIFY(writer.add(SpiWaveform(SpiTransfer::fromOutcome(made))));
    // A second waveform with other idle levels takes them when it starts.
    TransferOutcome other = outcome(TransferCall::Write, "3", 1000000);
    echo(other, {"T00"});
    QVERIFY(writer.add(SpiWaveform(SpiTransfer::fromOutcome(other), 20000000)));
    QVERIFY(writer.finish());
    QCOMPARE(first.data(),
             QByteArray("$version KAVRIS $end\n$comment SPI1_CS1 $ end $end\n"
                        "$timescale 10 ns $end\n$scope module spi $end\n"
                        "$var wire 1 c cs $end\n$var wire 1 k sck $end\n"
                        "$var wire 1 o mosi $end\n$var wire 1 i miso $end\n"
                        "$upscope $end\n$enddefinitions $end\n"
                        "#0\n$dumpvars\n0c\n0k\n1o\n1i\n$end\n"
                        "#100\n1c\n#200\n1k\n#250\n0k\n#300\n1k\n0o\n#350\n0k\n#400\n1k\n"
                        "#450\n0k\n#500\n1k\n#550\n0k\n#600\n1k\n#650\n0k\n#700\n1k\n#750\n0k\n"
                        "#800\n1k\n#850\n0k\n#900\n1k\n#950\n0k\n#1000\n0c\n1o\n"
                        "#2000\n1c\n1k\n#2100\n0c\n#2200\n0k\n0o\n#2250\n1k\n#2300\n0k\n"
                        "#2350\n1k\n#2400\n0k\n#2450\n1k\n#2500\n0k\n#2550\n1k\n#2600\n0k\n"
                        "#2650\n1k\n#2700\n0k\n#2750\n1k\n#2800\n0k\n#2850\n1k\n#2900\n0k\n"
                        "#2950\n1k\n#3000\n1c\n1o\n#3100\n"));
    QCOMPARE(VcdWriter(second, 100).unitPs(), qint64(1000000)); // never beyond 1 us
    QCOMPARE(VcdWriter::unitText(100000), QStringLiteral("100 ns"));
}

QTEST_MAIN(TestSpiWaveform)
#include "tst_spiwaveform.moc"
