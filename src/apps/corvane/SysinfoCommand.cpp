// SPDX-License-Identifier: GPL-3.0-or-later
// corvane sysinfo: what the machine is, and its processor temperature and first fan.
#include "Command.h"

#include "platform/ByteText.h"
#include "platform/Profiler.h"
#include "sysinfo/engine/HardCPU.h"
#include "sysinfo/engine/HwmonTransport.h"

#include <cstdio>
#include <memory>

namespace corvane::cli {

namespace {

void printHelp(FILE* out)
{
    std::fprintf(out,
                 "usage: corvane sysinfo [--profile TYPE] [--no-lspci]\n"
                 "\n"
                 "Prints what the machine is, one JSON line per fact: {section, key, value} with\n"
                 "section hardware, graphics, displays or disk, then one line per sensor:\n"
                 "{sensor, value, source} for \"temperature\" (degrees Celsius, 0.0 when unread)\n"
                 "and \"fan\" (rpm, -1 when unread). Sensors are only read, never set.\n"
                 "CORVANE_SYS=DIR and CORVANE_PROC=DIR read fixture trees instead of /sys, /proc.\n"
                 "\n"
                 "  --profile TYPE  print the profiler's text instead: SPHardwareDataType,\n"
                 "                  SPDisplaysDataType or SPSerialATADataType\n"
                 "  --no-lspci      name graphics devices by their numeric ids only\n"
                 "\n"
                 "Exit status: 0 printed, 2 bad usage.\n");
}

void factLine(const char* section, const QString& key, const QString& value)
{
    std::printf("{\"section\":\"%s\",\"key\":%s,\"value\":%s}\n", section, jsonString(key.toStdString()).c_str(),
                jsonString(value.toStdString()).c_str());
}

int run(const std::vector<std::string>& args)
{
    Profiler::Roots roots = Profiler::fromEnvironment();
    std::string profile;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp(stdout);
            return kFound;
        }
        if (a == "--no-lspci") {
            roots.lspci.clear();
        } else if (a == "--profile" && i + 1 < args.size()) {
            profile = args[++i];
        } else {
            std::fprintf(stderr, "corvane sysinfo: unknown option or missing value '%s'\n", ByteText::forLog(a).c_str());
            printHelp(stderr);
            return kError;
        }
    }
    if (!profile.empty()) {
        const std::string text = Profiler::text(profile, roots);
        if (text.empty()) {
            std::fprintf(stderr, "corvane sysinfo: unknown profile type '%s'\n", ByteText::forLog(profile).c_str());
            return kError;
        }
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return kFound;
    }
    for (const HardFact& fact : HardCPU::getHardware(roots))
        factLine("hardware", fact.first, fact.second);
    const auto graphics = HardCPU::getIntelProAndDisplay(roots);
    for (const HardFact& fact : graphics[0])
        factLine("graphics", fact.first, fact.second);
    for (const HardFact& fact : graphics[1])
        factLine("displays", fact.first, fact.second);
    for (const auto& [key, value] : HardCPU::getSATAExPress(roots))
        factLine("disk", key, value);

    auto transport = std::make_unique<HwmonTransport>(roots.sys);
    HwmonTransport* hwmon = transport.get();
    SensorClient sensors(std::move(transport));
    double temperature = 0.0;
    int rpm = -1;
    if (sensors.openSensorConnection() == 0) {
        temperature = sensors.readTemperature("TC0P");
        rpm = sensors.readFanSpeed("F0Ac");
    }
    sensors.closeSensorConnection();
    std::printf("{\"sensor\":\"temperature\",\"value\":%.2f,\"source\":%s}\n", temperature,
                jsonString(hwmon->choice().temperatureSource).c_str());
    std::printf("{\"sensor\":\"fan\",\"value\":%d,\"source\":%s}\n", rpm, jsonString(hwmon->choice().fanSource).c_str());
    std::fflush(stdout);
    return kFound;
}

Registrar registrar{{"sysinfo", "what the machine is, its processor temperature and fan speed", run}};

} // namespace

} // namespace corvane::cli
