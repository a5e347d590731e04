// SPDX-License-Identifier: GPL-3.0-or-later
// The unit files of a service manager played by FakeSystemd on a private bus: never the
// machine's own manager.
#include "platform/SystemdUnits.h"

#include "helper/bus/PrivateBus.h"
#include "support/FakeSystemd.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <algorithm>

using namespace corvane;
using namespace corvane::test;
using Unit = FakeSystemd::Unit;
using StopJobs = FakeSystemd::StopJobs;

namespace {

class SystemdUnitsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_bus.running()) << m_bus.failure(); }

    ~SystemdUnitsTest() override
    {
        for (const QString& name : m_clients)
            QDBusConnection::disconnectFromBus(name);
    }

    // A connection of the program's side, apart from the manager's.
    QDBusConnection client()
    {
        m_clients.append(QStringLiteral("systemd-units-client-%1").arg(m_clients.size()));
        return QDBusConnection::connectToBus(QString::fromStdString(m_bus.address()), m_clients.back());
    }

    SystemdUnits user() { return SystemdUnits(SystemdUnits::Domain::User, client()); }

    PrivateBus m_bus;
    QStringList m_clients;
};

std::vector<std::string> namesOf(const std::vector<SystemdUnits::UnitFile>& units)
{
    std::vector<std::string> names;
    for (const auto& unit : units)
        names.push_back(unit.name);
    return names;
}

const std::vector<std::string> kWholeDisable = {"DisableUnitFiles([backup.service], false)",
                                                "GetUnitFileState(backup.service)",
                                                "Reload()",
                                                "Subscribe()",
                                                "StopUnit(backup.service, replace)",
                                                "Unsubscribe()"};

} // namespace

TEST_F(SystemdUnitsTest, ListsWhatIsSwitchedOnByNameWithTheProgramEachOneStarts)
{
    FakeSystemd systemd(m_bus.address());
    ASSERT_TRUE(systemd.ready());
    // Listed by the manager out of order.
    systemd.add({.name = "zeta.service", .argv = {"/usr/bin/zeta", "--daemon", "two words"}});
    systemd.add({.name = "nightly.timer", .triggers = "backup.service"});
    systemd.add({.name = "backup.service", .fileState = "static", .argv = {"/usr/bin/backup", "--quick"}});
    systemd.add({.name = "beta.socket", .fileState = "enabled-runtime", .triggers = "beta.service"});
    systemd.add({.name = "beta.service", .fileState = "static", .execPath = "/usr/lib/beta/betad"});
    systemd.add(
        {.name = "inbox.path", .filePath = "/home/u/.config/systemd/user/inbox.path", .triggers = "zeta.service"});
    systemd.add({.name = "garbled.service", .argv = {"/usr/bin/x"}, .garbledExecStart = true});
    systemd.add({.name = "nowhere.timer", .triggers = "missing.service"});
    systemd.add({.name = "off.service", .fileState = "disabled", .argv = {"/usr/bin/off"}});
    systemd.add({.name = "hidden.service", .fileState = "masked"});
    systemd.add({.name = "other-name.service", .fileState = "alias"});
    systemd.add({.name = "default.target", .fileState = "enabled"});

    const auto units = user().enabledUnitFiles();
    ASSERT_TRUE(units.has_value());
    ASSERT_EQ(namesOf(*units), (std::vector<std::string>{"beta.socket", "garbled.service", "inbox.path",
                                                         "nightly.timer", "nowhere.timer", "zeta.service"}));
    const auto& beta = (*units)[0];
    EXPECT_EQ(beta.state, "enabled-runtime");
    EXPECT_EQ(beta.path, "/etc/systemd/user/beta.socket");
    EXPECT_EQ(beta.program, std::vector<std::string>{"/usr/lib/beta/betad"}) << "an empty argv stands for the path";
    EXPECT_TRUE((*units)[1].program.empty()) << "ExecStart of an unexpected type";
    EXPECT_EQ((*units)[2].path, "/home/u/.config/systemd/user/inbox.path");
    EXPECT_EQ((*units)[2].program, (std::vector<std::string>{"/usr/bin/zeta", "--daemon", "two words"}));
    EXPECT_EQ((*units)[3].program, (std::vector<std::string>{"/usr/bin/backup", "--quick"}));
    EXPECT_EQ((*units)[3].state, "enabled");
    EXPECT_TRUE((*units)[4].program.empty()) << "a timer whose service has no file";
    EXPECT_EQ((*units)[5].program, (std::vector<std::string>{"/usr/bin/zeta", "--daemon", "two words"}));
}

TEST_F(SystemdUnitsTest, KnowsTheUnitsTheManagerHas)
{
    FakeSystemd systemd(m_bus.address());
    ASSERT_TRUE(systemd.ready());
    systemd.add({.name = "backup.service", .fileState = "static"});
    const SystemdUnits units = user();
    EXPECT_TRUE(units.hasUnit("backup.service"));
    EXPECT_FALSE(units.hasUnit("missing.service")) << "loaded as not-found";
}

// More units than one connection may keep waiting for replies on a system bus (128).
TEST_F(SystemdUnitsTest, ListsMoreUnitsThanTheBusLetsOneClientAwaitAtOnce)
{
    FakeSystemd systemd(m_bus.address());
    ASSERT_TRUE(systemd.ready());
    for (int i = 0; i < 300; ++i)
        systemd.add({.name = "s" + std::to_string(i) + ".service", .argv = {"/usr/bin/s" + std::to_string(i)}});
    const auto units = user().enabledUnitFiles();
    ASSERT_TRUE(units.has_value());
    ASSERT_EQ(units->size(), 300u);
    const auto resolved = std::count_if(units->begin(), units->end(), [](const SystemdUnits::UnitFile& unit) {
        return unit.program == std::vector<std::string>{"/usr/bin/" + unit.name.substr(0, unit.name.find('.'))};
    });
    EXPECT_EQ(resolved, 300);
}

TEST_F(SystemdUnitsTest, DisablingWaitsForTheStopJobAndSucceedsOnlyWhenItIsDone)
{
    struct Case
    {
        StopJobs jobs;
        bool expected;
    };
    for (const Case& c : {Case{StopJobs::Done, true}, Case{StopJobs::Unseen, true}, Case{StopJobs::Failed, false},
                          Case{StopJobs::Never, false}}) {
        SCOPED_TRACE(static_cast<int>(c.jobs));
        FakeSystemd systemd(m_bus.address());
        ASSERT_TRUE(systemd.ready());
        systemd.add({.name = "backup.service", .argv = {"/usr/bin/backup"}});
        systemd.endStopJobs(c.jobs);
        EXPECT_EQ(user().disable("backup.service", std::chrono::milliseconds(800)), c.expected);
        std::vector<std::string> calls = systemd.calls();
        if (c.jobs == StopJobs::Unseen) {
            // The unit's state asked after the job went away unseen.
            ASSERT_EQ(calls.size(), kWholeDisable.size() + 1);
            EXPECT_EQ(calls[5], "LoadUnit(backup.service)");
            calls.erase(calls.begin() + 5);
        }
        EXPECT_EQ(calls, kWholeDisable);
    }
}

TEST_F(SystemdUnitsTest, DisablingStopsAtTheFirstRefusal)
{
    const std::vector<std::string> steps = {"DisableUnitFiles", "GetUnitFileState", "Reload", "StopUnit"};
    const std::vector<size_t> callsMade = {1, 2, 3, 6}; // StopUnit refused: the subscription still ends
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(steps[i]);
        FakeSystemd systemd(m_bus.address());
        ASSERT_TRUE(systemd.ready());
        systemd.add({.name = "backup.service"});
        systemd.refuse(steps[i]);
        EXPECT_FALSE(user().disable("backup.service"));
        EXPECT_EQ(systemd.calls(),
                  std::vector<std::string>(kWholeDisable.begin(), kWholeDisable.begin() + callsMade[i]));
    }
}

TEST_F(SystemdUnitsTest, DisablingTakesRuntimeLinksAwayAndFailsWhereTheUnitStaysEnabled)
{
    FakeSystemd systemd(m_bus.address());
    ASSERT_TRUE(systemd.ready());
    systemd.add({.name = "beta.socket", .fileState = "enabled-runtime", .triggers = "beta.service"});
    systemd.add({.name = "site.service", .argv = {"/usr/bin/site"}, .enabledForEveryone = true});
    const SystemdUnits units = user();
    EXPECT_TRUE(units.disable("beta.socket"));
    EXPECT_FALSE(units.disable("site.service")) << "it starts again at the next login";
    EXPECT_EQ(systemd.calls(),
              (std::vector<std::string>{"DisableUnitFiles([beta.socket], false)", "GetUnitFileState(beta.socket)",
                                        "DisableUnitFiles([beta.socket], true)", "GetUnitFileState(beta.socket)",
                                        "Reload()", "Subscribe()", "StopUnit(beta.socket, replace)", "Unsubscribe()",
                                        "DisableUnitFiles([site.service], false)", "GetUnitFileState(site.service)"}));
}

TEST_F(SystemdUnitsTest, WhatIsNotAUnitNameIsRefusedWithoutACall)
{
    FakeSystemd systemd(m_bus.address());
    ASSERT_TRUE(systemd.ready());
    const SystemdUnits units = user();
    for (const std::string& name :
         std::vector<std::string>{"../x", "a b", "x;y", "-x.service", ".x.service", "x/y.service", "x.exe", "x",
                                  "a@b@c.service", "", std::string(248, 'a') + ".service"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(SystemdUnits::isValidUnitName(name));
        EXPECT_FALSE(units.disable(name));
        EXPECT_FALSE(units.hasUnit(name));
    }
    EXPECT_FALSE(SystemdUnits(SystemdUnits::Domain::System, client()).disable("backup.service"))
        << "the machine's units go through the privileged helper";
    EXPECT_EQ(systemd.calls(), std::vector<std::string>{});

    for (const char* name :
         {"backup.service", "getty@tty1.service", "tmpl@.service", "a-b_c:d\\x2d.timer", "x.socket", "y.path"})
        EXPECT_TRUE(SystemdUnits::isValidUnitName(name)) << name;
}

TEST_F(SystemdUnitsTest, AManagerOutOfReachGivesNothing)
{
    const SystemdUnits noManager = user();
    EXPECT_FALSE(noManager.enabledUnitFiles().has_value());
    EXPECT_FALSE(noManager.hasUnit("backup.service"));
    EXPECT_FALSE(noManager.disable("backup.service"));

    m_bus.stop();
    const SystemdUnits noBus = user();
    EXPECT_FALSE(noBus.enabledUnitFiles().has_value());
    EXPECT_FALSE(noBus.disable("backup.service"));
}
