// kavris-run's command line without a process: every option alone changes its one field and
// nothing else, the edges of each number, the combinations the window forbids, and the mistakes.

#include "cli/runoptions.h"

#include <QtTest>

class TestRunOptions : public QObject
{
    Q_OBJECT

private slots:
    void options_data();
    void options();
};

void TestRunOptions::options_data()
{
    QTest::addColumn<QString>("arguments");
    // "device channel mode working cpol cpha cs lsb clock|cycles no-delay ascii strict log
    // expect list", or the problem.
    QTest::addColumn<QString>("result");
    const QString tail = QStringLiteral("|1 0 0 0 - - a.list");
    const auto panel = [&](const char *fields) { return QString::fromLatin1(fields) + tail; };
    const auto run = [](const char *fields) {
        return QStringLiteral("0 0x00 1 1 0 0 0 0 50000000|") + QString::fromLatin1(fields);
    };
    // clang-format off
    QTest::newRow("defaults") << "a.list" << panel("0 0x00 1 1 0 0 0 0 50000000");
    QTest::newRow("--device 9") << "--device 9 a.list" << panel("9 0x00 1 1 0 0 0 0 50000000");
    QTest::newRow("--channel SPI1_CS1") << "--channel SPI1_CS1 a.list" << panel("0 0x10 1 1 0 0 0 0 50000000");
    QTest::newRow("--channel spi2_cs0") << "--channel spi2_cs0 a.list" << panel("0 0x01 1 1 0 0 0 0 50000000");
    QTest::newRow("--mode full") << "--mode full a.list" << panel("0 0x00 0 1 0 0 0 0 50000000");
    QTest::newRow("--mode half") << "--mode half a.list" << panel("0 0x00 1 1 0 0 0 0 50000000");
    QTest::newRow("--mode soft-half: its clock") << "--mode soft-half a.list" << panel("0 0x00 2 1 0 0 0 0 100000");
    QTest::newRow("--mode single: its clock") << "--mode single a.list" << panel("0 0x00 3 1 0 0 0 0 100000");
    QTest::newRow("--slave") << "--slave a.list" << panel("0 0x00 1 0 0 0 0 0 50000000");
    QTest::newRow("--cpol") << "--cpol a.list" << panel("0 0x00 1 1 1 0 0 0 50000000");
    QTest::newRow("--cpha") << "--cpha a.list" << panel("0 0x00 1 1 0 1 0 0 50000000");
    QTest::newRow("--cs-high") << "--cs-high a.list" << panel("0 0x00 1 1 0 0 1 0 50000000");
    QTest::newRow("--lsb-first") << "--lsb-first a.list" << panel("0 0x00 1 1 0 0 0 1 50000000");
    QTest::newRow("--clock 1") << "--clock 1 a.list" << panel("0 0x00 1 1 0 0 0 0 1");
    QTest::newRow("--clock int maximum") << "--clock 2147483647 a.list" << panel("0 0x00 1 1 0 0 0 0 2147483647");
    QTest::newRow("--clock in a software mode") << "--mode single --clock 250000 a.list" << panel("0 0x00 3 1 0 0 0 0 250000");
    QTest::newRow("--cycles 0") << "--cycles 0 a.list" << run("0 0 0 0 - - a.list");
    QTest::newRow("--cycles int maximum") << "--cycles 2147483647 a.list" << run("2147483647 0 0 0 - - a.list");
    QTest::newRow("--no-delay") << "--no-delay a.list" << run("1 1 0 0 - - a.list");
    QTest::newRow("--ascii") << "--ascii a.list" << run("1 0 1 0 - - a.list");
    QTest::newRow("--strict") << "--strict a.list" << run("1 0 0 1 - - a.list");
    QTest::newRow("--log") << "--log l.txt a.list" << run("1 0 0 0 l.txt - a.list");
    QTest::newRow("--expect") << "--expect e.txt a.list" << run("1 0 0 0 - e.txt a.list");
    QTest::newRow("everything") << "--device 3 --channel spi2_cs4 --mode full --cpol --cpha --cs-high --lsb-first --clock 250000 --cycles 2 --no-delay --ascii --strict --log l --expect e a.list"
                                << QString("3 0x41 0 1 1 1 1 1 250000|2 1 1 1 l e a.list");
    QTest::newRow("slave on SPI1_CS3") << "--slave --channel SPI1_CS3 a.list" << panel("0 0x30 1 0 0 0 0 0 50000000");
    const QString slave = QStringLiteral("--slave goes with the hardware half-duplex mode, the first clock and chip select active low");
    const QString device = QStringLiteral("--device takes an adapter index from 0 to 9");
    const QString channel = QStringLiteral("--channel takes SPI1_CS0 to SPI1_CS4 or SPI2_CS0 to SPI2_CS4");
    const QString clock = QStringLiteral("--clock takes a number of hertz");
    QTest::newRow("slave in full duplex") << "--slave --mode full a.list" << slave;
    QTest::newRow("slave with a clock") << "--slave --clock 1000 a.list" << slave;
    QTest::newRow("slave with CS high") << "--slave --cs-high a.list" << slave;
    QTest::newRow("device 10") << "--device 10 a.list" << device;
    QTest::newRow("device -1") << "--device -1 a.list" << device;
    QTest::newRow("channel") << "--channel SPI3_CS0 a.list" << channel;
    QTest::newRow("channel CS5") << "--channel SPI1_CS5 a.list" << channel;
    QTest::newRow("mode") << "--mode Full a.list" << QString("--mode takes full, half, soft-half or single");
    QTest::newRow("clock 0") << "--clock 0 a.list" << clock;
    QTest::newRow("clock beyond int") << "--clock 2147483648 a.list" << clock;
    QTest::newRow("clock fast") << "--clock fast a.list" << clock;
    QTest::newRow("cycles -1") << "--cycles -1 a.list" << QString("--cycles takes a number of passes (0 = until interrupted)");
    QTest::newRow("no file") << "--no-delay" << QString("no list file given");
    QTest::newRow("two files") << "a.list b.list" << QString("one list file only");
    QTest::newRow("unknown option") << "--fast a.list" << QString("Unknown option 'fast'.");
    // clang-format on
}

void TestRunOptions::options()
{
    QFETCH(QString, arguments);
    RunOptions options;
    QString problem;
    const bool ok = parseRunOptions(QStringList{"kavris-run"} + arguments.split(QLatin1Char(' ')),
                                    &options, &problem);
    QCOMPARE(ok, problem.isEmpty());
    const PanelSettings &p = options.panel;
    const auto orDash = [](const QString &t) { return t.isEmpty() ? QStringLiteral("-") : t; };
    QTEST(ok ? QString::asprintf("%d 0x%02X %d %d %d %d %d %d %s|%d %d %d %d ", p.device,
                                 p.channelByte(), int(p.controlMode), int(p.role),
                                 int(p.clockPolarity), int(p.clockPhase), int(p.csPolarity),
                                 int(p.bitOrder), qPrintable(p.clockText), options.cycles,
                                 options.skipDelays, options.ascii, options.strict) +
                   orDash(options.logFile) + ' ' + orDash(options.expectFile) + ' ' +
                   options.listFile
             : problem,
          "result");
}

QTEST_GUILESS_MAIN(TestRunOptions)
#include "tst_runoptions.moc"
