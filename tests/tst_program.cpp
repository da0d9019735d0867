// The built program as a process: it binds the adapter library beside it from any working
// directory, and a missing library or entry ends it with a clear message, not a crash. Installed
// (cmake --install) and moved elsewhere, both programs find the installed library relative to
// themselves, and KAVRIS_TELKOR chooses another one with no fallback.

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void installedLayout();
    void lookup_data();
    void lookup();

private:
    // The tree cmake --install makes, once for all the tests below.
    QString installed();
    QTemporaryDir installRoot;
    bool installDone = false;
};

QString TestProgram::installed()
{
    if (!installDone) {
        installDone = true;
        QProcess install;
        install.start(QStringLiteral(CMAKE_COMMAND),
                      {"--install", KAVRIS_BUILD_DIR, "--prefix", installRoot.filePath("usr")});
        if (!install.waitForFinished(60000) || install.exitCode() != 0)
            qWarning("%s", install.readAllStandardError().constData());
    }
    return installRoot.filePath(QStringLiteral("usr"));
}

void TestProgram::installedLayout()
{
    const QString root = installed();
    QStringList files;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files.append(QDir(root).relativeFilePath(it.next()));
    files.sort();
    QStringList expected =
        QStringLiteral("bin/kavris bin/kavris-run lib/udev/rules.d/60-kavris-ftdi.rules "
                       "share/applications/kavris.desktop share/doc/kavris/changelog.Debian.gz "
                       "share/doc/kavris/copyright share/kavris/examples/flash-page.expected "
                       "share/kavris/examples/flash-page.list share/man/man1/kavris-run.1.gz "
                       "share/man/man1/kavris.1.gz "
                       "share/metainfo/org.kavris.kavris.metainfo.xml " KAVRIS_INSTALL_LIBDIR
                       "/kavris/libTELKOR.so")
            .split(QLatin1Char(' '));
    for (const char *size : {"16", "32", "48", "64", "128", "256"})
        expected.append(QStringLiteral("share/icons/hicolor/%1x%1/apps/kavris.png").arg(size));
    expected.sort();
    QCOMPARE(files, expected);
    QCOMPARE(QImage(root + "/share/icons/hicolor/48x48/apps/kavris.png").size(), QSize(48, 48));
}

// Each row runs both programs in a tree: "installed" is what cmake --install made, "moved" a
// copy of it elsewhere (hard links, so that the programs see their new place), changed first:
// "partial private" or "partial beside" puts the library that lacks entries into the installed
// library's place or beside the programs, "no private" removes the installed library. In
// KAVRIS_TELKOR and the message, {tree}, {private}, {partial}, {built} and {work} (the working
// directory, which holds the partial library) stand for those paths; "unset" unsets it. An
// empty message: the program runs (the window stays up; kavris-run passes the flash recipe).
void TestProgram::lookup_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("telkor");
    QTest::addColumn<QString>("message");
    const QString lacks = QStringLiteral(
        "the adapter library %1 lacks the entries AdapterGetInfo, SpiConfigure, SpiWrite, SpiRead, "
        "SpiWriteRead, SpiSlaveWrite, SpiSlaveRead, SpiBlockWrite, SpiBlockRead, "
        "SpiBlockWriteRead");
    const struct {
        const char *name, *tree, *change, *telkor;
        QString message;
    } rows[] = {
        {"moved", "moved", "", "unset", ""},
        {"moved, the installed place first", "moved", "partial private", "unset",
         lacks.arg("{private}")},
        {"own folder before the installed place", "moved", "partial beside", "unset",
         lacks.arg("{tree}/bin/libTELKOR.so")},
        {"no library", "moved", "no private", "unset",
         "cannot load the adapter library libTELKOR.so ({tree}/bin/libTELKOR.so: no such file; "
         "{private}: no such file; libTELKOR.so: cannot open shared object file"},
        {"KAVRIS_TELKOR before the installed library", "installed", "", "{partial}",
         lacks.arg("{partial}")},
        {"KAVRIS_TELKOR before the own folder", "moved", "partial beside", "{built}", ""},
        {"KAVRIS_TELKOR without an installed library", "moved", "no private", "{built}", ""},
        {"KAVRIS_TELKOR missing, no fallback", "installed", "", "{tree}/nothing/libTELKOR.so",
         "cannot load the adapter library {tree}/nothing/libTELKOR.so named by KAVRIS_TELKOR (no "
         "such file)"},
        {"KAVRIS_TELKOR relative to the working directory", "installed", "", "libTELKOR.so",
         lacks.arg("{work}/libTELKOR.so")},
        {"installed, KAVRIS_TELKOR empty as unset", "installed", "", "", ""},
    };
    for (const char *program : {"kavris", "kavris-run"})
        for (const auto &row : rows)
            QTest::addRow("%s: %s", program, row.name)
                << program << row.tree << row.change << row.telkor << row.message;
}

void TestProgram::lookup()
{
    QFETCH(QString, program);
    QFETCH(QString, tree);
    QFETCH(QString, change);
    QFETCH(QString, telkor);
    QFETCH(QString, message);
    const QString installedRoot = installed();
    const QString libraryPath = QStringLiteral(KAVRIS_INSTALL_LIBDIR "/kavris/libTELKOR.so");
    QTemporaryDir scratch;
    QString root = installedRoot;
    if (tree == "moved") {
        root = scratch.filePath("elsewhere/kavris-1.0");
        for (const QString &file :
             {QStringLiteral("bin/kavris"), QStringLiteral("bin/kavris-run"), libraryPath}) {
            QVERIFY(QDir().mkpath(QFileInfo(root + '/' + file).path()));
            QVERIFY(::link(QFile::encodeName(installedRoot + '/' + file),
                           QFile::encodeName(root + '/' + file)) == 0);
        }
    }
    const QString privateLibrary = root + '/' + libraryPath;
    if (change == "partial private" || change == "no private")
        QVERIFY(QFile::remove(privateLibrary));
    if (change == "partial private")
        QVERIFY(QFile::copy(PARTIAL_LIBRARY, privateLibrary));
    if (change == "partial beside")
        QVERIFY(QFile::copy(PARTIAL_LIBRARY, root + "/bin/libTELKOR.so"));
    const QString work = scratch.filePath("work");
    QVERIFY(QDir().mkpath(work));
    QVERIFY(QFile::copy(PARTIAL_LIBRARY, work + "/libTELKOR.so"));
    auto expand = [&](QString text) {
        return text.replace("{tree}", root)
            .replace("{private}", privateLibrary)
            .replace("{partial}", PARTIAL_LIBRARY)
            .replace("{built}", KAVRIS_BIN_DIR "/libTELKOR.so")
            .replace("{work}", work);
    };

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The recipe's erase takes its time only on the real clock.
    environment.insert("TELKOR_CONFIG", "timing=on");
    environment.remove("KAVRIS_TELKOR");
    if (telkor != "unset")
        environment.insert("KAVRIS_TELKOR", expand(telkor));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(work);
    const QString examples = installedRoot + "/share/kavris/examples/flash-page";
    const bool window = program == "kavris";
    process.start(root + "/bin/" + program,
                  window ? QStringList()
                         : QStringList{"--channel", "SPI1_CS1", "--expect", examples + ".expected",
                                       examples + ".list"});
    QVERIFY(process.waitForStarted());
    const bool ended = process.waitForFinished(window && message.isEmpty() ? 1500 : 30000);
    if (!ended) {
        process.terminate();
        QVERIFY(process.waitForFinished(5000));
    }
    const QString error = QString::fromLocal8Bit(process.readAllStandardError());
    if (message.isEmpty() && window) {
        QVERIFY2(!ended, qPrintable(error));
        QVERIFY2(!error.contains("kavris:"), qPrintable(error));
    } else if (message.isEmpty()) {
        QCOMPARE(process.exitCode(), 0); // --expect: the recipe's log, byte for byte
    } else {
        QVERIFY(ended);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), window ? 1 : 3);
        const QStringList lines = error.split('\n').filter(QRegularExpression("^kavris"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(program + ": " + expand(message)), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
