#include "kavristest.h"

#include "telkor/telkortest.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QTextEdit>
#include <QtTest>

namespace
{

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns about every window it shows; that says nothing about us.
void quietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    previousHandler(type, context, message);
}

} // namespace

QStringList warningSummary(const QString &message)
{
    if (message.isEmpty())
        return QStringList();
    return {QString::fromUtf8("QMessageBox|警告|") + message};
}

void KavrisFixture::start(std::unique_ptr<MainWindow> window)
{
    // On the simulated clock, whatever the environment says: busy times and slave frames
    // then come out the same on every run.
    TelkorTestConfigure("timing=off");
    answerer = std::make_unique<ModalAnswerer>();
    mainWindow = window ? std::move(window) : std::make_unique<MainWindow>();
    mainWindow->show();
    clearAdapterCalls();
}

void KavrisFixture::stop()
{
    mainWindow.reset();
    answerer.reset();
}

void KavrisFixture::click(const char *buttonName)
{
    find<QAbstractButton>(buttonName)->click();
}

void KavrisFixture::trigger(const char *actionName)
{
    find<QAction>(actionName)->trigger();
}

void KavrisFixture::select(const char *comboName, int index)
{
    find<QComboBox>(comboName)->setCurrentIndex(index);
}

void KavrisFixture::setWriteText(const char *textEditName, const QString &text)
{
    find<QTextEdit>(textEditName)->setPlainText(text);
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
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void WindowTest::initTestCase()
{
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(quietOffscreen);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(loadSimulatedAdapter());
}

void WindowTest::init()
{
    fixture.start();
}

void WindowTest::cleanup()
{
    fixture.stop();
}
