#include "simlibrary.h"

#include "adapter/adapterlibrary.h"
#include "adapter/adaptersession.h"
#include "telkor/telkortest.h"
#include "transfer/bytetext.h"

#include <QtTest>

bool loadSimulatedAdapter()
{
    if (!AdapterLibrary::isLoaded())
        AdapterLibrary::use({AdapterScan, AdapterOpen, AdapterGetInfo, SpiConfigure, SpiWrite,
                             SpiRead, SpiWriteRead, SpiSlaveWrite, SpiSlaveRead, SpiBlockWrite,
                             SpiBlockRead, SpiBlockWriteRead});
    return true;
}

QStringList adapterCalls()
{
    QStringList calls;
    for (int i = 0; i < TelkorTestCallCount(); ++i) {
        QByteArray line(TelkorTestCallText(i, nullptr, 0) + 1, '\0');
        TelkorTestCallText(i, line.data(), line.size());
        calls.append(QString::fromUtf8(line.constData())); // up to the terminating zero
    }
    return calls;
}

QStringList transferCalls()
{
    QStringList calls;
    for (const QString &call : adapterCalls())
        if (!call.startsWith(QLatin1String("Adapter")) &&
            !call.startsWith(QLatin1String("SpiConfigure")))
            calls.append(call);
    return calls;
}

void clearAdapterCalls()
{
    TelkorTestClearCalls();
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
    TelkorTestForceResult(qPrintable(entryAndResult.section(QLatin1Char('='), 0, 0)),
                          entryAndResult.section(QLatin1Char('='), 1).toInt(), 1);
}

QStringList echoLines(const TransferOutcome &outcome)
{
    QStringList lines;
    for (const TransferOutcome::Echo &echo : outcome.echoes) {
        const QByteArray &buffer = echo.sent ? outcome.sent : outcome.received;
        lines.append((echo.sent ? QStringLiteral("TX : ") : QStringLiteral("RX : ")) +
                     formatHexBytes(buffer.constData() + echo.offset, echo.length));
    }
    return lines;
}

TransferOutcome answerOf(AdapterSession &session, const AdapterRequest &request)
{
    TransferOutcome answer;
    QEventLoop loop;
    bool answered = false;
    if (!session.submit(request, [&](const TransferOutcome &outcome) {
            answer = outcome;
            answered = true;
            loop.quit();
        })) {
        QTest::qFail("the session refused the request", __FILE__, __LINE__);
        return answer;
    }
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (!answered)
        loop.exec();
    if (!answered)
        QTest::qFail("no answer within 20 s", __FILE__, __LINE__);
    return answer;
}
