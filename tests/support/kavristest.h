#pragma once
// What the window tests share: a fresh MainWindow against a freshly reset simulated adapter,
// the dialog answerer, and short ways to press buttons and read what the program did.

#include "app/mainwindow.h"
#include "modalanswerer.h"
#include "oplist/autostart.h"
#include "oplist/listrunner.h"
#include "oplist/operationlistmodel.h"
#include "simlibrary.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QTextEdit>

#include <memory>

// Reaches the window's objects that no widget shows.
struct MainWindowTestAccess {
    static AdapterSession &session(MainWindow &window) { return window.session; }
    static ListRunner &runner(MainWindow &window) { return *window.runner; }
    static OperationListModel &operations(MainWindow &window) { return *window.operations; }
    static bool autoStartRunning(const MainWindow &window) { return window.autoStart->isRunning(); }
};

// The dialog record after one "警告" box saying `message`; empty for no message.
QStringList warningSummary(const QString &message);

// A file's bytes ("<missing>" when it cannot be read); writing the file a test needs.
QByteArray fileBytes(const QString &path);
void putFile(const QString &path, const QByteArray &bytes);

class KavrisFixture
{
public:
    // Resets the simulated adapter and opens a new window, or `window` for a subclass.
    void start(std::unique_ptr<MainWindow> window = nullptr);
    void stop()
    {
        mainWindow.reset();
        answerer.reset();
    }

    MainWindow &window() { return *mainWindow; }
    template <typename T> T *find(const char *name) { return mainWindow->findChild<T *>(name); }

    // Each of these waits until the request it made, if any, is answered.
    void click(const char *button)
    {
        find<QAbstractButton>(button)->click();
        settle();
    }
    void trigger(const char *action)
    {
        find<QAction>(action)->trigger();
        settle();
    }
    void select(const char *combo, int index)
    {
        find<QComboBox>(combo)->setCurrentIndex(index);
        settle();
    }
    // Waits (the event loop turning) until the session has answered the request under way.
    void settle();
    void setWriteText(const char *edit, const QString &text)
    {
        find<QTextEdit>(edit)->setPlainText(text);
    }

    QString log();          // the traffic log as plain text
    QStringList logLines(); // its lines without the empty last one

    ModalAnswerer &dialogs() { return *answerer; }

private:
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<ModalAnswerer> answerer;
};

// Quiets the offscreen platform's notes, keeps dialogs Qt's own and binds the simulated adapter
// library: what every window test does first.
void prepareWindowTests();

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
    void init() { fixture.start(); }
    void cleanup() { fixture.stop(); }
};
