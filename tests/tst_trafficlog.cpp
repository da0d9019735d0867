// The traffic log in the window: the view shows what the transfers echo, clearing, and saving
// as text or HTML, including a save that fails.

#include "kavristest.h"

#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

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
    // A save writes the log as the text or HTML file; one that fails or is cancelled writes
    // nothing.
    const QByteArray family = fixture.find<QWidget>("dataTextBrowser")->font().family().toUtf8();
    const QByteArray page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
        "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n<html><head><meta name=\"qrichtext\" "
        "content=\"1\" /><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" "
        "/><style type=\"text/css\">\np, li { white-space: pre-wrap; }\n</style></head><body "
        "style=\" font-family:'" +
        family +
        "'; font-weight:400; font-style:normal;\">\n<p style=\" margin-top:0px; "
        "margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; "
        "text-indent:0px;\"><span style=\" color:#00ff00;\">TX : </span><span style=\" "
        "color:#000000;\">01 02 </span></p>\n<p style=\"-qt-paragraph-type:empty; "
        "margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; "
        "-qt-block-indent:0; text-indent:0px; color:#000000;\"><br /></p></body></html>";
    QCOMPARE(saved(name), fails || name.isEmpty() ? QByteArray("<missing>")
                          : html                  ? page
                                                  : QByteArray("TX : 01 02 \n"));
    const QStringList dialogs = fixture.dialogs().summary();
    QCOMPARE(dialogs.value(0), QStringLiteral("QFileDialog|Save File|"));
    QCOMPARE(dialogs.mid(old.isNull() ? 1 : 2),
             fails ? QStringList({"QMessageBox|Warning|Save file failed!"}) : QStringList());
    QCOMPARE(fixture.log(), QStringLiteral("TX : 01 02 \n")); // saving leaves the log alone
}

QTEST_MAIN(TestTrafficLog)
#include "tst_trafficlog.moc"
