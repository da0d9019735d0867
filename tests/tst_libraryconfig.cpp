// The adapter library's configuration: each item at the edges of what it takes, and where the
// configuration comes from (TELKOR_CONFIG_FILE, TELKOR_CONFIG, the per-user file), as the
// library reports it on standard error: only a regular file of at most 1 MiB is read; a device,
// a FIFO, a directory or a larger file is refused with the line an unreadable file gets, and
// the defaults stay.

#include "stderrcapture.h"

#include "telkor/library.h"

#include <QtTest>

#include <sys/stat.h>

using namespace telkor;

class TestLibraryConfig : public QObject
{
    Q_OBJECT

private slots:
    void items_data();
    void items();
    void files_data();
    void files();
};

void TestLibraryConfig::items_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value"); // the field afterwards; a refused item leaves the default
    QTest::addColumn<bool>("used");
    auto row = [](const char *text, const char *field, const char *value, bool used) {
        QTest::newRow(text) << QString(text) << QString(field) << QString(value) << used;
    };
    row("adapters=0", "adapters", "0", true);
    row("adapters=10", "adapters", "10", true);
    row("adapters=11", "adapters", "1", false);
    row("timing=off", "timing", "off", true);
    row("timing=no", "timing", "on", false);
    row("slave.period_ms=0", "slave", "0", true);
    row("slave.period_ms=3600000", "slave", "3600000000", true);
    row("slave.period_ms=3600001", "slave", "500000", false);
    row("spidev.SPI2=32767", "spidev", "-1 32767", true);
    row("spidev.SPI2=32768", "spidev", "-1 -1", false);
    row("backend=ftdi", "backend", "2", true);
    row("backend=FTDI", "backend", "0", false);
    row("SPI2_CS4=registers", "chips", "1230000003", true);
    row("SPI2_CS5=registers", "chips", "1230000000", false);
    row("SPI3_CS0=flash", "chips", "1230000000", false);
    row("fault.seed=4294967295", "seed", "4294967295", true);
    row("fault.seed=4294967296", "seed", "1", false);
    row("fault.SpiRead=every:1", "faults", "SpiRead every 1", true);
    row("fault.SpiRead=every:4294967295", "faults", "SpiRead every 4294967295", true);
    row("fault.SpiRead=every:4294967296", "faults", "", false);
    row("fault.SpiRead=random:1", "faults", "SpiRead random 1", true);
    row("fault.SpiRead=random:1.01", "faults", "", false);
    row("fault.SpiRead=once;fault.SpiRead=off", "faults", "", true);
    row("fault.unplug=every:1,for:1", "unplug", "1 1", true);
    row("fault.unplug=every:1,for:0", "unplug", "0 0", false);
    row("fault.unplug=every:4294967296,for:1", "unplug", "0 0", false);
    row("fault.unplug=every:3,for:2;fault.unplug=off", "unplug", "0 0", true);
    // The flashes on SPI1_CS1 and SPI2_CS4.
    const QString one = "flash 2097152 -1 sfdp 1 wp 0 busy 0 file ",
                  four = "none 2097152 -1 sfdp 1 wp 0 busy 0 file ";
    auto flash = [&](const char *text, const QString &cs1, const QString &cs4, bool used = true) {
        row(text, "flash", qPrintable(cs1 + " | " + cs4), used);
    };
    flash("SPI1_CS1=flash:size=16M,jedec=EF4018,sfdp=off,wp=low",
          "flash 16777216 EF4018 sfdp 0 wp 1 busy 0 file ", four);
    flash("SPI2_CS4=flash:size=64K", one, "flash 65536 -1 sfdp 1 wp 0 busy 0 file ");
    flash("SPI2_CS4=flash:size=64M,wp=high", one, "flash 67108864 -1 sfdp 1 wp 0 busy 0 file ");
    flash("SPI2_CS4=flash:jedec=000000", one, "flash 2097152 0 sfdp 1 wp 0 busy 0 file ");
    flash("flash.file.SPI2_CS4=/tmp/x.bin", one, four + "/tmp/x.bin");
    flash("fault.flashbusy=SPI1_CS1", "flash 2097152 -1 sfdp 1 wp 0 busy 1 file ", four);
    flash("fault.flashbusy=SPI2_CS4;fault.flashbusy=off", one, four);
    for (const char *refused :
         {"SPI1_CS1=flash:size=48M", "SPI1_CS1=flash:size=32K", "SPI1_CS1=flash:size=128M",
          "SPI1_CS1=flash:size=", "SPI1_CS1=flash:jedec=EF40", "SPI1_CS1=flash:jedec=-EF401",
          "SPI1_CS1=flash:sfdp=yes", "SPI1_CS1=flash:wp=", "SPI1_CS1=flash:speed=1",
          "SPI1_CS1=flash:status=1", "SPI1_CS1=flash:status=1C0", "SPI1_CS1=flash:status=G0",
          "SPI1_CS1=flash:status=1G", "SPI1_CS1=loopback:size=2M", "flash.file.SPI3_CS0=x",
          "fault.flashbusy=SPI1", "fault.flashbusy="})
        flash(refused, one, four, false);
}

void TestLibraryConfig::items()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(bool, used);
    LibraryConfig config;
    std::vector<std::string> problems;
    applyConfig(text.toStdString(), &config, &problems);
    QString faults, chips;
    for (const auto &rule : config.faults)
        faults += QString::fromStdString(rule.first) +
                  (rule.second.kind == FaultRule::Every
                       ? QStringLiteral(" every %1").arg(rule.second.every)
                       : QStringLiteral(" random %1").arg(rule.second.probability));
    for (DeviceKind kind : config.devices)
        chips += QString::number(int(kind));
    QStringList flashes;
    for (size_t slot : {size_t(1), size_t(9)}) {
        const FlashChipOptions &chip = config.flashChips[slot];
        flashes << QString::asprintf(
            "%s %u %s sfdp %d wp %d busy %d file %s",
            config.devices[slot] == DeviceKind::Flash ? "flash" : "none", chip.size,
            chip.jedec < 0 ? "-1" : qPrintable(QString::number(chip.jedec, 16).toUpper()),
            chip.sfdp, chip.wpLow, chip.stuckBusy, chip.file.c_str());
    }
    const QMap<QString, QString> fields = {
        {"adapters", QString::number(config.adapters)},
        {"timing", config.timing ? "on" : "off"},
        {"slave", QString::number(config.slavePeriodUs)},
        {"spidev", QStringLiteral("%1 %2").arg(config.spidevBus[0]).arg(config.spidevBus[1])},
        {"backend", QString::number(int(config.backend))},
        {"chips", chips},
        {"seed", QString::number(config.faultSeed)},
        {"faults", faults},
        {"unplug", QStringLiteral("%1 %2").arg(config.pluggedCalls).arg(config.unpluggedCalls)},
        {"flash", flashes.join(QStringLiteral(" | "))}};
    QCOMPARE(fields.value(field), value);
    QStringList said;
    for (const std::string &problem : problems)
        said << QString::fromStdString(problem);
    QCOMPARE(said, used ? QStringList() : QStringList("\"" + text + "\" cannot be used; ignored"));
}

void TestLibraryConfig::files_data()
{
    QTest::addColumn<QString>("variable"); // TELKOR_CONFIG_FILE, or the per-user file if empty
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("items"); // TELKOR_CONFIG, unset if empty
    QTest::addColumn<int>("adapters");  // 3 when the file was read, else the default
    auto row = [](const char *name, const char *variable, const char *kind, int adapters,
                  const char *items = "") {
        QTest::newRow(name) << QString(variable) << QString(kind) << QString(items) << adapters;
    };
    row("1 MiB exactly", "TELKOR_CONFIG_FILE", "file 1048576", 3);
    row("1 MiB and a byte", "TELKOR_CONFIG_FILE", "file 1048577", 1);
    row("/dev/zero", "TELKOR_CONFIG_FILE", "/dev/zero", 1);
    row("FIFO without a writer", "TELKOR_CONFIG_FILE", "fifo", 1);
    row("directory", "TELKOR_CONFIG_FILE", "directory", 1);
    row("missing", "TELKOR_CONFIG_FILE", "missing", 1);
    // TELKOR_CONFIG is read after TELKOR_CONFIG_FILE; only when neither is set does the
    // per-user file count.
    row("TELKOR_CONFIG after the file", "TELKOR_CONFIG_FILE", "file", 4, "adapters=4");
    row("the file with TELKOR_CONFIG", "TELKOR_CONFIG_FILE", "file", 3, "timing=off");
    row("per-user file", "", "file", 3);
    row("no per-user file with TELKOR_CONFIG", "", "file", 1, "timing=off");
    row("per-user directory", "", "directory", 1);
    row("per-user FIFO", "", "fifo", 1);
}

void TestLibraryConfig::files()
{
    QFETCH(QString, variable);
    QFETCH(QString, kind);
    QFETCH(QString, items);
    QFETCH(int, adapters);
    QTemporaryDir dir;
    const auto put = [&](const QString &path, QByteArray text, int size) {
        // The items, then a comment up to the size asked for.
        text.append(QByteArray(qMax(0, size - text.size()), 'x'));
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    const QString user = dir.filePath(QStringLiteral("telkor/telkor.conf"));
    const QString path = kind.startsWith('/') ? kind
                         : variable.isEmpty() ? user
                                              : dir.filePath(QStringLiteral("given.conf"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("telkor")));
    // A per-user file that must not be read while a variable names another.
    QVERIFY(variable.isEmpty() || put(user, "adapters=5\n", 0));
    if (kind.startsWith(QLatin1String("file")))
        QVERIFY(put(path, "adapters=3\n#", kind.mid(5).toInt()));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir(path).mkpath(QStringLiteral(".")));
    const QByteArray saved = qgetenv("TELKOR_CONFIG");
    items.isEmpty() ? qunsetenv("TELKOR_CONFIG") : qputenv("TELKOR_CONFIG", items.toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    variable.isEmpty() ? qunsetenv("TELKOR_CONFIG_FILE")
                       : qputenv("TELKOR_CONFIG_FILE", path.toUtf8());
    Library library({});
    const QByteArray said = stderrOf([&] { library.reset(); });
    qunsetenv("TELKOR_CONFIG_FILE");
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("TELKOR_CONFIG", saved);
    // A per-user file skipped because TELKOR_CONFIG is set is no problem.
    const QString name = variable.isEmpty() ? QStringLiteral("configuration file") : variable;
    QCOMPARE(QString::fromLocal8Bit(said),
             adapters != 1 || !items.isEmpty()
                 ? QString()
                 : "libTELKOR: configuration: " + name + " " + path + " cannot be read; ignored\n");
    QCOMPARE(library.adapterScan(0), adapters);
}

QTEST_GUILESS_MAIN(TestLibraryConfig)
#include "tst_libraryconfig.moc"
