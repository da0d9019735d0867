// kavris-run as a process against our simulated adapter: the README recipe, --expect, a failing
// row, bad options and files, and the exit code of each; its option parsing without a process.

#include "cli/expectedlog.h"
#include "cli/runoptions.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TestKavrisRun : public QObject
{
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void expectedLines_data();
    void expectedLines();
    void runs_data();
    void runs();
    void cyclesAndLog();
    void timesAndExports();

private:
    struct Run {
        int code;
        QString out, err;
    };
    // Sends Ctrl+C when `interrupt` once the first output is there.
    Run run(const QStringList &arguments, const QString &config = QStringLiteral("timing=on"),
            bool interrupt = false);
    QString file(const char *name, const QByteArray &contents);
    QTemporaryDir folder;
};

TestKavrisRun::Run TestKavrisRun::run(const QStringList &arguments, const QString &config,
                                      bool interrupt)
{
    QProcess process;
    qputenv("TELKOR_CONFIG", config.toUtf8());
    process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"), arguments);
    if (interrupt && process.waitForReadyRead(5000))
        ::kill(process.processId(), SIGINT);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString TestKavrisRun::file(const char *name, const QByteArray &contents)
{
    QFile out(folder.filePath(QLatin1String(name)));
    out.open(QIODevice::WriteOnly);
    out.write(contents);
    return out.fileName();
}

void TestKavrisRun::options_data()
{
    QTest::addColumn<QString>("arguments");
    // The panel as "device channel mode working cpol cpha cs lsb clock", or the problem.
    QTest::addColumn<QString>("result");
    QTest::newRow("defaults") << "a.list" << QString("0 0x00 1 1 0 0 0 0 50000000");
    QTest::newRow("everything") << "--device 3 --channel spi2_cs4 --mode full --cpol --cpha "
                                   "--cs-high --lsb-first --clock 250000 a.list"
                                << QString("3 0x41 0 1 1 1 1 1 250000");
    QTest::newRow("software mode clock")
        << "--mode soft-half a.list" << QString("0 0x00 2 1 0 0 0 0 100000");
    QTest::newRow("slave") << "--slave --channel SPI1_CS3 a.list"
                           << QString("0 0x30 1 0 0 0 0 0 50000000");
    QTest::newRow("slave in full duplex")
        << "--slave --mode full a.list"
        << QString("--slave goes with the hardware half-duplex mode, the first clock and chip "
                   "select active low");
    QTest::newRow("device 10") << "--device 10 a.list"
                               << QString("--device takes an adapter index from 0 to 9");
    QTest::newRow("channel") << "--channel SPI3_CS0 a.list"
                             << QString(
                                    "--channel takes SPI1_CS0 to SPI1_CS4 or SPI2_CS0 to SPI2_CS4");
    QTest::newRow("clock") << "--clock fast a.list" << QString("--clock takes a number of hertz");
    QTest::newRow("cycles") << "--cycles -1 a.list"
                            << QString("--cycles takes a number of passes (0 = until interrupted)");
    QTest::newRow("no file") << "--no-delay" << QString("no list file given");
    QTest::newRow("two files") << "a.list b.list" << QString("one list file only");
    QTest::newRow("unknown option") << "--fast a.list" << QString("Unknown option 'fast'.");
}

void TestKavrisRun::options()
{
    QFETCH(QString, arguments);
    QFETCH(QString, result);
    RunOptions options;
    QString problem;
    const bool ok = parseRunOptions(QStringList{"kavris-run"} + arguments.split(QLatin1Char(' ')),
                                    &options, &problem);
    QCOMPARE(ok, problem.isEmpty());
    const PanelSettings &p = options.panel;
    QCOMPARE(ok ? QString::asprintf("%d 0x%02X %d %d %d %d %d %d %s", p.device, p.channelByte(),
                                    int(p.controlMode), int(p.role), int(p.clockPolarity),
                                    int(p.clockPhase), int(p.csPolarity), int(p.bitOrder),
                                    qPrintable(p.clockText))
                : problem,
             result);
}

void TestKavrisRun::expectedLines_data()
{
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("actual");
    QTest::addColumn<bool>("matches");
    QTest::newRow("direction") << "TX : XX " << QString("RX : 01 ") << false;
    QTest::newRow("one byte more") << "RX : XX " << QString("RX : 01 02 ") << false;
    QTest::newRow("wildcard is no text") << "RX : XX" << QString("RX : OK") << false;
}

void TestKavrisRun::expectedLines()
{
    QFETCH(QString, expected);
    QFETCH(QString, actual);
    QFETCH(bool, matches);
    QCOMPARE(ExpectedLog::lineMatches(expected, actual), matches);
}

void TestKavrisRun::runs_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString flash = QStringLiteral(KAVRIS_SOURCE_DIR "/examples/flash-page.list");
    const QString expected = QStringLiteral(KAVRIS_SOURCE_DIR "/examples/flash-page.expected");
    const QString page = QStringLiteral("TX : 06 \nTX : 20 00 00 00 \nTX : 05 \nRX : 00 \n"
                                        "TX : 06 \nTX : 02 00 01 00 DE AD BE EF \nTX : 05 \n"
                                        "RX : 00 \nTX : 03 00 01 00 \nRX : DE AD BE EF \n");
    const QString on = QStringLiteral("timing=on");
    QTest::newRow("flash page, as the README runs it")
        << QStringList{"--channel", "SPI1_CS1", flash, "--expect", expected} << on << 0 << page
        << "";
    QTest::newRow("flash page on the wrong chip")
        << QStringList{"--channel", "SPI1_CS2", flash, "--expect", expected} << on << 2
        << "TX : 06 \nTX : 20 00 00 00 \nTX : 05 \nRX : FF \n"
        << "kavris-run: line 4 differs\n  expected: RX : 00 \n  actual:   RX : FF \n";
    QTest::newRow("wildcards and the JEDEC id")
        << QStringList{"--channel", "SPI1_CS1", file("id.list", "1,写读数据,9F,3,0\n"), "--expect",
                       file("id.expected", "TX : 9F \r\nRX : EF xx XX \r\n")}
        << on << 0 << "TX : 9F \nRX : EF 40 15 \n"
        << "";
    QTest::newRow("a failing row")
        << QStringList{file("two.list", "1,写数据,01,0,0\n1,写数据,02,0,0\n")}
        << "timing=off;fault.SpiWrite=every:2" << 1 << "TX : 01 \n"
        << QString::fromUtf8("写数据失败！\n");
    QTest::newRow("unrecognised operation, row not run")
        << QStringList{file("typo.list", "1,写入数据,01,0,0\n1,读数据,,1,0\n")} << "timing=off" << 0
        << "RX : FF \n"
        << QString::fromUtf8("kavris-run: 列表文件中以下行的操作类型无法识别，已载入为未选中行："
                             "第1行“写入数据”。请检查后再执行！\n");
    QTest::newRow("unreadable list")
        << QStringList{folder.filePath("missing.list")} << on << 3 << ""
        << "kavris-run: cannot read " + folder.filePath("missing.list") + "\n";
    QTest::newRow("bad option") << QStringList{"--mode", "x", flash} << on << 3 << ""
                                << "kavris-run: --mode takes full, half, soft-half or single\n"
                                   "Try 'kavris-run --help'.\n";
}

void TestKavrisRun::runs()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, config);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run result = run(arguments, config);
    QCOMPARE(result.out, out);
    QCOMPARE(result.err, err);
    QCOMPARE(result.code, code);
}

void TestKavrisRun::cyclesAndLog()
{
    const QString log = folder.filePath(QStringLiteral("run.txt"));
    Run result = run({"--cycles", "3", "--no-delay", "--log", log,
                      file("loop.list", "1,写数据,0A,0,5000\n0,写数据,0B,0,0\n")},
                     QStringLiteral("timing=off"));
    QCOMPARE(result.code, 0);
    QFile saved(log);
    saved.open(QIODevice::ReadOnly);
    QCOMPARE(saved.readAll(), QByteArray("TX : 0A \nTX : 0A \nTX : 0A \n"));
    // --cycles 0 runs until Ctrl+C, which lets the pass under way finish.
    result = run({"--cycles", "0", file("forever.list", "1,写数据,0A,0,20\n1,写数据,0B,0,20\n")},
                 QStringLiteral("timing=off"), true);
    QCOMPARE(result.code, 0);
    QVERIFY2(QRegularExpression("^(TX : 0A \nTX : 0B \n)+$").match(result.out).hasMatch(),
             qPrintable(result.out));
    QVERIFY(run({"--help"}).out.contains(QLatin1String("Exit codes: 0 success")));
}

void TestKavrisRun::timesAndExports()
{
    const QString log = folder.filePath(QStringLiteral("times.txt"));
    const QString csv = folder.filePath(QStringLiteral("run.csv"));
    const QString vcd = folder.filePath(QStringLiteral("run.vcd"));
    const QString list = file("jedec.list", "1,写读数据,9F,3,0\n");
    Run result = run(
        {"--channel", "SPI1_CS1", "--timestamps", "--log", log, "--csv", csv, "--vcd", vcd, list},
        QStringLiteral("timing=off"));
    QCOMPARE(result.err, QString());
    QCOMPARE(result.code, 0);
    // Both entries of the transfer carry its time and duration.
    const QRegularExpression lines(QString::fromUtf8(
        "^1 (\\d\\d:\\d\\d:\\d\\d\\.\\d{6} \\+\\d+µs) TX : 9F \n2 \\1 RX : EF 40 15 \n$"));
    QVERIFY2(lines.match(result.out).hasMatch(), qPrintable(result.out));
    QFile text(log), table(csv), dump(vcd);
    QVERIFY(text.open(QIODevice::ReadOnly) && table.open(QIODevice::ReadOnly) &&
            dump.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(text.readAll()), result.out);
    const QList<QByteArray> rows = table.readAll().split('\n');
    QCOMPARE(rows.size(), 4); // header, two entries, nothing after the last CR LF
    QVERIFY(rows[0].startsWith("index,time,duration_us,direction,call,"));
    QVERIFY2(rows[1].startsWith("1,") &&
                 rows[1].contains(",TX,SpiWriteRead,0,SPI1_CS1,half-duplex,master,0,0,"
                                  "msb-first,active-low,50000000,0,9F,\xEF\xBF\xBD\r"),
             rows[1].constData());
    QVERIFY2(rows[2].startsWith("2,") && rows[2].contains(",RX,") &&
                 rows[2].endsWith(",EF 40 15,\xEF\xBF\xBD@\x15\r"),
             rows[2].constData());
    // The transfer at 50 MHz, half-duplex: 9F, then three bytes read under one assertion.
    const QByteArray vcdText = dump.readAll();
    QVERIFY(vcdText.startsWith(
        "$version KAVRIS $end\n$comment KAVRIS traffic log: every transfer on one time axis"));
    QVERIFY(vcdText.contains("$timescale 1 ns $end"));
    QCOMPARE(vcdText.count("\n0c\n"), 1); // one assertion
    QCOMPARE(vcdText.count("\n1k\n"), 32);  // 32 clocks
    // Without --timestamps the lines are as before; a file that cannot be written fails.
    result = run({"--channel", "SPI1_CS1", "--csv", folder.filePath("no/such/run.csv"), list},
                 QStringLiteral("timing=off"));
    QCOMPARE(result.out, QStringLiteral("TX : 9F \nRX : EF 40 15 \n"));
    QCOMPARE(result.err, "kavris-run: cannot write " + folder.filePath("no/such/run.csv") + "\n");
    QCOMPARE(result.code, 3);
}

QTEST_GUILESS_MAIN(TestKavrisRun)
#include "tst_kavrisrun.moc"
