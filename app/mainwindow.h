#pragma once
// The main window: the form and the road of each user action, nothing more.
//
// Architecture: state has an owner and none of the owners touches a widget.
// - AdapterSession (adapter/) owns the bound library entries, the configuration last applied
//   and the stale flag. It takes typed requests (AdapterRequest) and answers each later, from
//   the event loop, with a TransferOutcome (the bytes to echo, or an error kind); the calls run
//   on its worker thread, one at a time, so nothing here ever waits for the adapter.
// - OperationListModel (oplist/) holds the list's rows as plain values; the table view edits
//   them through OperationDelegate, and the list file reads and writes them.
// - ListRunner (oplist/) runs a pass or a cycle over the model: each row a request, its answer
//   the next step, each delay a timer.
// - AutoStart (oplist/) is the timer that repeats one transfer.
// - The traffic log (transfer/) holds the echoed entries with their times and settings; its
//   view, the waveform dock and the exports only show or write them.
// - FlashJobRunner (flash/) holds the session for the whole of a flash job and drives the
//   engine through its requests; FlashWindow only starts jobs and shows their progress.
// Texts are written in Chinese and pass through tr(); main() installs the catalogue of the
// language chosen (UiLanguage) before any window exists.
// MainWindow gathers the panel into a PanelSettings record, makes the requests, echoes what
// came back and shows the warnings. The command-line runner (kavris-run) drives the same
// session, model and runner without a window.

#include "adapter/adapterrequest.h"
#include "adapter/adaptersession.h"
#include "adapter/spisettings.h"
#include "adapter/transferoutcome.h"
#include "app/windowsettings.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>

class AutoStart;
class FlashWindow;
class ListRunner;
class QElapsedTimer;
class QLabel;
class QProgressBar;
class QTimer;
class OperationListModel;
class TrafficLog;
class QCheckBox;
class QCloseEvent;
class QTextEdit;
enum class HexConversion;

namespace Ui
{
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_writePushButton_clicked();
    void on_readPushButton_clicked();
    void on_writeReadPushButton_clicked();
    void on_hexSendCheckBox_clicked(bool checked);
    void on_actionClear_triggered();
    void on_controlModeComboBox_currentIndexChanged(int index);
    void on_workingModeComboBox_currentIndexChanged(int index);
    void on_actionAbout_triggered();
    void on_actionExit_triggered();
    void on_actionTxt_triggered(bool checked);
    void on_blockWritePushButton_clicked();
    void on_blockReadPushButton_clicked();
    void on_blockWriteReadPushButton_clicked();
    void on_actionSave_As_Text_triggered();
    void on_actionSave_As_Html_triggered();
    void on_blockHexSendCheckBox_clicked(bool checked);
    void on_autoStartPushButton_clicked();
    void needReInit();
    void on_actionFirmwareInfo_triggered();
    void on_actionPinMap_triggered();
    void on_actionFlash_triggered();
    void on_toolButtonDelete_clicked();
    void on_toolButtonAddNew_clicked();
    void on_toolButtonExecuteCycle_clicked();
    void on_toolButtonExecuteOnce_clicked();
    void on_toolButtonOpenListFromFile_clicked();
    void on_toolButtonSaveListToFile_clicked();

private:
    // The auto-start's transfers, as its box offers them.
    enum class AutoStartTransfer { Write, Read, WriteRead, BlockWrite, BlockRead, BlockWriteRead };

    // Fills the panel's boxes; each item carries its value.
    void setupPanel();
    PanelSettings gatherSettings() const;
    bool isMaster() const;
    // The bytes of a write box; keeps the note about tokens not sent as written for the
    // request that sends them.
    QByteArray collectWriteData(QTextEdit *box, bool hexMode, HexConversion conversion);
    // Asks for a basic or block transfer; its outcome is echoed, or the auto-start stopped and
    // the warning shown.
    void request(const AdapterRequest &request);
    void finishTransfer(const TransferOutcome &outcome);
    // Enables what may be used now: nothing that makes a request during a long call, no
    // write-read and block transfers for a slave.
    void updateControls();
    void echo(const TransferOutcome &outcome);
    void warn(const QString &message);
    void convertHexBox(QTextEdit *box, QCheckBox *checkBox, bool checked);
    void setupOperationTable();
    // In a translation: the panel and the list's narrow columns as wide as their texts need.
    void fitTranslatedTexts();
    void setCycleLook(bool running);
    void autoStartTick();
    // While a long library call runs: the busy indicator, and the controls disabled.
    void showBusy(bool busy);
    void updateBusyText();

    // traffic log (app/mainwindowlog.cpp)
    void appendTraffic(const char *data, int length, bool sent);
    void saveLog(const QString &filter, bool html);

    Ui::MainWindow *ui;
    AdapterSession session;
    OperationListModel *operations;
    ListRunner *runner;
    AutoStart *autoStart;
    TrafficLog *trafficLog;
    QLabel *busyText;
    QProgressBar *busyBar;
    QTimer *busyClock;
    FlashWindow *flashWindow = nullptr; // made when first opened
    qint64 busySince = 0;
    WindowSettings settings;
    QString tokenNote; // from collectWriteData for the request that follows
    bool logTx = true;
    bool logRx = true;
    bool hexDisplay = true;

    friend struct MainWindowTestAccess;
};
