// The built program as a process: it binds the adapter library beside it from any working
// directory, and a missing library or entry ends it with a clear message, not a crash.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void runsWithLibraryBesideIt();
    void missingLibrary_data();
    void missingLibrary();

private:
    static QString program() { return QStringLiteral(KAVRIS_BIN_DIR "/kavris"); }
};

void TestProgram::runsWithLibraryBesideIt()
{
    // From elsewhere the window comes up and stays; the library names the item it cannot use.
    QTemporaryDir elsewhere;
    QProcess process;
    process.setWorkingDirectory(elsewhere.path());
    qputenv("TELKOR_CONFIG", "adapters=many;timing=off");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(elsewhere.path())); // not the user's settings
    process.start(program(), QStringList());
    QVERIFY(!process.waitForFinished(1500));
    QCOMPARE(process.state(), QProcess::Running);
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardError()).split('\n');
    QCOMPARE(lines.filter(QRegularExpression("^(kavris|libTELKOR)")),
             QStringList({"libTELKOR: configuration: \"adapters=many\" cannot be used; ignored"}));
}

void TestProgram::missingLibrary_data()
{
    QTest::addColumn<QString>("library"); // copied beside the program, or none
    QTest::addColumn<QString>("message");
    QTest::newRow("no library") << QString() << "cannot load the adapter library libTELKOR.so";
    QTest::newRow("entries missing")
        << QStringLiteral(PARTIAL_LIBRARY)
        << "lacks the entries AdapterGetInfo, SpiConfigure, SpiWrite, SpiRead, SpiWriteRead, "
           "SpiSlaveWrite, SpiSlaveRead, SpiBlockWrite, SpiBlockRead, SpiBlockWriteRead";
}

void TestProgram::missingLibrary()
{
    QFETCH(QString, library);
    QFETCH(QString, message);
    QTemporaryDir bin;
    QVERIFY(QFile::copy(program(), bin.filePath(QStringLiteral("kavris"))));
    if (!library.isEmpty())
        QVERIFY(QFile::copy(library, bin.filePath(QStringLiteral("libTELKOR.so"))));
    QProcess process;
    process.setWorkingDirectory(bin.path());
    process.start(bin.filePath(QStringLiteral("kavris")), QStringList());
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, 1);
    const QString error = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
