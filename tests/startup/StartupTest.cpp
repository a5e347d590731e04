// SPDX-License-Identifier: GPL-3.0-or-later
// What starts at login: the filters over a service manager's jobs, switching a job off
// and deleting its file, login items as a property list and as autostart entries.
#include "junk/JunkFixtures.h"

#include "platform/Layout.h"
#include "startup/engine/LaunchItems.h"
#include "startup/engine/LoginItemListModel.h"
#include "startup/engine/LoginItemObject.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

class FakeServices : public ServiceManager
{
public:
    std::vector<QVariantMap> system;
    std::vector<QVariantMap> user;
    bool userRemovalWorks = true;
    std::vector<std::string> removed;

    std::vector<QVariantMap> allJobDictionaries(Domain domain) const override
    {
        return domain == Domain::System ? system : user;
    }
    bool hasJob(Domain domain, const std::string& label) const override
    {
        for (const QVariantMap& job : allJobDictionaries(domain))
            if (job.value(QStringLiteral("Label")).toString().toStdString() == label)
                return true;
        return false;
    }
    bool removeUserJob(const std::string& label) override
    {
        removed.push_back(label);
        return userRemovalWorks;
    }
};

QVariantMap job(const char* label, const char* program = nullptr, bool asArguments = false)
{
    QVariantMap j;
    j.insert(QStringLiteral("Label"), QString::fromUtf8(label));
    if (program && asArguments)
        j.insert(QStringLiteral("ProgramArguments"), QStringList{QString::fromUtf8(program), QStringLiteral("-x")});
    else if (program)
        j.insert(QStringLiteral("Program"), QString::fromUtf8(program));
    return j;
}

std::vector<std::string> labels(const std::vector<QVariantMap>& jobs)
{
    std::vector<std::string> out;
    for (const QVariantMap& j : jobs)
        out.push_back(j.value(QStringLiteral("Label")).toString().toStdString());
    return out;
}

struct MacStartup
{
    MacRoot r;
    std::shared_ptr<FakeServices> services = std::make_shared<FakeServices>();
    LaunchItems items{r.layout, services, LoginItemList::forLayout(r.layout)};
};

} // namespace

TEST(LaunchItems, OnlyServicesOtherSoftwareInstalledAreListedSystemFirst)
{
    MacStartup s;
    s.services->system = {job("com.example.daemon", "/opt/example/daemon"),
                          job("com.apple.something", "/opt/a"),
                          job("com.example.agent.12345", "/opt/x"),
                          job("[0x0-0x1a01a].com.example.App", "/opt/x"),
                          job("com.vendor.tool", "/usr/local/bin/tool"),
                          job("com.vendor.AMC.helper", "/opt/x"),
                          job("com.vendor.amc.helper", "/opt/x", true)};
    s.services->user = {job("com.example.agent", "/Applications/Agent.app/Contents/MacOS/agent"),
                        job("anonymous.job", "/opt/x"),
                        job("com.corvane.CorvaneHelper", "/opt/x"),
                        job("com.corvane.XPC", "/opt/x"),
                        job("launchd-ish", "xpcproxy"),
                        job("com.example.noprogram")};
    const auto listed = s.items.launchServices();
    EXPECT_EQ(labels(listed), (std::vector<std::string>{"com.example.daemon", "com.vendor.amc.helper",
                                                        "com.example.agent", "com.example.noprogram"}));
    EXPECT_EQ(listed[0].value(QStringLiteral("Domain")).toString(), QStringLiteral("system"));
    EXPECT_EQ(listed[2].value(QStringLiteral("Domain")).toString(), QStringLiteral("user"));
    EXPECT_EQ(LaunchItems::programOf(listed[1]), "/opt/x");

    EXPECT_TRUE(LaunchItems::isRunningService("com.example.agent.12345"));
    EXPECT_TRUE(LaunchItems::isRunningService("com.example.agent."));
    EXPECT_FALSE(LaunchItems::isRunningService("com.example.agent"));
    // The forms systemd gives what only runs for a while.
    for (const char* unit : {"app-org.gnome.Foo@autostart.service", "run-u42.service", "session-3.scope",
                             "user@1000.service"})
        EXPECT_TRUE(LaunchItems::isRunningService(unit)) << unit;
    EXPECT_FALSE(LaunchItems::isRunningService("syncthing.service"));
    EXPECT_FALSE(LaunchItems::isRunningService("backup@home.service"));
}

TEST(LaunchItems, SwitchingOffDeletesExactlyOneFileOfTheRowsDomain)
{
    MacStartup s;
    const std::string userAgents = s.r.lib + "/LaunchAgents";
    const std::string daemons = s.r.root + "/Library/LaunchDaemons";
    writeFile(userAgents + "/com.example.agent.plist", "agent");
    writeFile(daemons + "/com.example.agent.plist", "a daemon of the same label");
    s.services->user = {job("com.example.agent", "/opt/agent")};
    s.services->userRemovalWorks = false;

    // A failed switch-off still takes the file away, and says it failed; the machine's
    // job of the same label is not touched.
    EXPECT_FALSE(s.items.removeLaunchService("com.example.agent", ServiceManager::Domain::User));
    EXPECT_EQ(s.services->removed, std::vector<std::string>{"com.example.agent"});
    EXPECT_FALSE(exists(userAgents + "/com.example.agent.plist"));
    EXPECT_TRUE(exists(daemons + "/com.example.agent.plist"));
    EXPECT_FALSE(s.items.isSystemType());

    // The machine's job goes through the helper; with no helper to hear it, that is no
    // success. Its file below the daemons folder goes with it.
    ::setenv("CORVANE_HELPER_SOCKET", (s.r.root + "/no-helper.sock").c_str(), 1);
    s.services->system = {job("com.example.agent", "/opt/agent")};
    EXPECT_FALSE(s.items.removeLaunchService("com.example.agent"));
    EXPECT_TRUE(s.items.isSystemType());
    EXPECT_FALSE(exists(daemons + "/com.example.agent.plist"));
    ::unsetenv("CORVANE_HELPER_SOCKET");

    // Two files of the label below one folder: which is the job's is unknown, both stay.
    writeFile(userAgents + "/a/com.example.twice.plist", "1");
    writeFile(userAgents + "/b/com.example.twice.plist", "2");
    s.items.deletePlist("com.example.twice", userAgents);
    EXPECT_TRUE(exists(userAgents + "/a/com.example.twice.plist"));
    EXPECT_TRUE(exists(userAgents + "/b/com.example.twice.plist"));
    // A link (a mask, an alias) is never the file deleted; nor is anything under /usr.
    ASSERT_EQ(::symlink("/dev/null", (userAgents + "/com.example.masked.plist").c_str()), 0);
    s.items.deletePlist("com.example.masked", userAgents);
    EXPECT_TRUE(exists(userAgents + "/com.example.masked.plist"));
    writeFile(s.r.root + "/usr/agents/com.example.usr.plist", "u");
    s.items.deletePlist("com.example.usr", s.r.root + "/usr/agents");
    EXPECT_TRUE(exists(s.r.root + "/usr/agents/com.example.usr.plist"));
    // A label is a name, not a pattern.
    writeFile(userAgents + "/com.example.abc.plist", "keep");
    s.items.deletePlist("com.example.a*", userAgents);
    EXPECT_TRUE(exists(userAgents + "/com.example.abc.plist"));
}

TEST(LaunchItems, PropertyListLoginItemsRemoveWholeComponentsOnly)
{
    MacStartup s;
    for (const char* p : {"/opt/Foo", "/opt/FooBar", "/opt/Foo/inner.app", "/opt/Other"})
        makeDirs(s.r.root + p);
    for (const char* p : {"/opt/Foo", "/opt/FooBar", "/opt/Foo/inner.app", "/opt/Other"})
        ASSERT_TRUE(s.items.addLoginItem(s.r.root + p));
    EXPECT_FALSE(s.items.addLoginItem(s.r.root + "/opt/missing"));
    ASSERT_TRUE(s.items.removeLoginItem(s.r.root + "/opt/Foo"));
    EXPECT_EQ(s.items.getLoginItems(), (std::vector<std::string>{s.r.root + "/opt/FooBar", s.r.root + "/opt/Other"}));
}

TEST(LoginItemObject, CompanyAndKind)
{
    EXPECT_EQ(LoginItemObject::companyFor("com.example.updater"), QStringLiteral("Example"));
    EXPECT_EQ(LoginItemObject::companyFor("org.GNOME.Shell"), QStringLiteral("Gnome"));
    EXPECT_EQ(LoginItemObject::companyFor("syncthing.service"), QStringLiteral("Unknow"));
    EXPECT_EQ(LoginItemObject::companyFor("org.example.sync.timer"), QStringLiteral("Example"));
    EXPECT_EQ(LoginItemObject::companyFor(""), QStringLiteral("Unknow"));
    TempDir t;
    writeFile(t / "notes.txt", "text");
    EXPECT_FALSE(LoginItemObject::humanReadableFileType(t / "notes.txt").isEmpty());
    ASSERT_EQ(::mkfifo((t / "pipe").c_str(), 0600), 0);
    LoginItemObject::humanReadableFileType(t / "pipe"); // answers without waiting for a writer
    EXPECT_TRUE(LoginItemObject::humanReadableFileType(t / "missing").isEmpty());
}

// Autostart entries: which are in effect for this desktop and user, what each opens, and
// adding and removing them without touching what the machine ships.
TEST(LoginItems, AutostartEntriesInEffectAndTheirChanges)
{
    TempDir t;
    const std::string home = t / "home";
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
        ::unsetenv(v);
    ::setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME", 1);
    const Layout layout(Layout::Kind::Linux, t / "root", home, "tester");
    const std::string machine = t / "root/etc/xdg/autostart";
    const std::string user = home + "/.config/autostart";
    const auto entry = [](const std::string& body) { return "[Desktop Entry]\nType=Application\nName=X\n" + body; };
    writeFile(machine + "/desk.desktop", entry("Exec=/usr/bin/true\n"));
    writeFile(machine + "/vendor.desktop", entry("Exec=/opt/vendor/bin/sync --quiet\n"));
    writeFile(machine + "/restart.desktop", entry("Exec=/opt/restarting\nX-GNOME-AutoRestart=true\n"));
    writeFile(machine + "/override.desktop", entry("Exec=/opt/machine\n"));
    writeFile(machine + "/onlykde.desktop", entry("Exec=/opt/kde\nOnlyShowIn=KDE;\n"));
    writeFile(user + "/override.desktop", entry("Exec=/opt/user\n"));
    writeFile(user + "/hidden.desktop", entry("Exec=/opt/hidden\nHidden=true\n"));
    writeFile(user + "/disabled.desktop", entry("Exec=/opt/off\nX-GNOME-Autostart-enabled=false\n"));
    writeFile(user + "/quoted.desktop", entry("Exec=\"/opt/my tool/run\" --flag %f \"\\\\$HOME\"\n"));
    writeFile(user + "/opener.desktop", entry("Exec=xdg-open \"" + home + "/notes.txt\"\n"));
    writeFile(user + "/com.corvane.XPC.desktop", entry("Exec=/opt/companion\n"));
    writeFile(user + "/tryexec.desktop", entry("Exec=/opt/gone\nTryExec=/opt/not-installed\n"));
    ASSERT_EQ(::mkfifo((user + "/fifo.desktop").c_str(), 0600), 0);

    auto logins = LoginItemList::forLayout(layout);
    const auto listed = [&logins] {
        std::vector<std::string> out;
        for (const LoginItemList::Entry& e : logins->items())
            out.push_back(e.id + " " + e.path);
        return out;
    };
    EXPECT_EQ(listed(), (std::vector<std::string>{"opener " + home + "/notes.txt", "override /opt/user",
                                                  "quoted /opt/my tool/run", "vendor /opt/vendor/bin/sync"}));

    // Added entries never replace one of the same name, and say what they open.
    writeFile(home + "/notes.txt", "notes");
    writeFile(user + "/corvane-notes-txt.desktop", entry("Exec=/opt/someone-elses\n"));
    ASSERT_TRUE(logins->append(home + "/notes.txt"));
    EXPECT_EQ(readFile(user + "/corvane-notes-txt.desktop"), entry("Exec=/opt/someone-elses\n"));
    EXPECT_TRUE(exists(user + "/corvane-notes-txt-2.desktop"));
    writeFile(home + "/run me.sh", "#!/bin/sh\n");
    ::chmod((home + "/run me.sh").c_str(), 0755);
    ASSERT_TRUE(logins->append(home + "/run me.sh"));
    const std::string script = readFile(user + "/corvane-run-me-sh.desktop");
    EXPECT_NE(script.find("Exec=\"" + home + "/run me.sh\""), std::string::npos) << script;
    // A name that would break the entry's lines is refused, and nothing is written.
    writeFile(home + "/two\nlines", "x");
    EXPECT_FALSE(logins->append(home + "/two\nlines"));
    EXPECT_FALSE(exists(user + "/corvane-two-lines.desktop"));

    // The machine's entries are hidden for this user, never deleted; the user's own go.
    ASSERT_TRUE(logins->removeUnder("/opt/vendor"));
    EXPECT_TRUE(exists(machine + "/vendor.desktop"));
    EXPECT_NE(readFile(user + "/vendor.desktop").find("Hidden=true"), std::string::npos);
    ASSERT_TRUE(logins->removeUnder("/opt/user"));
    EXPECT_NE(readFile(user + "/override.desktop").find("Hidden=true"), std::string::npos);
    ASSERT_TRUE(logins->removeUnder("/opt/my tool"));
    EXPECT_FALSE(exists(user + "/quoted.desktop"));
    std::vector<std::string> left;
    for (const LoginItemList::Entry& e : logins->items())
        left.push_back(e.id);
    EXPECT_EQ(left,
              (std::vector<std::string>{"corvane-notes-txt", "corvane-notes-txt-2", "corvane-run-me-sh", "opener"}));
    ::unsetenv("XDG_CURRENT_DESKTOP");
}
