// The entries' rules that BusAdapter keeps for every backend, against a backend that only
// notes what reaches it: each count and size at the adapter's buffer of 20480 bytes and one
// byte beyond (refused before the backend sees anything), and the channel byte's edges.

#include "telkor/busadapter.h"

#include <QtTest>

using namespace telkor;

namespace
{

// Notes each train as "ASSERTIONS x CLOCKS" and each slave write as "slave COUNT".
class NotingBackend : public BusBackend
{
public:
    explicit NotingBackend(QStringList *notes) : notes(notes) {}
    bool open() override { return true; }
    void close() override {}
    bool info(DeviceInfo *, char *) override { return true; }
    int32_t configure(int, const SpiConfig &) override { return Ok; }
    int32_t run(const BusTrain &train) override
    {
        int64_t clocks = 0;
        for (const BusAssertion &assertion : train.assertions)
            clocks += assertion.clocks();
        *notes << QStringLiteral("%1 x %2").arg(train.assertions.size()).arg(clocks);
        return Ok;
    }
    int32_t slaveWrite(int, const uint8_t *, int32_t count) override
    {
        *notes << QStringLiteral("slave %1").arg(count);
        return Ok;
    }

private:
    QStringList *notes;
};

} // namespace

class TestBusAdapter : public QObject
{
    Q_OBJECT

private slots:
    void limits_data();
    void limits();
};

void TestBusAdapter::limits_data()
{
    // "ENTRY CHANNEL NUMBERS...": the counts and sizes in the order the entry takes them.
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("reached"); // what the backend saw; empty: nothing
    auto row = [](const QString &call, int result, const char *reached) {
        QTest::newRow(qPrintable(call)) << call << result << QString(reached);
    };
    // %1 at the buffer's size, then one beyond it.
    auto edge = [&](const char *call, const char *reached) {
        row(QString(call).arg(20480), Ok, reached);
        row(QString(call).arg(20481), BadArgument, "");
    };
    edge("SpiWrite 00 %1", "1 x 20480");
    edge("SpiRead 00 %1", "1 x 20480");
    // Half duplex: the write, then the read, in one assertion.
    row("SpiWriteRead 00 20480 20480", Ok, "1 x 40960");
    row("SpiWriteRead 00 20481 1", BadArgument, "");
    row("SpiWriteRead 00 1 20481", BadArgument, "");
    edge("SpiSlaveWrite 00 %1", "slave 20480");
    edge("SpiBlockWrite 00 %1 1", "1 x 20480");
    edge("SpiBlockWrite 00 1 %1", "20480 x 20480");
    row("SpiBlockWrite 00 2 10241", BadArgument, "");
    edge("SpiBlockRead 00 %1 1", "1 x 20480");
    edge("SpiBlockRead 00 1 %1", "20480 x 20480");
    edge("SpiBlockWriteRead 00 %1 1 1", "1 x 20481");
    edge("SpiBlockWriteRead 00 1 %1 1", "1 x 20481");
    edge("SpiBlockWriteRead 00 1 1 %1", "20480 x 40960");
    // The channel byte: controller in the low nibble (SPI1, SPI2), chip select 0..4 in the high.
    row("SpiWrite 41 1", Ok, "1 x 1");
    row("SpiWrite 51 1", BadArgument, "");
    row("SpiWrite 02 1", BadArgument, "");
    row("SpiWrite 100 1", BadArgument, "");
}

void TestBusAdapter::limits()
{
    QFETCH(QString, call);
    QFETCH(int, result);
    QFETCH(QString, reached);
    QStringList notes;
    BusAdapter adapter(std::make_unique<NotingBackend>(&notes));
    QVERIFY(adapter.open());
    const QStringList parts = call.split(QLatin1Char(' '));
    const QString entry = parts[0];
    const int channel = parts[1].toInt(nullptr, 16);
    const int a = parts[2].toInt(), b = parts.value(3).toInt(), c = parts.value(4).toInt();
    if (entry == QLatin1String("SpiSlaveWrite")) {
        SpiConfig slave = BusAdapter::defaultConfig();
        slave.master = 0;
        QCOMPARE(adapter.configure(channel, slave), int32_t(Ok));
    }
    std::vector<uint8_t> out(2 * 20481, 0x5A), in(2 * 20481);
    int32_t got = 0;
    if (entry == QLatin1String("SpiWrite"))
        got = adapter.write(channel, out.data(), a);
    else if (entry == QLatin1String("SpiRead"))
        got = adapter.read(channel, in.data(), a);
    else if (entry == QLatin1String("SpiWriteRead"))
        got = adapter.writeRead(channel, out.data(), a, in.data(), b);
    else if (entry == QLatin1String("SpiSlaveWrite"))
        got = adapter.slaveWrite(channel, out.data(), a);
    else if (entry == QLatin1String("SpiBlockWrite"))
        got = adapter.blockWrite(channel, out.data(), a, b, 0);
    else if (entry == QLatin1String("SpiBlockRead"))
        got = adapter.blockRead(channel, in.data(), a, b, 0);
    else
        got = adapter.blockWriteRead(channel, out.data(), a, in.data(), b, c, 0);
    QCOMPARE(got, int32_t(result));
    QCOMPARE(notes.join(QLatin1Char('|')), reached);
}

QTEST_GUILESS_MAIN(TestBusAdapter)
#include "tst_busadapter.moc"
