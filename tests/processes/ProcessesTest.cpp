// SPDX-License-Identifier: GPL-3.0-or-later
// The user's running applications: read from fixture /proc trees and from real
// processes, their rows, ticks that survive a refresh, and quitting only what a row names.
#include "support/TempDir.h"

#include "platform/ProcessTable.h"
#include "platform/RunningApplications.h"
#include "processes/engine/SystemPerAcceleration.h"
#include "processes/ui/SystemPerformanceAcceleration.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

// A /proc/PID of a fixture tree: stat with the given name, times and size; a control
// group; an environment.
void fakeProcess(const std::string& proc, pid_t pid, const std::string& comm, const std::string& cgroup,
                 const std::string& environ = {}, uint64_t start = 100, uint64_t ticks = 10, uint64_t rss = 256)
{
    const std::string dir = proc + "/" + std::to_string(pid);
    std::string stat = std::to_string(pid) + " (" + comm + ") S 1 1 1 0 -1 0 0 0 0 0 " + std::to_string(ticks) +
                       " 0 0 0 20 0 1 0 " + std::to_string(start) + " 1000000 " + std::to_string(rss) +
                       " 18446744073709551615 0 0 0\n";
    writeFile(dir + "/stat", stat);
    writeFile(dir + "/cgroup", "0::" + cgroup + "\n");
    writeFile(dir + "/environ", environ);
}

std::string entry(const std::string& name, const std::string& extra = {})
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=x\n" + extra;
}

std::vector<std::string> ids(const std::vector<RunningApplications::Application>& apps)
{
    std::vector<std::string> out;
    for (const auto& a : apps)
        out.push_back(std::to_string(a.pid) + " " + a.desktopId);
    return out;
}

bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        QTest::qWait(10);
    return done();
}

} // namespace

TEST(ProcessTable, StatNamesMayHoldBlanksAndParentheses)
{
    const auto p = ProcessTable::parseStat("42 (a ) (b) c) R 1 1 1 0 -1 0 0 0 0 0 7 5 0 0 20 0 1 0 9001 100 33 0\n");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->pid, 42);
    EXPECT_EQ(p->comm, "a ) (b) c");
    EXPECT_EQ(p->cpuTicks, 12u);
    EXPECT_EQ(p->startTime, 9001u);
    EXPECT_EQ(p->rssPages, 33u);
    EXPECT_FALSE(ProcessTable::parseStat("42 (cut short) R 1 1"));
    EXPECT_FALSE(ProcessTable::parseStat("garbage"));
}

TEST(RunningApplications, ControlGroupsAndLaunchVariablesNameTheApplication)
{
    using R = RunningApplications;
    EXPECT_EQ(R::appIdFromCgroup("/user.slice/user-1000.slice/user@1000.service/app.slice/"
                                 "app-gnome-org.gnome.Terminal-4021.scope"),
              "org.gnome.Terminal");
    EXPECT_EQ(R::appIdFromCgroup("/user.slice/app-org.kde.dolphin-88.scope"), "org.kde.dolphin");
    EXPECT_EQ(R::appIdFromCgroup("/app-flatpak-org.example.App-12.scope"), "org.example.App");
    EXPECT_EQ(R::appIdFromCgroup("/app-gnome-org.example.Sync@autostart.service"), "org.example.Sync");
    EXPECT_EQ(R::appIdFromCgroup("/app-org.example.Plain.service"), "org.example.Plain");
    EXPECT_EQ(R::appIdFromCgroup("/app-gnome-my\\x2dtool-7.scope"), "my-tool");
    EXPECT_FALSE(R::appIdFromCgroup("/user.slice/user@1000.service/session.slice/pipewire.service"));
    EXPECT_FALSE(R::appIdFromCgroup("/user.slice/session-3.scope"));

    TempDir t;
    const std::string proc = t / "proc";
    const std::string data = t / "data";
    writeFile(data + "/applications/org.gnome.Terminal.desktop", entry("Terminal", "Name[zh_CN]=终端\n"));
    writeFile(data + "/applications/org.example.App.desktop", entry("App", "Icon=org.example.App\n"));
    writeFile(data + "/applications/org.example.Hidden.desktop", entry("Hidden", "NoDisplay=true\n"));
    writeFile(data + "/applications/org.example.Launched.desktop", entry("Launched"));
    const std::string scope = "/user.slice/app-gnome-org.gnome.Terminal-4021.scope";
    fakeProcess(proc, 300, "gnome-terminal-", scope, {}, 500, 10, 1000);
    fakeProcess(proc, 310, "bash", scope, {}, 600, 5, 200);
    fakeProcess(proc, 200, "app", "/app-flatpak-org.example.App-12.scope");
    fakeProcess(proc, 210, "hidden", "/app-org.example.Hidden-1.scope");
    fakeProcess(proc, 220, "gone", "/app-org.example.NoEntry-1.scope");
    // Launched through GIO: the process the variables name counts; its child does not.
    const std::string launched = std::string("GIO_LAUNCHED_DESKTOP_FILE=/x/org.example.Launched.desktop") + '\0' +
                                 "GIO_LAUNCHED_DESKTOP_FILE_PID=";
    fakeProcess(proc, 400, "launched", "/user.slice/session-3.scope", launched + "400" + '\0');
    fakeProcess(proc, 401, "child", "/user.slice/session-3.scope", launched + "400" + '\0');
    fakeProcess(proc, 500, "other user", "/app-org.example.App-13.scope");
    if (::getuid() == 0) {
        ASSERT_EQ(::chown((proc + "/500").c_str(), 65534, 65534), 0);
    }

    const RunningApplications running({proc, {data}});
    const auto apps = running.list(::getuid(), "zh_CN.UTF-8");
    std::vector<std::string> expected{"200 org.example.App.desktop", "300 org.gnome.Terminal.desktop",
                                      "400 org.example.Launched.desktop"};
    if (::getuid() != 0)
        expected.insert(expected.end(), "500 org.example.App.desktop");
    EXPECT_EQ(ids(apps), expected);
    // One row per instance: the scope's oldest process, with the whole scope's figures.
    const auto terminal = std::find_if(apps.begin(), apps.end(), [](const auto& a) { return a.pid == 300; });
    ASSERT_NE(terminal, apps.end());
    EXPECT_EQ(terminal->name, "终端");
    EXPECT_EQ(terminal->rssPages, 1200u);
    EXPECT_EQ(terminal->members.size(), 2u);
}

TEST(SystemPerAcceleration, SizesTicksAndTheOrderOfQuitting)
{
    EXPECT_EQ(SystemPerObject::sizeText(850), QString());
    EXPECT_EQ(SystemPerObject::sizeText(1500), QStringLiteral("1.5MB"));
    EXPECT_EQ(SystemPerObject::sizeText(2500000), QStringLiteral("2.5GB"));

    auto row = [](const char* name, pid_t pid) {
        SystemPerObject o;
        o.processName = QString::fromUtf8(name);
        o.pid = pid;
        o.processId = QString::number(pid);
        return o;
    };
    std::vector<std::vector<SystemPerObject>> readings = {
        {row("Editor", 10), row("Viewer", 11), row("Editor", 12), row("Mail", 13), row("Chat", 14), row("Web", 15)},
    };
    std::vector<pid_t> quit;
    SystemPerformanceAcceleration view(
        [&readings] {
            auto next = readings.front();
            if (readings.size() > 1)
                readings.erase(readings.begin());
            return next;
        },
        [&quit](const SystemPerObject& o) {
            quit.push_back(o.pid);
            return true;
        });
    view.refreshTimer()->stop();
    ASSERT_TRUE(waitFor([&] { return view.refreshes() == 1; }));
    ProcessListModel* model = view.model();
    ASSERT_EQ(model->rowCount(), 6);

    // Nothing ticked: only the alert.
    view.deleteFile();
    ASSERT_TRUE(view.alertBox());
    EXPECT_EQ(view.alertBox()->text(), QStringLiteral("未选中项目"));
    view.alertBox()->close();
    EXPECT_TRUE(quit.empty());

    // Ticks survive a refresh by name; of two same-named rows the later one's counts.
    view.selectedRow(0, true);  // Editor (first): ticked
    view.selectedRow(2, false); // Editor (second): not
    view.selectedRow(3, true);  // Mail
    readings = {{row("Editor", 20), row("Mail", 21), row("Web", 22), row("Chat", 23), row("Viewer", 24),
                 row("Editor", 25)}};
    view.reloadArray();
    ASSERT_TRUE(waitFor([&] { return view.refreshes() == 2; }));
    const auto& rows = model->listArray();
    EXPECT_EQ(rows[0].state, 0);
    EXPECT_EQ(rows[1].state, 1);
    EXPECT_EQ(rows[5].state, 0);

    // Quitting goes from the last ticked row to the first: 5, 2, 0.
    for (int r = 0; r < 6; ++r)
        view.selectedRow(r, r == 0 || r == 2 || r == 5);
    view.deleteFile();
    EXPECT_EQ(quit, (std::vector<pid_t>{25, 22, 20}));
    EXPECT_EQ(model->rowCount(), 3);

    // A reading with nothing in it empties the table.
    readings = {{}};
    view.reloadArray();
    ASSERT_TRUE(waitFor([&] { return view.refreshes() == 3; }));
    EXPECT_EQ(model->rowCount(), 0);
}

// Real processes started as a desktop's launcher would: listed with their share, quit
// from the screen, and never signalled once the row no longer names the same process.
TEST(SystemPerAcceleration, RealApplicationsAreMeasuredAndQuitOnlyWhileTheyAreTheSame)
{
    TempDir t;
    const std::string data = t / "data";
    const std::string desktop = data + "/applications/org.example.Busy.desktop";
    writeFile(desktop, entry("Busy"));
    writeFile(data + "/applications/org.example.Idle.desktop", entry("Idle"));
    const auto launch = [&data](const char* id, const char* body) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("GIO_LAUNCHED_DESKTOP_FILE", (data + "/applications/" + id + ".desktop").c_str(), 1);
            ::setenv("GIO_LAUNCHED_DESKTOP_FILE_PID", std::to_string(::getpid()).c_str(), 1);
            ::execl("/bin/sh", "sh", "-c", body, nullptr);
            ::_exit(127);
        }
        return pid;
    };
    const pid_t busy = launch("org.example.Busy", "while :; do :; done");
    const pid_t idle = launch("org.example.Idle", "exec sleep 60");
    ::usleep(100 * 1000);

    SystemPerAcceleration processes({"/proc", {data}}, "C", std::chrono::milliseconds(1000));
    const auto rows = processes.getResouceProcess();
    const auto find = [&rows](pid_t pid) {
        return std::find_if(rows.begin(), rows.end(), [pid](const SystemPerObject& r) { return r.pid == pid; });
    };
    ASSERT_NE(find(busy), rows.end());
    ASSERT_NE(find(idle), rows.end());
    // A busy loop takes about one processor, however loaded the machine running the test.
    EXPECT_GE(find(busy)->cpu, 40.0);
    EXPECT_LE(find(busy)->cpu, 110.0);
    EXPECT_LT(find(idle)->cpu, 1.0);
    EXPECT_EQ(find(busy)->processName, QStringLiteral("Busy"));

    // A row whose process is not the one it saw (another start time: a reused pid) is
    // refused, and the process keeps running; so is PID 1.
    SystemPerObject stale = *find(idle);
    stale.startTime += 1;
    std::string reason;
    EXPECT_FALSE(SystemPerAcceleration::quit(stale, &reason));
    EXPECT_FALSE(reason.empty());
    SystemPerObject init = stale;
    init.pid = 1;
    EXPECT_FALSE(SystemPerAcceleration::quit(init));
    int status = 0;
    EXPECT_EQ(::waitpid(idle, &status, WNOHANG), 0);

    // Quit from the screen: both go.
    SystemPerformanceAcceleration view([&processes] { return processes.getResouceProcess(); },
                                       [](const SystemPerObject& row) { return SystemPerAcceleration::quit(row); });
    view.refreshTimer()->stop();
    ASSERT_TRUE(waitFor([&] { return view.refreshes() == 1; }));
    for (int r = 0; r < view.model()->rowCount(); ++r) {
        const pid_t pid = view.model()->listArray()[size_t(r)].pid;
        view.selectedRow(r, pid == busy || pid == idle);
    }
    view.deleteFile();
    for (pid_t pid : {busy, idle}) {
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    }
}
