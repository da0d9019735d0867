// The registries of adapters. Calls to two adapters at the same time, simulated and on
// hardware: each call holds only its own adapter's lock. The chips (or hardware backends) of two
// adapters wait inside their transfer until the other one is inside too, and until a scan and a
// look at the record ran meanwhile: with one lock for everything they would wait in vain, and say
// so. The waits end after ten seconds, so that a lock held too widely fails the test instead of
// hanging it. Hardware devices that go away and come back.

#include "telkor/busadapter.h"
#include "telkor/library.h"

#include <QtTest>

#include <condition_variable>
#include <set>
#include <thread>

using namespace telkor;

namespace
{

// Names that threads announce and wait for.
class Meeting
{
public:
    void arrive(const std::string &name)
    {
        std::lock_guard<std::mutex> guard(lock);
        arrived.insert(name);
        changed.notify_all();
    }
    bool await(const std::string &name)
    {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10),
                                [&] { return arrived.count(name) > 0; });
    }
    // Inside a transfer of adapter `device` (0 or 1): the first says so, then waits for the
    // other adapter's transfer and for the main thread's calls; met[device] tells whether they
    // came. Returns a transfer's result.
    int32_t inside(int device)
    {
        if (first[device].exchange(false)) {
            arrive("inside " + std::to_string(device));
            met[device] = await("inside " + std::to_string(1 - device)) && await("calls");
        }
        return Ok;
    }
    bool met[2] = {false, false};

private:
    std::mutex lock;
    std::condition_variable changed;
    std::set<std::string> arrived;
    std::atomic<bool> first[2] = {{true}, {true}};
};

struct MeetingChip : SpiDevice {
    MeetingChip(Meeting &meeting, int device) : meeting(meeting), device(device) {}
    uint8_t exchange(uint8_t) override { return uint8_t(meeting.inside(device)); }
    Meeting &meeting;
    const int device;
};

struct MeetingBackend : BusBackend {
    MeetingBackend(Meeting &meeting, int device) : meeting(meeting), device(device) {}
    bool open() override { return true; }
    void close() override {}
    bool info(DeviceInfo *, char *) override { return true; }
    int32_t configure(int, const SpiConfig &) override { return Ok; }
    int32_t run(const BusTrain &) override { return meeting.inside(device); }
    Meeting &meeting;
    const int device;
};

} // namespace

class TestAdapterRegistry : public QObject
{
    Q_OBJECT

private slots:
    void twoAdaptersAtOnce_data();
    void twoAdaptersAtOnce();
    void busTimeSleptApart();
    void hardwareComesAndGoes();
};

void TestAdapterRegistry::twoAdaptersAtOnce_data()
{
    QTest::addColumn<QString>("config");
    // What the library recorded (sorted: the two transfers end in either order) and what an
    // SpiRead gave with a fault rule for it.
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<int>("faultedRead");
    QTest::newRow("simulated") << "adapters=2;fault.SpiRead=once"
                               << QStringList({"AdapterOpen(0) => 1", "AdapterOpen(1) => 1",
                                               "AdapterScan(0) => 2", "SpiRead(0,0x30,1) => -6",
                                               "SpiWrite(0,0x30,[00],1) => 0",
                                               "SpiWrite(1,0x30,[01],1) => 0"})
                               << int(InjectedFault);
    // Hardware records nothing, and the simulation's faults do not reach it.
    QTest::newRow("hardware") << "backend=spidev;fault.SpiRead=once" << QStringList() << int(Ok);
}

void TestAdapterRegistry::twoAdaptersAtOnce()
{
    QFETCH(QString, config);
    QFETCH(QStringList, record);
    QFETCH(int, faultedRead);
    Meeting meeting;
    HardwareRegistry::Source hardware{
        [](const LibraryConfig &) { return 2; },
        [&](const LibraryConfig &, int32_t device) -> std::unique_ptr<BusBackend> {
            return std::make_unique<MeetingBackend>(meeting, device);
        }};
    Library library(hardware);
    QCOMPARE(library.reset(config.toStdString()).size(), size_t(0));
    library.simCalls().setRecording(true);
    for (int device : {0, 1})
        library.simulation().withAdapter(device, [&](SimAdapter &adapter) {
            adapter.attach(0x30, std::make_unique<MeetingChip>(meeting, device));
        });
    QCOMPARE(library.adapterOpen(0) + library.adapterOpen(1), 2);

    int32_t written[2] = {-99, -99};
    std::vector<std::thread> transfers;
    for (int device : {0, 1})
        transfers.emplace_back([&, device] {
            const uint8_t byte = static_cast<uint8_t>(device);
            written[device] = library.spiWrite(device, 0x30, &byte, 1);
        });
    // While both transfers are inside their adapters: a scan, and the record.
    const bool bothInside = meeting.await("inside 0") && meeting.await("inside 1");
    const int32_t scanned = library.adapterScan(0);
    const size_t recorded = library.simCalls().callCount();
    meeting.arrive("calls");
    for (std::thread &transfer : transfers)
        transfer.join();
    QVERIFY(bothInside);
    QCOMPARE(QList<bool>({meeting.met[0], meeting.met[1]}), QList<bool>({true, true}));
    QCOMPARE(QList<int>({written[0], written[1], scanned}), QList<int>({0, 0, 2}));
    QCOMPARE(recorded, size_t(record.isEmpty() ? 0 : 3)); // the opens and the scan

    uint8_t read = 0;
    QCOMPARE(library.spiRead(0, 0x30, &read, 1), int32_t(faultedRead));
    QStringList lines;
    std::string line;
    for (size_t i = 0; library.simCalls().callText(i, &line); ++i)
        lines << QString::fromStdString(line);
    lines.sort();
    QCOMPARE(lines, record);
}

void TestAdapterRegistry::busTimeSleptApart()
{
    // On real time a call sleeps its bus time. A train of two blocks 2 s apart on adapter 0
    // has passed its chip and sleeps while adapter 1's call comes and goes: the clock that
    // all adapters share is not held while a call sleeps.
    Meeting meeting;
    meeting.arrive("inside 1"); // the chip on adapter 0 need not wait for anything
    meeting.arrive("calls");
    Library library({}); // no hardware
    QCOMPARE(library.reset("adapters=2;timing=on").size(), size_t(0));
    library.simulation().withAdapter(0, [&](SimAdapter &adapter) {
        adapter.attach(0x30, std::make_unique<MeetingChip>(meeting, 0));
    });
    QCOMPARE(library.adapterOpen(0) + library.adapterOpen(1), 2);
    std::atomic<bool> longCallOver{false};
    const uint8_t blocks[2] = {1, 2};
    std::thread longCall([&] {
        library.spiBlockWrite(0, 0x30, blocks, 1, 2, 2000000);
        longCallOver = true;
    });
    const bool inside = meeting.await("inside 0");
    uint8_t id[3] = {};
    const uint8_t command = 0x9F;
    const int32_t result = library.spiWriteRead(1, 0x10, &command, 1, id, 3, 0);
    const bool overlapped = !longCallOver;
    longCall.join();
    QVERIFY(inside);
    QCOMPARE(result, int32_t(Ok));
    QCOMPARE(QByteArray(reinterpret_cast<char *>(id), 3).toHex(), QByteArray("ef4015"));
    QVERIFY(overlapped);
}

void TestAdapterRegistry::hardwareComesAndGoes()
{
    // The devices a scan finds; an adapter that went away is made afresh when it is back and
    // must be opened again. The simulation's adapters= does not limit hardware.
    Meeting meeting;
    meeting.arrive("inside 0"), meeting.arrive("inside 1"), meeting.arrive("calls");
    QStringList made;
    int present = 2;
    HardwareRegistry::Source hardware{
        [&](const LibraryConfig &) { return present; },
        [&](const LibraryConfig &, int32_t device) -> std::unique_ptr<BusBackend> {
            made << QString::number(device);
            return std::make_unique<MeetingBackend>(meeting, device);
        }};
    Library library(hardware);
    QCOMPARE(library.reset("backend=ftdi;adapters=0").size(), size_t(0));
    const uint8_t byte = 0;
    QList<int> got{library.adapterOpen(1), library.spiWrite(1, 0x00, &byte, 1)};
    present = 1;
    got << library.adapterScan(0) << library.spiWrite(1, 0x00, &byte, 1) << library.adapterOpen(1)
        << library.spiWrite(0, 0x00, &byte, 1);
    present = 2;
    got << library.adapterScan(0) << library.spiWrite(1, 0x00, &byte, 1) << library.adapterOpen(1)
        << library.spiWrite(1, 0x00, &byte, 1);
    QCOMPARE(got, QList<int>({1, 0, 1, NotOpen, 0, NotOpen, 2, NotOpen, 1, 0}));
    QCOMPARE(made, QStringList({"1", "0", "1"}));
}

QTEST_GUILESS_MAIN(TestAdapterRegistry)
#include "tst_adapterregistry.moc"
