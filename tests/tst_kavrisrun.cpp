// kavris-run as a process against our simulated adapter: the README recipe, --expect, a failing
// row, bad options and files, lists refused before anything is sent, runs cut short by a
// signal, standard output that cannot be written, and the exit code of each.

#include "cli/expectedlog.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TestKavrisRun : public QObject
{
    Q_OBJECT

private slots:
    void expectedLines_data();
    void expectedLines();
    void expectedEnds();
    void runs_data();
    void runs();
    void timesAndExports();

private:
    struct Run {
        int code;
        QString out, err;
    };
    // Sends each of `interrupts` once the first output is there, or, negated, half a second after
    // the start or the signal before. Standard output goes to `output` when given, or is closed
    // for "closed".
    Run run(const QStringList &arguments, const QString &config = QStringLiteral("timing=on"),
            const QVector<int> &interrupts = {}, const QString &output = QString());
    QString file(const char *name, const QByteArray &contents);
    QTemporaryDir folder;
};

TestKavrisRun::Run TestKavrisRun::run(const QStringList &arguments, const QString &config,
                                      const QVector<int> &interrupts, const QString &output)
{
    QProcess process;
    qputenv("TELKOR_CONFIG", config.toUtf8());
    const QString program = QStringLiteral(KAVRIS_BIN_DIR "/kavris-run");
    if (output == QLatin1String("closed")) {
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{"-c", "exec \"$0\" \"$@\" >&-", program} + arguments);
    } else {
        if (!output.isEmpty())
            process.setStandardOutputFile(output);
        process.start(program, arguments);
    }
    // A signal sent while a call runs, before any output, must end the run at once.
    for (const int signal : interrupts) {
        if (signal > 0 ? !process.waitForReadyRead(5000) : process.waitForFinished(500))
            break;
        ::kill(process.processId(), qAbs(signal));
    }
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

void TestKavrisRun::expectedLines_data()
{
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("actual");
    QTest::addColumn<bool>("matches");
    // clang-format off
    QTest::newRow("direction") << "TX : XX " << QString("RX : 01 ") << false;
    QTest::newRow("one byte more") << "RX : XX " << QString("RX : 01 02 ") << false;
    QTest::newRow("wildcard is no text") << "RX : XX" << QString("RX : OK") << false;
    QTest::newRow("wildcard, lower case, sent bytes") << "TX : xx 02 " << QString("TX : 9F 02 ") << true;
    QTest::newRow("wildcard beside a byte that differs") << "RX : XX 02 " << QString("RX : 9F 03 ") << false;
    QTest::newRow("wildcard is no non-hex byte") << "RX : XX " << QString("RX : 0G ") << false;
    QTest::newRow("no wildcard for the direction") << "XX : 01 " << QString("RX : 01 ") << false;
    QTest::newRow("a text line, exactly") << "RX : hello" << QString("RX : hello") << true;
    // clang-format on
}

void TestKavrisRun::expectedLines()
{
    QFETCH(QString, expected);
    QFETCH(QString, actual);
    QTEST(ExpectedLog::lineMatches(expected, actual), "matches");
}

void TestKavrisRun::expectedEnds()
{
    // CR LF and LF alike, no extra line for the last line end; the first difference named.
    ExpectedLog expected("TX : 01 \r\nRX : XX \nTX : 02 \r\n");
    QCOMPARE(expected.lineCount(), 3);
    QString problem;
    QVERIFY(expected.matchNext("TX : 01 ", &problem));
    QVERIFY(expected.matchNext("RX : 5A ", &problem));
    QVERIFY(!expected.matchEnd(&problem));
    QCOMPARE(problem,
             QString("line 3 differs\n  expected: TX : 02 \n  actual:   (end of the log)"));
    QVERIFY(expected.matchNext("TX : 02 ", &problem));
    QVERIFY(expected.matchEnd(&problem));
    QVERIFY(!expected.matchNext("TX : 03 ", &problem));
    QCOMPARE(problem, QString("line 4 differs\n  expected: (end of the expected log)\n  actual:   "
                              "TX : 03 "));
}

void TestKavrisRun::runs_data()
{
    QTest::addColumn<QStringList>("arguments"); // LOG stands for the --log file
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QByteArray>("log");          // with LOG among the arguments; "<missing>": none
    QTest::addColumn<QVector<int>>("interrupts"); // as run() sends them
    QTest::addColumn<QString>("output");          // standard output: a file, "closed", or read here
    const auto row = [](const char *name, const QStringList &arguments, const QString &config,
                        int code, const QString &out, const QString &err,
                        const QByteArray &log = QByteArray(), const QVector<int> &interrupts = {},
                        const QString &output = QString()) {
        QTest::newRow(name) << arguments << config << code << out << err << log << interrupts
                            << output;
    };
    const QString flash = QStringLiteral(KAVRIS_SOURCE_DIR "/examples/flash-page.list");
    const QString expected = QStringLiteral(KAVRIS_SOURCE_DIR "/examples/flash-page.expected");
    const QString page = QStringLiteral("TX : 06 \nTX : 20 00 00 00 \nTX : 05 \nRX : 00 \n"
                                        "TX : 06 \nTX : 02 00 01 00 DE AD BE EF \nTX : 05 \n"
                                        "RX : 00 \nTX : 03 00 01 00 \nRX : DE AD BE EF \n");
    const QString on = QStringLiteral("timing=on"), off = QStringLiteral("timing=off");
    const QString typo = file("typo.list", "1,读数据,,1,0\n1,写入数据,01,0,0\n");
    const QString one = file("one.list", "1,写数据,01,0,0\n");
    const QString cycle = file("cycle.list", "1,写数据,0A,0,1500\n1,写数据,0B,0,0\n");
    // The first row's call takes 16 s (four bytes at 2 Hz).
    const QStringList slow{"--channel", "SPI1_CS1", "--clock", "2",
                           file("long.list", "1,写读数据,9F,3,0\n")};
    // clang-format off
    row("flash page, as the README runs it", {"--channel", "SPI1_CS1", flash, "--expect", expected}, on, 0, page, "");
    row("flash page on the wrong chip", {"--channel", "SPI1_CS2", flash, "--expect", expected}, on, 2, "TX : 06 \nTX : 20 00 00 00 \nTX : 05 \nRX : FF \n", "kavris-run: line 4 differs\n  expected: RX : 00 \n  actual:   RX : FF \n");
    row("wildcards and the JEDEC id", {"--channel", "SPI1_CS1", file("id.list", "1,写读数据,9F,3,0\n"), "--expect", file("id.expected", "TX : 9F \r\nRX : EF xx XX \r\n")}, on, 0, "TX : 9F \nRX : EF 40 15 \n", "");
    row("a failing row", {file("two.list", "1,写数据,01,0,0\n1,写数据,02,0,0\n")}, "timing=off;fault.SpiWrite=every:2", 1, "TX : 01 \n", QString::fromUtf8("写数据失败！\n"));
    row("unrecognised operation: refused, nothing sent", {typo}, off, 3, "", QString::fromUtf8("kavris-run: 列表文件中以下行的操作类型无法识别，已载入为未选中行：第2行“写入数据”。请检查后再执行！\nkavris-run: ") + typo + ": refused, nothing sent\n");
    row("adapter 3 of 1", {"--device", "3", one}, off, 1, "", QString::fromUtf8("打开设备失败！\n") + "kavris-run: adapter 3 not found: 1 adapter attached (0)\n");
    row("adapter 1 of 2", {"--device", "1", one}, "timing=off;adapters=2", 0, "TX : 01 \n", "");
    row("unreadable list", {folder.filePath("missing.list")}, on, 3, "", "kavris-run: cannot read " + folder.filePath("missing.list") + "\n");
    row("bad option", {"--mode", "x", flash}, on, 3, "", "kavris-run: --mode takes full, half, soft-half or single\nTry 'kavris-run --help'.\n");
    row("cycles without delays, an unchecked row", {"--cycles", "3", "--no-delay", "--log", "LOG", file("loop.list", "1,写数据,0A,0,5000\n0,写数据,0B,0,0\n")}, off, 0, "TX : 0A \nTX : 0A \nTX : 0A \n", "", "TX : 0A \nTX : 0A \nTX : 0A \n");
    // The log file is written all the same, unless the run never started.
    row("standard output on a full disk", {"--log", "LOG", one}, off, 3, "", "kavris-run: cannot write standard output\n", "TX : 01 \n", {}, "/dev/full");
    row("standard output closed", {"--log", "LOG", one}, off, 3, "", "kavris-run: standard output is closed\n", "<missing>", {}, "closed");
    row("standard output to a file", {"--log", "LOG", one}, off, 0, "", "", "TX : 01 \n", {}, folder.filePath("out.txt"));
    // The first row's delay is long enough for the signal to arrive in it; Ctrl+C in a cycle
    // ends it after the pass under way.
    row("SIGTERM in a two-row list: the rest not run", {"--log", "LOG", file("cut.list", "1,写数据,01,0,3000\n1,写数据,02,0,0\n")}, off, 143, "TX : 01 \n", "kavris-run: terminated after 1 row (0 of 1 passes done)\n", "TX : 01 \n# terminated after 1 row\n", {SIGTERM});
    row("Ctrl+C during --cycles 5", {"--cycles", "5", "--log", "LOG", cycle}, off, 130, "TX : 0A \nTX : 0B \n", "kavris-run: interrupted after 2 rows (1 of 5 passes done)\n", "TX : 0A \nTX : 0B \n# interrupted after 2 rows\n", {SIGINT});
    row("Ctrl+C ending --cycles 0: success, the log as saved", {"--cycles", "0", "--log", "LOG", cycle}, off, 0, "TX : 0A \nTX : 0B \n", "", "TX : 0A \nTX : 0B \n", {SIGINT});
    // A signal that comes while a call runs ends the run at once; no start-up order loses it.
    row("Ctrl+C during a long call", slow, on, 130, "", "kavris-run: interrupted after 0 rows (0 of 1 passes done)\n", {}, {-SIGINT});
    row("two Ctrl+C during a long call in an endless run", QStringList{"--cycles", "0"} + slow, on, 130, "", "kavris-run: interrupted after 0 rows (0 passes done)\n", {}, {-SIGINT, -SIGINT});
    // clang-format on
}

void TestKavrisRun::runs()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, config);
    QFETCH(QVector<int>, interrupts);
    QFETCH(QString, output);
    const QString log = folder.filePath(QStringLiteral("run.txt"));
    QFile::remove(log);
    const Run result = run(arguments.replaceInStrings(QRegularExpression("^LOG$"), log), config,
                           interrupts, output);
    QTEST(result.out, "out");
    QTEST(result.err, "err");
    QTEST(result.code, "code");
    QFile saved(log);
    if (arguments.contains(log))
        QTEST(saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray("<missing>"), "log");
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
    // Both entries carry the transfer's time and duration; the exports, its settings.
    const QRegularExpression lines(QString::fromUtf8(
        "^1 (\\d\\d:\\d\\d:\\d\\d\\.\\d{6} \\+\\d+µs) TX : 9F \n2 \\1 RX : EF 40 15 \n$"));
    QVERIFY2(lines.match(result.out).hasMatch(), qPrintable(result.out));
    QFile text(log), table(csv), dump(vcd);
    QVERIFY(text.open(QIODevice::ReadOnly) && table.open(QIODevice::ReadOnly) &&
            dump.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(text.readAll()), result.out);
    const QList<QByteArray> rows = table.readAll().split('\n');
    QCOMPARE(rows.size(), 4); // header, two entries, nothing after the last CR LF
    QVERIFY2(rows[1].startsWith("1,") &&
                 rows[1].contains(",TX,SpiWriteRead,0,SPI1_CS1,half-duplex,master,0,0,"
                                  "msb-first,active-low,50000000,0,9F,\xEF\xBF\xBD\r"),
             rows[1].constData());
    // The transfer at 50 MHz, half-duplex: 9F, then three bytes read under one assertion.
    const QByteArray vcdText = dump.readAll();
    QVERIFY(vcdText.startsWith(
        "$version KAVRIS $end\n$comment KAVRIS traffic log: every transfer on one time axis"));
    QCOMPARE(vcdText.count("\n0c\n"), 1);  // one assertion
    QCOMPARE(vcdText.count("\n1k\n"), 32); // 32 clocks
    // Without --timestamps the lines are as before; a file that cannot be written fails.
    result = run({"--channel", "SPI1_CS1", "--csv", folder.filePath("no/such/run.csv"), list},
                 QStringLiteral("timing=off"));
    QCOMPARE(result.out, QStringLiteral("TX : 9F \nRX : EF 40 15 \n"));
    QCOMPARE(result.err, "kavris-run: cannot write " + folder.filePath("no/such/run.csv") + "\n");
    QCOMPARE(result.code, 3);
}

QTEST_GUILESS_MAIN(TestKavrisRun)
#include "tst_kavrisrun.moc"
