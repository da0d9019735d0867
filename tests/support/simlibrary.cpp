#include "simlibrary.h"

#include "adapter/adapterlibrary.h"
#include "telkor/telkortest.h"
#include "transfer/bytetext.h"

#include <algorithm>
#include <cstdio>

bool loadSimulatedAdapter()
{
    if (AdapterLibrary::isLoaded())
        return true;
    QString error;
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

QStringList transferCalls()
{
    QStringList calls = adapterCalls();
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [](const QString &call) {
                                   return call.startsWith(QLatin1String("Adapter")) ||
                                          call.startsWith(QLatin1String("SpiConfigure"));
                               }),
                calls.end());
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
