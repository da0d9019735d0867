// The traffic log in the window: the view shows what the transfers echo, clearing, and saving
// as text or HTML, including saves that fail.

#include "kavristest.h"

#include "telkor/telkortest.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QDir>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace
{

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestTrafficLog : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void viewShowsTheWindowsLog();
    void saveAsText();
    void saveAsHtml();
    void clearedLogSavesEmptyFile();
    void cancelWritesNothing();
    void unwritablePath();
    void failedWriteKeepsOldFile();

private:
    void logTxAndRx(); // "TX : 01 " and "RX : 02 "
    std::unique_ptr<QTemporaryDir> folder;
    QString filePath(const char *name) const { return folder->filePath(QLatin1String(name)); }
    QStringList files() const { return QDir(folder->path()).entryList(QDir::Files); }
};

void TestTrafficLog::init()
{
    folder = std::make_unique<QTemporaryDir>();
    fixture.start();
}

void TestTrafficLog::logTxAndRx()
{
    fixture.setWriteText("writeTextEdit", QStringLiteral("01"));
    fixture.click("writePushButton");
    const uint8_t rx = 0x02;
    TelkorTestQueueMiso(&rx, 1);
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(1);
    fixture.click("readPushButton");
    QCOMPARE(fixture.logLines(), QStringList({"TX : 01 ", "RX : 02 "}));
}

void TestTrafficLog::viewShowsTheWindowsLog()
{
    logTxAndRx();
    auto *view = fixture.find<TrafficLogView>("dataTextBrowser");
    QCOMPARE(view->log()->count(), qint64(2));
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("TX : 01 \nRX : 02 \n"));
    fixture.trigger("actionClear");
    QCOMPARE(view->selectedText(), QString());
    QCOMPARE(view->log()->count(), qint64(0));
}

void TestTrafficLog::saveAsText()
{
    logTxAndRx();
    const QString path = filePath("log.txt");
    writeFile(path, "an older, longer file that is replaced");
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.dialogs().then(ModalAnswerer::press(QStringLiteral("Yes"))); // replace it?
    fixture.trigger("actionSave_As_Text");
    QCOMPARE(readFile(path), QByteArray("TX : 01 \nRX : 02 \n"));
    QCOMPARE(fixture.dialogs().seen.value(0).kind, QStringLiteral("QFileDialog"));
    QCOMPARE(fixture.dialogs().seen.value(0).title, QStringLiteral("Save File"));
    QCOMPARE(fixture.dialogs().seen.size(), 2);
    // Saving does not change the log.
    QCOMPARE(fixture.logLines(), QStringList({"TX : 01 ", "RX : 02 "}));
}

void TestTrafficLog::saveAsHtml()
{
    logTxAndRx();
    const QString path = filePath("log.html");
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.trigger("actionSave_As_Html");
    const QString html = QString::fromUtf8(readFile(path));
    QVERIFY(html.contains(QStringLiteral("charset=utf-8")));
    for (const char *part : {"color:#00ff00;\">TX : </span>", "color:#000000;\">01 </span>",
                             "color:#0000ff;\">RX : </span>", "color:#000000;\">02 </span>"})
        QVERIFY2(html.contains(QLatin1String(part)), part);
}

void TestTrafficLog::clearedLogSavesEmptyFile()
{
    logTxAndRx();
    fixture.trigger("actionClear");
    QCOMPARE(fixture.log(), QString());
    const QString path = filePath("empty.txt");
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.trigger("actionSave_As_Text");
    QCOMPARE(readFile(path), QByteArray());
}

void TestTrafficLog::cancelWritesNothing()
{
    logTxAndRx();
    fixture.dialogs().then(ModalAnswerer::cancel());
    fixture.trigger("actionSave_As_Text");
    QCOMPARE(fixture.dialogs().seen.size(), 1);
    QCOMPARE(files(), QStringList());
}

void TestTrafficLog::unwritablePath()
{
    logTxAndRx();
    const QString path = filePath("no/such/folder/log.txt");
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.trigger("actionSave_As_Html");
    QCOMPARE(fixture.dialogs().summary().value(1),
             QStringLiteral("QMessageBox|Warning|Save file failed!"));
    QCOMPARE(fixture.dialogs().seen.value(1).buttons, QStringList({"Ok"}));
    QVERIFY(!QFile::exists(path));
}

void TestTrafficLog::failedWriteKeepsOldFile()
{
    // A disk that fills up while the log is written: files may grow to 4 KiB only.
    fixture.setWriteText(
        "writeTextEdit",
        QString(3000, QLatin1Char('A')).replace(QLatin1String("A"), QLatin1String("AB ")));
    fixture.click("writePushButton");
    QVERIFY(fixture.log().size() > 8000);
    const QString path = filePath("kept.txt");
    writeFile(path, "the previous log");
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.dialogs().then(ModalAnswerer::press(QStringLiteral("Yes")));

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit original{};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    fixture.trigger("actionSave_As_Text");
    setrlimit(RLIMIT_FSIZE, &original);

    QCOMPARE(fixture.dialogs().summary().value(2),
             QStringLiteral("QMessageBox|Warning|Save file failed!"));
    QCOMPARE(readFile(path), QByteArray("the previous log"));
    QCOMPARE(files(), QStringList({"kept.txt"}));
}

QTEST_MAIN(TestTrafficLog)
#include "tst_trafficlog.moc"
