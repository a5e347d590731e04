// SPDX-License-Identifier: GPL-3.0-or-later
// Times the listing of a user manager's enabled unit files, programs included, against a
// manager played on a private bus: a mix of services, timers and sockets (the latter two
// starting services of their own). For comparison it also asks the same questions one
// blocking call at a time. Usage: startup_bench [units] [runs]   (default 100 units, 15 runs)
#include "helper/bus/PrivateBus.h"
#include "platform/SystemdUnits.h"
#include "support/FakeSystemd.h"
#include "support/TempDir.h"

#include "RunTimes.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::test;

namespace {

// The same questions as SystemdUnits asks for a service, each awaited before the next.
void oneCallAtATime(const QDBusConnection& bus, const std::vector<std::string>& services)
{
    const QString service = QStringLiteral("org.freedesktop.systemd1");
    for (const std::string& name : services) {
        QDBusMessage load = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/systemd1"),
                                                           QStringLiteral("org.freedesktop.systemd1.Manager"),
                                                           QStringLiteral("LoadUnit"));
        load << QString::fromStdString(name);
        const QDBusMessage loaded = bus.call(load);
        if (loaded.arguments().isEmpty())
            continue;
        QDBusMessage get =
            QDBusMessage::createMethodCall(service, loaded.arguments().constFirst().value<QDBusObjectPath>().path(),
                                           QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.freedesktop.systemd1.Service") << QStringLiteral("ExecStart");
        bus.call(get);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;

    PrivateBus bus;
    if (!bus.running()) {
        std::fprintf(stderr, "startup_bench: %s\n", bus.failure().c_str());
        return 1;
    }
    FakeSystemd systemd(bus.address());
    if (!systemd.ready()) {
        std::fprintf(stderr, "startup_bench: the fake manager did not start\n");
        return 1;
    }
    // Half services, a quarter timers, a quarter sockets.
    std::vector<std::string> services;
    for (int i = 0; i < count; ++i) {
        const std::string base = "unit" + std::to_string(i);
        // Programs outside /usr: software the user installed, which the startup list shows.
        const std::vector<std::string> argv = {"/opt/bench/" + base, "--flag", std::to_string(i)};
        if (i % 4 == 1 || i % 4 == 3) {
            systemd.add({.name = base + ".service", .argv = argv});
        } else {
            systemd.add({.name = base + (i % 4 == 0 ? ".timer" : ".socket"), .triggers = base + "-run.service"});
            systemd.add({.name = base + "-run.service", .fileState = "static", .argv = argv});
        }
        services.push_back(base + (i % 4 == 1 || i % 4 == 3 ? ".service" : "-run.service"));
    }

    const QString connectionName = QStringLiteral("startup-bench");
    {
        const QDBusConnection connection =
            QDBusConnection::connectToBus(QString::fromStdString(bus.address()), connectionName);
        const SystemdUnits units(SystemdUnits::Domain::User, connection);
        const auto check = units.enabledUnitFiles();
        const size_t resolved =
            check ? std::count_if(check->begin(), check->end(), [](const auto& u) { return !u.program.empty(); }) : 0;
        if (!check || check->size() != static_cast<size_t>(count) || resolved != check->size()) {
            std::fprintf(stderr, "startup_bench: listed %zu units, %zu with their program; expected %d\n",
                         check ? check->size() : 0, resolved, count);
            return 1;
        }
        const size_t before = systemd.calls().size();
        const bench::RunTimes listed = bench::timeRuns(runs, [&] { units.enabledUnitFiles(); });
        const size_t managerCalls = (systemd.calls().size() - before) / static_cast<size_t>(runs + 1);
        const bench::RunTimes serial = bench::timeRuns(runs, [&] { oneCallAtATime(connection, services); });
        std::printf("enabledUnitFiles, %d units (%zu calls to the manager besides the property reads): "
                    "median %.1f ms (fastest %.1f, slowest %.1f) over %d runs\n",
                    count, managerCalls, listed.median, listed.fastest, listed.slowest, runs);
        std::printf(
            "the same services asked one blocking call at a time: median %.1f ms (fastest %.1f, slowest %.1f)\n",
            serial.median, serial.fastest, serial.slowest);
    }
    QDBusConnection::disconnectFromBus(connectionName);

    // The whole command, as a user runs it: both managers (here the same fake, so each
    // unit is listed twice), the filters, the kinds of the programs, the JSON.
    const std::string program = (std::filesystem::path(argv[0]).parent_path() / "corvane").string();
    TempDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QString::fromStdString(bus.address()));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(bus.address()));
    env.insert(QStringLiteral("HOME"), QString::fromStdString(home.path()));
    int rows = 0;
    const bench::RunTimes command = bench::timeRuns(runs, [&] {
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(QString::fromStdString(program), {QStringLiteral("startup")});
        run.waitForFinished(-1);
        rows = int(run.readAllStandardOutput().count('\n'));
    });
    std::printf("corvane startup, %d units in each manager: %d rows, median %.1f ms (fastest %.1f, slowest %.1f)\n",
                count, rows, command.median, command.fastest, command.slowest);
    return 0;
}
