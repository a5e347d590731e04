// SPDX-License-Identifier: GPL-3.0-or-later
// An application's processes: found on a fixture /proc by executable, AppImage
// environment and Flatpak scope, only the user's own; and ended for real, never a
// process that is not the one listed.
#include "platform/AppProcesses.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;

namespace {

std::string statLine(pid_t pid, const std::string& comm, uint64_t start)
{
    std::string line = std::to_string(pid) + " (" + comm + ") S";
    for (int field = 4; field <= 21; ++field)
        line += " 0";
    return line + " " + std::to_string(start) + " 0 0\n";
}

void fixtureProcess(const test::TempDir& proc, pid_t pid, uid_t uid, const std::string& exe,
                    const std::string& environ = {}, const std::string& cgroup = {})
{
    const std::string dir = proc / std::to_string(pid);
    test::writeFile(dir + "/status",
                    "Name:\tx\nUmask:\t0022\nUid:\t" + std::to_string(uid) + "\t" + std::to_string(uid) + "\t0\t0\n");
    test::writeFile(dir + "/stat", statLine(pid, "a) b", 1000 + uint64_t(pid)));
    test::writeFile(dir + "/environ", environ);
    test::writeFile(dir + "/cgroup", cgroup);
    ASSERT_EQ(::symlink(exe.c_str(), (dir + "/exe").c_str()), 0);
}

std::vector<pid_t> pids(const std::vector<AppProcesses::Process>& processes)
{
    std::vector<pid_t> out;
    for (const auto& p : processes)
        out.push_back(p.pid);
    return out;
}

pid_t spawn(const std::string& program, const char* seconds)
{
    pid_t pid = -1;
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(seconds), nullptr};
    EXPECT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    return pid;
}

bool alive(pid_t pid)
{
    return ::waitpid(pid, nullptr, WNOHANG) == 0;
}

} // namespace

TEST(AppProcesses, AFixtureProcFindsTheUsersProcessesOfEachKindOnly)
{
    test::TempDir proc;
    const uid_t me = 1000, other = 1001;
    const std::string bundle = "/home/u/Applications/Notes.app";
    fixtureProcess(proc, 100, me, bundle + "/Contents/MacOS/Notes");
    fixtureProcess(proc, 101, me, "/home/u/Applications/Notes.app.old/Contents/MacOS/Notes");
    fixtureProcess(proc, 102, other, bundle + "/Contents/MacOS/Notes");
    static const char appImageEnviron[] = "HOME=/home/u\0APPIMAGE=/home/u/Applications/Tool.AppImage\0";
    fixtureProcess(proc, 103, me, "/tmp/.mount_x/AppRun", std::string(appImageEnviron, sizeof appImageEnviron - 1));
    fixtureProcess(
        proc, 104, me, "/usr/bin/bwrap", {},
        "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-flatpak-org.example.Notes-4242.scope\n");
    fixtureProcess(proc, 105, me, "/usr/bin/bwrap", {},
                   "0::/user.slice/app.slice/app-flatpak-org.example.NotesPro-17.scope\n");
    fixtureProcess(proc, 106, me, bundle + "/Contents/MacOS/Notes (deleted)");
    test::writeFile(proc / "self/status", "Uid:\t1000\n");

    const AppProcesses processes(proc.path(), me);
    EXPECT_EQ(pids(processes.ofBundle(bundle)), (std::vector<pid_t>{100, 106}));
    EXPECT_EQ(pids(processes.ofBundle(bundle + "/")), (std::vector<pid_t>{100, 106}));
    EXPECT_EQ(pids(processes.ofAppImage("/home/u/Applications/Tool.AppImage")), (std::vector<pid_t>{103}));
    EXPECT_TRUE(processes.ofAppImage("/home/u/Applications/Tool").empty());
    EXPECT_EQ(pids(processes.ofFlatpak("org.example.Notes")), (std::vector<pid_t>{104}));
    ASSERT_EQ(processes.ofBundle(bundle).front().startTime, 1100u);
    EXPECT_TRUE(AppProcesses(proc / "missing", me).ofBundle(bundle).empty());
}

TEST(AppProcesses, StopEndsTheListedProcessAndNoOther)
{
    test::TempDir t;
    ASSERT_EQ(::chmod(t.path().c_str(), 0755), 0);
    const std::string bundle = t / "Sleeper.app";
    const std::string inside = bundle + "/Contents/MacOS/sleep";
    test::writeFile(inside, test::readFile("/bin/sleep"));
    ASSERT_EQ(::chmod(inside.c_str(), 0755), 0);
    ::chmod(bundle.c_str(), 0755);
    ::chmod((bundle + "/Contents").c_str(), 0755);
    ::chmod((bundle + "/Contents/MacOS").c_str(), 0755);

    const pid_t mine = spawn(inside, "30");
    const pid_t outside = spawn("/bin/sleep", "30");
    // The same program inside the bundle, run by another user.
    pid_t stranger = ::fork();
    if (stranger == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        ::execl(inside.c_str(), inside.c_str(), "30", nullptr);
        ::_exit(4);
    }
    ::usleep(200000);

    const AppProcesses processes;
    const auto found = processes.ofBundle(bundle);
    ASSERT_EQ(pids(found), (std::vector<pid_t>{mine}));

    // A record whose start time is not the process's own names another process: left alone.
    auto impostor = found;
    impostor.front().startTime += 1;
    EXPECT_EQ(pids(processes.stop(impostor, std::chrono::milliseconds(300))), std::vector<pid_t>{});
    EXPECT_TRUE(alive(mine));

    EXPECT_TRUE(processes.stop(found).empty());
    int status = 0;
    ASSERT_EQ(::waitpid(mine, &status, 0), mine);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    // An ended process is never signalled again, however often it is asked for.
    EXPECT_TRUE(processes.stop(found).empty());

    EXPECT_TRUE(alive(outside));
    EXPECT_TRUE(alive(stranger));
    ::kill(outside, SIGKILL);
    ::kill(stranger, SIGKILL);
    ::waitpid(outside, nullptr, 0);
    ::waitpid(stranger, nullptr, 0);
}
