// The window as it opens: every named object, its texts, items, ranges and defaults, the
// pictures, the menus, the stale-configuration wiring and the exit action.

#include "kavristest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

class TestStartup : public WindowTest
{
    Q_OBJECT

private slots:
    void objectNames_data();
    void objectNames();
    void windowItself();
    void comboBoxes_data();
    void comboBoxes();
    void spinBoxes_data();
    void spinBoxes();
    void texts_data();
    void texts();
    void writeBoxes();
    void toolButtons_data();
    void toolButtons();
    void menusAndToolBar();
    void pictures_data();
    void pictures();
    void operationTable();
    void startState();
    void configurationWidgetsMarkStale_data();
    void configurationWidgetsMarkStale();
    void exitActionEndsEventLoop();
};

void TestStartup::objectNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    const char *table[][2] = {
        {"actionTxt", "QAction"},
        {"actionClear", "QAction"},
        {"actionAbout", "QAction"},
        {"actionExit", "QAction"},
        {"actionSave_As_Text", "QAction"},
        {"actionSave_As_Html", "QAction"},
        {"actionPinMap", "QAction"},
        {"actionFirmwareInfo", "QAction"},
        {"centralWidget", "QWidget"},
        {"gridLayout_4", "QGridLayout"},
        {"verticalLayout_3", "QVBoxLayout"},
        {"horizontalLayout_11", "QHBoxLayout"},
        {"groupBox", "QGroupBox"},
        {"gridLayout", "QGridLayout"},
        {"verticalLayout", "QVBoxLayout"},
        {"horizontalLayout", "QHBoxLayout"},
        {"horizontalLayout_2", "QHBoxLayout"},
        {"horizontalLayout_3", "QHBoxLayout"},
        {"horizontalLayout_4", "QHBoxLayout"},
        {"horizontalLayout_5", "QHBoxLayout"},
        {"horizontalLayout_6", "QHBoxLayout"},
        {"horizontalLayout_7", "QHBoxLayout"},
        {"horizontalLayout_8", "QHBoxLayout"},
        {"horizontalLayout_10", "QHBoxLayout"},
        {"label", "QLabel"},
        {"label_2", "QLabel"},
        {"label_3", "QLabel"},
        {"label_4", "QLabel"},
        {"label_5", "QLabel"},
        {"label_6", "QLabel"},
        {"label_7", "QLabel"},
        {"label_8", "QLabel"},
        {"label_10", "QLabel"},
        {"deviceIndexComboBox", "QComboBox"},
        {"channelIndexComboBox", "QComboBox"},
        {"controlModeComboBox", "QComboBox"},
        {"workingModeComboBox", "QComboBox"},
        {"clockPhaseComboBox", "QComboBox"},
        {"clockPolarityComboBox", "QComboBox"},
        {"csPolarityComboBox", "QComboBox"},
        {"shiftDirComboBox", "QComboBox"},
        {"clockSpeedComboBox", "QComboBox"},
        {"groupBox_2", "QGroupBox"},
        {"gridLayout_2", "QGridLayout"},
        {"dataTextBrowser", "TrafficLogView"},
        {"tabWidget", "QTabWidget"},
        {"tab", "QWidget"},
        {"gridLayout_3", "QGridLayout"},
        {"verticalLayout_2", "QVBoxLayout"},
        {"writeTextEdit", "QTextEdit"},
        {"horizontalLayout_13", "QHBoxLayout"},
        {"horizontalLayout_12", "QHBoxLayout"},
        {"label_11", "QLabel"},
        {"readByteCountSpinBox", "QSpinBox"},
        {"hexSendCheckBox", "QCheckBox"},
        {"writePushButton", "QPushButton"},
        {"readPushButton", "QPushButton"},
        {"writeReadPushButton", "QPushButton"},
        {"tab_4", "QWidget"},
        {"gridLayout_7", "QGridLayout"},
        {"verticalLayout_5", "QVBoxLayout"},
        {"blockWriteTextEdit", "QTextEdit"},
        {"horizontalLayout_15", "QHBoxLayout"},
        {"horizontalLayout_16", "QHBoxLayout"},
        {"horizontalLayout_17", "QHBoxLayout"},
        {"label_13", "QLabel"},
        {"writeBlockSizesSinBox", "QSpinBox"},
        {"horizontalLayout_19", "QHBoxLayout"},
        {"label_16", "QLabel"},
        {"readBlockSizeSpinBox", "QSpinBox"},
        {"label_12", "QLabel"},
        {"blockReadCountSpinBox", "QSpinBox"},
        {"horizontalLayout_18", "QHBoxLayout"},
        {"label_14", "QLabel"},
        {"intervalTimeSpinBox", "QSpinBox"},
        {"label_15", "QLabel"},
        {"blockHexSendCheckBox", "QCheckBox"},
        {"blockWritePushButton", "QPushButton"},
        {"blockReadPushButton", "QPushButton"},
        {"blockWriteReadPushButton", "QPushButton"},
        {"tab_2", "QWidget"},
        {"gridLayout_5", "QGridLayout"},
        {"verticalLayout_4", "QVBoxLayout"},
        {"operationTableWidget", "QTableWidget"},
        {"horizontalLayout_14", "QHBoxLayout"},
        {"horizontalLayout_22", "QHBoxLayout"},
        {"horizontalLayout_20", "QHBoxLayout"},
        {"label_17", "QLabel"},
        {"timerSpinBox", "QSpinBox"},
        {"label_18", "QLabel"},
        {"horizontalLayout_21", "QHBoxLayout"},
        {"label_19", "QLabel"},
        {"operationComboBox", "QComboBox"},
        {"autoStartPushButton", "QPushButton"},
        {"toolButtonAddNew", "QToolButton"},
        {"toolButtonDelete", "QToolButton"},
        {"toolButtonExecuteCycle", "QToolButton"},
        {"toolButtonExecuteOnce", "QToolButton"},
        {"toolButtonOpenListFromFile", "QToolButton"},
        {"toolButtonSaveListToFile", "QToolButton"},
        {"menuBar", "QMenuBar"},
        {"menuFile", "QMenu"},
        {"menuView", "QMenu"},
        {"menu", "QMenu"},
        {"menuHelp", "QMenu"},
        {"mainToolBar", "QToolBar"},
        {"statusBar", "QStatusBar"},
    };
    for (const auto &row : table)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void TestStartup::objectNames()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    const QList<QObject *> found = fixture.window().findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
}

void TestStartup::windowItself()
{
    MainWindow &window = fixture.window();
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(QString::fromLatin1(window.metaObject()->className()), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("TELKOR-KAVRIS"));
    // The form's size; on show, Qt enlarges it when the layout needs more room in the fonts
    // of this desktop.
    QCOMPARE(MainWindow().size(), QSize(1029, 559));
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(fixture.find<QGroupBox>("groupBox")->maximumWidth(), 200);
    QCOMPARE(fixture.find<QComboBox>("clockSpeedComboBox")->minimumWidth(), 100);
    QCOMPARE(fixture.find<QComboBox>("clockSpeedComboBox")->sizePolicy().horizontalPolicy(),
             QSizePolicy::Expanding);
    QCOMPARE(fixture.find<QLayout>("verticalLayout")->spacing(), 6);
    QCOMPARE(fixture.find<QLayout>("gridLayout_4")->contentsMargins(), QMargins(11, 11, 11, 11));

    // The 26 slots, in their order, with nothing else of the class's own.
    const QMetaObject *meta = window.metaObject();
    QStringList slotNames;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        slotNames.append(QString::fromLatin1(meta->method(i).methodSignature()));
    QCOMPARE(slotNames, QStringList({"on_writePushButton_clicked()",
                                     "on_readPushButton_clicked()",
                                     "on_writeReadPushButton_clicked()",
                                     "on_hexSendCheckBox_clicked(bool)",
                                     "on_actionClear_triggered()",
                                     "on_controlModeComboBox_currentIndexChanged(QString)",
                                     "on_workingModeComboBox_currentIndexChanged(QString)",
                                     "on_actionAbout_triggered()",
                                     "on_actionExit_triggered()",
                                     "on_actionTxt_triggered(bool)",
                                     "on_blockWritePushButton_clicked()",
                                     "on_blockReadPushButton_clicked()",
                                     "on_blockWriteReadPushButton_clicked()",
                                     "on_actionSave_As_Text_triggered()",
                                     "on_actionSave_As_Html_triggered()",
                                     "on_blockHexSendCheckBox_clicked(bool)",
                                     "on_autoStartPushButton_clicked()",
                                     "needReInit()",
                                     "on_actionFirmwareInfo_triggered()",
                                     "on_actionPinMap_triggered()",
                                     "on_toolButtonDelete_clicked()",
                                     "on_toolButtonAddNew_clicked()",
                                     "on_toolButtonExecuteCycle_clicked()",
                                     "on_toolButtonExecuteOnce_clicked()",
                                     "on_toolButtonOpenListFromFile_clicked()",
                                     "on_toolButtonSaveListToFile_clicked()"}));
}

void TestStartup::comboBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("current");
    QTest::newRow("device") << "deviceIndexComboBox"
                            << QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}) << 0;
    QTest::newRow("channel") << "channelIndexComboBox"
                             << QStringList({"SPI1_CS0", "SPI1_CS1", "SPI1_CS2", "SPI1_CS3",
                                             "SPI1_CS4", "SPI2_CS0", "SPI2_CS1", "SPI2_CS2",
                                             "SPI2_CS3", "SPI2_CS4"})
                             << 0;
    QTest::newRow("control mode") << "controlModeComboBox"
                                  << QStringList({QString::fromUtf8("硬件全双工"),
                                                  QString::fromUtf8("硬件半双工"),
                                                  QString::fromUtf8("软件半双工"),
                                                  QString::fromUtf8("单总线模式")})
                                  << 1;
    QTest::newRow("working mode") << "workingModeComboBox"
                                  << QStringList(
                                         {QString::fromUtf8("从机"), QString::fromUtf8("主机")})
                                  << 1;
    QTest::newRow("phase") << "clockPhaseComboBox" << QStringList({"0", "1"}) << 0;
    QTest::newRow("polarity") << "clockPolarityComboBox" << QStringList({"0", "1"}) << 0;
    QTest::newRow("cs polarity") << "csPolarityComboBox"
                                 << QStringList(
                                        {QString::fromUtf8("低电平"), QString::fromUtf8("高电平")})
                                 << 0;
    QTest::newRow("shift") << "shiftDirComboBox"
                           << QStringList(
                                  {QString::fromUtf8("高位在前"), QString::fromUtf8("低位在前")})
                           << 0;
    QTest::newRow("clock") << "clockSpeedComboBox"
                           << QStringList({"50000000", "25000000", "12500000", "6250000", "3125000",
                                           "1562500", "781250", "390450"})
                           << 0;
    QTest::newRow("operation") << "operationComboBox"
                               << QStringList(
                                      {QString::fromUtf8("写数据"), QString::fromUtf8("读数据"),
                                       QString::fromUtf8("写读数据"), QString::fromUtf8("块写数据"),
                                       QString::fromUtf8("块读数据"),
                                       QString::fromUtf8("块写读数据")})
                               << 0;
}

void TestStartup::comboBoxes()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(int, current);
    auto *box = fixture.find<QComboBox>(qPrintable(name));
    QStringList actual;
    for (int i = 0; i < box->count(); ++i)
        actual.append(box->itemText(i));
    QCOMPARE(actual, items);
    QCOMPARE(box->currentIndex(), current);
    QVERIFY(!box->isEditable());
    QVERIFY(box->isEnabled());
}

void TestStartup::spinBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::newRow("read count") << "readByteCountSpinBox" << 1 << 10230 << 10;
    QTest::newRow("write block") << "writeBlockSizesSinBox" << 1 << 10200 << 2;
    QTest::newRow("read block") << "readBlockSizeSpinBox" << 1 << 10200 << 2;
    QTest::newRow("block count") << "blockReadCountSpinBox" << 1 << 10200 << 5;
    QTest::newRow("interval") << "intervalTimeSpinBox" << 1 << 100000 << 100;
    QTest::newRow("timer") << "timerSpinBox" << 5 << 3000 << 10;
}

void TestStartup::spinBoxes()
{
    QFETCH(QString, name);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    auto *spin = fixture.find<QSpinBox>(qPrintable(name));
    QCOMPARE(spin->value(), value);
    spin->setValue(maximum + 1);
    QCOMPARE(spin->value(), maximum);
    spin->setValue(minimum - 1);
    QCOMPARE(spin->value(), minimum);
}

void TestStartup::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const char *table[][2] = {
        {"groupBox", "设置"},
        {"groupBox_2", "显示"},
        {"label", "设备索引："},
        {"label_2", "通道索引："},
        {"label_3", "控制模式："},
        {"label_4", "主从模式："},
        {"label_5", "时钟相位："},
        {"label_6", "时钟极性："},
        {"label_7", "片选极性："},
        {"label_8", "移位方向："},
        {"label_10", "时钟频率："},
        {"label_11", "读字节数："},
        {"hexSendCheckBox", "十六进制"},
        {"writePushButton", "写数据"},
        {"readPushButton", "读数据"},
        {"writeReadPushButton", "写读数据"},
        {"label_13", "写块大小："},
        {"label_16", "读块大小："},
        {"label_12", "读块数"},
        {"label_14", "块间隔时间"},
        {"label_15", "微妙"},
        {"blockHexSendCheckBox", "十六进制"},
        {"blockWritePushButton", "块写数据"},
        {"blockReadPushButton", "块读数据"},
        {"blockWriteReadPushButton", "块写读数据"},
        {"label_17", "定时时间："},
        {"label_18", "毫秒"},
        {"label_19", "操作类型："},
        {"autoStartPushButton", "开始"},
        {"actionTxt", "ASCII显示"},
        {"actionClear", "清除显示内容"},
        {"actionAbout", "关于"},
        {"actionExit", "退出"},
        {"actionSave_As_Text", "另存为 Text"},
        {"actionSave_As_Html", "另存为 Html"},
        {"actionPinMap", "引脚定义"},
        {"actionFirmwareInfo", "固件信息"},
        {"menuFile", "文件"},
        {"menuView", "显示"},
        {"menu", "工具"},
        {"menuHelp", "帮助"},
    };
    for (const auto &row : table)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromUtf8(row[1]);
}

void TestStartup::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QObject *object = fixture.window().findChild<QObject *>(name);
    QVERIFY(object);
    QString actual;
    if (auto *group = qobject_cast<QGroupBox *>(object))
        actual = group->title();
    else if (auto *menu = qobject_cast<QMenu *>(object))
        actual = menu->title();
    else
        actual = object->property("text").toString();
    QCOMPARE(actual, text);
}

void TestStartup::writeBoxes()
{
    for (const char *name : {"writeTextEdit", "blockWriteTextEdit"}) {
        auto *box = fixture.find<QTextEdit>(name);
        QCOMPARE(box->toPlainText(), QStringLiteral("11 22 33 44 55 66 77 88 99 AA"));
        QVERIFY(box->toHtml().contains(QStringLiteral("SimSun")));
    }
    QVERIFY(fixture.find<QCheckBox>("hexSendCheckBox")->isChecked());
    QVERIFY(fixture.find<QCheckBox>("blockHexSendCheckBox")->isChecked());
    QVERIFY(fixture.find<QAction>("actionTxt")->isCheckable());
    QVERIFY(!fixture.find<QAction>("actionTxt")->isChecked());
    auto *tabs = fixture.find<QTabWidget>("tabWidget");
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(0), QString::fromUtf8("基础读写"));
    QCOMPARE(tabs->tabText(1), QString::fromUtf8("块读写"));
    QCOMPARE(tabs->tabText(2), QString::fromUtf8("列表读写"));
}

void TestStartup::toolButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<int>("iconSize");
    QTest::newRow("add") << "toolButtonAddNew"
                         << "..." << QString::fromUtf8("新添加一行") << 20;
    QTest::newRow("delete") << "toolButtonDelete"
                            << "..." << QString::fromUtf8("删除当前选中行") << 16;
    QTest::newRow("cycle") << "toolButtonExecuteCycle"
                           << "" << QString::fromUtf8("循环执行列表") << 20;
    QTest::newRow("once") << "toolButtonExecuteOnce"
                          << "" << QString::fromUtf8("单次执行列表") << 20;
    QTest::newRow("open") << "toolButtonOpenListFromFile"
                          << "..." << QString::fromUtf8("打开文件") << 20;
    QTest::newRow("save") << "toolButtonSaveListToFile"
                          << "..." << QString::fromUtf8("保存为文件") << 20;
}

void TestStartup::toolButtons()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(int, iconSize);
    auto *button = fixture.find<QToolButton>(qPrintable(name));
    QCOMPARE(button->text(), text);
    QCOMPARE(button->toolTip(), toolTip);
    QCOMPARE(button->iconSize(), QSize(iconSize, iconSize));
    QVERIFY(!button->icon().isNull());
    QVERIFY(!button->isCheckable());
    if (name == QLatin1String("toolButtonDelete"))
        QCOMPARE(button->minimumSize(), QSize(27, 26));
}

void TestStartup::menusAndToolBar()
{
    auto texts = [](const QList<QAction *> &actions) {
        QStringList names;
        for (QAction *action : actions)
            names.append(action->isSeparator() ? QStringLiteral("|") : action->objectName());
        return names;
    };
    QStringList menus;
    for (QAction *action : fixture.find<QMenuBar>("menuBar")->actions())
        menus.append(action->menu()->objectName());
    QCOMPARE(menus, QStringList({"menuFile", "menuView", "menu", "menuHelp"}));
    QCOMPARE(texts(fixture.find<QMenu>("menuFile")->actions()),
             QStringList({"actionSave_As_Text", "actionSave_As_Html", "actionExit"}));
    QCOMPARE(texts(fixture.find<QMenu>("menuView")->actions()),
             QStringList({"actionTxt", "actionClear"}));
    QCOMPARE(texts(fixture.find<QMenu>("menu")->actions()),
             QStringList({"actionPinMap", "actionFirmwareInfo"}));
    QCOMPARE(texts(fixture.find<QMenu>("menuHelp")->actions()), QStringList({"actionAbout"}));
    QCOMPARE(texts(fixture.find<QToolBar>("mainToolBar")->actions()),
             QStringList({"actionTxt", "actionClear", "|", "actionAbout"}));
    QCOMPARE(fixture.window().toolBarArea(fixture.find<QToolBar>("mainToolBar")),
             Qt::TopToolBarArea);
    for (const char *name : {"actionSave_As_Html", "actionPinMap"})
        QVERIFY(fixture.find<QAction>(name)->icon().isNull());
    for (const char *name : {"actionTxt", "actionClear", "actionAbout", "actionExit",
                             "actionSave_As_Text", "actionFirmwareInfo"}) {
        QVERIFY2(!fixture.find<QAction>(name)->icon().isNull(), name);
        QVERIFY(fixture.find<QAction>(name)->shortcut().isEmpty());
    }
}

void TestStartup::pictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::newRow("ico") << ":/image/ico.png" << QByteArray("png") << QSize(128, 128);
    QTest::newRow("file-txt") << ":/image/file-txt.png" << QByteArray("png") << QSize(256, 256);
    QTest::newRow("edit-clear") << ":/image/edit-clear.png" << QByteArray("png") << QSize(64, 64);
    for (const char *gif : {"052", "026", "090", "067", "086", "085"})
        QTest::addRow("gif %s", gif) << QStringLiteral(":/image/gif_48_%1.gif").arg(gif)
                                     << QByteArray("gif") << QSize(48, 48);
    QTest::newRow("add") << ":/image/add_193px.png" << QByteArray("png") << QSize(193, 193);
    QTest::newRow("delete") << ":/image/delete_512px.png" << QByteArray("png") << QSize(512, 512);
    QTest::newRow("pause") << ":/image/Pause_32px.png" << QByteArray("png") << QSize(32, 32);
    QTest::newRow("open") << ":/image/open_file_512px.png" << QByteArray("png") << QSize(512, 512);
    QTest::newRow("save") << ":/image/Save_as_512px.png" << QByteArray("png") << QSize(512, 512);
    QTest::newRow("pin map") << ":/image/TELKOR-KAVRIS.png" << QByteArray("png") << QSize(596, 381);
}

void TestStartup::pictures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
}

void TestStartup::operationTable()
{
    auto *table = fixture.find<QTableWidget>("operationTableWidget");
    QCOMPARE(table->columnCount(), 5);
    QCOMPARE(table->rowCount(), 0);
    QStringList headers;
    for (int column = 0; column < 5; ++column)
        headers.append(table->horizontalHeaderItem(column)->text());
    QCOMPARE(headers, QStringList({QString::fromUtf8("选择"), QString::fromUtf8("操作类型"),
                                   QString::fromUtf8("写数据"), QString::fromUtf8("读数据字节数"),
                                   QString::fromUtf8("延时(毫秒)")}));
    QVERIFY(table->verticalHeader()->isHidden());
    QCOMPARE(table->columnWidth(0), 30);
    QCOMPARE(table->columnWidth(2), 650);
    QCOMPARE(table->columnWidth(3), 90);
    QCOMPARE(table->columnWidth(1), table->horizontalHeader()->defaultSectionSize());
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TestStartup::startState()
{
    const MainWindow &window = fixture.window();
    QVERIFY(MainWindowTestAccess::needsInit(window));
    QVERIFY(MainWindowTestAccess::logTx(window));
    QVERIFY(MainWindowTestAccess::logRx(window));
    QVERIFY(MainWindowTestAccess::hexDisplay(window));
    QVERIFY(!MainWindowTestAccess::cycleRunning(window));
    QCOMPARE(MainWindowTestAccess::timerId(window), 0);
    // Nothing touches the adapter before the first transfer.
    QCOMPARE(adapterCalls(), QStringList());
}

void TestStartup::configurationWidgetsMarkStale_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("stale");
    QTest::newRow("device") << "deviceIndexComboBox" << 1 << true;
    QTest::newRow("control mode") << "controlModeComboBox" << 0 << true;
    QTest::newRow("working mode") << "workingModeComboBox" << 0 << true;
    QTest::newRow("phase") << "clockPhaseComboBox" << 1 << true;
    QTest::newRow("polarity") << "clockPolarityComboBox" << 1 << true;
    QTest::newRow("cs polarity") << "csPolarityComboBox" << 1 << true;
    QTest::newRow("shift") << "shiftDirComboBox" << 1 << true;
    QTest::newRow("clock") << "clockSpeedComboBox" << 3 << true;
    QTest::newRow("channel") << "channelIndexComboBox" << 4 << false;
    QTest::newRow("operation type") << "operationComboBox" << 2 << false;
}

void TestStartup::configurationWidgetsMarkStale()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(bool, stale);
    MainWindowTestAccess::setNeedsInit(fixture.window(), false);
    fixture.dialogs().then(ModalAnswerer::pressDefault()); // choosing slave configures at once
    fixture.select(qPrintable(name), index);
    QCOMPARE(MainWindowTestAccess::needsInit(fixture.window()), stale);
}

void TestStartup::exitActionEndsEventLoop()
{
    QTimer::singleShot(0, &fixture.window(), [this] { fixture.trigger("actionExit"); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!fixture.window().isVisible());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
