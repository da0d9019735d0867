// The traffic log in the window: the view shows what the transfers echo, clearing, and saving
// as text or HTML, including a save that fails.

#include "kavristest.h"

#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

class TestTrafficLog : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void clearThenSaveEmpty();
    void save_data();
    void save();

private:
    QTemporaryDir folder;
    TrafficLog *log() { return fixture.find<TrafficLogView>("dataTextBrowser")->log(); }
    QByteArray saved(const QString &name)
    {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

void TestTrafficLog::init()
{
    fixture.start();
    fixture.setWriteText("writeTextEdit", QStringLiteral("01 02"));
    fixture.click("writePushButton");
    QCOMPARE(fixture.log(), QStringLiteral("TX : 01 02 \n")); // read through the view's log
}

void TestTrafficLog::clearThenSaveEmpty()
{
    fixture.trigger("actionClear");
    QCOMPARE(log()->count(), qint64(0));
    fixture.dialogs().then(ModalAnswerer::chooseFile(folder.filePath("empty.txt")));
    fixture.trigger("actionSave_As_Text");
    QCOMPARE(saved("empty.txt"), QByteArray());
}

void TestTrafficLog::save_data()
{
    QTest::addColumn<bool>("html");
    QTest::addColumn<QString>("name");   // the file chosen; empty: the dialog is cancelled
    QTest::addColumn<QByteArray>("old"); // what the file held before; null: no file
    QTest::addColumn<bool>("fails");
    QTest::newRow("text over a longer file")
        << false << "log.txt" << QByteArray("an older, longer file") << false;
    QTest::newRow("HTML") << true << "log.html" << QByteArray() << false;
    QTest::newRow("cancelled") << false << "" << QByteArray() << false;
    QTest::newRow("no such folder") << true << "no/such/log.txt" << QByteArray() << true;
}

void TestTrafficLog::save()
{
    QFETCH(bool, html);
    QFETCH(QString, name);
    QFETCH(QByteArray, old);
    QFETCH(bool, fails);
    QFile file(folder.filePath(name));
    QVERIFY(old.isNull() || (file.open(QIODevice::WriteOnly) && file.write(old) && file.flush()));
    fixture.dialogs().then(name.isEmpty() ? ModalAnswerer::cancel()
                                          : ModalAnswerer::chooseFile(file.fileName()));
    if (!old.isNull())
        fixture.dialogs().then(ModalAnswerer::press(QStringLiteral("Yes"))); // replace it?
    fixture.trigger(html ? "actionSave_As_Html" : "actionSave_As_Text");
    // A save writes the log's export; one that fails or is cancelled writes nothing.
    QBuffer exported;
    exported.open(QIODevice::WriteOnly);
    QVERIFY(
        html ? log()->writeHtml(exported, fixture.find<QWidget>("dataTextBrowser")->font().family())
             : log()->writeText(exported));
    QCOMPARE(saved(name), fails || name.isEmpty() ? QByteArray("<missing>") : exported.data());
    const QStringList dialogs = fixture.dialogs().summary();
    QCOMPARE(dialogs.value(0), QStringLiteral("QFileDialog|Save File|"));
    QCOMPARE(dialogs.mid(old.isNull() ? 1 : 2),
             fails ? QStringList({"QMessageBox|Warning|Save file failed!"}) : QStringList());
    QCOMPARE(fixture.log(), QStringLiteral("TX : 01 02 \n")); // saving leaves the log alone
}

QTEST_MAIN(TestTrafficLog)
#include "tst_trafficlog.moc"
