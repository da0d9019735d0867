// kavris-run's flash subcommand and its runs on several adapters at once, as processes against
// our simulated adapter: each exit code with what it prints, the same job on adapters that work
// and one that fails, the JUnit report parsed back, progress on a terminal, signals; and the
// command line's flash and device options without a process.

#include "cli/junitreport.h"
#include "cli/runoptions.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace
{

const char chipLine[] =
    "JEDEC ID EF 40 15，Winbond W25Q16，2 MiB，页 256 字节，擦除 4 KiB/32 KiB/64 KiB（SFDP）";

QByteArray pattern(int length)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = char(i * 7 + 3); // FFh only at 36 of each 256 bytes
    return bytes;
}

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// A report's elements as "name|attributes|a failure's text", without the attributes that
// differ from run to run (the times too, unless `times`).
QStringList elements(const QByteArray &xml, bool times = false)
{
    QXmlStreamReader reader(xml);
    QStringList seen;
    while (reader.readNext() != QXmlStreamReader::EndDocument && !reader.hasError()) {
        if (!reader.isStartElement())
            continue;
        QStringList attributes;
        for (const QXmlStreamAttribute &attribute : reader.attributes())
            if ((times || attribute.name() != QLatin1String("time")) &&
                attribute.name() != QLatin1String("timestamp") &&
                attribute.name() != QLatin1String("hostname"))
                attributes << attribute.name().toString() + "=" + attribute.value().toString();
        seen << reader.name().toString() + "|" + attributes.join(' ');
        if (reader.name() == QLatin1String("failure"))
            seen.last() += "|" + reader.readElementText();
    }
    if (reader.hasError())
        seen << reader.errorString();
    return seen;
}

} // namespace

class TestKavrisFlash : public QObject
{
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void exitCodes_data();
    void exitCodes();
    void listOnSeveralAdapters();
    void flashOnAllAdapters();
    void junitReport();
    void progressOnATerminal();
    void interrupted();

private:
    struct Run {
        int code;
        QString out, err;
    };
    // `arguments` split at blanks, "%" standing for the scratch folder.
    Run run(const QString &arguments, const QString &config);
    QString path(const QString &name) const { return folder.filePath(name); }
    void write(const QString &name, const QByteArray &bytes);
    QByteArray read(const QString &name);
    QTemporaryDir folder;
};

TestKavrisFlash::Run TestKavrisFlash::run(const QString &arguments, const QString &config)
{
    QProcess process;
    qputenv("TELKOR_CONFIG", config.toUtf8());
    process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"),
                  QString(arguments).replace('%', folder.path()).split(' '));
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

void TestKavrisFlash::write(const QString &name, const QByteArray &bytes)
{
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray TestKavrisFlash::read(const QString &name)
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestKavrisFlash::options_data()
{
    QTest::addColumn<QString>("arguments");
    // "kind offset length size unprotect verify chipErase file | devices all junit", or the
    // problem.
    QTest::addColumn<QString>("result");
    // clang-format off
    QTest::newRow("read a range") << "flash read out.bin --offset 0x1000 --length 4K" << "1 4096 4096 0 0 1 0 out.bin | - - 0 ";
    QTest::newRow("read an unknown chip") << "flash read out.bin --size 16M" << "1 0 0 16777216 0 1 0 out.bin | - - 0 ";
    QTest::newRow("verify") << "flash verify in.bin --offset 5 --size 1m" << "2 5 0 1048576 0 1 0 in.bin | - - 0 ";
    QTest::newRow("write, everything") << "flash write in.bin --offset 64KiB --unprotect --no-verify --chip-erase" << "3 65536 0 0 1 0 1 in.bin | - - 0 ";
    QTest::newRow("erase") << "flash erase --offset 0 --length 0x10k --unprotect" << "4 0 16384 0 1 1 0  | - - 0 ";
    QTest::newRow("erase the chip") << "flash erase --chip-erase" << "4 0 0 0 0 1 1  | - - 0 ";
    QTest::newRow("devices and a report") << "--device 0,2,3 --junit r.xml flash id" << "0 0 0 0 0 1 0  | 0,2,3 - 0 r.xml";
    QTest::newRow("all devices") << "--device all a.list" << "list | - all 0 ";
    QTest::newRow("no subcommand") << "flash" << "flash needs one of id, read, write, verify, erase";
    QTest::newRow("unknown subcommand") << "flash format" << "flash takes id, read, write, verify or erase, not format";
    QTest::newRow("read without a file") << "flash read" << "flash read takes one file";
    QTest::newRow("read with two") << "flash read a b" << "flash read takes one file";
    QTest::newRow("id with a file") << "flash id a" << "flash id takes no file";
    QTest::newRow("offset with id") << "flash id --offset 4" << "--offset does not go with flash id";
    QTest::newRow("length with write") << "flash write a --length 4" << "--length does not go with flash write";
    QTest::newRow("length with verify") << "flash verify a --length 4" << "--length does not go with flash verify";
    QTest::newRow("size with write") << "flash write a --size 1M" << "--size does not go with flash write";
    QTest::newRow("size with erase") << "flash erase --size 1M" << "--size does not go with flash erase";
    QTest::newRow("no-verify with read") << "flash read a --no-verify" << "--no-verify does not go with flash read";
    QTest::newRow("unprotect with verify") << "flash verify a --unprotect" << "--unprotect does not go with flash verify";
    QTest::newRow("chip-erase with read") << "flash read a --chip-erase" << "--chip-erase does not go with flash read";
    QTest::newRow("chip-erase with a range") << "flash erase --chip-erase --length 4K" << "--chip-erase erases the whole chip: no --offset or --length";
    QTest::newRow("chip-erase with an offset") << "flash erase --chip-erase --offset 0" << "--chip-erase erases the whole chip: no --offset or --length";
    QTest::newRow("negative offset") << "flash read a --offset -1" << "--offset takes a number of bytes: decimal or 0x hex, with K or M for KiB or MiB";
    QTest::newRow("bare 0x") << "flash read a --offset 0x" << "--offset takes a number of bytes: decimal or 0x hex, with K or M for KiB or MiB";
    QTest::newRow("hex without 0x") << "flash read a --offset 1F" << "--offset takes a number of bytes: decimal or 0x hex, with K or M for KiB or MiB";
    QTest::newRow("length 0") << "flash read a --length 0" << "--length takes a positive number of bytes: decimal or 0x hex, with K or M for KiB or MiB";
    QTest::newRow("size 0") << "flash read a --size 0k" << "--size takes a positive number of bytes: decimal or 0x hex, with K or M for KiB or MiB";
    QTest::newRow("beyond 64 bits") << "flash read a --offset 0x10000000000000000" << "--offset takes a number of bytes: decimal or 0x hex, with K or M for KiB or MiB";
    QTest::newRow("overflow by the unit") << "flash read a --length 0xFFFFFFFFFFFFFFK" << "--length takes a positive number of bytes: decimal or 0x hex, with K or M for KiB or MiB";
    QTest::newRow("flash option with a list") << "--offset 4 a.list" << "--offset goes with kavris-run flash";
    QTest::newRow("cycles with flash") << "--cycles 2 flash id" << "--cycles goes with a list file, not with flash";
    QTest::newRow("log with flash") << "--log x flash id" << "--log goes with a list file, not with flash";
    QTest::newRow("expect with flash") << "--expect x flash id" << "--expect goes with a list file, not with flash";
    QTest::newRow("device twice") << "--device 1,1 a.list" << "--device names adapter 1 twice";
    QTest::newRow("empty device in a list") << "--device 0, a.list" << "--device takes adapter indexes from 0 to 9 separated by commas, or all";
    QTest::newRow("device All") << "--device All a.list" << "--device takes an adapter index from 0 to 9";
    // clang-format on
}

void TestKavrisFlash::options()
{
    QFETCH(QString, arguments);
    RunOptions options;
    QString made; // the problem, or what was parsed
    if (parseRunOptions(QStringList{"kavris-run"} + arguments.split(QLatin1Char(' ')), &options,
                        &made)) {
        const FlashJob &job = options.flash.job;
        QStringList devices;
        for (int device : options.devices)
            devices << QString::number(device);
        made = (options.flash.active
                    ? QString::asprintf("%d %llu %llu %llu %d %d %d %s", int(job.kind), job.offset,
                                        job.length, job.assumedSize, job.unprotect, job.verify,
                                        job.chipErase, qPrintable(options.flash.file))
                    : QStringLiteral("list")) +
               QStringLiteral(" | %1 %2 %3 %4")
                   .arg(devices.isEmpty() ? QStringLiteral("-") : devices.join(','))
                   .arg(options.allDevices ? "all" : "-")
                   .arg(options.panel.device)
                   .arg(options.junitFile);
    }
    QTEST(made, "result");
}

void TestKavrisFlash::exitCodes_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString chip = utf8(chipLine) + '\n';
    const QString cs1 = QStringLiteral("--channel SPI1_CS1 ");
    // clang-format off
    QTest::newRow("0: written") << cs1 + "flash write %/image.bin --offset 0x3000" << "" << 0 << chip + utf8("已写入 1000 B（003000h–0033E7h）：编程 4 次共 1000 字节，已校验。\n") << "";
    QTest::newRow("0: an unknown chip read with its size") << cs1 + "flash read %/r.bin --size 64K" << "SPI1_CS1=flash:sfdp=off,jedec=C2FF15,size=64K" << 0 << utf8("JEDEC ID C2 FF 15，Macronix，64 KiB，页 256 字节，擦除 仅整片（指定容量）\n已读取 65536 字节（000000h–00FFFFh）。\n") << "";
    QTest::newRow("3: image unreadable") << cs1 + "flash write %/missing.bin" << "" << 3 << "" << utf8("kavris-run: 无法读取文件 %/missing.bin：No such file or directory\n");
    QTest::newRow("3: read target unwritable") << cs1 + "flash read %/no/r.bin" << "" << 3 << "" << utf8("kavris-run: 无法写入文件 %/no/r.bin：No such file or directory\n");
    QTest::newRow("3: report unwritable") << cs1 + "--junit %/no/r.xml flash id" << "" << 3 << chip << "kavris-run: cannot write %/no/r.xml\n";
    QTest::newRow("3: a slave") << cs1 + "--slave flash id" << "" << 3 << "" << utf8("kavris-run: 闪存操作需要主机模式：从机不能向芯片发送命令，请在主从模式中选择主机。\n");
    QTest::newRow("4: writing an unknown chip") << cs1 + "flash write %/image.bin" << "SPI1_CS1=flash:sfdp=off,jedec=C2FF15" << 4 << utf8("JEDEC ID C2 FF 15，Macronix，容量未知\n") << utf8("kavris-run: 不认识的芯片（JEDEC ID C2 FF 15）：既没有 SFDP 表，也不在内置芯片表中。\n");
    QTest::newRow("4: reading an unknown chip") << cs1 + "flash read %/r.bin" << "SPI1_CS1=flash:sfdp=off,jedec=C2FF15" << 4 << utf8("JEDEC ID C2 FF 15，Macronix，容量未知\n") << utf8("kavris-run: 不认识的芯片（JEDEC ID C2 FF 15）：既没有 SFDP 表，也不在内置芯片表中。\n" "kavris-run: --size gives the size of a chip the program does not know\n");
    // clang-format on
}

void TestKavrisFlash::exitCodes()
{
    QFETCH(QString, arguments);
    QFETCH(QString, config);
    QFETCH(QString, err);
    write("image.bin", pattern(1000));
    const Run ran = run(arguments, "timing=on;" + config);
    QCOMPARE(ran.err, err.replace('%', folder.path()));
    QTEST(ran.out, "out");
    QTEST(ran.code, "code");
    QCOMPARE(QFile::exists(path("r.bin")), ran.code == 0 && arguments.contains("r.bin"));
    QFile::remove(path("r.bin"));
}

void TestKavrisFlash::listOnSeveralAdapters()
{
    // Adapter 2 is not there: it fails, the others run the recipe at the same time.
    const Run ran = run("--channel SPI1_CS1 --device 0,1,2 --log %/run.txt " KAVRIS_SOURCE_DIR
                        "/examples/flash-page.list",
                        "timing=on;adapters=2");
    QCOMPARE(ran.code, 1);
    QCOMPARE(ran.err, utf8("[2] 打开设备失败！\n"
                           "[2] kavris-run: adapter 2 not found: 2 adapters attached (0-1)\n"));
    QFile expectedFile(QStringLiteral(KAVRIS_SOURCE_DIR "/examples/flash-page.expected"));
    QVERIFY(expectedFile.open(QIODevice::ReadOnly));
    const QStringList expected = QString::fromUtf8(expectedFile.readAll()).split('\n');
    const QStringList lines = ran.out.split('\n');
    for (const QString device : {"0", "1"}) {
        QStringList own;
        for (const QString &line : lines)
            if (line.startsWith("[" + device + "] "))
                own << line.mid(4);
        QCOMPARE(own.mid(0, expected.size() - 1), expected.mid(0, expected.size() - 1));
        QCOMPARE(read("run-" + device + ".txt"), expected.join('\n').toUtf8());
    }
    QCOMPARE(read("run-2.txt"), QByteArray()); // nothing logged
    QVERIFY(!QFile::exists(path("run.txt")));
    QVERIFY(ran.out.endsWith(
        utf8("Summary:\n[0] ok\n[1] ok\n[2] failed, exit code 1: adapter 2 not found: 2 "
             "adapters attached (0-1)\n")));
    QCOMPARE(lines.size(), 2 * 10 + 4 + 1);
}

void TestKavrisFlash::flashOnAllAdapters()
{
    // Each adapter reads its own chip into its own file.
    const Run ran = run("--channel SPI1_CS1 --device all flash read %/dump.bin --length 64K",
                        "timing=on;adapters=3;flash.file=" + path("all.bin"));
    QCOMPARE(ran.err, QString());
    QCOMPARE(ran.code, 0);
    const QString chip = utf8(chipLine);
    QStringList lines = ran.out.split('\n');
    lines.removeLast();
    QCOMPARE(lines.mid(6), QStringList({"Summary:", "[0] ok", "[1] ok", "[2] ok"}));
    lines = lines.mid(0, 6);
    lines.sort();
    QCOMPARE(lines,
             QStringList({"[0] " + chip, utf8("[0] 已读取 65536 字节（000000h–00FFFFh）。"),
                          "[1] " + chip, utf8("[1] 已读取 65536 字节（000000h–00FFFFh）。"),
                          "[2] " + chip, utf8("[2] 已读取 65536 字节（000000h–00FFFFh）。")}));
    for (const char *name : {"dump-0.bin", "dump-1.bin", "dump-2.bin"})
        QCOMPARE(read(name), QByteArray(65536, '\xFF'));
    QVERIFY(!QFile::exists(path("dump.bin")));
}

void TestKavrisFlash::junitReport()
{
    write("image.bin", pattern(100));
    const Run ran = run("--channel SPI1_CS1 --device 0,1,2 --junit %/report.xml flash verify "
                        "%/image.bin",
                        "timing=on;adapters=2");
    QCOMPARE(ran.code, 2); // the highest of the adapters' codes
    const QString mismatch = utf8("校验不一致：首个不同在 000000h（应为 03h，读出 FFh）。");
    QCOMPARE(elements(read("report.xml")),
             QStringList({
                 "testsuites|tests=3 failures=3 errors=0",
                 "testsuite|name=kavris-run flash verify " + path("image.bin") +
                     " tests=3 failures=3 errors=0 skipped=0",
                 "testcase|name=device 0 classname=kavris-run",
                 "failure|message=" + mismatch + " type=exit 2|kavris-run: " + mismatch + "\n",
                 "testcase|name=device 1 classname=kavris-run",
                 "failure|message=" + mismatch + " type=exit 2|kavris-run: " + mismatch + "\n",
                 "testcase|name=device 2 classname=kavris-run",
                 utf8("failure|message=传输失败：打开设备失败！ type=exit 1|kavris-run: "
                      "传输失败：打开设备失败！\n"),
             }));
    // On one adapter: no prefixes and no summary, the report all the same.
    const Run one = run("--channel SPI1_CS1 --junit %/one.xml flash id", "timing=on");
    QCOMPARE(one.out, utf8(chipLine) + '\n');
    QCOMPARE(one.code, 0);
    QCOMPARE(
        elements(read("one.xml")),
        QStringList({"testsuites|tests=1 failures=0 errors=0",
                     "testsuite|name=kavris-run flash id tests=1 failures=0 errors=0 skipped=0",
                     "testcase|name=device 0 classname=kavris-run"}));
    // The report itself: characters XML does not allow replaced, the times with three decimals.
    const QByteArray xml =
        ::junitReport("suite <&>", {{"device 0", 1.5, 0, QString(), QString()},
                                    {"device 3", 0.25, 4, "bad \x01 \"x\"", "line\x1b[K\n"}});
    QCOMPARE(elements(xml, true),
             QStringList({"testsuites|tests=2 failures=1 errors=0 time=1.500",
                          "testsuite|name=suite <&> tests=2 failures=1 errors=0 skipped=0 "
                          "time=1.500",
                          "testcase|name=device 0 classname=kavris-run time=1.500",
                          "testcase|name=device 3 classname=kavris-run time=0.250",
                          utf8("failure|message=bad \xEF\xBF\xBD \"x\" type=exit "
                               "4|line\xEF\xBF\xBD[K\n")}));
}

void TestKavrisFlash::progressOnATerminal()
{
    // Standard error a terminal: the progress is written over in place, and wiped at the end.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    QProcess process;
    qputenv("TELKOR_CONFIG", "timing=on");
    process.setStandardErrorFile(QString::fromLocal8Bit(ptsname(master)));
    process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"),
                  {"--channel", "SPI1_CS1", "--clock", "1000000", "flash", "read", path("tty.bin"),
                   "--length", "256K"});
    QByteArray terminal;
    fcntl(master, F_SETFL, O_NONBLOCK);
    char buffer[4096];
    for (bool ended = false; !ended;) {
        ended = process.waitForFinished(20);
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            terminal.append(buffer, int(n));
    }
    ::close(master);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()),
             utf8(chipLine) + utf8("\n已读取 262144 字节（000000h–03FFFFh）。\n"));
    const QString shown = QString::fromUtf8(terminal);
    // 256 KiB at 1 MHz: some 2.1 s, so several lines of progress, each a fresh start of the line.
    QVERIFY2(shown.startsWith(utf8("\r读取 0%")), qPrintable(shown.left(80)));
    QVERIFY2(shown.count(QRegularExpression(utf8("\r读取 \\d+%，\\d+ KiB/s，剩余 \\d+ 秒"))) >= 5,
             qPrintable(shown));
    QVERIFY(!shown.contains('\n'));
    QVERIFY(shown.endsWith('\r'));
    QVERIFY(shown.trimmed().isEmpty() || shown.section('\r', -2, -2).trimmed().isEmpty());
}

void TestKavrisFlash::interrupted()
{
    write("image.bin", pattern(65536));
    QProcess process;
    qputenv("TELKOR_CONFIG", "timing=on");
    const QStringList arguments = {"--channel", "SPI1_CS1", "--clock", "1000000", "flash"};
    // Never kill(0): that would be this test's own process group.
    const auto send = [&process](int signal) {
        QVERIFY(process.state() == QProcess::Running && process.processId() > 0);
        ::kill(pid_t(process.processId()), signal);
    };
    // Once: the job stops after the operation under way, here a read of the comparison
    // (20 476 bytes at 1 MHz, 0.16 s), says what is left in which state, and exits as the
    // signal would have ended it.
    for (const int signal : {SIGINT, SIGTERM}) {
        process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"),
                      arguments + QStringList{"write", path("image.bin")});
        QVERIFY(process.waitForReadyRead(10000)); // the chip's line: the comparison has begun
        send(signal);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
                 utf8("kavris-run: 已取消。芯片现状：000000h–00FFFFh 未改动。\n"));
        QCOMPARE(process.exitCode(), 128 + signal);
    }
    // Twice: at once, the chip erase under way left to the chip (3 s).
    process.start(QStringLiteral(KAVRIS_BIN_DIR "/kavris-run"),
                  arguments + QStringList{"erase", "--chip-erase"});
    QVERIFY(process.waitForReadyRead(10000));
    QTest::qWait(300); // the erase under way
    QElapsedTimer waited;
    waited.start();
    send(SIGINT);
    QTest::qWait(100);
    send(SIGINT);
    QVERIFY(process.waitForFinished(10000));
    QVERIFY2(waited.elapsed() < 2000, qPrintable(QString::number(waited.elapsed())));
    QCOMPARE(process.exitCode(), 130);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), QString());
}

QTEST_GUILESS_MAIN(TestKavrisFlash)
#include "tst_kavrisflash.moc"
