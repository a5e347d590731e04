// SPDX-License-Identifier: GPL-3.0-or-later
// System information: the profiler texts read back from fixture trees of three machines,
// the sensor client's byte forms over a recording transport, the monitors chosen by
// driver, the machine identifier, and the screen offscreen.
#include "platform/BoundedFile.h"
#include "platform/HwmonSensors.h"
#include "platform/MachineIdentifier.h"
#include "platform/Profiler.h"
#include "support/MachineFixtures.h"
#include "support/TempDir.h"
#include "sysinfo/engine/HardCPU.h"
#include "sysinfo/engine/HardwareOutlineModel.h"
#include "sysinfo/engine/HwmonTransport.h"
#include "sysinfo/engine/SensorClient.h"
#include "sysinfo/ui/HardWare.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/ReadableOutline.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>

using namespace corvane;
using corvane::test::TempDir;

namespace {

Profiler::Roots rootsOf(const std::string& root)
{
    Profiler::Roots roots;
    roots.sys = root + "/sys";
    roots.proc = root + "/proc";
    roots.machineId = root + "/etc/machine-id";
    roots.lspci.clear();
    return roots;
}

QString valueOf(const HardFacts& facts, const char* key)
{
    for (const HardFact& fact : facts)
        if (fact.first == QLatin1String(key))
            return fact.second;
    return QStringLiteral("<missing>");
}

double readTemperature(const std::string& sys)
{
    SensorClient client(std::make_unique<HwmonTransport>(sys));
    if (client.openSensorConnection() != 0)
        return 0.0;
    return client.readTemperature("TC0P");
}

int readFan(const std::string& sys)
{
    SensorClient client(std::make_unique<HwmonTransport>(sys));
    if (client.openSensorConnection() != 0)
        return -1;
    return client.readFanSpeed("F0Ac");
}

// Answers key-info and read calls from a table of (type, bytes) and records every call.
class RecordingTransport : public SensorTransport
{
public:
    struct Key
    {
        std::string type;
        std::vector<unsigned char> bytes;
    };
    std::map<std::string, Key> keys;
    std::vector<SensorKeyRecord>* calls;
    int openStatus = 0;

    explicit RecordingTransport(std::vector<SensorKeyRecord>* record) : calls(record) {}

    int open(std::string& message) override
    {
        if (openStatus != 0)
            message = "no controller";
        return openStatus;
    }
    int call(const SensorKeyRecord& in, SensorKeyRecord& out) override
    {
        calls->push_back(in);
        for (const auto& [name, key] : keys) {
            if (SensorClient::packKey(name) != in.word(SensorKeyRecord::kKeyCode))
                continue;
            if (in.raw[SensorKeyRecord::kCommand] == SensorKeyRecord::KeyInfo) {
                out.setWord(SensorKeyRecord::kDataSize, uint32_t(key.bytes.size()));
                out.setWord(SensorKeyRecord::kDataType, SensorClient::packKey(key.type));
            } else if (in.raw[SensorKeyRecord::kCommand] == SensorKeyRecord::ReadKey) {
                std::copy(key.bytes.begin(), key.bytes.end(), out.raw.begin() + SensorKeyRecord::kBytes);
            }
            return 0;
        }
        return int(0xE00002F0);
    }
};

} // namespace

TEST(HardCPU, ProfilerLinesBecomeFactsAndHeadingsAreDropped)
{
    const QString hardware = QStringLiteral(
        "Hardware:\n\n    Hardware Overview:\n\n      Model Name: MacBook Pro\n      Model Identifier: MacBookPro11,1\n"
        "      a line without its colon\n      Processor Speed:\t2.6 GHz \n      Serial Number (system): C02\n");
    const HardFacts facts = HardCPU::hardwareFacts(hardware);
    ASSERT_EQ(facts.size(), 4u);
    EXPECT_EQ(facts[0], HardFact(QStringLiteral("Model Name"), QStringLiteral("MacBook Pro")));
    EXPECT_EQ(facts[2], HardFact(QStringLiteral("Processor Speed"), QStringLiteral("2.6 GHz")));
    // The key ends at the first colon; the value keeps the rest.
    EXPECT_EQ(HardCPU::hardwareFacts(QStringLiteral("Time: 12:30")).front().second, QStringLiteral("12:30"));

    const auto display = HardCPU::displayFacts(QStringLiteral(
        "Graphics/Displays:\n\n    Intel Iris:\n\n      Chipset Model: Intel Iris\n      Type: GPU\n"
        "      Metal: Supported\n      Displays:\n        Color LCD:\n          Display Type: Retina LCD\n"
        "          Resolution: 2560 x 1600\n          Built-In: Yes\n"));
    ASSERT_EQ(display[0].size(), 2u);
    EXPECT_EQ(display[0][0].first, QStringLiteral("Chipset Model"));
    ASSERT_EQ(display[1].size(), 3u);
    EXPECT_EQ(display[1][2], HardFact(QStringLiteral("Built-In"), QStringLiteral("Yes")));
}

TEST(HardCPU, DiskFactsComeFromTheDrivePartAndAvailableFromTheVolume)
{
    const QString text = QStringLiteral(
        "SATA/SATA Express:\n\n    Intel 7 Series Chipset:\n\n      Vendor: Intel\n      Capacity: 9 GB\n\n"
        "        APPLE HDD ST1000LM024:\n\n          Capacity: 1 TB (1,000,204,886,016 bytes)\n"
        "          Model: APPLE HDD ST1000LM024\n          BSD Name: disk0\n          Medium Type: Rotational\n"
        "          Rotational Rate: 5400\n          Removable Media: No\n          Volumes:\n"
        "            EFI:\n              Capacity: 209.7 MB (209,715,200 bytes)\n"
        "            Macintosh HD:\n              Capacity: 999.35 GB (999,345,127,424 bytes)\n"
        "              Available: 500.11 GB (500,107,862,016 bytes)\n            Recovery HD:\n"
        "              Available: 1 MB\n");
    const auto disk = HardCPU::diskFacts(text);
    EXPECT_EQ(disk.at(QStringLiteral("Capacity")), QStringLiteral("1 TB (1,000,204,886,016 bytes)"));
    EXPECT_EQ(disk.at(QStringLiteral("Rotational Rate")), QStringLiteral("5400"));
    EXPECT_EQ(disk.at(QStringLiteral("Available")), QStringLiteral("500.11 GB (500,107,862,016 bytes)"));
    EXPECT_EQ(disk.count(QStringLiteral("Removable Media")), 0u);

    // A line of blanks ends the drive part.
    const auto cut = HardCPU::diskFacts(QStringLiteral("  Model: A\n   \t\n  BSD Name: sda\n"));
    EXPECT_EQ(cut.count(QStringLiteral("Model")), 1u);
    EXPECT_EQ(cut.count(QStringLiteral("BSD Name")), 0u);
}

TEST(SensorClient, DecodesTheControllersForms)
{
    EXPECT_DOUBLE_EQ(SensorClient::decodeSp78(0x32, 0x40), 50.25);
    // The low byte is the fraction: 0x9A adds, it never subtracts.
    EXPECT_NEAR(SensorClient::decodeSp78(0x32, 0x9A), 50.59, 0.01);
    EXPECT_DOUBLE_EQ(SensorClient::decodeSp78(0xFF, 0xC0), -0.25);
    const unsigned char fan[] = {0x1F, 0x40};
    EXPECT_EQ(SensorClient::decodeFpe2(fan, 2), 2000);
    // Fast fans are not negative.
    const unsigned char fast[] = {0x80, 0x00};
    EXPECT_EQ(SensorClient::decodeFpe2(fast, 2), 8192);
    EXPECT_EQ(SensorClient::encodeFpe2(2010), (std::array<unsigned char, 2>{0x1F, 0x68}));
    EXPECT_EQ(SensorClient::packKey("TC0P"), 0x54433050u);
}

TEST(SensorClient, ReadsAndWritesThroughTheRecordAndFailsToItsFailureValues)
{
    std::vector<SensorKeyRecord> calls;
    auto transport = std::make_unique<RecordingTransport>(&calls);
    transport->keys["TC0P"] = {"sp78", {0x32, 0x40}};
    transport->keys["F0Ac"] = {"fpe2", {0x1F, 0x40}};
    transport->keys["F1Ac"] = {"sp78", {0x1F, 0x40}};
    transport->keys["TZ0P"] = {"sp78", {}};
    RecordingTransport* fake = transport.get();
    SensorClient client(std::move(transport));

    // Not connected: nothing reaches the transport.
    EXPECT_EQ(client.readTemperature("TC0P"), 0.0);
    EXPECT_TRUE(calls.empty());

    ASSERT_EQ(client.openSensorConnection(), 0);
    EXPECT_DOUBLE_EQ(client.readTemperature("TC0P"), 50.25);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].raw[SensorKeyRecord::kCommand], 9);
    EXPECT_EQ(calls[1].raw[SensorKeyRecord::kCommand], 5);
    EXPECT_EQ(calls[1].word(SensorKeyRecord::kDataSize), 2u);

    EXPECT_EQ(client.readFanSpeed("F0Ac"), 2000);
    EXPECT_EQ(client.readFanSpeed("F1Ac"), -1); // another type
    EXPECT_EQ(client.readFanSpeed("NONE"), -1);
    EXPECT_EQ(client.readTemperature("TZ0P"), 0.0); // no data bytes
    EXPECT_EQ(client.readTemperature("F0Ac"), 0.0);

    calls.clear();
    client.writeFanSpeed("F0Ac", 2010);
    ASSERT_EQ(calls.size(), 3u);
    const SensorKeyRecord& write = calls.back();
    EXPECT_EQ(write.raw[SensorKeyRecord::kCommand], 6);
    EXPECT_EQ(write.word(SensorKeyRecord::kKeyCode), SensorClient::packKey("F0Ac"));
    EXPECT_EQ(write.raw[SensorKeyRecord::kBytes], 0x1F);
    EXPECT_EQ(write.raw[SensorKeyRecord::kBytes + 1], 0x68);

    // A value of another size than the stored one is refused before any write.
    calls.clear();
    SensorValue wide;
    std::memcpy(wide.key, "F0Ac", 4);
    wide.dataSize = 4;
    EXPECT_EQ(client.writeSensorKey(wide), SensorClient::kGeneralError);
    EXPECT_EQ(calls.size(), 2u);
    client.closeSensorConnection();

    fake->openStatus = 1;
    EXPECT_EQ(client.openSensorConnection(), 1);
    EXPECT_FALSE(client.lastError().empty());
    EXPECT_EQ(client.readFanSpeed("F0Ac"), -1);
}

TEST(Profiler, IntelLaptopTextsReadBackAsItsFacts)
{
    TempDir dir;
    test::writeIntelLaptop(dir.path());
    test::writeFile(dir / "etc/machine-id", "0123456789abcdef0123456789abcdef\n");
    const Profiler::Roots roots = rootsOf(dir.path());

    const HardFacts hardware = HardCPU::getHardware(roots);
    EXPECT_EQ(hardware.front(), HardFact(QStringLiteral("Model Name"), QStringLiteral("20XW004HGE")));
    EXPECT_EQ(valueOf(hardware, "Model Identifier"), QStringLiteral("ThinkPad X1 Carbon Gen 9"));
    EXPECT_EQ(valueOf(hardware, "Processor Name"), QStringLiteral("11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz"));
    EXPECT_EQ(valueOf(hardware, "Processor Speed"), QStringLiteral("4.7 GHz"));
    EXPECT_EQ(valueOf(hardware, "Number of Processors"), QStringLiteral("1"));
    EXPECT_EQ(valueOf(hardware, "Total Number of Cores"), QStringLiteral("4"));
    EXPECT_EQ(valueOf(hardware, "L2 Cache (per Core)"), QStringLiteral("1.25 MB"));
    EXPECT_EQ(valueOf(hardware, "L3 Cache"), QStringLiteral("12 MB"));
    EXPECT_EQ(valueOf(hardware, "Memory"), QStringLiteral("15.4 GB"));
    EXPECT_EQ(valueOf(hardware, "Boot ROM Version"), QStringLiteral("N32ET75W (1.51 )"));
    EXPECT_EQ(valueOf(hardware, "Hardware UUID"), QStringLiteral("82FBADF3-78BF-4344-B25C-0E2A530306DD"));

    const auto graphics = HardCPU::getIntelProAndDisplay(roots);
    EXPECT_EQ(valueOf(graphics[0], "Chipset Model"), QStringLiteral("Intel 0x9a49"));
    EXPECT_EQ(valueOf(graphics[0], "Vendor"), QStringLiteral("Intel (0x8086)"));
    EXPECT_EQ(valueOf(graphics[0], "Bus"), QStringLiteral("Built-In"));
    EXPECT_EQ(valueOf(graphics[0], "Revision ID"), QStringLiteral("0x0001"));
    // Two connected connectors, the panel built in; the disconnected one is not a display.
    const HardFacts expected = {{QStringLiteral("Display Type"), QStringLiteral("eDP-1")},
                                {QStringLiteral("Resolution"), QStringLiteral("1920x1200")},
                                {QStringLiteral("Online"), QStringLiteral("Yes")},
                                {QStringLiteral("Built-In"), QStringLiteral("Yes")},
                                {QStringLiteral("Display Type"), QStringLiteral("HDMI-A-1")},
                                {QStringLiteral("Resolution"), QStringLiteral("2560x1440")},
                                {QStringLiteral("Online"), QStringLiteral("Yes")}};
    EXPECT_EQ(graphics[1], expected);

    const auto disk = HardCPU::getSATAExPress(roots);
    EXPECT_EQ(disk.at(QStringLiteral("BSD Name")), QStringLiteral("nvme0n1"));
    EXPECT_EQ(disk.at(QStringLiteral("Model")), QStringLiteral("Samsung SSD 970 EVO Plus 500GB"));
    EXPECT_EQ(disk.at(QStringLiteral("Capacity")), QStringLiteral("500.11 GB (500,107,862,016 bytes)"));
    EXPECT_EQ(disk.at(QStringLiteral("Medium Type")), QStringLiteral("Solid State"));
    EXPECT_EQ(disk.count(QStringLiteral("Available")), 1u);

    EXPECT_DOUBLE_EQ(readTemperature(roots.sys), 52.5);
    EXPECT_EQ(readFan(roots.sys), 2010);
    // The fan stays under the firmware's control: a write is refused and changes nothing.
    SensorClient client(std::make_unique<HwmonTransport>(roots.sys));
    ASSERT_EQ(client.openSensorConnection(), 0);
    SensorValue faster;
    std::memcpy(faster.key, "F0Ac", 4);
    faster.dataSize = 2;
    faster.bytes[0] = 0x2F;
    EXPECT_EQ(client.writeSensorKey(faster), HwmonTransport::kNotPermitted);
    EXPECT_EQ(test::readFile(dir / "sys/devices/platform/thinkpad_hwmon/hwmon/hwmon1/fan1_input"), "2010\n");
    EXPECT_EQ(client.readFanSpeed("F0Ac"), 2010);

    const auto sections = HardwareOutlineModel::build(hardware, graphics, disk, 52.5, 2010);
    ASSERT_EQ(sections.size(), 5u);
    EXPECT_EQ(sections[0].title, QStringLiteral("Model Name : 20XW004HGE"));
    EXPECT_EQ(sections[1].title, QStringLiteral("Chipset Model : Intel 0x9a49"));
    EXPECT_EQ(sections[2].title, QStringLiteral("Displays:20XW004HGE"));
    EXPECT_TRUE(sections[3].title.endsWith(QStringLiteral("(Altogether500.11 GB )"))) << sections[3].title.toStdString();
    EXPECT_EQ(sections[3].children[2].namevalue, QStringLiteral("500.11 GB "));
    EXPECT_EQ(sections[4].title, QStringLiteral("CPU temperature:52.50 ℃"));
    EXPECT_EQ(sections[4].children.front().title, QStringLiteral("Fan speed:2010"));
}

TEST(Profiler, AmdDesktopTextsReadBackAsItsFacts)
{
    TempDir dir;
    test::writeAmdDesktop(dir.path());
    const Profiler::Roots roots = rootsOf(dir.path());

    const HardFacts hardware = HardCPU::getHardware(roots);
    // The board's filler never shows; the case does instead.
    EXPECT_EQ(valueOf(hardware, "Model Name"), QStringLiteral("Desktop"));
    EXPECT_EQ(valueOf(hardware, "Model Identifier"), QStringLiteral("<missing>"));
    EXPECT_EQ(valueOf(hardware, "Boot ROM Version"), QStringLiteral("P2.10?"));
    EXPECT_EQ(valueOf(hardware, "Processor Speed"), QStringLiteral("3.8 GHz"));
    EXPECT_EQ(valueOf(hardware, "Total Number of Cores"), QStringLiteral("8"));
    EXPECT_EQ(valueOf(hardware, "Hardware UUID"), QStringLiteral("<missing>"));

    const auto graphics = HardCPU::getIntelProAndDisplay(roots);
    EXPECT_EQ(valueOf(graphics[0], "Bus"), QStringLiteral("PCIe"));
    EXPECT_EQ(valueOf(graphics[0], "VRAM (Dynamic, Max)"), QStringLiteral("16 GB"));
    EXPECT_EQ(valueOf(graphics[1], "Built-In"), QStringLiteral("<missing>"));

    const auto disk = HardCPU::getSATAExPress(roots);
    EXPECT_EQ(disk.at(QStringLiteral("BSD Name")), QStringLiteral("sda"));
    EXPECT_EQ(disk.at(QStringLiteral("Medium Type")), QStringLiteral("Rotational"));
    EXPECT_EQ(disk.at(QStringLiteral("Capacity")), QStringLiteral("2.00 TB (2,000,398,934,016 bytes)"));

    EXPECT_DOUBLE_EQ(readTemperature(roots.sys), 61.25);
    EXPECT_EQ(readFan(roots.sys), 912);

    // The numbers the kernel handed out swapped at the next boot: the same sensors.
    const HwmonSensors::Choice before = HwmonSensors::choose(roots.sys);
    ASSERT_EQ(::rename((dir / "sys/class/hwmon/hwmon0").c_str(), (dir / "sys/class/hwmon/hwmon7").c_str()), 0);
    ASSERT_EQ(::rename((dir / "sys/class/hwmon/hwmon1").c_str(), (dir / "sys/class/hwmon/hwmon0").c_str()), 0);
    const HwmonSensors::Choice after = HwmonSensors::choose(roots.sys);
    EXPECT_EQ(after.temperatureSource, "k10temp Tctl");
    EXPECT_EQ(after.fanSource, "nct6798 fan1");
    EXPECT_EQ(before.temperatureSource, after.temperatureSource);
    EXPECT_EQ(before.fanSource, after.fanSource);
    EXPECT_DOUBLE_EQ(readTemperature(roots.sys), 61.25);
}

TEST(Profiler, AMachineThatReportsNothingShowsFailureValues)
{
    TempDir dir;
    test::writeBareVm(dir.path());
    const Profiler::Roots roots = rootsOf(dir.path());
    // No mount table at all names no disk either.
    Profiler::Roots noMounts = roots;
    noMounts.proc = dir / "nothing";
    test::makeDirs(dir / "sys/dev/block");
    EXPECT_EQ(HardCPU::getSATAExPress(noMounts).count(QStringLiteral("BSD Name")), 0u);
    const std::string texts[] = {Profiler::hardware(roots), Profiler::displays(roots), Profiler::storage(roots)};
    for (const std::string& text : texts)
        for (const std::string& line : BoundedFile::lines(text))
            EXPECT_TRUE(line.empty() || line.find_first_not_of(" \t") != std::string::npos) << text;

    const auto sections = HardwareOutlineModel::build(HardCPU::getHardware(roots), HardCPU::getIntelProAndDisplay(roots),
                                                      HardCPU::getSATAExPress(roots), readTemperature(roots.sys),
                                                      readFan(roots.sys));
    ASSERT_EQ(sections.size(), 5u);
    EXPECT_TRUE(sections[1].title.isEmpty());
    EXPECT_TRUE(sections[1].children.empty());
    EXPECT_TRUE(sections[2].children.empty());
    // Free space is known (statvfs of "/"), the capacity of a disk that is not there is not.
    EXPECT_TRUE(sections[3].title.endsWith(QStringLiteral("(Altogether(null))"))) << sections[3].title.toStdString();
    EXPECT_EQ(sections[3].children.size(), 5u);
    EXPECT_TRUE(sections[3].children[0].namevalue.isEmpty());
    EXPECT_EQ(sections[4].title, QStringLiteral("CPU temperature:0.00 ℃"));
    EXPECT_EQ(sections[4].children.front().title, QStringLiteral("Fan speed:-1"));
    EXPECT_EQ(HardwareOutlineModel::build({}, {}, {}, 0.0, -1)[3].title,
              QStringLiteral("Hard disk:(null)Available(Altogether(null))"));
}

TEST(Profiler, ASensorThatCannotBeReadGivesTheFailureValue)
{
    TempDir dir;
    test::writeIntelLaptop(dir.path());
    const std::string core = dir / "sys/devices/platform/coretemp.0/hwmon/hwmon2/temp1_input";
    const std::string fan = dir / "sys/devices/platform/thinkpad_hwmon/hwmon/hwmon1/fan1_input";
    // Files whose read fails, as an embedded controller's can.
    ASSERT_EQ(::unlink(core.c_str()), 0);
    test::makeDirs(core);
    ASSERT_EQ(::unlink(fan.c_str()), 0);
    test::makeDirs(fan);
    EXPECT_FALSE(HwmonSensors::readInteger(core).has_value());
    EXPECT_EQ(readTemperature(dir / "sys"), 0.0);
    EXPECT_EQ(readFan(dir / "sys"), -1);
}

TEST(Profiler, CapacitiesAndLspciNames)
{
    EXPECT_EQ(Profiler::capacityText(500107862016ULL), "500.11 GB (500,107,862,016 bytes)");
    EXPECT_EQ(Profiler::capacityText(999), "999 bytes");
    EXPECT_EQ(Profiler::capacityText(1000), "1.00 KB (1,000 bytes)");
    EXPECT_EQ(Profiler::cleanValue(" Model\x01\xc3\xa9  \nsecond"), "Model???");

    const auto names = Profiler::parseLspci(
        "Slot:\t00:02.0\nClass:\tVGA compatible controller [0300]\nVendor:\tIntel Corporation [8086]\n"
        "Device:\tTigerLake-LP GT2 [Iris Xe Graphics] [9a49]\nRev:\t01\n\n"
        "Slot:\t0000:01:00.0\nVendor:\tNVIDIA Corporation [10de]\nDevice:\tGA107M [GeForce RTX 3050 Mobile] [25a2]\n");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names.at("0000:00:02.0").device, "TigerLake-LP GT2 [Iris Xe Graphics]");
    EXPECT_EQ(names.at("0000:00:02.0").vendor, "Intel Corporation");
    EXPECT_EQ(names.at("0000:01:00.0").vendor, "NVIDIA Corporation");
}

TEST(MachineIdentifier, StableKeyedByMachineIdAndNeverAStandIn)
{
    TempDir dir;
    const std::string id = "0123456789abcdef0123456789abcdef";
    test::writeFile(dir / "machine-id", id + "\n");
    const std::string first = MachineIdentifier::read(dir / "machine-id");
    EXPECT_EQ(first, "82FBADF3-78BF-4344-B25C-0E2A530306DD");
    EXPECT_EQ(MachineIdentifier::read(dir / "machine-id"), first);
    EXPECT_EQ(first.find("0123456789"), std::string::npos);
    EXPECT_NE(MachineIdentifier::fromMachineId("0123456789abcdef0123456789abcdee"), first);
    EXPECT_EQ(HardCPU::hardWareUUID(dir / "machine-id"), QString::fromStdString(first) + QLatin1Char('\n'));

    for (const char* bad : {"", "uninitialized\n", "0123456789abcdef", "0123456789abcdef0123456789abcdeg",
                            "00000000000000000000000000000000"})
        EXPECT_EQ(MachineIdentifier::fromMachineId(bad), "") << bad;
    EXPECT_EQ(MachineIdentifier::read(dir / "missing"), "");
    EXPECT_TRUE(HardCPU::hardWareUUID(dir / "missing").isEmpty());
}

TEST(HardWareScreen, BuildsFiveExpandedSectionsAndRefreshesOnlyTheSensors)
{
    TempDir dir;
    test::writeIntelLaptop(dir.path());
    const Profiler::Roots roots = rootsOf(dir.path());
    std::atomic<int> reads{0};
    std::atomic<bool> release{false};
    HardWare screen(
        [&](const HardWare::Readings& first) {
            while (!release)
                QThread::msleep(1);
            return HardwareOutlineModel::build(HardCPU::getHardware(roots), HardCPU::getIntelProAndDisplay(roots),
                                               HardCPU::getSATAExPress(roots), first.temperature, first.rpm);
        },
        [&] {
            const int n = ++reads;
            return HardWare::Readings{40.0 + n, 1000 + n};
        });
    screen.resize(960, 640);
    screen.show();
    QAbstractItemModelTester tester(screen.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_EQ(screen.refreshTimer()->interval(), 3000);
    EXPECT_TRUE(screen.refreshTimer()->isActive());
    ASSERT_NE(RWProgressHUD::hudForView(&screen), nullptr);
    EXPECT_EQ(screen.productNameLabel()->text(), QStringLiteral("System Information"));

    // A tick before the outline is built has nowhere to go.
    screen.timer();
    EXPECT_EQ(screen.refreshes(), 0);

    release = true;
    QElapsedTimer clock;
    clock.start();
    while (screen.isLoading() && clock.elapsed() < 20000)
        QTest::qWait(5);
    ASSERT_FALSE(screen.isLoading());
    EXPECT_EQ(RWProgressHUD::hudForView(&screen), nullptr);
    HardwareOutlineModel* model = screen.model();
    ASSERT_EQ(model->rowCount(), 5);
    for (int row = 0; row < 5; ++row)
        EXPECT_TRUE(screen.outline()->isExpanded(model->index(row, 0))) << row;
    QApplication::processEvents();
    EXPECT_EQ(screen.outline()->visualRect(model->index(0, 0)).height(), 60);
    const QModelIndex firstRow = model->index(0, 0, model->index(0, 0));
    EXPECT_EQ(screen.outline()->visualRect(firstRow).height(), 30);
    // The key is shown whole beside its value.
    EXPECT_EQ(screen.outline()->shownText(firstRow), QStringLiteral("Model Identifier"));
    EXPECT_EQ(screen.outline()->shownText(firstRow.siblingAtColumn(1)), QStringLiteral("ThinkPad X1 Carbon Gen 9"));
    EXPECT_EQ(model->index(4, 0).data().toString(), QStringLiteral("CPU temperature:41.00 ℃"));
    const int disksRows = model->rowCount(model->index(3, 0));
    EXPECT_EQ(disksRows, 5);

    screen.timer();
    clock.restart();
    while (screen.refreshes() == 0 && clock.elapsed() < 20000)
        QTest::qWait(5);
    EXPECT_EQ(model->index(4, 0).data().toString(), QStringLiteral("CPU temperature:42.00 ℃"));
    EXPECT_EQ(model->index(0, 0, model->index(4, 0)).data().toString(), QStringLiteral("Fan speed:1002"));
    EXPECT_EQ(screen.currentRpm(), 1002);
    // The rest of the outline stays as it was, and open.
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("Model Name : 20XW004HGE"));
    EXPECT_TRUE(screen.outline()->isExpanded(model->index(4, 0)));
}
