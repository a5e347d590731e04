// SPDX-License-Identifier: GPL-3.0-or-later
// What the hardware screen costs and whether it tells the truth. Times the three profiler
// texts with and without `lspci`, and one sensor tick on a worker thread (against this
// machine's monitors, and against the fixture laptop's for a machine without any); then
// sets the facts beside what `lscpu`, `lsblk -b` and `df -B1 /` say on this machine.
//
// usage: sysinfo_bench [runs]   (default 30)

#include "platform/ProgramRun.h"
#include "support/MachineFixtures.h"
#include "support/TempDir.h"
#include "sysinfo/engine/HardCPU.h"
#include "sysinfo/engine/HwmonTransport.h"

#include "RunTimes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace corvane;

namespace {

std::string tool(const std::vector<std::string>& arguments)
{
    const auto run = ProgramRun::output(arguments, 1024 * 1024);
    return run && run->status == 0 ? run->bytes : std::string();
}

// "Key:   value" lines of lscpu by key.
std::map<std::string, std::string> fields(const std::string& text)
{
    std::map<std::string, std::string> out;
    for (const HardFact& fact : HardCPU::keyValueLines(QString::fromStdString(text)))
        out[fact.first.toStdString()] = fact.second.toStdString();
    return out;
}

std::string fact(const HardFacts& facts, const char* key)
{
    for (const HardFact& f : facts)
        if (f.first == QLatin1String(key))
            return f.second.toStdString();
    return "-";
}

void row(const char* what, const std::string& ours, const std::string& theirs)
{
    std::printf("  %-22s %-44s %s\n", what, ours.c_str(), theirs.c_str());
}

double tickMs(int runs, const std::string& sys)
{
    SensorClient client(std::make_unique<HwmonTransport>(sys));
    return bench::timeRuns(runs, [&] {
        std::thread worker([&] {
            client.openSensorConnection();
            client.readTemperature("TC0P");
            client.readFanSpeed("F0Ac");
            client.closeSensorConnection();
        });
        worker.join();
    }).median;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    Profiler::Roots bare;
    bare.lspci.clear();
    const Profiler::Roots withLspci;
    const bool haveLspci = ProgramRun::output({"lspci", "-n"}, 4096).has_value();
    auto allThree = [](const Profiler::Roots& roots) {
        return [roots] {
            Profiler::hardware(roots);
            Profiler::displays(roots);
            Profiler::storage(roots);
        };
    };
    std::printf("three profiler texts, median of %d:\n", runs);
    std::printf("  without lspci  %.2f ms\n", bench::timeRuns(runs, allThree(bare)).median);
    if (haveLspci)
        std::printf("  with lspci     %.2f ms\n", bench::timeRuns(runs, allThree(withLspci)).median);
    else
        std::printf("  with lspci     (lspci is not installed here)\n");

    test::TempDir dir;
    test::writeIntelLaptop(dir.path());
    std::printf("one sensor tick on a worker thread (thread start included), median of %d:\n", runs);
    std::printf("  this machine   %.3f ms (%s)\n", tickMs(runs, "/sys"),
                HwmonSensors::choose("/sys").temperatureFile.empty() ? "no monitors: the failure values" : "monitors");
    std::printf("  fixture laptop %.3f ms\n", tickMs(runs, dir / "sys"));

    const HardFacts hardware = HardCPU::getHardware(bare);
    const auto disk = HardCPU::getSATAExPress(bare);
    auto cpu = fields(tool({"lscpu"}));
    std::printf("this machine, ours beside the tools':\n");
    row("Processor Name", fact(hardware, "Processor Name"), "lscpu Model name: " + cpu["Model name"]);
    row("Number of Processors", fact(hardware, "Number of Processors"), "lscpu Socket(s): " + cpu["Socket(s)"]);
    const int cores = std::atoi(cpu["Core(s) per socket"].c_str()) * std::max(1, std::atoi(cpu["Socket(s)"].c_str()));
    row("Total Number of Cores", fact(hardware, "Total Number of Cores"),
        "lscpu Core(s) per socket x Socket(s): " + std::to_string(cores));
    // Without a frequency driver (virtual machines) lscpu gives no MHz; BogoMIPS is twice
    // the clock on x86.
    row("Processor Speed", fact(hardware, "Processor Speed"),
        cpu.count("CPU max MHz") ? "lscpu CPU max MHz: " + cpu["CPU max MHz"]
                                 : "lscpu has no MHz; BogoMIPS: " + cpu["BogoMIPS"]);
    const std::string perCore = fact(hardware, "L2 Cache (per Core)");
    row(perCore != "-" ? "L2 Cache (per Core)" : "L2 Cache", perCore != "-" ? perCore : fact(hardware, "L2 Cache"),
        "lscpu L2: " + cpu["L2 cache"]);
    row("L3 Cache", fact(hardware, "L3 Cache"), "lscpu L3: " + cpu["L3 cache"]);
    const QString name = disk.count(QStringLiteral("BSD Name")) ? disk.at(QStringLiteral("BSD Name")) : QString();
    if (!name.isEmpty()) {
        const std::string lsblk =
            tool({"lsblk", "-b", "-d", "-n", "-o", "NAME,SIZE,ROTA,MODEL", "/dev/" + name.toStdString()});
        row("BSD Name, Capacity", name.toStdString() + ", " + disk.at(QStringLiteral("Capacity")).toStdString(),
            "lsblk -b: " + lsblk.substr(0, lsblk.find('\n')));
        row("Medium Type", disk.count(QStringLiteral("Medium Type")) ? disk.at(QStringLiteral("Medium Type")).toStdString()
                                                                     : "-",
            "(ROTA column above)");
    }
    const std::string df = tool({"df", "-B1", "--output=avail", "/"});
    row("Available", disk.count(QStringLiteral("Available")) ? disk.at(QStringLiteral("Available")).toStdString() : "-",
        "df -B1 / Avail: " + df.substr(df.find('\n') + 1, df.find('\n', df.find('\n') + 1) - df.find('\n') - 1));
    return 0;
}
