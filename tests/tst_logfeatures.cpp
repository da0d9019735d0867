// The log's views in the window: the time and note columns and what saved files then hold,
// the CSV export, the waveform dock of the selected entry and its exports, the find bar over a
// spilled log, the new-entries marker, the decoder dialog.

#include "kavristest.h"

#include "app/logfeatures.h"
#include "bus/spitransfer.h"
#include "transfer/decoderdialog.h"
#include "transfer/logexport.h"
#include "transfer/logfindbar.h"
#include "transfer/trafficannotator.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"
#include "transfer/waveformdock.h"
#include "transfer/waveformview.h"

#include <QBuffer>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace
{

// A write-read on `channel` as the session reports it, its context filled.
TransferOutcome writeRead(int channel, const QByteArray &out, const QByteArray &in, qint64 startUs)
{
    TransferOutcome outcome;
    outcome.context.call = TransferCall::WriteRead;
    outcome.context.channel = channel;
    outcome.context.config.controlMode = 1;
    outcome.context.config.master = 1;
    outcome.context.config.clockHz = 1000000;
    outcome.context.startUs = startUs;
    outcome.context.durationUs = 250;
    outcome.sent = out;
    outcome.received = in;
    outcome.echoSent(0, out.size());
    outcome.echoReceived(0, in.size());
    return outcome;
}

} // namespace

class TestLogFeatures : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void menus();
    void savedColumns_data();
    void savedColumns();
    void csvSaveFails();
    void waveformOfTheSelectedEntry();
    void findOverTheSpill();
    void newEntriesMarker();
    void decoderDialog();
    void transfersFromThePanel();

private:
    QTemporaryDir folder;
    TrafficLogView *view() { return fixture.find<TrafficLogView>("dataTextBrowser"); }
    TrafficLog *log() { return view()->log(); }
    LogFeatures *features() { return fixture.window().findChild<LogFeatures *>(); }
    // What a save through that action or button wrote.
    QByteArray save(const char *what, const QString &name)
    {
        fixture.dialogs().then(ModalAnswerer::chooseFile(folder.filePath(name)));
        if (fixture.find<QAction>(what))
            fixture.trigger(what);
        else
            QTest::mouseClick(fixture.find<QWidget>(what), Qt::LeftButton);
        return fileBytes(folder.filePath(name));
    }
    void click(qint64 line)
    {
        view()->scrollToLine(line);
        const int row = static_cast<int>(line - view()->firstVisibleLine());
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {},
                          QPoint(20, row * view()->lineHeight() + view()->lineHeight() / 2));
    }
};

void TestLogFeatures::init()
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("TZ", "UTC");
    tzset();
    fixture.start();
    // A flash's identity and status on SPI1_CS1, then the register bank's on SPI1_CS2.
    log()->setWallClockOffset(1700000000LL * 1000000); // 22:13:20 UTC at 0
    log()->append(writeRead(0x10, "\x9F", "\xEF\x40\x15", 1500000), true);
    log()->append(writeRead(0x10, "\x05", "\x02", 1500400), true);
    log()->append(writeRead(0x20, "\x8F", "\x5A", 1500900), true);
}

void TestLogFeatures::menus()
{
    // The log's own actions among the form's, the CSV export before Exit.
    QStringList actions;
    for (const char *menu : {"menuView", "menuFile"})
        for (QAction *action : fixture.find<QMenu>(menu)->actions())
            actions << action->objectName();
    QCOMPARE(actions, QStringList({"actionTxt", "actionClear", "actionShowTimes", "actionShowNotes",
                                   "actionDecoders", "actionShowWaveform", "actionFind",
                                   "actionSave_As_Text", "actionSave_As_Html", "actionSave_As_Csv",
                                   "actionExit"}));
    // The dock starts hidden, opens for the first entry chosen, and then follows its action:
    // closed, it stays closed when another entry is chosen.
    auto *dock = fixture.find<WaveformDock>("waveformDock");
    QString shown = QString::number(dock->isVisible());
    for (int step = 0; step < 4; ++step) {
        step % 2 ? fixture.trigger("actionShowWaveform") : click(step / 2);
        shown += QString::number(dock->isVisible());
    }
    QCOMPARE(shown, QStringLiteral("01001"));
}

void TestLogFeatures::savedColumns_data()
{
    QTest::addColumn<bool>("times");
    QTest::addColumn<bool>("notes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("neither: as always")
        << false << false
        << QByteArray("TX : 9F \nRX : EF 40 15 \nTX : 05 \nRX : 02 \n"
                      "TX : 8F \nRX : 5A \n");
    QTest::newRow("times") << true << false
                           << QByteArray("1 22:13:21.500000 +250\xC2\xB5s TX : 9F \n"
                                         "2 22:13:21.500000 +250\xC2\xB5s RX : EF 40 15 \n"
                                         "3 22:13:21.500400 +250\xC2\xB5s TX : 05 \n"
                                         "4 22:13:21.500400 +250\xC2\xB5s RX : 02 \n"
                                         "5 22:13:21.500900 +250\xC2\xB5s TX : 8F \n"
                                         "6 22:13:21.500900 +250\xC2\xB5s RX : 5A \n");
    // The flash named itself; the register bank has no decoder until one is chosen.
    QTest::newRow("notes") << false << true
                           << QByteArray("TX : 9F   # JEDEC ID: EF 40 15, Winbond, 2 MiB\n"
                                         "RX : EF 40 15 \nTX : 05   # status: BUSY=0 WEL=1\n"
                                         "RX : 02 \nTX : 8F \nRX : 5A \n");
}

void TestLogFeatures::savedColumns()
{
    QFETCH(bool, times);
    QFETCH(bool, notes);
    QFETCH(QByteArray, text);
    fixture.find<QAction>("actionShowTimes")->setChecked(times);
    fixture.find<QAction>("actionShowNotes")->setChecked(notes);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QCOMPARE(save("actionSave_As_Text", name + ".txt"), text);
    // HTML: the head the rich-text log wrote, the same columns in grey, nothing of them without.
    const QByteArray html = save("actionSave_As_Html", name + ".html");
    QCOMPARE(html.left(html.indexOf("<body")),
             QByteArray("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
                        "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n<html><head><meta "
                        "name=\"qrichtext\" content=\"1\" /><meta http-equiv=\"Content-Type\" "
                        "content=\"text/html; charset=utf-8\" /><style type=\"text/css\">\np, li "
                        "{ white-space: pre-wrap; }\n</style></head>"));
    QCOMPARE(html.contains("color:#808080;\">1 22:13:21.500000 +250"), times);
    QCOMPARE(html.contains("  # JEDEC ID: EF 40 15, Winbond, 2 MiB</span></p>"), notes);
    QBuffer plain;
    plain.open(QIODevice::WriteOnly);
    log()->writeHtml(plain, view()->font().family());
    QCOMPARE(html == plain.data(), !times && !notes);
    // CSV: the columns shown, as the export writes them.
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    LogColumns columns;
    columns.times = times;
    columns.annotations = notes ? &features()->annotator() : nullptr;
    QVERIFY(LogExport::writeCsv(*log(), csv, columns));
    QCOMPARE(save("actionSave_As_Csv", name + ".csv"), csv.data());
    // Copying gives what saving gives.
    view()->selectAll();
    QCOMPARE(view()->selectedText().toUtf8(), text);
    // Unchecked again, the saves are those of a window that never showed them.
    fixture.find<QAction>("actionShowTimes")->setChecked(false);
    fixture.find<QAction>("actionShowNotes")->setChecked(false);
    QCOMPARE(save("actionSave_As_Text", name + " again.txt"), fixture.log().toUtf8());
}

void TestLogFeatures::csvSaveFails()
{
    // As the other saves do, it says so.
    fixture.dialogs().then(ModalAnswerer::chooseFile(folder.filePath("no/such/log.csv")));
    fixture.trigger("actionSave_As_Csv");
    QCOMPARE(fixture.dialogs().summary(),
             QStringList({"QFileDialog|Save File|", "QMessageBox|Warning|Save file failed!"}));
}

void TestLogFeatures::waveformOfTheSelectedEntry()
{
    auto *dock = fixture.find<WaveformDock>("waveformDock");
    QCOMPARE(dock->view()->waveform().isEmpty(), true);
    click(1); // the flash's answer: its transfer is entries 1 and 2
    QCOMPARE(dock->caption(),
             QString::fromUtf8("条目 1–2：SpiWriteRead SPI1_CS1, half-duplex master, CPOL=0 "
                               "CPHA=0, MSB first, CS active low, 1000000 Hz"));
    const SpiWaveform &wave = dock->view()->waveform();
    QCOMPARE(wave.bytes().size(), size_t(4)); // 9F, then three bytes read
    QCOMPARE(int(wave.bytes()[1].miso), 0xEF);
    // The arrow key moves on to the next transfer.
    QTest::keyClick(view(), Qt::Key_Down);
    QTest::keyClick(view(), Qt::Key_Down);
    QCOMPARE(int(dock->view()->waveform().bytes()[0].mosi), 0x05);
    // Zoom about the mouse and pan by dragging; a click puts the cursor there.
    WaveformView *waveform = dock->view();
    const double whole = waveform->psPerPixel();
    QWheelEvent wheel(QPointF(300, 50), QPointF(waveform->mapToGlobal(QPoint(300, 50))), QPoint(),
                      QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(waveform, &wheel);
    QCOMPARE(waveform->psPerPixel(), whole / 1.5625);
    const double start = waveform->viewStart();
    QTest::mousePress(waveform, Qt::LeftButton, {}, QPoint(300, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(250, 50),
                     QPointF(waveform->mapToGlobal(QPoint(250, 50))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(waveform, &move);
    QTest::mouseRelease(waveform, Qt::LeftButton, {}, QPoint(250, 50));
    QCOMPARE(waveform->viewStart(), start + 50 * waveform->psPerPixel());
    QCOMPARE(waveform->cursorPs(), qint64(-1));
    QTest::mouseClick(waveform, Qt::LeftButton, {}, QPoint(48, 50));
    QCOMPARE(waveform->cursorPs(), qint64(waveform->viewStart()));
    QVERIFY(waveform->readout().startsWith(QString::fromUtf8("光标 ")));
    // Exports: the transfer as VCD, the picture as PNG and SVG.
    QBuffer vcd;
    vcd.open(QIODevice::WriteOnly);
    LogExport::writeVcd(SpiTransfer::fromOutcome(log()->transfer(2)), vcd);
    QVERIFY(vcd.data().contains("$comment SPI1_CS1, half-duplex master"));
    QCOMPARE(save("waveformVcd", "status.vcd"), vcd.data());
    QVERIFY(save("waveformPng", "status.png").startsWith("\x89PNG"));
    QVERIFY(save("waveformSvg", "status.svg").contains("<svg"));
    const QString exported = QString::fromUtf8("QFileDialog|导出波形|");
    QCOMPARE(fixture.dialogs().summary(), QStringList({exported, exported, exported}));
    // An entry without settings, and a cleared log.
    log()->append(true, "\x01", 1, true);
    click(6);
    QCOMPARE(dock->view()->waveform().isEmpty(), true);
    QCOMPARE(dock->caption(), QString::fromUtf8("条目 7"));
    fixture.trigger("actionClear");
    QCOMPARE(dock->caption(), QString());
}

void TestLogFeatures::findOverTheSpill()
{
    fixture.trigger("actionClear");
    log()->setMemoryBudget(128 * 1024);
    for (int i = 0; i < 100000; ++i) {
        const char bytes[] = {char(i % 199), char(i / 199 % 256), char(i % 7 ? 'x' : 'K')};
        log()->append(i % 2, bytes, 3, true);
    }
    log()->finishSpilling();
    QVERIFY(!log()->spillFileName().isEmpty());
    auto *bar = fixture.find<LogFindBar>("logFindBar");
    QVERIFY(!bar->isVisible());
    fixture.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&fixture.window()));
    QTest::keySequence(&fixture.window(), QKeySequence::Find);
    QVERIFY(bar->isVisible());
    // 05 02 is in entries 5 + 199 * (2 + 256 k): 403, 51347, (and in memory) 102291 is past.
    auto *text = fixture.find<QLineEdit>("findText");
    QTest::keyClicks(text, QStringLiteral("05 xx"));
    QTest::keyClick(text, Qt::Key_Backspace);
    QTest::keyClick(text, Qt::Key_Backspace);
    QTest::keyClicks(text, QStringLiteral("02"));
    // Return finds the next, from the top again after the last; Shift+Return the one before.
    QStringList found;
    for (const bool shift : {false, false, false, true}) {
        QTest::keyClick(text, Qt::Key_Return, shift ? Qt::ShiftModifier : Qt::NoModifier);
        found << QString::number(view()->selectionFirst()) + ' ' + bar->status();
    }
    QCOMPARE(found, QStringList({"403 ", "51347 ", QString::fromUtf8("403 已从头继续"),
                                 QString::fromUtf8("51347 已从末尾继续")}));
    QVERIFY(view()->firstVisibleLine() <= 51347 &&
            view()->firstVisibleLine() + view()->viewport()->height() / view()->lineHeight() >
                51347);
    // A text, either case; a pattern nobody holds; a token that is no byte.
    bar->setPattern(false, QStringLiteral("k"));
    QVERIFY(bar->find(true));
    QCOMPARE(view()->selectionFirst(), qint64(51352));
    bar->setPattern(true, QStringLiteral("05 02 4B"));
    QVERIFY(!bar->find(true));
    QCOMPARE(bar->status(), QString::fromUtf8("未找到"));
    QCOMPARE(view()->selectionFirst(), qint64(51352));
    bar->setPattern(true, QStringLiteral("5 02"));
    QVERIFY(!bar->find(true));
    QCOMPARE(bar->status(), QString::fromUtf8("每个字节两位十六进制数字或 XX，以空格分隔"));
    QTest::keyClick(text, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
}

void TestLogFeatures::newEntriesMarker()
{
    for (int i = 0; i < 200; ++i)
        log()->append(true, "\x01", 1, true);
    QTRY_VERIFY(view()->verticalScrollBar()->maximum() > 100);
    QCOMPARE(view()->isFollowing(), true);
    QCOMPARE(view()->showsNewEntries(), false);
    view()->scrollToLine(10); // the user reads further up
    QCoreApplication::processEvents();
    log()->append(true, "\x02", 1, true);
    QTRY_COMPARE(view()->showsNewEntries(), true);
    QCOMPARE(view()->firstVisibleLine(), qint64(10));
    QTest::mouseClick(fixture.find<QToolButton>("newEntriesMarker"), Qt::LeftButton);
    QCOMPARE(view()->showsNewEntries(), false);
    QCOMPARE(view()->verticalScrollBar()->value(), view()->verticalScrollBar()->maximum());
    log()->append(true, "\x03", 1, true);
    QTRY_COMPARE(view()->verticalScrollBar()->value(), view()->verticalScrollBar()->maximum());
    QCOMPARE(view()->showsNewEntries(), false);
}

void TestLogFeatures::decoderDialog()
{
    fixture.find<QAction>("actionShowNotes")->setChecked(true);
    // The register bank gets its decoder; the flash, identified, is set to none.
    fixture.dialogs().then([](QWidget *dialog) {
        dialog->findChild<QComboBox *>(DecoderDialog::boxName(0, 0x20))->setCurrentIndex(3);
        dialog->findChild<QComboBox *>(DecoderDialog::boxName(0, 0x10))->setCurrentIndex(1);
        static_cast<QDialog *>(dialog)->accept();
    });
    fixture.trigger("actionDecoders");
    QCOMPARE(fixture.dialogs().summary(), QStringList{QString::fromUtf8("DecoderDialog|解码器|")});
    QCOMPARE(view()->columns().annotations->annotation(4), QString::fromUtf8("read 0Fh → 5A"));
    QCOMPARE(view()->columns().annotations->annotation(0), QString());
    // Cancelled: nothing changes.
    fixture.dialogs().then([](QWidget *dialog) {
        dialog->findChild<QComboBox *>(DecoderDialog::boxName(0, 0x20))->setCurrentIndex(1);
        static_cast<QDialog *>(dialog)->reject();
    });
    fixture.trigger("actionDecoders");
    QCOMPARE(features()->annotator().choice(0, 0x20), TrafficAnnotator::Choice::Registers);
}

void TestLogFeatures::transfersFromThePanel()
{
    // The panel's transfers come with their settings and times: the flash names itself, the
    // time column and the waveform follow what the session did.
    fixture.trigger("actionClear");
    fixture.find<QAction>("actionShowTimes")->setChecked(true);
    fixture.find<QAction>("actionShowNotes")->setChecked(true);
    fixture.select("channelIndexComboBox", 1);
    fixture.setWriteText("writeTextEdit", QStringLiteral("9F"));
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(3);
    fixture.click("writeReadPushButton");
    fixture.setWriteText("writeTextEdit", QStringLiteral("06"));
    fixture.click("writePushButton");
    QCOMPARE(fixture.logLines(), QStringList({"TX : 9F ", "RX : EF 40 15 ", "TX : 06 "}));
    const QRegularExpression time(
        QString::fromUtf8("^[0-9]+ \\d\\d:\\d\\d:\\d\\d\\.\\d{6} \\+\\d+µs$"));
    QVERIFY2(time.match(log()->columnText(0)).hasMatch(), qPrintable(log()->columnText(0)));
    QCOMPARE(log()->entry(2).startUs >= log()->entry(0).startUs + log()->entry(0).durationUs, true);
    QCOMPARE(log()->displayText(0, view()->columns()).section(QLatin1Char(' '), 3),
             QStringLiteral("TX : 9F   # JEDEC ID: EF 40 15, Winbond, 2 MiB"));
    QCOMPARE(log()->displayText(2, view()->columns()).section(QLatin1Char(' '), 3),
             QStringLiteral("TX : 06   # write enable"));
    click(1);
    auto *dock = fixture.find<WaveformDock>("waveformDock");
    QVERIFY2(dock->caption().endsWith(QStringLiteral("SpiWriteRead SPI1_CS1, half-duplex master, "
                                                     "CPOL=0 CPHA=0, MSB first, CS active low, "
                                                     "50000000 Hz")),
             qPrintable(dock->caption()));
    QCOMPARE(dock->view()->waveform().bytes().size(), size_t(4));
}

QTEST_MAIN(TestLogFeatures)
#include "tst_logfeatures.moc"
