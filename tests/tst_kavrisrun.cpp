// kavris-run as a process against our simulated adapter: the README recipes, the log it prints
// and writes, --expect with wildcards, a failing row, bad options and unreadable files, and
// the exit code of each. Its option parsing and the expected-log matcher are tested first,
// without a process.

#include "cli/expectedlog.h"
#include "cli/runoptions.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace
{

struct Run {
    int code;
    QString out;
    QString err;
};

} // namespace

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
    void logFileAndCycles();
    void interruptEndsCleanly();

private:
    Run run(const QStringList &arguments, const QString &config = QStringLiteral("timing=on"));
    QString file(const char *name, const QByteArray &contents);
    QTemporaryDir folder;
};

Run TestKavrisRun::run(const QStringList &arguments, const QString &config)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TELKOR_CONFIG"), config);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"), arguments);
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString TestKavrisRun::file(const char *name, const QByteArray &contents)
{
    const QString path = folder.filePath(QLatin1String(name));
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(contents);
    return path;
}

void TestKavrisRun::options_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("panel"); // device channel mode working cpol cpha cs lsb clock
    QTest::addColumn<QString>("error");
    QTest::newRow("defaults") << "a.list"
                              << "0 0x00 1 1 0 0 0 0 50000000"
                              << "";
    QTest::newRow("everything")
        << "--device 3 --channel spi2_cs4 --mode full --cpol --cpha --cs-high --lsb-first "
           "--clock 250000 a.list"
        << "3 0x41 0 1 1 1 1 1 250000"
        << "";
    QTest::newRow("software mode clock") << "--mode soft-half a.list"
                                         << "0 0x00 2 1 0 0 0 0 100000"
                                         << "";
    QTest::newRow("slave") << "--slave --channel SPI1_CS3 a.list"
                           << "0 0x30 1 0 0 0 0 0 50000000"
                           << "";
    QTest::newRow("slave in full duplex") << "--slave --mode full a.list"
                                          << ""
                                          << "--slave goes with the hardware half-duplex mode, "
                                             "the first clock and chip select active low";
    QTest::newRow("device 10") << "--device 10 a.list"
                               << ""
                               << "--device takes an adapter index from 0 to 9";
    QTest::newRow("channel") << "--channel SPI3_CS0 a.list"
                             << ""
                             << "--channel takes SPI1_CS0 to SPI1_CS4 or SPI2_CS0 to SPI2_CS4";
    QTest::newRow("mode") << "--mode quad a.list"
                          << ""
                          << "--mode takes full, half, soft-half or single";
    QTest::newRow("clock") << "--clock fast a.list"
                           << ""
                           << "--clock takes a number of hertz";
    QTest::newRow("cycles") << "--cycles -1 a.list"
                            << ""
                            << "--cycles takes a number of passes (0 = until interrupted)";
    QTest::newRow("no file") << "--no-delay"
                             << ""
                             << "no list file given";
    QTest::newRow("two files") << "a.list b.list"
                               << ""
                               << "one list file only";
    QTest::newRow("unknown option") << "--fast a.list"
                                    << ""
                                    << "Unknown option 'fast'.";
}

void TestKavrisRun::options()
{
    QFETCH(QString, arguments);
    QFETCH(QString, panel);
    QFETCH(QString, error);
    RunOptions options;
    QString problem;
    const bool ok = parseRunOptions(QStringList{"kavris-run"} + arguments.split(QLatin1Char(' ')),
                                    &options, &problem);
    QCOMPARE(problem, error);
    QCOMPARE(ok, error.isEmpty());
    if (!ok)
        return;
    const PanelSettings &p = options.panel;
    QCOMPARE(QString::asprintf("%d 0x%02X %d %d %d %d %d %d %s", p.device, p.channel, p.controlMode,
                               p.workingMode, p.clockPolarity, p.clockPhase, p.csPolarity,
                               p.shiftDirection, qPrintable(p.clockText)),
             panel);
}

void TestKavrisRun::expectedLines_data()
{
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("actual");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same") << "RX : 01 02 "
                          << "RX : 01 02 " << true;
    QTest::newRow("wildcard") << "RX : XX 02 "
                              << "RX : A1 02 " << true;
    QTest::newRow("lower-case wildcard") << "RX : xx xx "
                                         << "RX : A1 02 " << true;
    QTest::newRow("other byte") << "RX : 00 02 "
                                << "RX : 01 02 " << false;
    QTest::newRow("direction") << "TX : XX "
                               << "RX : 01 " << false;
    QTest::newRow("one byte more") << "RX : XX "
                                   << "RX : 01 02 " << false;
    QTest::newRow("wildcard is no text") << "RX : XX"
                                         << "RX : OK" << false;
    QTest::newRow("text") << "RX : OK"
                          << "RX : OK" << true;
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
                       file("id.expected", "TX : 9F \r\nRX : EF XX XX \r\n")}
        << on << 0 << "TX : 9F \nRX : EF 40 15 \n"
        << "";
    QTest::newRow("expected log longer than the run")
        << QStringList{"--channel", "SPI1_CS2", file("reg.list", "1,写读数据,8F,1,0\n"), "--expect",
                       file("reg.expected", "TX : 8F \nRX : 5A \nTX : A0 \n")}
        << on << 2 << "TX : 8F \nRX : 5A \n"
        << "kavris-run: line 3 differs\n  expected: TX : A0 \n  actual:   (end of the log)\n";
    QTest::newRow("ascii rendering") << QStringList{"--ascii", "--channel", "SPI1_CS2",
                                                    file("ascii.list", "1,写数据,41 42,0,0\n")}
                                     << on << 0 << "TX : AB\n"
                                     << "";
    QTest::newRow("a failing row")
        << QStringList{file("two.list", "1,写数据,01,0,0\n1,写数据,02,0,0\n")}
        << "timing=off;fault.SpiWrite=every:2" << 1 << "TX : 01 \n"
        << QString::fromUtf8("写数据失败！\n");
    QTest::newRow("no adapter") << QStringList{file("one.list", "1,写数据,01,0,0\n")}
                                << "timing=off;adapters=0" << 1 << ""
                                << QString::fromUtf8("无设备连接！\n");
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

void TestKavrisRun::logFileAndCycles()
{
    const QString log = folder.filePath(QStringLiteral("run.txt"));
    const Run result = run({"--cycles", "3", "--no-delay", "--log", log,
                            file("loop.list", "1,写数据,0A,0,5000\n0,写数据,0B,0,0\n")},
                           QStringLiteral("timing=off"));
    QCOMPARE(result.code, 0);
    QFile saved(log);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("TX : 0A \nTX : 0A \nTX : 0A \n"));
    QVERIFY(run({"--help"}).out.contains(QLatin1String("Exit codes: 0 success")));
}

void TestKavrisRun::interruptEndsCleanly()
{
    // --cycles 0 runs until Ctrl+C, which lets the pass under way finish.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TELKOR_CONFIG"), QStringLiteral("timing=off"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"),
                  {"--cycles", "0", file("forever.list", "1,写数据,0A,0,20\n1,写数据,0B,0,20\n")});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY(process.bytesAvailable() > 0 || process.state() != QProcess::Running);
    ::kill(process.processId(), SIGINT);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.size() % 2, 0); // whole passes only
    QCOMPARE(lines.last(), QStringLiteral("TX : 0B "));
}

QTEST_GUILESS_MAIN(TestKavrisRun)
#include "tst_kavrisrun.moc"
