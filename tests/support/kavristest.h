#pragma once
// What the window tests share: a fresh MainWindow against a freshly reset simulated adapter,
// the dialog answerer, and short ways to press buttons and read what the program did.

#include "app/mainwindow.h"
#include "modalanswerer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

// Reaches the window's state that no widget shows.
struct MainWindowTestAccess {
    static bool needsInit(const MainWindow &window) { return window.needsInit; }
    static void setNeedsInit(MainWindow &window, bool value) { window.needsInit = value; }
    static bool logTx(const MainWindow &window) { return window.logTx; }
    static bool logRx(const MainWindow &window) { return window.logRx; }
    static bool hexDisplay(const MainWindow &window) { return window.hexDisplay; }
    static bool cycleRunning(const MainWindow &window) { return window.cycleRunning; }
    static int timerId(const MainWindow &window) { return window.timerId; }
    static QByteArray spiConfigBytes(const MainWindow &window)
    {
        return QByteArray(reinterpret_cast<const char *>(&window.spiConfig),
                          sizeof window.spiConfig);
    }
};

// Loads our adapter library once per test program; fails the test if it cannot.
bool loadSimulatedAdapter();

// The simulated adapter's record of calls, oldest first, and clearing it.
QStringList adapterCalls();
void clearAdapterCalls();
// Bytes as the record shows them: "[11 22]".
QString hexList(const QByteArray &bytes);
// What the master receives next in place of the chips' answers; a frame the remote master
// sends to the slave port.
void queueMiso(const QByteArray &bytes);
void queueSlaveFrame(const QByteArray &bytes);
// "SpiWrite=-1": the next call of that entry gives that result and does nothing else.
void forceNext(const QString &entryAndResult);
// The dialog record after one "警告" box saying `message`; empty for no message.
QStringList warningSummary(const QString &message);

class KavrisFixture
{
public:
    // Resets the simulated adapter and opens a new window. `windowFactory` lets a test use a
    // subclass of MainWindow.
    void start(std::unique_ptr<MainWindow> window = nullptr);
    void stop();

    MainWindow &window() { return *mainWindow; }
    template <typename T> T *find(const char *name)
    {
        return mainWindow->findChild<T *>(QString::fromLatin1(name));
    }

    void click(const char *buttonName);
    void trigger(const char *actionName);
    void select(const char *comboName, int index);
    void setWriteText(const char *textEditName, const QString &text);

    QString log();          // the traffic log as plain text
    QStringList logLines(); // its lines without the empty last one

    ModalAnswerer &dialogs() { return *answerer; }

private:
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<ModalAnswerer> answerer;
};

// Base of the window test classes: the adapter library is bound once, and every test function
// gets a fresh window and a freshly reset simulated adapter. A class may declare its own init()
// to start the fixture differently.
class WindowTest : public QObject
{
    Q_OBJECT

protected:
    KavrisFixture fixture;

private slots:
    void initTestCase();
    void init();
    void cleanup();
};
