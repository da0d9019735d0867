// The adapter session without a window: lazy preparation, the entry each transfer and list row
// chooses in each mode, the bytes to echo, the refusals and failures with their texts, staleness.

#include "adapter/adaptermessages.h"
#include "adapter/adaptersession.h"
#include "adapter/callworker.h"
#include "oplist/operationrow.h"
#include "simlibrary.h"
#include "telkor/telkortest.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{

// Entries that hold their call until released, for what happens while a call runs.
std::atomic<bool> released{true};
std::atomic<int> held{0}; // calls waiting for their release now

int32_t holdThen(int32_t result)
{
    ++held;
    while (!released)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    --held;
    return result;
}

AdapterEntries heldEntries()
{
    AdapterEntries entries;
    entries.scan = [](int32_t) { return holdThen(1); };
    entries.open = [](int32_t) { return holdThen(1); };
    entries.configure = [](int32_t, int32_t, SpiConfig *) { return holdThen(0); };
    entries.write = [](int32_t, int32_t, uint8_t *, int32_t) { return holdThen(0); };
    entries.read = [](int32_t, int32_t, uint8_t *, int32_t) { return holdThen(0); };
    return entries;
}

// "write|11 22", "read|3", "writeRead|11|2", "blockWrite|01 02 03|2|100", "blockRead|2|5|100",
// "blockWriteRead|01 02|2|3|100", "exchange|9F|3", "row|<operation>|<data>|<count>"; data
// "20481x": that many bytes.
TransferOutcome perform(AdapterSession &session, const PanelSettings &settings,
                        const QString &action)
{
    const QStringList a = action.split(QLatin1Char('|'));
    const auto hex = [](const QString &text) {
        return text.endsWith(QLatin1Char('x')) ? QByteArray(text.chopped(1).toInt(), 'a')
                                               : QByteArray::fromHex(text.toLatin1());
    };
    const QString &kind = a.at(0);
    const auto n = [&a](int i) { return a.at(i).toInt(); };
    if (kind == QLatin1String("write"))
        return answerOf(session, AdapterRequest::write(settings, hex(a.at(1))));
    if (kind == QLatin1String("read"))
        return answerOf(session, AdapterRequest::read(settings, n(1)));
    if (kind == QLatin1String("writeRead"))
        return answerOf(session, AdapterRequest::writeRead(settings, hex(a.at(1)), n(2)));
    if (kind == QLatin1String("blockWrite"))
        return answerOf(session, AdapterRequest::blockWrite(settings, hex(a.at(1)), n(2), n(3)));
    if (kind == QLatin1String("blockRead"))
        return answerOf(session, AdapterRequest::blockRead(settings, n(1), n(2), n(3)));
    if (kind == QLatin1String("exchange"))
        return answerOf(session, AdapterRequest::exchange(settings, hex(a.at(1)), n(2)));
    if (kind == QLatin1String("blockWriteRead"))
        return answerOf(session,
                        AdapterRequest::blockWriteRead(settings, hex(a.at(1)), n(2), n(3), n(4)));
    OperationRow row;
    parseOperation(a.at(1), &row.operation);
    row.writeData = a.at(2);
    row.count = a.at(3);
    return answerOf(session, rowRequest(row, settings));
}

} // namespace

class TestAdapterSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(loadSimulatedAdapter()); }
    void init() { TelkorTestReset(); }
    void transfers_data();
    void transfers();
    void preparesOnlyWhenStale();
    void firmwareInfo();
    void oneRequestAtATime_data();
    void oneRequestAtATime();
    void stalenessMarkedDuringPreparation();
    void forgottenAndAbandonedAnswers();
};

void TestAdapterSession::transfers_data()
{
    QTest::addColumn<int>("mode"); // -1: slave; otherwise the master's control mode
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("stale");
    QTest::addColumn<QString>("unprepared"); // "adapters device clock", not prepared first
    // Calls and log lines separated by ";".
    // clang-format off
    static const struct { const char *name; int mode; const char *action, *calls, *log, *message; bool stale; const char *unprepared = ""; } cases[] = {
        // The adapter is configured before the first transfer; its failures are that transfer's.
        {"no adapter", 1, "write|11", "AdapterScan(0) => 0", "", "无设备连接！", true, "0 0 50000000"},
        {"device 3 of 1", 1, "write|11", "AdapterScan(0) => 1;AdapterOpen(3) => 0", "", "打开设备失败！", true, "1 3 50000000"},
        {"clock refused", 1, "write|11", "AdapterScan(0) => 1;AdapterOpen(0) => 1;SpiConfigure(0,0x00,[01 01 00 00 00 00],0) => -4", "", "配置设备失败！", true, "1 0 1M"},
        {"write, half duplex", 1, "write|11 22 33", "SpiWrite(0,0x00,[11 22 33],3) => 0", "TX : 11 22 33 ", "", false},
        {"write, software half duplex", 2, "write|11 22", "SpiWrite(0,0x00,[11 22],2) => 0", "TX : 11 22 ", "", false},
        {"write, full duplex clocks as many in", 0, "write|11 22 33", "SpiWriteRead(0,0x00,[11 22 33],3,3,0) => 0", "TX : 11 22 33 ;RX : A1 B2 C3 ", "", false},
        {"write, slave", -1, "write|11 22 33", "SpiSlaveWrite(0,0x00,[11 22 33],3,0) => 0", "TX : 11 22 33 ", "", false},
        {"read", 1, "read|3", "SpiRead(0,0x00,3) => 0", "RX : A1 B2 C3 ", "", false},
        {"read, full duplex reads too", 0, "read|3", "SpiRead(0,0x00,3) => 0", "RX : A1 B2 C3 ", "", false},
        {"read, slave takes the frame", -1, "read|3", "SpiSlaveRead(0,0x00,0) => 2", "RX : 4F 4B ", "", false},
        {"write-read", 1, "writeRead|11 22 33|3", "SpiWriteRead(0,0x00,[11 22 33],3,3,0) => 0", "TX : 11 22 33 ;RX : A1 B2 C3 ", "", false},
        {"write fails", 1, "write|11 22 33", "SpiWrite(0,0x00,[11 22 33],3) => -1", "", "写数据失败！", true},
        {"full-duplex write fails", 0, "write|11", "SpiWriteRead(0,0x00,[11],1,1,0) => 1", "", "写读数据失败！", true},
        {"slave write fails", -1, "write|11", "SpiSlaveWrite(0,0x00,[11],1,0) => -7", "", "从机模式写数据失败！", true},
        {"read fails", 1, "read|3", "SpiRead(0,0x00,3) => 2", "", "读数据失败！", true},
        {"slave read fails", -1, "read|3", "SpiSlaveRead(0,0x00,0) => -1", "", "从机读数据失败！", true},
        {"slave read beyond the buffer", -1, "read|3", "SpiSlaveRead(0,0x00,0) => 20481", "", "从机读数据失败！", true},
        // The block tab.
        {"block write: the seventh byte stays", 1, "blockWrite|01 02 03 04 05 06 07|2|100", "SpiBlockWrite(0,0x00,[01 02 03 04 05 06],2,3,100) => 0", "TX : 01 02 ;TX : 03 04 ;TX : 05 06 ", "", false},
        {"block write, full duplex: all TX, then all RX", 0, "blockWrite|01 02 03 04|2|100", "SpiBlockWriteRead(0,0x00,[01 02 03 04],2,2,2,100) => 0", "TX : 01 02 ;TX : 03 04 ;RX : A1 B2 ;RX : C3 D4 ", "", false},
        {"block read", 1, "blockRead|2|2|100000", "SpiBlockRead(0,0x00,2,2,100000) => 0", "RX : A1 B2 ;RX : C3 D4 ", "", false},
        {"block write-read alternates", 1, "blockWriteRead|01 02 03 04|2|3|100", "SpiBlockWriteRead(0,0x00,[01 02 03 04],2,3,2,100) => 0", "TX : 01 02 ;RX : A1 B2 C3 ;TX : 03 04 ;RX : D4 E5 F6 ", "", false},
        {"block write fails", 1, "blockWrite|01 02|2|100", "SpiBlockWrite(0,0x00,[01 02],2,1,100) => -1", "", "块写数据失败！", true},
        {"block read fails", 1, "blockRead|2|5|100", "SpiBlockRead(0,0x00,2,5,100) => 3", "", "块模式读数据失败！", true},
        {"block write-read fails", 1, "blockWriteRead|01 02|2|2|100", "SpiBlockWriteRead(0,0x00,[01 02],2,2,1,100) => -9", "", "块模式写读数据失败！", true},
        {"slave refuses block write", -1, "blockWrite|01 02|2|100", "", "", "不能在从机模式下进行块读写操作！", false},
        {"slave refuses block write-read, stale after", -1, "blockWriteRead|01 02|2|2|100", "", "", "不能在从机模式下进行块读写操作！", true},
        // List rows: every row failure, refusals too, leaves the configuration stale.
        {"row write", 1, "row|写数据|11 22|0", "SpiWrite(0,0x00,[11 22],2) => 0", "TX : 11 22 ", "", false},
        {"row write, nothing to write", 1, "row|写数据||0", "", "", "", false},
        {"row write reads tokens as signed numbers", 1, "row|写数据|1FF G1 -1|0", "SpiWrite(0,0x00,[FF 00 FF],3) => 0", "TX : FF 00 FF ", "", false},
        {"row read, count with blanks", 1, "row|读数据|| 2 ", "SpiRead(0,0x00,2) => 0", "RX : A1 B2 ", "", false},
        {"row read, slave ignores count", -1, "row|读数据||9", "SpiSlaveRead(0,0x00,0) => 2", "RX : 4F 4B ", "", false},
        {"row read beyond the buffer", 1, "row|读数据||20481", "", "", "读数据超过20480字节的缓冲区上限，未读取！", true},
        {"row read, negative count", 1, "row|读数据||-5", "", "", "读数据超过20480字节的缓冲区上限，未读取！", true},
        {"row write-read", 1, "row|写读数据|11|2", "SpiWriteRead(0,0x00,[11],1,2,0) => 0", "TX : 11 ;RX : A1 B2 ", "", false},
        {"row write-read as slave does nothing", -1, "row|写读数据|11|2", "", "", "", false},
        {"row slave write fails", -1, "row|写数据|11|0", "SpiSlaveWrite(0,0x00,[11],1,0) => -1", "", "从机写数据失败！", true},
        // The buffer's limit: a refusal leaves the configuration alone. 65537 would wrap to 1 byte
        // in a 16-bit count: refused, not cut.
        {"write 20480", 1, "write|20480x", "SpiWrite(0,0x00,[...],20480) => 0", "TX : ... ", "", false},
        {"write 20481", 1, "write|20481x", "", "", "写数据超过20480字节的缓冲区上限，未发送！", false},
        {"write 65537", 1, "write|65537x", "", "", "写数据超过20480字节的缓冲区上限，未发送！", false},
        {"write-read 20481", 1, "writeRead|20481x|1", "", "", "写数据超过20480字节的缓冲区上限，未发送！", false},
        {"block write 20481", 1, "blockWrite|20481x|1|0", "", "", "写数据超过20480字节的缓冲区上限，未发送！", false},
        {"block read 2048 x 10", 1, "blockRead|2048|10|0", "SpiBlockRead(0,0x00,2048,10,0) => 0", "RX : ... ;RX : ... ;RX : ... ;RX : ... ;RX : ... ;RX : ... ;RX : ... ;RX : ... ;RX : ... ;RX : ... ", "", false},
        {"block read 2048 x 11", 1, "blockRead|2048|11|0", "", "", "读数据超过20480字节的缓冲区上限，未读取！", false},
        {"block write-read 2 x 10241 back", 1, "blockWriteRead|2x|1|10241|0", "", "", "读数据超过20480字节的缓冲区上限，未读取！", false},
        // The flash engine's commands: never echoed, the bytes read handed back alone.
        {"exchange, half duplex: write, then read", 1, "exchange|9F|3", "SpiWriteRead(0,0x00,[9F],1,3,0) => 0", "got A1 B2 C3", "", false},
        {"exchange, software half duplex", 2, "exchange|05|1", "SpiWriteRead(0,0x00,[05],1,1,0) => 0", "got A1", "", false},
        {"exchange, nothing to read: a write", 1, "exchange|06|0", "SpiWrite(0,0x00,[06],1) => 0", "got ", "", false},
        {"exchange, full duplex: filler clocks the read in", 0, "exchange|9F|2", "SpiWriteRead(0,0x00,[9F FF FF],3,3,0) => 0", "got B2 C3", "", false},
        {"exchange, full duplex: 20480 in all", 0, "exchange|03030303|20476", "SpiWriteRead(0,0x00,[...],20480,20480,0) => 0", "got 20476 bytes", "", false},
        {"exchange, full duplex: 20481 in all refused", 0, "exchange|03030303|20477", "", "", "读数据超过20480字节的缓冲区上限，未读取！", false},
        {"exchange, half duplex: read 20481 refused", 1, "exchange|03|20481", "", "", "读数据超过20480字节的缓冲区上限，未读取！", false},
        {"exchange, a slave cannot", -1, "exchange|9F|3", "", "", "从机模式下不能进行此操作！", false},
        {"exchange fails", 1, "exchange|9F|3", "SpiWriteRead(0,0x00,[9F],1,3,0) => -2", "", "写读数据失败！", true},
        // clang-format on
    };
    const auto list = [](const char *text) {
        return *text ? QString::fromUtf8(text).split(QLatin1Char(';')) : QStringList();
    };
    for (const auto &c : cases)
        QTest::newRow(c.name) << c.mode << QString::fromUtf8(c.action) << list(c.calls)
                              << list(c.log) << QString::fromUtf8(c.message) << c.stale
                              << QString::fromLatin1(c.unprepared);
}

void TestAdapterSession::transfers()
{
    QFETCH(int, mode);
    QFETCH(QString, action);
    QFETCH(QStringList, calls);
    QFETCH(QString, message);
    QFETCH(QString, unprepared);
    AdapterSession session(AdapterLibrary::entries());
    PanelSettings settings;
    settings.controlMode = static_cast<ControlMode>(mode < 0 ? 1 : mode);
    settings.role = mode < 0 ? Role::Slave : Role::Master;
    if (unprepared.isEmpty()) {
        QVERIFY(answerOf(session, AdapterRequest::prepare(settings)).ok());
    } else {
        TelkorTestSetAdapterCount(unprepared.section(QLatin1Char(' '), 0, 0).toInt());
        settings.device = unprepared.section(QLatin1Char(' '), 1, 1).toInt();
        settings.clockText = unprepared.section(QLatin1Char(' '), 2);
    }
    queueMiso(QByteArray::fromHex("A1B2C3D4E5F6"));
    queueSlaveFrame("OK");
    // The entry fails with the result expected.
    if (!message.isEmpty() && !calls.isEmpty() && unprepared.isEmpty())
        forceNext(calls.last().section(QLatin1Char('('), 0, 0) + QLatin1Char('=') +
                  calls.last().section(QLatin1String(" => "), 1));
    clearAdapterCalls();
    const TransferOutcome outcome = perform(session, settings, action);
    // Long byte lists, sent or echoed, are left out of the comparison.
    QCOMPARE(adapterCalls().replaceInStrings(QRegularExpression("\\[[0-9A-F ]{60,}\\]"), "[...]"),
             calls);
    QStringList shown =
        echoLines(outcome).replaceInStrings(QRegularExpression("([0-9A-F]{2} ){20,}"), "... ");
    const QByteArray &got = outcome.received;
    if (action.startsWith(QLatin1String("exchange")) && outcome.ok())
        shown << (got.size() > 16 ? QStringLiteral("got %1 bytes").arg(got.size())
                                  : "got " + QString::fromLatin1(got.toHex(' ').toUpper()));
    QTEST(shown, "log");
    QCOMPARE(adapterErrorText(outcome), message);
    QCOMPARE(outcome.ok(), message.isEmpty());
    QCOMPARE(outcome.status == TransferOutcome::Status::NotReady, !unprepared.isEmpty());
    QTEST(session.isStale(), "stale");
}

void TestAdapterSession::preparesOnlyWhenStale()
{
    AdapterSession session(AdapterLibrary::entries());
    PanelSettings settings;
    settings.channel = SpiChannel::Spi2Cs3;
    settings.clockText = QStringLiteral("390450");
    answerOf(session, AdapterRequest::write(settings, "\x11"));
    settings.channel =
        SpiChannel::Spi2Cs0; // the channel goes with every call, not into the configuration
    answerOf(session, AdapterRequest::read(settings, 1));
    session.markStale();
    answerOf(session, AdapterRequest::read(settings, 1));
    const QString scan = QStringLiteral("AdapterScan(0) => 1"), open("AdapterOpen(0) => 1");
    QCOMPARE(adapterCalls(),
             QStringList({scan, open, "SpiConfigure(0,0x31,[01 01 00 00 00 00],390450) => 0",
                          "SpiWrite(0,0x31,[11],1) => 0", "SpiRead(0,0x01,1) => 0", scan, open,
                          "SpiConfigure(0,0x01,[01 01 00 00 00 00],390450) => 0",
                          "SpiRead(0,0x01,1) => 0"}));
}

void TestAdapterSession::firmwareInfo()
{
    AdapterSession session(AdapterLibrary::entries());
    const auto info = [&session] { return answerOf(session, AdapterRequest::firmwareInfo(0)); };
    QVERIFY(info().ok());
    QVERIFY(session.isStale()); // the transfers' configuration is not touched
    forceNext(QStringLiteral("AdapterOpen=0"));
    QCOMPARE(adapterErrorText(info()), QString::fromUtf8("打开设备失败！"));
    forceNext(QStringLiteral("AdapterGetInfo=256"));
    QCOMPARE(adapterErrorText(info()), QString::fromUtf8("获取固件信息失败！"));
}

void TestAdapterSession::oneRequestAtATime_data()
{
    QTest::addColumn<bool>("beyondGrace"); // the call outlives the grace time
    QTest::newRow("short call: nothing announced") << false;
    QTest::newRow("long call: announced, then its end") << true;
}

void TestAdapterSession::oneRequestAtATime()
{
    QFETCH(bool, beyondGrace);
    AdapterSession session(heldEntries());
    session.setGraceMilliseconds(beyondGrace ? 30 : 5000);
    QStringList events;
    connect(&session, &AdapterSession::longCallStarted, this, [&] { events += "long"; });
    connect(&session, &AdapterSession::longCallFinished, this, [&] { events += "long over"; });
    connect(&session, &AdapterSession::ready, this, [&] { events += "ready"; });
    released = false;
    const quint64 first =
        session.submit(AdapterRequest::read(PanelSettings(), 1),
                       [&](const TransferOutcome &o) { events += o.ok() ? "answer" : "failed"; });
    QVERIFY(first != 0);
    QTRY_COMPARE(held.load(), 1); // scanning
    // While it runs, every other request is refused and never answered.
    bool refusedAnswered = false;
    const auto never = [&](const TransferOutcome &) { refusedAnswered = true; };
    QCOMPARE(session.submit(AdapterRequest::write(PanelSettings(), "\x01"), never), 0u);
    QCOMPARE(session.submit(AdapterRequest::firmwareInfo(0), never), 0u);
    QVERIFY(session.isBusy());
    if (beyondGrace)
        QTRY_COMPARE(events, QStringList({"long"}));
    else
        QCOMPARE(events, QStringList());
    QCOMPARE(session.isLong(), beyondGrace);
    released = true;
    QTRY_VERIFY(!session.isBusy());
    QTest::qWait(50); // a grace timer left running would announce now
    QCOMPARE(events, beyondGrace ? QStringList({"long", "long over", "ready", "answer"})
                                 : QStringList({"ready", "answer"}));
    QVERIFY(!refusedAnswered);
    QVERIFY(session.submit(AdapterRequest::read(PanelSettings(), 1), never) > first);
    QTRY_VERIFY(refusedAnswered);
}

void TestAdapterSession::stalenessMarkedDuringPreparation()
{
    // A panel change while the adapter is being configured keeps the configuration stale: the
    // configuration applied is already the old panel's.
    AdapterSession session(heldEntries());
    released = false;
    bool prepared = false;
    session.submit(AdapterRequest::prepare(PanelSettings()),
                   [&](const TransferOutcome &o) { prepared = o.ok(); });
    QTRY_COMPARE(held.load(), 1);
    session.markStale();
    released = true;
    QTRY_VERIFY(prepared);
    QVERIFY(session.isStale());
    QVERIFY(answerOf(session, AdapterRequest::prepare(PanelSettings())).ok());
    QVERIFY(!session.isStale());
}

void TestAdapterSession::forgottenAndAbandonedAnswers()
{
    auto session = std::make_unique<AdapterSession>(heldEntries());
    int answers = 0;
    int readies = 0;
    connect(session.get(), &AdapterSession::ready, this, [&] { ++readies; });
    released = false;
    session->forget(session->submit(AdapterRequest::prepare(PanelSettings()),
                                    [&](const TransferOutcome &) { ++answers; }));
    released = true;
    QTRY_COMPARE(readies, 1); // free again, the answer dropped
    // Abandoned: counted as running until the call ends, also once the session is gone.
    released = false;
    session->markStale();
    session->submit(AdapterRequest::prepare(PanelSettings()),
                    [&](const TransferOutcome &) { ++answers; });
    QTRY_COMPARE(held.load(), 1);
    session->abandon();
    QVERIFY(CallWorker::abandonedCallRunning());
    session.reset();
    released = true;
    QTRY_VERIFY(!CallWorker::abandonedCallRunning());
    QTest::qWait(20);
    QCOMPARE(answers, 0);
}

QTEST_GUILESS_MAIN(TestAdapterSession)
#include "tst_adaptersession.moc"
