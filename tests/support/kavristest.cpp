#include "kavristest.h"

#include "adapter/adapterlibrary.h"
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

#include <cstdio>

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

bool loadSimulatedAdapter()
{
    if (AdapterLibrary::isLoaded())
        return true;
    previousHandler = qInstallMessageHandler(quietOffscreen);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QString error;
    // The test programs link the library, so the loader finds the copy already in memory.
    if (!AdapterLibrary::load({QString::fromLatin1(AdapterLibrary::fileName)}, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    return true;
}

QStringList adapterCalls()
{
    QStringList calls;
    const int count = TelkorTestCallCount();
    for (int i = 0; i < count; ++i) {
        const int length = TelkorTestCallText(i, nullptr, 0);
        QByteArray line(length + 1, '\0');
        TelkorTestCallText(i, line.data(), line.size());
        line.chop(1);
        calls.append(QString::fromUtf8(line));
    }
    return calls;
}

void clearAdapterCalls()
{
    TelkorTestClearCalls();
}

QString hexList(const QByteArray &bytes)
{
    return QLatin1Char('[') + QString::fromLatin1(bytes.toHex(' ').toUpper()) + QLatin1Char(']');
}

void queueMiso(const QByteArray &bytes)
{
    TelkorTestQueueMiso(reinterpret_cast<const uint8_t *>(bytes.constData()), bytes.size());
}

void queueSlaveFrame(const QByteArray &bytes)
{
    TelkorTestQueueSlaveFrame(reinterpret_cast<const uint8_t *>(bytes.constData()), bytes.size());
}

void forceNext(const QString &entryAndResult)
{
    const QStringList parts = entryAndResult.split(QLatin1Char('='));
    TelkorTestForceResult(qPrintable(parts.value(0)), parts.value(1).toInt(), 1);
}

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
