// The decoders' notes on what the simulated chips answered: the flash on SPI1_CS1 and the
// register bank on SPI1_CS2, through the session as the window drives them, in half and full
// duplex; the choice per chip select and the flash decoder chosen by a JEDEC id answer.

#include "simlibrary.h"

#include "adapter/adapterlibrary.h"
#include "adapter/adaptersession.h"
#include "bus/framedecoder.h"
#include "telkor/telkortest.h"
#include "transfer/trafficannotator.h"
#include "transfer/trafficlog.h"

#include <QtTest>

namespace
{

// One step: "w 06" writes, "wr 9F 3" writes and reads 3, "bw 2 21 01 22 02" writes blocks of
// 2, "clock 50000" lets 50 ms pass on the simulated clock.
struct Runner {
    AdapterSession session{AdapterLibrary::entries()};
    PanelSettings panel;
    TrafficLog log;
    qint64 now = 1000;

    // The outcome, its context filled as the session will fill it.
    TransferOutcome run(const QString &step)
    {
        QStringList words = step.split(QLatin1Char(' '));
        const QString what = words.takeFirst();
        TransferOutcome outcome;
        TransferCall call = TransferCall::None;
        if (what == QLatin1String("clock")) {
            TelkorTestAdvanceClock(words.value(0).toLongLong());
            return outcome;
        }
        if (what == QLatin1String("w")) {
            outcome = session.write(panel, QByteArray::fromHex(words.join(QString()).toLatin1()));
            call = panel.controlMode == 0 ? TransferCall::WriteRead : TransferCall::Write;
        } else if (what == QLatin1String("wr")) {
            const int count = words.takeLast().toInt();
            outcome = session.writeRead(
                panel, QByteArray::fromHex(words.join(QString()).toLatin1()), count);
            call = TransferCall::WriteRead;
        } else if (what == QLatin1String("bw")) {
            const int size = words.takeFirst().toInt();
            outcome = session.blockWrite(
                panel, QByteArray::fromHex(words.join(QString()).toLatin1()), size, 0);
            call = TransferCall::BlockWrite;
        }
        outcome.context.call = call;
        outcome.context.channel = panel.channel;
        outcome.context.config = session.appliedConfig();
        outcome.context.startUs = now += 100;
        return outcome;
    }
};

} // namespace

class TestBusDecoders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(loadSimulatedAdapter()); }
    void init() { TelkorTestReset(); }
    void notesOnRecordedAnswers_data();
    void notesOnRecordedAnswers();
    void choiceAndIdentification();
};

void TestBusDecoders::notesOnRecordedAnswers_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("mode"); // control mode: 0 full duplex, 1 half duplex
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected"); // the note of every entry, "" for none
    QTest::newRow("flash: identity, status, erase, busy")
        << 0x10 << 1 << QStringList{"wr 9F 3",       "wr 05 1", "w 06",        "wr 05 1",
                                    "w 20 00 00 00", "wr 05 2", "clock 50000", "wr 05 1"}
        << QStringList{"JEDEC ID: EF 40 15, Winbond, 2 MiB",
                       "",
                       "status: BUSY=0 WEL=0",
                       "",
                       "write enable",
                       "status: BUSY=0 WEL=1",
                       "",
                       "sector erase 000000h (4 KiB)",
                       "status: BUSY=1 WEL=0",
                       "",
                       "status: BUSY=0 WEL=0",
                       ""};
    QTest::newRow("flash: program, read, fast read, other erases")
        << 0x10 << 1
        << QStringList{"w 06",
                       "w 02 00 01 00 DE AD BE EF",
                       "clock 1000",
                       "wr 03 00 01 00 4",
                       "wr 0B 00 01 00 00 2",
                       "w D8 01 00 00",
                       "w 52 00 80 00",
                       "w C7",
                       "w 60",
                       "w 04",
                       "w 5E",
                       "wr 03 00 1",
                       "wr 9F 0"}
        << QStringList{"write enable",
                       "page program 000100h, 4 bytes",
                       "read 000100h, 4 bytes",
                       "",
                       "fast read 000100h, 2 bytes",
                       "",
                       "block erase 010000h (64 KiB)",
                       "block erase 008000h (32 KiB)",
                       "chip erase",
                       "chip erase",
                       "write disable",
                       "command 5Eh",
                       "read: address cut short",
                       "",
                       "JEDEC ID (not read)",
                       ""};
    QTest::newRow("flash in full duplex: answers while the command goes out")
        << 0x10 << 0 << QStringList{"wr 9F 4", "wr 05 2", "w 06", "wr 05 FF 2"}
        << QStringList{"JEDEC ID: EF 40 15, Winbond, 2 MiB",
                       "",
                       "status: BUSY=0 WEL=0",
                       "",
                       "write enable",
                       "",
                       "status: BUSY=0 WEL=1",
                       ""};
    QTest::newRow("register bank")
        << 0x20 << 1 << QStringList{"wr 8F 1",    "w 20 47", "wr A0 1", "wr A8 6",
                                    "w 7F 11 22", "wr FF 2", "w 20",    "wr 8F 0"}
        << QStringList{"read 0Fh \u2192 5A",
                       "",
                       "write 20h \u2190 47",
                       "read 20h \u2192 47",
                       "",
                       "read 28h\u20132Dh \u2192 34 12 78 56 BC 9A",
                       "",
                       "write 7Fh\u201300h \u2190 11 22",
                       "read 7Fh\u201300h \u2192 11 22",
                       "",
                       "address 20h",
                       "read 0Fh (nothing read)",
                       ""};
    QTest::newRow("register bank, block writes: a note a block")
        << 0x20 << 1 << QStringList{"bw 2 21 01 22 02", "wr A1 2"}
        << QStringList{"write 21h \u2190 01", "write 22h \u2190 02",
                       "read 21h\u201322h \u2192 01 02", ""};
}

void TestBusDecoders::notesOnRecordedAnswers()
{
    QFETCH(int, channel);
    QFETCH(int, mode);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    Runner runner;
    runner.panel.channel = channel;
    runner.panel.controlMode = mode;
    TrafficAnnotator annotator(runner.log);
    annotator.setChoice(0, channel,
                        channel == 0x10 ? TrafficAnnotator::Choice::Flash
                                        : TrafficAnnotator::Choice::Registers);
    for (const QString &step : steps) {
        const TransferOutcome outcome = runner.run(step);
        QVERIFY2(outcome.ok(), qPrintable(step + ": " + outcome.message));
        runner.log.append(outcome, true);
    }
    QStringList notes;
    for (qint64 i = 0; i < runner.log.count(); ++i)
        notes << annotator.annotation(i);
    QCOMPARE(notes, expected);
    // What the chips answered is in the log, as the notes say.
    if (channel == 0x10 && steps.size() > 3 && steps[3] == QLatin1String("wr 03 00 01 00 4"))
        QCOMPARE(runner.log.lineText(3), QStringLiteral("RX : DE AD BE EF "));
}

void TestBusDecoders::choiceAndIdentification()
{
    Runner runner;
    TrafficAnnotator annotator(runner.log);
    QSignalSpy changed(&annotator, &TrafficAnnotator::changed);
    // The register bank first: automatic gives it no notes.
    runner.panel.channel = 0x20;
    runner.log.append(runner.run(QStringLiteral("wr 8F 1")), true);
    // The flash with the chip select active high: deselected, it answers FF FF FF, no chip.
    runner.panel.channel = 0x10;
    runner.panel.csPolarity = 1;
    runner.session.markStale(); // as the window does when the panel changes
    runner.log.append(runner.run(QStringLiteral("wr 9F 3")), true);
    runner.log.append(runner.run(QStringLiteral("wr 05 1")), true);
    QCOMPARE(runner.log.lineText(3), QStringLiteral("RX : FF FF FF "));
    QCOMPARE(annotator.decoder(0, 0x10), FrameDecoder::Kind::None);
    QCOMPARE(annotator.annotation(4), QString());
    QCOMPARE(changed.count(), 0);
    // Now its real answer: the flash decoder for this chip select, the earlier entries too.
    runner.panel.csPolarity = 0;
    runner.session.markStale();
    runner.log.append(runner.run(QStringLiteral("wr 9F 3")), true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(annotator.decoder(0, 0x10), FrameDecoder::Kind::Flash);
    QCOMPARE(annotator.identified(0, 0x10), QStringLiteral("Winbond W25Q16"));
    QCOMPARE(annotator.annotation(2), QStringLiteral("JEDEC ID: FF FF FF"));
    QCOMPARE(annotator.annotation(4), QStringLiteral("status: BUSY=1 WEL=1"));
    QCOMPARE(annotator.annotation(0), QString());
    QCOMPARE(annotator.decoder(3, 0x10), FrameDecoder::Kind::None); // another adapter's
    // A choice overrides; none silences; the register bank's is chosen by hand.
    annotator.setChoice(0, 0x10, TrafficAnnotator::Choice::None);
    annotator.setChoice(0, 0x20, TrafficAnnotator::Choice::Registers);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(annotator.annotation(6), QString());
    QCOMPARE(annotator.annotation(0), QStringLiteral("read 0Fh \u2192 5A"));
    QCOMPARE(annotator.chipSelects(),
             (QList<QPair<int, int>>{qMakePair(0, 0x10), qMakePair(0, 0x20)}));
    // Clearing forgets the identification, not the choices.
    annotator.setChoice(0, 0x10, TrafficAnnotator::Choice::Automatic);
    runner.log.clear();
    QCOMPARE(annotator.decoder(0, 0x10), FrameDecoder::Kind::None);
    QCOMPARE(annotator.choice(0, 0x20), TrafficAnnotator::Choice::Registers);
    QCOMPARE(annotator.chipSelects(), (QList<QPair<int, int>>{qMakePair(0, 0x20)}));
}

QTEST_MAIN(TestBusDecoders)
#include "tst_busdecoders.moc"
