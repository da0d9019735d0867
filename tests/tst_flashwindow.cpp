// The flash programmer's window against the simulated flash: one window, not modal, the chip
// it shows, reading to a file, writing and verifying a file, erasing with and without
// confirmation, bad ranges, cancelling, the panel's settings, the main window's requests
// refused during a job, and the one log line per job.

#include "app/flashwindow.h"
#include "kavristest.h"

#include "telkor/telkortest.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

QByteArray patternBytes(quint64 start, int length)
{
    QByteArray bytes;
    for (quint64 at = start; at < start + quint64(length); ++at)
        bytes.append(char(at * 13 + 5));
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

class TestFlashWindow : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void chipShown_data();
    void chipShown();
    void readToFile();
    void writeThenVerify();
    void erases();
    void cancelled();
    void panelSettingsAndSharedSession();
    void closingCancels();

private:
    // Opens the window on SPI1_CS1 (or `channel`), with adapter 0's flash holding the pattern
    // in its first 64 KiB.
    FlashWindow *open(int channel = 1);
    // Clicks `button` (answering the dialogs queued first) and waits for the job to end.
    FlashRun run(const char *button);
    template <typename T> T *in(const char *name) { return flash->findChild<T *>(name); }
    QString label(const char *name) { return in<QLabel>(name)->text(); }
    QStringList notes(); // the log's lines without the transfers' echoes
    void setRange(const QString &offset, const QString &length)
    {
        in<QLineEdit>("offsetEdit")->setText(offset);
        in<QLineEdit>("lengthEdit")->setText(length);
    }

    FlashWindow *flash = nullptr;
    QTemporaryDir folder;
};

void TestFlashWindow::init()
{
    fixture.start();
    QByteArray image(2 * 1024 * 1024, '\xFF');
    image.replace(0, 65536, patternBytes(0, 65536));
    writeFile(folder.filePath("chip.bin"), image);
    flash = nullptr;
}

FlashWindow *TestFlashWindow::open(int channel)
{
    TelkorTestConfigure(qPrintable("timing=off;flash.file=" + folder.filePath("chip.bin")));
    fixture.select("channelIndexComboBox", channel);
    fixture.trigger("actionFlash");
    flash = fixture.window().findChild<FlashWindow *>();
    if (flash) {
        // The simulated clock moves with the calls alone: polls without pauses, and bounds of
        // busy times a hundred times as long, so that a loaded machine cannot make them late.
        flash->jobRunner().setPollIntervalMs(0);
        flash->jobRunner().setClock([] { return QDateTime::currentMSecsSinceEpoch() * 10; });
    }
    clearAdapterCalls();
    return flash;
}

FlashRun TestFlashWindow::run(const char *button)
{
    QSignalSpy finished(&flash->jobRunner(), &FlashJobRunner::finished);
    in<QPushButton>(button)->click();
    if (flash->jobRunner().isRunning())
        finished.wait(20000);
    return finished.isEmpty() ? FlashRun() : finished.first().first().value<FlashRun>();
}

QStringList TestFlashWindow::notes()
{
    QStringList lines;
    for (const QString &line : fixture.logLines())
        if (!line.startsWith("TX : ") && !line.startsWith("RX : "))
            lines << line;
    return lines;
}

void TestFlashWindow::chipShown_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("flashItems"); // SPI1_CS1's options
    QTest::addColumn<QString>("labels");     // maker, part, id, size, page, erases, source
    QTest::addColumn<QString>("warning");
    QTest::addColumn<bool>("slave"); // the panel's working mode
    // clang-format off
    QTest::newRow("by SFDP") << 1 << "" << "Winbond|W25Q16|EF 40 15|2 MiB|256 字节|4 KiB/32 KiB/64 KiB|芯片的 SFDP 表" << "" << false;
    QTest::newRow("by the table") << 1 << "sfdp=off,size=16M,jedec=EF4018" << "Winbond|W25Q128|EF 40 18|16 MiB|256 字节|4 KiB/32 KiB/64 KiB|内置芯片表" << "" << false;
    QTest::newRow("neither") << 1 << "sfdp=off,jedec=C2FF15" << "Macronix|—|C2 FF 15|未知|—|—|无：没有 SFDP 表，内置芯片表中也没有" << "" << false;
    QTest::newRow("nothing answers on the loopback") << 0 << "" << "—|—|—|—|—|—|—" << "没有芯片应答（JEDEC ID FF FF FF）。" << false;
    // The panel's working mode goes with the job: a slave is refused before any call.
    QTest::newRow("slave refused") << 1 << "" << "—|—|—|—|—|—|—" << "闪存操作需要主机模式：从机不能向芯片发送命令，请在主从模式中选择主机。" << true;
    // clang-format on
}

void TestFlashWindow::chipShown()
{
    QFETCH(int, channel);
    QFETCH(QString, flashItems);
    QFETCH(QString, warning);
    QFETCH(bool, slave);
    if (slave)
        fixture.select("workingModeComboBox", 0);
    QVERIFY(open(channel));
    if (!flashItems.isEmpty())
        TelkorTestConfigure(qPrintable("timing=off;SPI1_CS1=flash:" + flashItems));
    const FlashRun found = run("identifyButton");
    QStringList shown;
    for (const char *name : {"makerLabel", "partLabel", "idLabel", "sizeLabel", "pageLabel",
                             "erasesLabel", "sourceLabel"})
        shown << label(name);
    QTEST(shown.join('|'), "labels");
    QCOMPARE(fixture.dialogs().summary(), warningSummary(warning));
    QCOMPARE(adapterCalls().isEmpty(), slave);
    // One line in the log, no echo of the flash's bytes.
    QCOMPARE(fixture.logLines(),
             QStringList(text("FL : 闪存识别（设备 0，SPI1_CS%1）：").arg(channel) + found.text()));
}

void TestFlashWindow::readToFile()
{
    QVERIFY(open());
    setRange("0x100", "1K");
    const QString path = folder.filePath("read.bin");
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    run("readButton");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), patternBytes(0x100, 1024));
    QCOMPARE(fixture.dialogs().summary(), QStringList(text("QFileDialog|读取到文件|")));
    QCOMPARE(in<QProgressBar>("progressBar")->value(), 1000);
    QVERIFY(label("paceLabel").startsWith(text("完成，用时 ")));
    QCOMPARE(label("resultLabel"), text("已读取 1024 字节（000100h–0004FFh）。"));
    QCOMPARE(
        notes().replaceInStrings(QRegularExpression("\\d+\\.\\d 秒$"), "N"),
        QStringList(text(
            "FL : 闪存读取（设备 0，SPI1_CS1）：已读取 1024 字节（000100h–0004FFh）。用时 N")));
    // The file dialog cancelled: nothing starts.
    clearAdapterCalls();
    in<QPushButton>("readButton")->click();
    QTRY_COMPARE(fixture.dialogs().seen.size(), 2);
    QVERIFY(!flash->jobRunner().isRunning());
    QCOMPARE(adapterCalls(), QStringList());
}

void TestFlashWindow::writeThenVerify()
{
    QVERIFY(open());
    const QString image = folder.filePath("image.bin");
    QByteArray bytes = patternBytes(0, 5000);
    writeFile(image, bytes);
    in<QLineEdit>("offsetEdit")->setText("0x10000"); // erased: programs only
    fixture.dialogs().then(ModalAnswerer::chooseFile(image));
    QCOMPARE(run("writeButton").text(),
             text("已写入 5000 B（010000h–011387h）：编程 20 次共 5000 字节，已校验。"));
    // The same file verifies; another one differs at its first byte.
    fixture.dialogs().then(ModalAnswerer::chooseFile(image));
    QCOMPARE(run("verifyButton").text(), text("校验一致：5000 字节（010000h–011387h）。"));
    bytes[0] = 'x';
    writeFile(folder.filePath("other.bin"), bytes);
    fixture.dialogs().then(ModalAnswerer::chooseFile(folder.filePath("other.bin")));
    fixture.dialogs().then(ModalAnswerer::pressDefault());
    run("verifyButton");
    const QString mismatch = text("校验不一致：首个不同在 010000h（应为 78h，读出 05h）。");
    QCOMPARE(fixture.dialogs().summary().last(), warningSummary(mismatch).first());
    QCOMPARE(label("resultLabel"), mismatch);
    QCOMPARE(notes().size(), 3);
    QVERIFY(notes().last().contains(text("闪存校验（设备 0，SPI1_CS1）：") + mismatch));
    // A file gone between the choice and the reading: a warning, nothing starts.
    clearAdapterCalls();
    const QString gone = folder.filePath("gone.bin");
    writeFile(gone, "x");
    fixture.dialogs().then([gone](QWidget *dialog) {
        ModalAnswerer::chooseFile(gone)(dialog);
        QFile::remove(gone);
    });
    in<QPushButton>("writeButton")->click();
    QTRY_COMPARE(fixture.dialogs().summary().size(), 6);
    QVERIFY(fixture.dialogs().summary().last().startsWith(text("QMessageBox|警告|无法读取文件 ") +
                                                          gone + text("：")));
    QCOMPARE(adapterCalls(), QStringList());
}

void TestFlashWindow::erases()
{
    QVERIFY(open());
    // Bad ranges refused with a warning, an erase declined: nothing starts.
    setRange("zz", "");
    in<QPushButton>("eraseButton")->click();
    QTRY_COMPARE(fixture.dialogs().summary(),
                 warningSummary(text("起始地址“zz”无效：请输入十进制数或 0x 开头的十六进制数。")));
    setRange("0", "0");
    in<QPushButton>("eraseButton")->click();
    QTRY_COMPARE(fixture.dialogs().summary().last(),
                 warningSummary(text("长度“0”无效：请输入大于 0 的十进制数或 0x 开头的十六进制数，"
                                     "留空表示到芯片末尾。"))
                     .first());
    setRange("0x8000", "32K");
    fixture.dialogs().then(ModalAnswerer::press("No"));
    in<QPushButton>("eraseButton")->click();
    QTRY_COMPARE(fixture.dialogs().summary().last(),
                 text("QMessageBox|闪存编程|确定擦除从 008000h 起的 32 KiB？"));
    QCOMPARE(adapterCalls(), QStringList());
    QVERIFY(!flash->jobRunner().isRunning());
    fixture.dialogs().then(ModalAnswerer::press("Yes"));
    QCOMPARE(run("eraseButton").text(), text("已擦除 32 KiB（008000h–00FFFFh）。"));
    // An empty length: up to the chip's end, said so before.
    setRange("0x1F0000", "");
    fixture.dialogs().then(ModalAnswerer::press("Yes"));
    QCOMPARE(run("eraseButton").text(), text("已擦除 64 KiB（1F0000h–1FFFFFh）。"));
    QCOMPARE(fixture.dialogs().summary().last(),
             text("QMessageBox|闪存编程|确定擦除从 1F0000h 到芯片末尾的内容？"));
    // The whole chip: one chip erase, after a warning that says what is lost.
    fixture.dialogs().then(ModalAnswerer::press("Yes"));
    QCOMPARE(run("chipEraseButton").text(), text("已擦除 2 MiB（000000h–1FFFFFh）。"));
    QCOMPARE(fixture.dialogs().summary().last(),
             text("QMessageBox|闪存编程|确定擦除整片闪存？芯片上的全部内容都将丢失。"));
    QCOMPARE(notes().size(), 3);
}

void TestFlashWindow::cancelled()
{
    QVERIFY(open());
    // Cancelled at the first page programmed: the rest stays as the erase left it.
    writeFile(folder.filePath("image.bin"), QByteArray(8192, '\x11'));
    connect(&flash->jobRunner(), &FlashJobRunner::progress, this,
            [this](FlashPhase phase, quint64 done) {
                if (phase != FlashPhase::Program || done == 0)
                    return;
                QVERIFY(!in<QPushButton>("writeButton")->isEnabled());
                in<QPushButton>("cancelButton")->click();
                QVERIFY(!in<QPushButton>("cancelButton")->isEnabled());
            });
    fixture.dialogs().then(ModalAnswerer::chooseFile(folder.filePath("image.bin")));
    QCOMPARE(run("writeButton").text(), text("已取消。芯片现状：000000h–0000FFh 已写入，尚未校验；"
                                             "000100h–001FFFh 已擦除。"));
    QCOMPARE(fixture.dialogs().summary(), QStringList(text("QFileDialog|写入文件|"))); // no warning
    QVERIFY(in<QPushButton>("writeButton")->isEnabled());
    QCOMPARE(notes().size(), 1);
}

void TestFlashWindow::panelSettingsAndSharedSession()
{
    // The job takes the panel's mode and clock when it starts.
    fixture.select("controlModeComboBox", 0);
    fixture.select("clockSpeedComboBox", 3);
    const QString clock = fixture.find<QComboBox>("clockSpeedComboBox")->currentText();
    QVERIFY(open());
    // The main window's own requests are refused while the job holds the session.
    fixture.setWriteText("writeTextEdit", "AA");
    int clicked = 0;
    connect(&flash->jobRunner(), &FlashJobRunner::progress, this, [&](FlashPhase, quint64 done) {
        if (done > 0 && clicked++ == 0)
            fixture.find<QAbstractButton>("writePushButton")->click();
    });
    in<QLineEdit>("lengthEdit")->setText("100");
    fixture.dialogs().then(ModalAnswerer::chooseFile(folder.filePath("panel.bin")));
    QVERIFY(run("readButton").ok());
    QCOMPARE(clicked, 1);
    const QStringList calls = adapterCalls();
    QCOMPARE(calls.filter("SpiConfigure"),
             QStringList(QString("SpiConfigure(0,0x10,[00 01 00 00 00 00],%1) => 0").arg(clock)));
    QCOMPARE(calls.filter("SpiWrite(").size(), 0);
    // Free again: the main window's transfer is made, with the panel configured afresh.
    clearAdapterCalls();
    fixture.click("writePushButton");
    QCOMPARE(adapterCalls().first(), QString("AdapterScan(0) => 1"));
    QCOMPARE(fixture.logLines().mid(1), QStringList({"TX : AA ", "RX : FF "}));
}

void TestFlashWindow::closingCancels()
{
    QVERIFY(open());
    QVERIFY(flash->isVisible() && flash->isWindow());
    QCOMPARE(flash->windowTitle(), text("闪存编程"));
    QVERIFY(fixture.window().isEnabled()); // not modal
    QVERIFY(!in<QPushButton>("cancelButton")->isEnabled());
    connect(&flash->jobRunner(), &FlashJobRunner::progress, this, [this](FlashPhase, quint64 done) {
        if (done > 0 && flash->isVisible())
            flash->close();
    });
    in<QLineEdit>("lengthEdit")->setText("64K");
    fixture.dialogs().then(ModalAnswerer::chooseFile(folder.filePath("closing.bin")));
    QCOMPARE(run("readButton").text(), text("已取消。"));
    QVERIFY(!QFile::exists(folder.filePath("closing.bin")));
    // Opened again it is the same window; closing the main window closes it too.
    fixture.trigger("actionFlash");
    QCOMPARE(fixture.window().findChildren<FlashWindow *>().size(), 1);
    QVERIFY(flash->isVisible());
    fixture.window().close();
    QVERIFY(!flash->isVisible());
}

QTEST_MAIN(TestFlashWindow)
#include "tst_flashwindow.moc"
