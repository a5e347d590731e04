// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AutostartEntry.h"
#include "platform/Layout.h"
#include "platform/UserJobs.h"
#include "shell/CompanionLoginItem.h"
#include "shell/LaunchRules.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using corvane::test::TempDir;

namespace {

QVariantMap job(const char* label, bool onDemand)
{
    return {{QStringLiteral("Label"), QString::fromUtf8(label)}, {QStringLiteral("OnDemand"), onDemand}};
}

// A user layout in a scratch home, with the autostart folder inside it.
struct ScratchUser
{
    TempDir home;
    ScratchUser()
    {
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        Layout::setCurrent(Layout::linuxLayout(home.path()));
    }
    ~ScratchUser() { unsetenv("XDG_CONFIG_HOME"); }
    std::string autostart() const { return home / ".config/autostart"; }
};

BundleInfo companionIn(const TempDir& dir, const std::string& folder)
{
    BundleInfo info;
    info.path = dir / folder;
    info.identifier = QStringLiteral("com.corvane.XPC");
    info.name = QStringLiteral("CorvaneXPC");
    info.executable = QStringLiteral("CorvaneXPC");
    test::writeFile(info.path + "/Contents/MacOS/CorvaneXPC", "#!/bin/sh\n");
    return info;
}

} // namespace

TEST(StartAtLogin, AnswersTheFirstMatchingJobsOnDemand)
{
    const std::vector<QVariantMap> jobs{job("org.other", true), job("com.corvane.XPC", true),
                                        job("com.corvane.XPC", false)};
    EXPECT_TRUE(LaunchRules::startAtLogin(QStringLiteral("com.corvane.XPC"), jobs));
    EXPECT_FALSE(LaunchRules::startAtLogin(QStringLiteral("com.corvane.XPC"), {job("com.corvane.XPC", false)}));
    EXPECT_FALSE(LaunchRules::startAtLogin(QStringLiteral("com.corvane.XPC"), {job("org.other", true)}));
    EXPECT_FALSE(LaunchRules::startAtLogin(QStringLiteral("com.corvane.XPC"), {}));
    EXPECT_FALSE(LaunchRules::startAtLogin(QString(), jobs));
    // A job without the key reads as false.
    EXPECT_FALSE(LaunchRules::startAtLogin(QStringLiteral("x"), {{{QStringLiteral("Label"), QStringLiteral("x")}}}));
}

TEST(StartAtLogin, UserJobsListAutostartEntriesAndUnits)
{
    ScratchUser user;
    test::writeFile(user.autostart() + "/com.corvane.XPC.desktop", "[Desktop Entry]\nExec=/x/CorvaneXPC\n");
    test::writeFile(user.autostart() + "/off.desktop", "[Desktop Entry]\nHidden=true\nExec=/x/off\n");
    test::writeFile(user.autostart() + "/notes.txt", "not an entry");
    test::writeFile(user.home / ".config/systemd/user/sync.service", "[Service]\n");
    test::writeFile(user.home / ".config/systemd/user/sync.timer", "[Timer]\n");
    const auto jobs = UserJobs::allJobDictionaries(Layout::current());
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0].value(QStringLiteral("Label")).toString(), QStringLiteral("com.corvane.XPC"));
    EXPECT_FALSE(jobs[0].value(QStringLiteral("OnDemand")).toBool());
    EXPECT_EQ(jobs[1].value(QStringLiteral("Label")).toString(), QStringLiteral("sync.service"));
    EXPECT_FALSE(jobs[1].value(QStringLiteral("OnDemand")).toBool());
    EXPECT_EQ(jobs[2].value(QStringLiteral("Label")).toString(), QStringLiteral("sync.timer"));
    EXPECT_TRUE(jobs[2].value(QStringLiteral("OnDemand")).toBool());
}

// The launch sequence lists the autostart folder on the main thread: an entry that is a
// FIFO must be skipped, not waited on until some writer comes.
TEST(StartAtLogin, AnAutostartEntryThatIsAFifoIsSkippedAtOnce)
{
    ScratchUser user;
    ASSERT_TRUE(AutostartEntry::write(user.autostart(), "plain", "Plain", "/usr/bin/true"));
    const std::string fifo = user.autostart() + "/stuck.desktop";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto listing = std::async(std::launch::async, [] { return UserJobs::allJobDictionaries(Layout::current()); });
    const bool finished = listing.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!finished) {
        // Let the stuck reader go so the test can end.
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    EXPECT_TRUE(finished);
    const auto jobs = listing.get();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs.front().value(QStringLiteral("Label")).toString(), QStringLiteral("plain"));
}

TEST(StartAtLogin, MacStyleJobsComeFromLaunchAgentProperties)
{
    TempDir root;
    Layout::setCurrent(Layout::macLayout(root.path(), "x"));
    const std::string agents = Layout::current().path(Layout::Role::UserLaunchAgents).value();
    test::writeFile(
        agents + "/com.corvane.XPC.plist",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Label</key><string>com.corvane.XPC</string>"
        "<key>OnDemand</key><true/></dict></plist>");
    test::writeFile(agents + "/broken.plist", "not a property list");
    const auto jobs = UserJobs::allJobDictionaries(Layout::current());
    EXPECT_TRUE(LaunchRules::startAtLogin(QStringLiteral("com.corvane.XPC"), jobs));
    Layout::setCurrent(Layout::linuxLayout());
}

TEST(AutostartEntry, CompanionEntryIsWrittenStartedAndRemoved)
{
    ScratchUser user;
    TempDir apps;
    const BundleInfo companion = companionIn(apps, "A b$`\"%\\/CorvaneXPC.app");
    QStringList started;
    auto launcher = [&](const QString& program, const QStringList&) {
        started << program;
        return true;
    };
    ASSERT_TRUE(CompanionLoginItem::setEnabled(true, companion, Layout::current(), launcher));
    const std::string entry = user.autostart() + "/com.corvane.XPC.desktop";
    ASSERT_TRUE(test::exists(entry));
    auto group = AutostartEntry::readGroup(entry);
    ASSERT_TRUE(group);
    // The Exec line names the program exactly, with the desktop-entry quoting.
    EXPECT_EQ(group->at("Exec"),
              "\"" + apps.path() + "/A b\\$\\`\\\"%%\\\\/CorvaneXPC.app/Contents/MacOS/CorvaneXPC\"");
    EXPECT_EQ(group->at("Type"), "Application");
    ASSERT_EQ(started.size(), 1);
    EXPECT_TRUE(started.first().endsWith(QStringLiteral("/Contents/MacOS/CorvaneXPC")));
    // Now listed as a job that runs at login.
    EXPECT_FALSE(
        LaunchRules::startAtLogin(QStringLiteral("com.corvane.XPC"), UserJobs::allJobDictionaries(Layout::current())));
    ASSERT_EQ(UserJobs::allJobDictionaries(Layout::current()).size(), 1u);

    // Writing again replaces the entry and leaves no scratch file behind.
    ASSERT_TRUE(CompanionLoginItem::setEnabled(true, companion, Layout::current(), launcher));
    ASSERT_EQ(UserJobs::allJobDictionaries(Layout::current()).size(), 1u);

    ASSERT_TRUE(CompanionLoginItem::setEnabled(false, companion, Layout::current(), launcher));
    EXPECT_FALSE(test::exists(entry));
    EXPECT_TRUE(CompanionLoginItem::setEnabled(false, companion, Layout::current(), launcher)); // already gone
    EXPECT_EQ(started.size(), 2);
}

TEST(AutostartEntry, RefusesWhatADesktopFileCannotHold)
{
    ScratchUser user;
    TempDir apps;
    BundleInfo companion = companionIn(apps, "CorvaneXPC.app");
    std::string bad = apps / "bad\x80name";
    EXPECT_FALSE(AutostartEntry::write(user.autostart(), "com.corvane.XPC", "CorvaneXPC", bad));
    EXPECT_FALSE(AutostartEntry::write(user.autostart(), "../escape", "CorvaneXPC", "/bin/true"));
    EXPECT_FALSE(AutostartEntry::remove(user.autostart(), ".."));
    // No companion program: nothing is registered.
    BundleInfo missing = companion;
    missing.path = apps / "Nowhere.app";
    EXPECT_FALSE(CompanionLoginItem::setEnabled(true, missing, Layout::current(), {}));
    EXPECT_FALSE(test::exists(user.autostart() + "/com.corvane.XPC.desktop"));
}

TEST(AutostartEntry, UnwritableFolderIsReportedNotIgnored)
{
    ScratchUser user;
    test::makeDirs(user.autostart());
    test::giveToUnprivileged(user.home.path());
    ::chmod(user.autostart().c_str(), 0555);
    const std::string folder = user.autostart();
    const int status = test::runAsUnprivileged(
        [&] { return AutostartEntry::write(folder, "com.corvane.XPC", "CorvaneXPC", "/bin/true") ? 1 : 0; });
    EXPECT_EQ(status, 0);
    ::chmod(user.autostart().c_str(), 0755);
}
