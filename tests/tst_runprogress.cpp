// What a kavris-run run says at its end: cut short or not, by which signal, how far it got; an
// adapter index beyond those attached.

#include "adapter/adapterlibrary.h"
#include "cli/adapternote.h"
#include "cli/runoptions.h"
#include "cli/runprogress.h"

#include <QBuffer>
#include <QtTest>

#include <csignal>

namespace
{

int attached = 0;
int32_t scanStandIn(int32_t)
{
    return attached;
}

} // namespace

class TestRunProgress : public QObject
{
    Q_OBJECT

private slots:
    void progress_data();
    void progress();
    void adapterNote_data();
    void adapterNote();
};

void TestRunProgress::progress_data()
{
    QTest::addColumn<int>("cycles");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("passes");
    QTest::addColumn<QString>("interrupts"); // "INT", "TERM", "INT!" (ends at once), in order
    QTest::addColumn<int>("code");           // for a run that otherwise succeeded
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QByteArray>("logEnd");
    // clang-format off
    QTest::newRow("no signal") << 1 << 2 << 1 << "" << 0 << "" << QByteArray();
    QTest::newRow("SIGINT during --cycles 5") << 5 << 6 << 3 << "INT" << 130 << "kavris-run: interrupted after 6 rows (3 of 5 passes done)" << QByteArray("# interrupted after 6 rows\n");
    QTest::newRow("SIGINT after the last pass") << 5 << 10 << 5 << "INT" << 0 << "" << QByteArray();
    QTest::newRow("Ctrl+C ends --cycles 0") << 0 << 8 << 4 << "INT" << 0 << "" << QByteArray();
    QTest::newRow("second Ctrl+C cuts --cycles 0 short") << 0 << 9 << 4 << "INT INT!" << 130 << "kavris-run: interrupted after 9 rows (4 passes done)" << QByteArray("# interrupted after 9 rows\n");
    QTest::newRow("SIGTERM ends --cycles 0") << 0 << 8 << 4 << "TERM" << 143 << "kavris-run: terminated after 8 rows (4 passes done)" << QByteArray("# terminated after 8 rows\n");
    QTest::newRow("SIGTERM in the second pass of --cycles 0") << 0 << 3 << 1 << "TERM" << 143 << "kavris-run: terminated after 3 rows (1 pass done)" << QByteArray("# terminated after 3 rows\n");
    QTest::newRow("the first signal decides") << 3 << 0 << 0 << "TERM INT!" << 143 << "kavris-run: terminated after 0 rows (0 of 3 passes done)" << QByteArray("# terminated after 0 rows\n");
    // clang-format on
}

void TestRunProgress::progress()
{
    QFETCH(int, cycles);
    QFETCH(int, rows);
    QFETCH(int, passes);
    QFETCH(QString, interrupts);
    QFETCH(int, code);
    RunProgress progress(cycles);
    for (int i = 0; i < rows; ++i)
        progress.rowDone();
    for (int i = 0; i < passes; ++i)
        progress.passDone();
    for (const QString &name : interrupts.split(' ', Qt::SkipEmptyParts))
        progress.interrupted(name.startsWith("TERM") ? SIGTERM : SIGINT, name.endsWith('!'));
    QCOMPARE(progress.cutShort(), code != 0);
    QCOMPARE(progress.exitCode(RunOk), code);
    // A failure or a difference says more than the signal that came after it.
    QCOMPARE(progress.exitCode(RunFailed), int(RunFailed));
    QCOMPARE(progress.exitCode(RunMismatch), int(RunMismatch));
    QTEST(progress.summary(), "summary");
    QBuffer log;
    log.open(QIODevice::WriteOnly);
    log.write("TX : 01 \n");
    QVERIFY(progress.writeLogEnd(log));
    QFETCH(QByteArray, logEnd);
    QCOMPARE(log.data(), "TX : 01 \n" + logEnd);
}

void TestRunProgress::adapterNote_data()
{
    QTest::addColumn<int>("attached");
    QTest::addColumn<int>("device");
    QTest::addColumn<QString>("note");
    // clang-format off
    QTest::newRow("one, index 3") << 1 << 3 << "kavris-run: adapter 3 not found: 1 adapter attached (0)";
    QTest::newRow("one, index 1") << 1 << 1 << "kavris-run: adapter 1 not found: 1 adapter attached (0)";
    QTest::newRow("one, index 0") << 1 << 0 << "";
    QTest::newRow("three, index 3") << 3 << 3 << "kavris-run: adapter 3 not found: 3 adapters attached (0-2)";
    QTest::newRow("three, index 2") << 3 << 2 << "";
    QTest::newRow("none: the window's warning says it") << 0 << 0 << "";
    // clang-format on
}

void TestRunProgress::adapterNote()
{
    QFETCH(int, device);
    QFETCH(int, attached);
    ::attached = attached;
    AdapterEntries entries;
    entries.scan = scanStandIn;
    QTEST(adapterNotFoundNote(entries, device), "note");
}

QTEST_GUILESS_MAIN(TestRunProgress)
#include "tst_runprogress.moc"
