// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/bus/SystemdUnitControl.h"
#include "FakeService.h"
#include "PrivateBus.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

using corvane::helper::SystemdUnitControl;
using namespace corvane::test;

namespace {

// A manager that writes each call down with its arguments and answers the way systemd
// does, or refuses the call named `refuse` with a systemd-like error.
FakeService::Handler manager(std::string refuse = {})
{
    return [refuse](sd_bus_message* m, std::vector<std::string>& log) {
        const std::string interface = sd_bus_message_get_interface(m) ? sd_bus_message_get_interface(m) : "";
        const std::string member = sd_bus_message_get_member(m) ? sd_bus_message_get_member(m) : "";
        std::string entry = interface + "." + member + "(";
        if (member == "DisableUnitFiles" && sd_bus_message_has_signature(m, "asb") > 0) {
            char** files = nullptr;
            int runtime = -1;
            sd_bus_message_read_strv(m, &files);
            sd_bus_message_read(m, "b", &runtime);
            entry += "[";
            for (char** f = files; f && *f; ++f)
                entry += std::string(f == files ? "" : ",") + *f;
            entry += std::string("], ") + (runtime ? "true" : "false");
            for (char** f = files; f && *f; ++f)
                free(*f);
            free(files);
        } else if (member == "StopUnit" && sd_bus_message_has_signature(m, "ss") > 0) {
            const char* unit = nullptr;
            const char* mode = nullptr;
            sd_bus_message_read(m, "ss", &unit, &mode);
            entry += std::string(unit) + ", " + mode;
        } else if (!sd_bus_message_has_signature(m, "")) {
            entry += "? " + std::string(sd_bus_message_get_signature(m, 1));
        }
        log.push_back(entry + ")");

        if (member == refuse) {
            sd_bus_reply_method_errorf(m, "org.freedesktop.systemd1.NoSuchUnit", "Unit %s refused by the test.",
                                       member.c_str());
        } else if (member == "DisableUnitFiles") {
            sd_bus_reply_method_return(m, "a(sss)", 1, "unlink", "/etc/systemd/system/multi-user.target.wants/x", "");
        } else if (member == "StopUnit") {
            sd_bus_reply_method_return(m, "o", "/org/freedesktop/systemd1/job/7");
        } else {
            sd_bus_reply_method_return(m, "");
        }
    };
}

const std::vector<std::string> kWholeSequence = {
    "org.freedesktop.systemd1.Manager.DisableUnitFiles([foo.service], false)",
    "org.freedesktop.systemd1.Manager.Reload()",
    "org.freedesktop.systemd1.Manager.StopUnit(foo.service, replace)",
};

} // namespace

TEST(SystemdUnitControl, DisablesReloadsAndStopsExactlyThatUnit)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    FakeService systemd(bus.address(), "org.freedesktop.systemd1", "/org/freedesktop/systemd1", manager());
    ASSERT_TRUE(systemd.ready());

    SystemdUnitControl control(bus.address());
    EXPECT_EQ(control.disableAndStop("foo.service"), std::nullopt);
    EXPECT_EQ(systemd.log(), kWholeSequence);
}

TEST(SystemdUnitControl, TheFirstRefusalIsReportedAndNothingFollowsIt)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    const char* members[] = {"DisableUnitFiles", "Reload", "StopUnit"};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(members[i]);
        FakeService systemd(bus.address(), "org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                            manager(members[i]));
        ASSERT_TRUE(systemd.ready());
        SystemdUnitControl control(bus.address());
        EXPECT_EQ(control.disableAndStop("foo.service"), "Unit " + std::string(members[i]) + " refused by the test.");
        EXPECT_EQ(systemd.log(), std::vector<std::string>(kWholeSequence.begin(), kWholeSequence.begin() + i + 1));
    }
}

TEST(SystemdUnitControl, NoManagerOrNoBusIsAnErrorNotACrash)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    const auto noManager = SystemdUnitControl(bus.address()).disableAndStop("foo.service");
    ASSERT_TRUE(noManager.has_value());
    EXPECT_NE(noManager->find("org.freedesktop.systemd1"), std::string::npos) << *noManager;

    bus.stop();
    const auto noBus = SystemdUnitControl(bus.address()).disableAndStop("foo.service");
    ASSERT_TRUE(noBus.has_value());
    EXPECT_FALSE(noBus->empty());
}
