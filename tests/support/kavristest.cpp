#include "kavristest.h"

#include "telkor/telkortest.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QApplication>
#include <QBuffer>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Qt's own handler, for every message the filter below lets through.
static QtMessageHandler previousHandler = nullptr;

QStringList warningSummary(const QString &message)
{
    return message.isEmpty() ? QStringList()
                             : QStringList{QString::fromUtf8("QMessageBox|警告|") + message};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

void KavrisFixture::start(std::unique_ptr<MainWindow> window)
{
    // The window remembers settings: never in the user's own file, and each window of a test
    // starts from none (a folder of its own, as Qt keeps the settings files it has read).
    static QTemporaryDir settings;
    static int windows = 0;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       settings.filePath(QString::number(++windows)));
    // On the simulated clock, whatever the environment says: busy times and slave frames
    // then come out the same on every run.
    TelkorTestConfigure("timing=off");
    answerer = std::make_unique<ModalAnswerer>();
    mainWindow = window ? std::move(window) : std::make_unique<MainWindow>();
    mainWindow->show();
    clearAdapterCalls();
}

void KavrisFixture::settle()
{
    AdapterSession &session = MainWindowTestAccess::session(*mainWindow);
    QEventLoop loop;
    QObject::connect(&session, &AdapterSession::ready, &loop, &QEventLoop::quit);
    QTimer timeout;
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(20000);
    // ready() comes before the answer is handed over; the loop ends once that is done too.
    // A list pass may have sent its next request meanwhile: the wait goes on.
    QElapsedTimer waited;
    waited.start();
    while (session.isBusy() && waited.elapsed() < 20000)
        loop.exec();
    QVERIFY2(!session.isBusy(), "the session still works after 20 s");
}

QString KavrisFixture::log()
{
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    find<TrafficLogView>("dataTextBrowser")->log()->writeText(text);
    return QString::fromUtf8(text.data());
}

QStringList KavrisFixture::logLines()
{
    QStringList lines = log().split(QLatin1Char('\n'));
    lines.removeLast(); // every line ends in a line break, so the last is always empty
    return lines;
}

void WindowTest::initTestCase()
{
    prepareWindowTests();
}

void prepareWindowTests()
{
    // The offscreen platform warns about every window it shows; that says nothing about us.
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (!message.contains(QLatin1String("propagateSizeHints")))
                    previousHandler(type, context, message);
            });
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(loadSimulatedAdapter());
}
