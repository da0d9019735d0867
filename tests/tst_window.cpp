// The window's wiring: what each widget hands to the session, the runner and the auto-start,
// what it shows of their results, the list editing and files, the log's saves, the hex boxes and
// the help boxes. (What a saved log holds: the log feature and log store tests.)

#include "kavristest.h"

#include "telkor/telkortest.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

QString configure(const char *bytes, int hz = 50000000, int channel = 0)
{
    return QString::asprintf("SpiConfigure(0,0x%02X,[%s],%d) => 0", channel, bytes, hz);
}

const QByteArray listHeader =
    QString::fromUtf8(";该文件为KAVRIS列表操作文件，每行为一个操作，若当前行为\";\"开头，则当前行为"
                      "注释行\r\n;选择,操作类型,写数据,读数据字节数,延时(毫秒)\r\n")
        .toUtf8();

} // namespace

class TestWindow : public WindowTest
{
    Q_OBJECT

private slots:
    void panelAndButtonsReachTheAdapter_data();
    void panelAndButtonsReachTheAdapter();
    void modesLockPanelAndConfigure();
    void addedRowsSlaveRowsAndDelete();
    void typingIntoCells_data();
    void typingIntoCells();
    void listFileRoundTrip();
    void longRowNeverCut();
    void cycleWithAutoStartFailuresAndClose();
    void helpBoxesAndHexBox();
    void tokensMarkedAndNoted();
    void saveSuffixAndRememberedSettings();

private:
    QTableView *table() { return fixture.find<QTableView>("operationTableWidget"); }
    OperationListModel &rows() { return MainWindowTestAccess::operations(fixture.window()); }
    QTemporaryDir folder;
};

void TestWindow::panelAndButtonsReachTheAdapter_data()
{
    QTest::addColumn<QString>("panel"); // "box=item text" chosen first
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("configuration");
    QTest::addColumn<QString>("call");
    const QString standard = configure("01 01 00 00 00 00");
    const char *read = "SpiRead(0,0x00,5) => 0";
    // clang-format off
    QTest::newRow("full duplex") << QString::fromUtf8("controlModeComboBox=硬件全双工") << "readPushButton" << configure("00 01 00 00 00 00") << read;
    QTest::newRow("clock polarity") << QString("clockPolarityComboBox=1") << "readPushButton" << configure("01 01 01 00 00 00") << read;
    QTest::newRow("clock phase") << QString("clockPhaseComboBox=1") << "readPushButton" << configure("01 01 00 01 00 00") << read;
    QTest::newRow("LSB first") << QString::fromUtf8("shiftDirComboBox=低位在前") << "readPushButton" << configure("01 01 00 00 01 00") << read;
    QTest::newRow("CS active high") << QString::fromUtf8("csPolarityComboBox=高电平") << "readPushButton" << configure("01 01 00 00 00 01") << read;
    QTest::newRow("last clock") << QString("clockSpeedComboBox=390450") << "readPushButton" << configure("01 01 00 00 00 00", 390450) << read;
    QTest::newRow("SPI2_CS4") << QString("channelIndexComboBox=SPI2_CS4") << "readPushButton" << configure("01 01 00 00 00 00", 50000000, 0x41) << "SpiRead(0,0x41,5) => 0";
    QTest::newRow("write: tokens unsigned") << "" << "writePushButton" << standard << "SpiWrite(0,0x00,[FF 00 FF],3) => 0";
    QTest::newRow("write-read: tokens signed, count") << "" << "writeReadPushButton" << standard << "SpiWriteRead(0,0x00,[00 FF FF],3,5,0) => 0";
    QTest::newRow("block write: size, interval") << "" << "blockWritePushButton" << standard << "SpiBlockWrite(0,0x00,[01 02 03 04],2,2,700) => 0";
    QTest::newRow("block read: size, count, interval") << "" << "blockReadPushButton" << standard << "SpiBlockRead(0,0x00,3,4,700) => 0";
    QTest::newRow("block write-read: both sizes") << "" << "blockWriteReadPushButton" << standard << "SpiBlockWriteRead(0,0x00,[01 02 03 04],2,3,2,700) => 0";
    // clang-format on
}

void TestWindow::panelAndButtonsReachTheAdapter()
{
    QFETCH(QString, panel);
    QFETCH(QString, button);
    QFETCH(QString, configuration);
    QFETCH(QString, call);
    fixture.setWriteText("writeTextEdit", QStringLiteral("FFFFFFFF -1 1FF"));
    fixture.setWriteText("blockWriteTextEdit", QStringLiteral("01 02 03 04 05"));
    fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(5);
    fixture.find<QSpinBox>("writeBlockSizesSinBox")->setValue(2);
    fixture.find<QSpinBox>("readBlockSizeSpinBox")->setValue(3);
    fixture.find<QSpinBox>("blockReadCountSpinBox")->setValue(4);
    fixture.find<QSpinBox>("intervalTimeSpinBox")->setValue(700);
    if (!panel.isEmpty()) {
        auto *box = fixture.find<QComboBox>(qPrintable(panel.section(QLatin1Char('='), 0, 0)));
        const int item = box->findText(panel.section(QLatin1Char('='), 1));
        QVERIFY(item >= 0);
        box->setCurrentIndex(item);
    }
    fixture.click(qPrintable(button));
    QCOMPARE(adapterCalls(),
             QStringList({"AdapterScan(0) => 1", "AdapterOpen(0) => 1", configuration, call}));
}

void TestWindow::modesLockPanelAndConfigure()
{
    // The software mode, never a slave, configures exactly the clock typed.
    fixture.select("controlModeComboBox", 2);
    auto *clock = fixture.find<QComboBox>("clockSpeedComboBox");
    fixture.click("readPushButton");
    QLineEdit *edit = clock->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, QStringLiteral("250000"));
    QVERIFY(MainWindowTestAccess::session(fixture.window()).isStale()); // every keystroke re-arms
    QTest::keyClick(edit, Qt::Key_Return);
    clearAdapterCalls();
    fixture.click("readPushButton");
    QCOMPARE(adapterCalls().mid(2),
             QStringList({configure("02 01 00 00 00 00", 250000), "SpiRead(0,0x00,10) => 0"}));

    // The slave locks the panel and configures at once.
    fixture.select("controlModeComboBox", 0);
    fixture.select("clockSpeedComboBox", 4);
    clearAdapterCalls();
    fixture.select("workingModeComboBox", 0);
    QCOMPARE(adapterCalls(), QStringList({"AdapterScan(0) => 1", "AdapterOpen(0) => 1",
                                          configure("01 00 00 00 00 00")}));
    QVERIFY(MainWindowTestAccess::session(fixture.window()).isStale()); // again next time
    const char *locked[] = {"clockSpeedComboBox",      "csPolarityComboBox",
                            "controlModeComboBox",     "writeReadPushButton",
                            "blockReadPushButton",     "blockWritePushButton",
                            "blockWriteReadPushButton"};
    for (const char *name : locked)
        QVERIFY2(!fixture.find<QWidget>(name)->isEnabled(), name);
    fixture.select("workingModeComboBox", 1);
    for (const char *name : locked)
        QVERIFY2(fixture.find<QWidget>(name)->isEnabled(), name);

    // Without an adapter the slave switch warns, after stopping the auto-start.
    TelkorTestSetAdapterCount(0);
    fixture.find<QSpinBox>("timerSpinBox")->setValue(3000);
    fixture.click("autoStartPushButton");
    fixture.select("workingModeComboBox", 0);
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("无设备连接！")));
    QVERIFY(!MainWindowTestAccess::autoStartRunning(fixture.window()));
}

void TestWindow::addedRowsSlaveRowsAndDelete()
{
    fixture.click("toolButtonAddNew");
    fixture.select("workingModeComboBox", 0);
    fixture.click("toolButtonAddNew");
    fixture.select("workingModeComboBox", 1);
    fixture.click("toolButtonAddNew");
    // The row made as a slave offers write and read only, for good.
    QStringList offered;
    for (int row = 0; row < 3; ++row) {
        std::unique_ptr<QWidget> editor(table()->itemDelegate()->createEditor(
            table()->viewport(), QStyleOptionViewItem(), rows().index(row, 1)));
        offered.append(QString::number(qobject_cast<QComboBox *>(editor.get())->count()));
    }
    QCOMPARE(offered, QStringList({"3", "2", "3"}));

    // Deleting the checked rows asks once; with nothing checked it does not ask.
    rows().setData(rows().index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    fixture.dialogs().then(ModalAnswerer::press(QStringLiteral("Yes")));
    fixture.click("toolButtonDelete");
    QCOMPARE(fixture.dialogs().summary(), warningSummary(QString::fromUtf8("确定删除选中行？")));
    QCOMPARE(fixture.dialogs().seen.first().buttons, QStringList({"Yes", "No"}));
    QCOMPARE(rows().rowCount(), 1);
    QVERIFY(!rows().row(0).writeReadOffered); // the slave's row stayed
    fixture.click("toolButtonDelete");
    QCOMPARE(fixture.dialogs().seen.size(), 1);
}

void TestWindow::typingIntoCells_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    // One row per cell: the delegate gives each its own validator (tested on their own).
    QTest::newRow("count: 10229 refused at its last digit") << 3 << "10229" << QString("1022");
    QTest::newRow("delay: no letters or signs") << 4 << "-a+5" << QString("5");
    QTest::newRow("hex: two blanks refused") << 2 << "12  34" << QString("12 34");
}

void TestWindow::typingIntoCells()
{
    QFETCH(int, column);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    fixture.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    fixture.click("toolButtonAddNew");
    rows().setData(rows().index(0, column), QString());
    table()->edit(rows().index(0, column));
    auto *edit = table()->findChild<QLineEdit *>();
    QVERIFY(edit);
    QTest::keyClicks(edit, keys); // every keystroke reaches the row at once
    QCOMPARE(rows().index(0, column).data().toString(), text);
}

void TestWindow::listFileRoundTrip()
{
    const auto rowTexts = [this] { // "check|operation|data|count|delay"
        QStringList texts;
        for (int row = 0; row < rows().rowCount(); ++row) {
            QStringList cells{rows().isChecked(row) ? QStringLiteral("1") : QStringLiteral("0")};
            for (int column = 1; column < OperationListModel::ColumnCount; ++column)
                cells.append(rows().index(row, column).data().toString());
            texts.append(cells.join(QLatin1Char('|')));
        }
        return texts;
    };
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    rows().setData(rows().index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    rows().setData(rows().index(1, 1), int(Operation::WriteRead));
    rows().setData(rows().index(1, 2), QStringLiteral("9F "));
    rows().setData(rows().index(1, 4), QStringLiteral("007"));
    const QStringList before = rowTexts();
    const QString path = folder.filePath(QStringLiteral("list.list"));
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.click("toolButtonSaveListToFile");
    QCOMPARE(fileBytes(path),
             listHeader + QString::fromUtf8("1,写数据,11 22 33 44 55 66 77 88 99 AA BB CC DD EE "
                                            "FF,0,0\r\n0,写读数据,9F ,0,007\r\n")
                              .toUtf8());
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.click("toolButtonOpenListFromFile");
    QCOMPARE(rowTexts(), before + before); // appended

    // Loaded as a slave, a write-read row keeps its operation, unchecked; one warning for all.
    fixture.select("workingModeComboBox", 0);
    putFile(path, "1,写读数据,9F ,0,007\r\nfalse,写数据,01,0,0\r\n");
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.click("toolButtonOpenListFromFile");
    QCOMPARE(rowTexts().mid(4), QStringList({QString::fromUtf8("0|写读数据|9F |0|007"),
                                             QString::fromUtf8("0|写数据|01|0|0")}));

    // A folder that is not there; a file gone between the choice and the reading.
    const QString missing = folder.filePath(QStringLiteral("missing/folder/x.list"));
    fixture.dialogs().then(ModalAnswerer::chooseFile(missing));
    fixture.click("toolButtonSaveListToFile");
    const QString gone = folder.filePath(QStringLiteral("gone.list"));
    putFile(gone, "1,写数据,01,0,0\n");
    fixture.dialogs().then([gone](QWidget *dialog) {
        ModalAnswerer::chooseFile(gone)(dialog);
        QFile::remove(gone);
    });
    fixture.click("toolButtonOpenListFromFile");
    const QString save = QString::fromUtf8("QFileDialog|保存列表文件|"),
                  open = QString::fromUtf8("QFileDialog|打开列表文件|");
    QCOMPARE(
        fixture.dialogs().summary().mid(1),
        QStringList({open, open,
                     QString::fromUtf8("QMessageBox|警告|列表文件中以下行的选择字段不是0或1，已载"
                                       "入为未选中行：第2行“false”。请检查后再执行！\n从机模式下不"
                                       "能执行写读数据，以下行已载入为未选中行：第1行。请检查后再执"
                                       "行！"),
                     save, QString::fromUtf8("QMessageBox|警告|保存文件出错！"), open,
                     QString::fromUtf8("QMessageBox|警告|打开文件出错！")}));
    QCOMPARE(rows().rowCount(), 6); // nothing loaded
    QVERIFY(!QFile::exists(missing));
}

void TestWindow::longRowNeverCut()
{
    // A row of 20 481 bytes, longer than a line edit holds: an editor opened on it keeps it whole,
    // a pass refuses it, and it is saved back as it is.
    const QString data = QStringLiteral("AA ").repeated(20481);
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    rows().setData(rows().index(0, 2), QStringLiteral("01"));
    rows().setData(rows().index(1, 2), data);
    fixture.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
    table()->setCurrentIndex(rows().index(1, 2));
    table()->edit(rows().index(1, 2));
    table()->setCurrentIndex(QModelIndex()); // leaving the cell takes the editor's text
    QCOMPARE(rows().row(1).writeData.size(), data.size());
    fixture.click("toolButtonExecuteOnce");
    QTRY_VERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());
    QCOMPARE(transferCalls(), QStringList({"SpiWrite(0,0x00,[01],1) => 0"}));
    QCOMPARE(fixture.dialogs().summary(),
             warningSummary(QString::fromUtf8("写数据超过20480字节的缓冲区上限，未发送！")));
    const QString copy = folder.filePath(QStringLiteral("copy.list"));
    fixture.dialogs().then(ModalAnswerer::chooseFile(copy));
    fixture.click("toolButtonSaveListToFile");
    QCOMPARE(fileBytes(copy),
             listHeader +
                 QString::fromUtf8("1,写数据,01,0,0\r\n1,写数据,%1,0,0\r\n").arg(data).toUtf8());
}

void TestWindow::cycleWithAutoStartFailuresAndClose()
{
    fixture.click("toolButtonAddNew");
    rows().setData(rows().index(0, 2), QStringLiteral("0A"));
    rows().setData(rows().index(0, 4), QStringLiteral("20"));
    // An auto-start tick between the rows fails: it stops its own timer, the cycle goes on.
    fixture.find<QSpinBox>("timerSpinBox")->setValue(5);
    fixture.find<QComboBox>("operationComboBox")->setCurrentIndex(1); // read
    fixture.click("readPushButton"); // prepared, so the tick's read reaches the adapter
    TelkorTestForceResult("SpiRead", -1, 1);
    auto *autoStart = fixture.find<QPushButton>("autoStartPushButton");
    QString during; // the warning comes after the auto-start stopped
    fixture.dialogs().then([&](QWidget *box) {
        during = autoStart->text() +
                 QString::number(MainWindowTestAccess::runner(fixture.window()).isCycling());
        ModalAnswerer::pressDefault()(box);
    });
    auto *cycle = fixture.find<QToolButton>("toolButtonExecuteCycle");
    fixture.click("autoStartPushButton");
    QCOMPARE(autoStart->text(), QString::fromUtf8("停止"));
    fixture.click("toolButtonExecuteCycle");
    QCOMPARE(cycle->toolTip(), QString::fromUtf8("停止循环执行列表"));
    QTRY_COMPARE(during, QString::fromUtf8("开始1")); // stopped before it warned; cycling
    QTRY_VERIFY(transferCalls().count(QStringLiteral("SpiWrite(0,0x00,[0A],1) => 0")) >= 3);
    fixture.click("toolButtonExecuteCycle");
    QTRY_VERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());

    // A failing row warns and ends the cycle, and leaves the auto-start running.
    fixture.find<QSpinBox>("timerSpinBox")->setValue(3000);
    fixture.click("autoStartPushButton");
    forceNext(QStringLiteral("SpiWrite=-1"));
    fixture.click("toolButtonExecuteCycle");
    QTRY_COMPARE(fixture.dialogs().summary(),
                 warningSummary(QString::fromUtf8("读数据失败！")) +
                     warningSummary(QString::fromUtf8("写数据失败！")));
    QTRY_COMPARE(cycle->toolTip(), QString::fromUtf8("循环执行列表"));
    QVERIFY(MainWindowTestAccess::autoStartRunning(fixture.window()));

    // Closing during a cycle's delay ends the program promptly, and nothing more is sent.
    rows().setData(rows().index(0, 4), QStringLiteral("1000"));
    clearAdapterCalls();
    QTimer::singleShot(0, &fixture.window(), [this] {
        fixture.find<QAbstractButton>("toolButtonExecuteCycle")->click();
    });
    QTimer::singleShot(100, &fixture.window(), [this] { fixture.window().close(); });
    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(QDateTime::currentMSecsSinceEpoch() - started < 900); // the delay was cut short
    QVERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());
    QCOMPARE(autoStart->text(), QString::fromUtf8("开始"));
    QCOMPARE(transferCalls(), QStringList({"SpiWrite(0,0x00,[0A],1) => 0"}));
}

void TestWindow::helpBoxesAndHexBox()
{
    QSize picture;
    fixture.dialogs().then([&](QWidget *widget) {
        picture = qobject_cast<QMessageBox *>(widget)->iconPixmap().size();
        ModalAnswerer::pressDefault()(widget);
    });
    fixture.trigger("actionPinMap");
    fixture.trigger("actionAbout");
    DeviceInfo info{};
    qstrcpy(info.firmwareName, "USB2SPI 固件");
    info.firmwareVersion = 0x01020003;
    TelkorTestSetDeviceInfo(&info, reinterpret_cast<const uint8_t *>("SPI"), 3);
    fixture.trigger("actionFirmwareInfo");
    fixture.select("deviceIndexComboBox", 1);
    fixture.trigger("actionFirmwareInfo");
    const QStringList summary = fixture.dialogs().summary();
    QCOMPARE(summary.at(0), QString::fromUtf8("QMessageBox|管脚定义|"));
    QVERIFY(summary.at(1).startsWith(QString::fromUtf8("QMessageBox|帮助|官方网站")) &&
            summary.at(1).endsWith(QString::fromUtf8("<br>版本信息：v1.0.1")));
    QCOMPARE(picture, QSize(596, 381));
    QCOMPARE(summary.at(2),
             QString::fromUtf8("QMessageBox|固件信息|固件名称: USB2SPI 固件\n编译日期: \n"
                               "固件版本: v1.2.3\n硬件版本: v0.0.0\n设备序号: "
                               "000000000000000000000000\n固件功能: SPI"));
    QCOMPARE(summary.at(3), QString::fromUtf8("QMessageBox|警告|该设备未连接！"));

    // The hex box shows bytes as text, never as markup; illegal characters stay and warn.
    auto *box = fixture.find<QTextEdit>("blockWriteTextEdit");
    auto *hex = fixture.find<QCheckBox>("blockHexSendCheckBox");
    box->setPlainText(QStringLiteral("3C 62 3E 68 69"));
    hex->click();
    QCOMPARE(box->toPlainText(), QStringLiteral("<b>hi")); // stays text, never markup
    hex->click();
    QCOMPARE(box->toPlainText(), QStringLiteral("3C 62 3E 68 69 "));
    box->setPlainText(QStringLiteral("41 G2"));
    hex->click();
    QCOMPARE(box->toPlainText(), QStringLiteral("41 G2"));
    // More than the adapter takes is never converted (either way), so it never holds the window.
    const QString tooMuch = QStringLiteral("41 ").repeated(20481);
    box->setPlainText(tooMuch);
    hex->click();
    QVERIFY(hex->isChecked());
    box->setPlainText(QString(20481, QLatin1Char('A')));
    hex->setChecked(false);
    hex->click();
    QVERIFY(!hex->isChecked());
    QCOMPARE(box->toPlainText().size(), 20481);
    const QString refused = QStringLiteral(
        "QMessageBox|Warning|Too much data to convert: at most 20480 bytes can be sent!");
    QCOMPARE(fixture.dialogs().summary().mid(4),
             QStringList({"QMessageBox|Warning|Contains illegal characters!", refused, refused}));
}

void TestWindow::tokensMarkedAndNoted()
{
    // Marked as typed, only in hex mode: either button's conversion counts in the basic box.
    auto *box = fixture.find<QTextEdit>("writeTextEdit");
    auto *hex = fixture.find<QCheckBox>("hexSendCheckBox");
    const auto marks = [](QTextEdit *edit) {
        QStringList runs;
        for (const QTextLayout::FormatRange &range :
             edit->document()->firstBlock().layout()->formats())
            if (range.format.underlineStyle() == QTextCharFormat::WaveUnderline)
                runs.append(
                    QStringLiteral("%1-%2").arg(range.start).arg(range.start + range.length));
        return runs.join(' ');
    };
    box->setPlainText(QStringLiteral("ZZ 1G 300 0x9F -0"));
    QCoreApplication::processEvents();
    QCOMPARE(marks(box), QStringLiteral("0-2 3-5 6-9 15-17"));
    hex->setChecked(false);
    QCOMPARE(marks(box), QString());
    box->textCursor().insertText(QStringLiteral("GG ")); // typed as text: not marked either
    QCOMPARE(marks(box), QString());
    hex->setChecked(true);
    QCOMPARE(marks(box), QStringLiteral("0-2 3-5 6-8 9-12 18-20"));
    auto *block = fixture.find<QTextEdit>("blockWriteTextEdit");
    block->setPlainText(QStringLiteral("01 -0 1FF"));
    QCoreApplication::processEvents();
    QCOMPARE(marks(block), QStringLiteral("6-9")); // signed only: -0 is 00

    // After the transfer, the status bar says what went out for them.
    QStatusBar *status = fixture.window().statusBar();
    fixture.click("writePushButton");
    QCOMPARE(transferCalls().last(), QStringLiteral("SpiWrite(0,0x00,[00 00 00 00 9F 00],6) => 0"));
    QCOMPARE(status->currentMessage(),
             QString::fromUtf8("5个无效十六进制数已按 00 00 00 00 00 发送：GG、ZZ、1G、300、-0"));
    box->setPlainText(QStringLiteral("FFFFFFFF 01"));
    fixture.click("writeReadPushButton");
    QCOMPARE(status->currentMessage(),
             QString::fromUtf8("1个无效十六进制数已按 00 发送：FFFFFFFF"));
    fixture.click("readPushButton"); // sends nothing written: no note
    QCOMPARE(status->currentMessage(), QString());
    // A block train says how many blocks went out in what time, before the note.
    const auto matches = [status](const char *pattern) {
        return QRegularExpression(QString::fromUtf8(pattern))
            .match(status->currentMessage())
            .hasMatch();
    };
    fixture.click("blockWritePushButton");
    QVERIFY2(matches("^块写数据完成：1块，用时\\d\\.\\d{3}秒；1个无效十六进制数已按 FF 发送：1FF$"),
             qPrintable(status->currentMessage()));
    box->setPlainText(QStringLiteral("ZZ"));
    hex->setChecked(false); // text: the characters are the bytes
    fixture.click("writePushButton");
    QCOMPARE(status->currentMessage(), QString());

    // A list pass names the first row that sent such tokens.
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    rows().setData(rows().index(1, 2), QStringLiteral("01 G"));
    fixture.click("toolButtonExecuteOnce");
    QTRY_VERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());
    QVERIFY2(
        matches("^单次执行列表完成：执行2行，用时\\d+\\.\\d{3}秒；列表第2行：1个无效十六进制数已按 "
                "00 发送：G$"),
        qPrintable(status->currentMessage()));
    QCOMPARE(transferCalls().last(), QStringLiteral("SpiWrite(0,0x00,[01 00],2) => 0"));
}

void TestWindow::saveSuffixAndRememberedSettings()
{
    fixture.setWriteText("writeTextEdit", QStringLiteral("01"));
    fixture.click("writePushButton");
    const QString logs = folder.filePath(QStringLiteral("logs")),
                  lists = folder.filePath(QStringLiteral("lists"));
    QVERIFY(QDir().mkpath(logs) && QDir().mkpath(lists));
    // A name without a dot gets the chosen filter's suffix.
    fixture.dialogs().then(ModalAnswerer::chooseFile(logs + "/log"));
    fixture.trigger("actionSave_As_Text");
    QCOMPARE(fileBytes(logs + "/log.txt"), QByteArray("TX : 01 \n"));
    fixture.dialogs().then(ModalAnswerer::chooseFile(lists + "/x"));
    fixture.click("toolButtonSaveListToFile");
    QCOMPARE(fileBytes(lists + "/x.list"), listHeader);
    // The file the suffix names is asked about before it is replaced.
    fixture.click("writePushButton");
    fixture.dialogs().then(ModalAnswerer::chooseFile(logs + "/log"));
    fixture.dialogs().then(ModalAnswerer::press(QStringLiteral("No")));
    fixture.trigger("actionSave_As_Text");
    QCOMPARE(fileBytes(logs + "/log.txt"), QByteArray("TX : 01 \n"));
    // A save that fails says so (declined, as above, it says nothing).
    fixture.dialogs().then(ModalAnswerer::chooseFile(folder.filePath("no/such/log.html")));
    fixture.trigger("actionSave_As_Html");
    QCOMPARE(fixture.dialogs().summary().mid(2),
             QStringList({"QFileDialog|Save File|",
                          "QMessageBox|Save File|log.txt already exists.\nDo you want to replace "
                          "it?",
                          "QFileDialog|Save File|", "QMessageBox|Warning|Save file failed!"}));

    // What the user set up comes back in the next window; the bus settings do not.
    fixture.trigger("actionTxt");
    fixture.select("clockPhaseComboBox", 1);
    fixture.window().resize(1300, 950);
    fixture.window().close();
    MainWindow next;
    next.show();
    QVERIFY(next.findChild<QAction *>("actionTxt")->isChecked());
    QCOMPARE(next.findChild<QComboBox *>("clockPhaseComboBox")->currentIndex(), 0);
    QCOMPARE(next.size(), QSize(1300, 950));
    QString opened;
    fixture.dialogs().then([&](QWidget *dialog) {
        opened = qobject_cast<QFileDialog *>(dialog)->directory().path();
        ModalAnswerer::cancel()(dialog);
    });
    QMetaObject::invokeMethod(&next, "on_toolButtonOpenListFromFile_clicked");
    QCOMPARE(opened, lists);
    // ASCII display is on: a transfer's echo is text.
    next.findChild<QTextEdit *>("writeTextEdit")->setPlainText(QStringLiteral("41 42"));
    next.findChild<QAbstractButton *>("writePushButton")->click();
    TrafficLog *log = next.findChild<TrafficLogView *>("dataTextBrowser")->log();
    QTRY_COMPARE(log->count(), qint64(1)); // answered from the event loop
    QCOMPARE(log->lineText(0), QStringLiteral("TX : AB"));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
