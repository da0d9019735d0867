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
    void badAdapterConfiguration();
    void missingLibrary_data();
    void missingLibrary();

private:
    static QString program() { return QStringLiteral(KAVRIS_BIN_DIR "/kavris"); }
};

void TestProgram::runsWithLibraryBesideIt()
{
    // Started from elsewhere with only the files of bin/ beside it: the window comes up and
    // stays up until it is ended.
    QTemporaryDir elsewhere;
    QProcess process;
    process.setWorkingDirectory(elsewhere.path());
    process.start(program(), QStringList());
    QVERIFY(process.waitForStarted());
    QVERIFY(!process.waitForFinished(1500));
    QCOMPARE(process.state(), QProcess::Running);
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(!process.readAllStandardError().contains("kavris:"));
}

void TestProgram::badAdapterConfiguration()
{
    // The adapter library says what it cannot use and goes on with its defaults.
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TELKOR_CONFIG"), QStringLiteral("adapters=many;timing=off"));
    process.setProcessEnvironment(environment);
    process.start(program(), QStringList());
    QVERIFY(process.waitForStarted());
    QVERIFY(!process.waitForFinished(1500));
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    const QStringList ours = QString::fromLocal8Bit(process.readAllStandardError())
                                 .split(QLatin1Char('\n'))
                                 .filter(QStringLiteral("libTELKOR"));
    QCOMPARE(ours, QStringList({"libTELKOR: configuration: \"adapters=many\" cannot be used; "
                                "ignored"}));
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
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QString error = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
