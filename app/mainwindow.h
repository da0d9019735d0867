#pragma once
// The program's one long-lived object.
//
// Architecture: MainWindow owns the Designer form (`ui`) and the little state that lives between
// user actions (the SPI configuration last applied, the stale-configuration flag, the display
// and cycle flags, the cell validators and the auto-start timer). Its slots are connected by
// object name and stay thin: the rules that need no widget live in plain functions of the
// subsystem folders (adapter/spisettings, adapter/firmwareinfo, transfer/bytetext,
// oplist/listfile, oplist/rangepattern, ...), which the tests exercise without a window. The
// member operations are defined next to their subsystem: device preparation in adapter/, the
// log's store, hex entry and transfers in transfer/, the operation list in oplist/, the help
// windows in app/form/. The adapter is reached only through the twelve library entries bound by
// AdapterLibrary; everything runs on the GUI thread.

#include "adapter/telkor.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QString>

class QCheckBox;
class QCloseEvent;
class QEventLoop;
class QRegExpValidator;
class QTextEdit;
class QTimerEvent;
class TrafficLog;
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
    void timerEvent(QTimerEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The pause after a list row. The window keeps handling events meanwhile.
    virtual void waitRowDelay(int milliseconds);

private slots:
    void on_writePushButton_clicked();
    void on_readPushButton_clicked();
    void on_writeReadPushButton_clicked();
    void on_hexSendCheckBox_clicked(bool checked);
    void on_actionClear_triggered();
    void on_controlModeComboBox_currentIndexChanged(const QString &arg1);
    void on_workingModeComboBox_currentIndexChanged(const QString &arg1);
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
    void on_toolButtonDelete_clicked();
    void on_toolButtonAddNew_clicked();
    void on_toolButtonExecuteCycle_clicked();
    void on_toolButtonExecuteOnce_clicked();
    void on_toolButtonOpenListFromFile_clicked();
    void on_toolButtonSaveListToFile_clicked();

private:
    // What one library call of a transfer came to.
    struct Outcome {
        bool ok = true;
        QString failure; // the warning text when !ok
    };
    enum class PassResult { RowsRan, NoRowRan, NotReady, Failed, Abandoned };

    // device preparation (adapter/devicepreparation.cpp)
    bool ensureDeviceReady();
    void stopAutoStart();
    void warn(const QString &message);
    int currentDevice() const;
    int currentChannel() const;

    // traffic log (app/mainwindowlog.cpp)
    void appendTraffic(const char *data, int length, bool sent);
    void echoBlocks(const char *buffer, int blockSize, int blocks, bool sent);
    void saveLog(const QString &filter, bool html);

    // hex entry (transfer/hexentry.cpp)
    void convertHexBox(QTextEdit *box, QCheckBox *checkBox, bool checked);
    QByteArray collectWriteData(QTextEdit *box, bool hexMode, HexConversion conversion) const;

    // single and block transfers (transfer/basictransfers.cpp, transfer/blocktransfers.cpp)
    void reportTransferFailure(const QString &message);
    void refuseTransfer(const QString &message);
    // One library call as the basic tab and the list make it, chosen by the configuration last
    // applied; the bytes are echoed on success. `data` and `count` fit the adapter's buffers.
    Outcome writeOnce(int device, int channel, const QByteArray &data, const QString &slaveFailure);
    Outcome readOnce(int device, int channel, int count);
    Outcome writeReadOnce(int device, int channel, const QByteArray &data, int count);
    void refuseSlaveBlockTransfer(bool markStale);

    // operation list (oplist/*.cpp)
    void addOperationRow(bool checked, const QString *operation, const QString &writeData,
                         const QString &count, const QString &delay);
    void setupOperationTable();
    PassResult runListPass();
    Outcome runListRow(int device, int channel, int row);
    void listFailure(const QString &message);
    void setCycleLook(bool running);
    bool anyRowChecked() const;

    Ui::MainWindow *ui;
    TrafficLog *trafficLog;
    SpiConfig spiConfig{};
    bool logTx;
    bool logRx;
    bool hexDisplay;
    bool cycleRunning;
    QRegExpValidator *countValidator = nullptr;
    QRegExpValidator *hexValidator = nullptr;
    QRegExpValidator *positiveValidator = nullptr;
    int timerId = 0;
    bool needsInit;
    // Set once the window is closing: a running list pass or cycle stops at its next chance.
    bool closing = false;
    // The row delays under way (passes can nest); closing the window ends them.
    QList<QEventLoop *> delayLoops;

    friend struct MainWindowTestAccess;
};
