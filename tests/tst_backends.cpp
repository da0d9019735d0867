// The window against each backend of our adapter library: the simulated chips (the library
// itself), Linux spidev on a pretend host and an FTDI MPSSE on a pretend USB bus, each with a
// flash on CS1 and a register bank on CS2. The same clicks give the same log and warnings.

#include "kavristest.h"

#include "fakeftdiport.h"
#include "fakespidev.h"
#include "telkor/busadapter.h"
#include "telkor/config.h"
#include "telkor/ftdibackend.h"
#include "telkor/norflash.h"
#include "telkor/registerbank.h"
#include "telkor/simclock.h"
#include "telkor/spidevbackend.h"
#include "telkor/telkortest.h"

#include <QSpinBox>
#include <QtTest>

#include <cerrno>

using namespace telkor;

namespace
{

// The twelve entries over one adapter of the test's own, as device 0.
Adapter *current = nullptr;

AdapterEntries entriesOverCurrent()
{
    AdapterEntries e;
    e.scan = [](int32_t) -> int32_t { return 1; };
    e.open = [](int32_t device) -> int32_t { return device == 0 && current->open() ? 1 : 0; };
    e.getInfo = [](int32_t, DeviceInfo *info, char *functions) -> int32_t {
        return current->info(info, functions) ? 1 : 0;
    };
    e.configure = [](int32_t, int32_t channel, SpiConfig *config) {
        return current->configure(channel, *config);
    };
    e.write = [](int32_t, int32_t channel, uint8_t *data, int32_t count) {
        return current->write(channel, data, count);
    };
    e.read = [](int32_t, int32_t channel, uint8_t *buffer, int32_t count) {
        return current->read(channel, buffer, count);
    };
    e.writeRead = [](int32_t, int32_t channel, uint8_t *out, int32_t outCount, uint8_t *in,
                     int32_t inCount,
                     int32_t) { return current->writeRead(channel, out, outCount, in, inCount); };
    e.slaveWrite = [](int32_t, int32_t channel, uint8_t *data, int32_t count, int32_t) {
        return current->slaveWrite(channel, data, count);
    };
    e.slaveRead = [](int32_t, int32_t channel, uint8_t *buffer, int32_t) {
        return current->slaveRead(channel, buffer);
    };
    e.blockWrite = [](int32_t, int32_t channel, uint8_t *data, int32_t size, int32_t count,
                      int32_t interval) {
        return current->blockWrite(channel, data, size, count, interval);
    };
    e.blockRead = [](int32_t, int32_t channel, uint8_t *buffer, int32_t size, int32_t count,
                     int32_t interval) {
        return current->blockRead(channel, buffer, size, count, interval);
    };
    e.blockWriteRead = [](int32_t, int32_t channel, uint8_t *out, int32_t outSize, uint8_t *in,
                          int32_t inSize, int32_t count, int32_t interval) {
        return current->blockWriteRead(channel, out, outSize, in, inSize, count, interval);
    };
    return e;
}

// The chips, on real time so that the list's pauses let the flash finish.
struct Chips {
    SimClock clock;
    std::string problem;
    NorFlash flash{clock, std::string(), &problem};
    RegisterBank registers;
};

} // namespace

class TestBackends : public WindowTest
{
    Q_OBJECT

private slots:
    void sameLogAndWarnings_data();
    void sameLogAndWarnings();
    void cleanup();
};

void TestBackends::cleanup()
{
    fixture.stop();
    current = nullptr;
}

void TestBackends::sameLogAndWarnings_data()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("simulated chips") << "sim";
    QTest::newRow("spidev") << "spidev";
    QTest::newRow("FTDI MPSSE") << "mpsse";
}

void TestBackends::sameLogAndWarnings()
{
    QFETCH(QString, backend);
    static const AdapterEntries library = AdapterLibrary::entries();
    Chips chips;
    FakeSpidev host;
    FakeUsb usb;
    std::unique_ptr<BusAdapter> adapter;
    std::function<void()> failNextTransfer;
    if (backend == QLatin1String("spidev")) {
        host.addNode(0, 1, &chips.flash);
        host.addNode(0, 2, &chips.registers);
        adapter =
            std::make_unique<BusAdapter>(std::make_unique<SpidevBackend>(host, LibraryConfig()));
        failNextTransfer = [&host] {
            host.failAtMessage = 1;
            host.failError = ENODEV;
        };
    } else if (backend == QLatin1String("mpsse")) {
        FakeFtdiChip &chip = usb.plug(0x6014);
        chip.interfaces[0].attach(1, &chips.flash);
        chip.interfaces[0].attach(2, &chips.registers);
        FakeFtdiPort lister(usb);
        adapter = std::make_unique<BusAdapter>(std::make_unique<FtdiBackend>(
            FtdiBackend::scan(FtdiBackend::Settings(), lister).at(0), false,
            [&usb] { return std::make_unique<FakeFtdiPort>(usb); }));
        failNextTransfer = [&chip] { chip.present = false; };
    } else {
        failNextTransfer = [] { TelkorTestForceResult("SpiWriteRead", -1, 1); };
    }
    current = adapter.get();
    AdapterLibrary::use(adapter ? entriesOverCurrent() : library);
    fixture.stop();
    fixture.start();
    TelkorTestConfigure("timing=on");

    auto writeRead = [this](const char *hex, int count) {
        fixture.setWriteText("writeTextEdit", QString::fromLatin1(hex));
        fixture.find<QSpinBox>("readByteCountSpinBox")->setValue(count);
        fixture.click("writeReadPushButton");
    };
    fixture.select("channelIndexComboBox", 1);
    writeRead("9F", 3);
    fixture.dialogs().then(
        ModalAnswerer::chooseFile(QStringLiteral(KAVRIS_SOURCE_DIR "/examples/flash-page.list")));
    fixture.click("toolButtonOpenListFromFile");
    fixture.click("toolButtonExecuteOnce");
    QTRY_VERIFY(!MainWindowTestAccess::runner(fixture.window()).isRunning());
    fixture.select("channelIndexComboBox", 2);
    fixture.setWriteText("writeTextEdit", QStringLiteral("20 47"));
    fixture.click("writePushButton");
    writeRead("A0", 1);
    failNextTransfer();
    writeRead("A0", 1);

    QCOMPARE(fixture.logLines(),
             QStringList({"TX : 9F ", "RX : EF 40 15 ", "TX : 06 ", "TX : 20 00 00 00 ", "TX : 05 ",
                          "RX : 00 ", "TX : 06 ", "TX : 02 00 01 00 DE AD BE EF ", "TX : 05 ",
                          "RX : 00 ", "TX : 03 00 01 00 ", "RX : DE AD BE EF ", "TX : 20 47 ",
                          "TX : A0 ", "RX : 47 "}));
    QCOMPARE(fixture.dialogs().summary().mid(1), // after the file dialog
             warningSummary(QString::fromUtf8("写读数据失败！")));
    AdapterLibrary::use(library);
}

QTEST_MAIN(TestBackends)
#include "tst_backends.moc"
