// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/CompanionService.h"
#include "companion/engine/SingleInstance.h"
#include "companion/engine/UpdateInstallation.h"
#include "companion/engine/UpdateInstaller.h"
#include "platform/Bundle.h"
#include "platform/RuntimeFolder.h"
#include "support/TempDir.h"
#include "support/UpdateFixtures.h"
#include "web/engine/CompanionHandOver.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <grp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

namespace {

// Runs the event loop (the service lives on this thread) until `done` or a generous limit.
bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

int connectTo(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Waits for the service to close the connection: true on end of file without an answer.
bool closedWithoutAnswer(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0)
        return false;
    char byte;
    return ::recv(fd, &byte, 1, 0) <= 0;
}

// A socket file nobody listens on, as a companion that was killed leaves it.
void leaveStaleSocket(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

std::string installedVersion(const std::string& applications)
{
    const auto info = Bundle::read(applications + "/CorvaneTidewell.app");
    return info ? info->shortVersion.toStdString() : std::string();
}

// A test home: the installed bundle 1.0 (its program a copy of sleep, so a running one is
// found by its executable), and Documents.
struct UpdateHome
{
    explicit UpdateHome(const std::string& documentsName = "Documents")
        : documents(dir / documentsName), applications(dir / "Applications")
    {
        makeDirs(documents);
        writeTree(applications, bundleEntries("1.0", readFile("/bin/sleep")));
    }
    UpdateInstaller installer() const { return UpdateInstaller({documents, applications}, key.publicKey()); }
    std::string program() const { return applications + "/CorvaneTidewell.app/Contents/MacOS/CorvaneTidewell"; }

    TempDir dir;
    std::string documents;
    std::string applications;
    ReleaseKey key;
};

const std::string kMarkerProgram = "#!/bin/sh\necho started > \"$(dirname \"$0\")/../started\"\n";

} // namespace

TEST(UpdateService, ServesOnWhileClientsSendNothingGarbageOrAMegabyte)
{
    TempDir t;
    const std::string runtime = t / "run";
    makeDirs(runtime);
    SingleInstance lock(runtime + "/CorvaneXPC.lock");
    ASSERT_TRUE(lock.tryAcquire());
    CompanionService service(runtime, lock);
    int asked = 0;
    service.setHandler([&](const CompanionService::Reply& reply) {
        ++asked;
        reply("refused nothing to install\n");
    });
    ASSERT_TRUE(service.listen());
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(CompanionService::folderPath(runtime).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::lstat(CompanionService::socketPath(runtime).c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    const std::string path = CompanionService::socketPath(runtime);
    std::atomic<int> finished = 0;
    bool silentClosed = false, garbageClosed = false, megabyteClosed = false;
    CompanionHandOver::Answer answer;
    std::vector<std::thread> clients;
    clients.emplace_back([&] {
        const int fd = connectTo(path);
        silentClosed = fd >= 0 && closedWithoutAnswer(fd);
        ::close(fd);
        ++finished;
    });
    clients.emplace_back([&] {
        const int fd = connectTo(path);
        ::send(fd, "hello\n", 6, MSG_NOSIGNAL);
        garbageClosed = fd >= 0 && closedWithoutAnswer(fd);
        ::close(fd);
        ++finished;
    });
    clients.emplace_back([&] {
        const int fd = connectTo(path);
        const std::string megabyte(1 << 20, 'x');
        ::send(fd, megabyte.data(), megabyte.size(), MSG_NOSIGNAL);
        megabyteClosed = fd >= 0 && closedWithoutAnswer(fd);
        ::close(fd);
        ++finished;
    });
    clients.emplace_back([&] {
        // While the others are still connected.
        answer = CompanionHandOver::sendTest(runtime, 10s);
        ++finished;
    });
    EXPECT_TRUE(spinUntil([&] { return finished == 4; }));
    for (std::thread& c : clients)
        c.join();
    EXPECT_TRUE(silentClosed);
    EXPECT_TRUE(garbageClosed);
    EXPECT_TRUE(megabyteClosed);
    EXPECT_EQ(answer.result, CompanionHandOver::Result::Refused);
    EXPECT_EQ(answer.reason, "nothing to install");
    EXPECT_EQ(asked, 1);

    // A second service never displaces a live one, lock or not.
    CompanionService second(runtime, lock);
    EXPECT_FALSE(second.listen());
    service.close();
    EXPECT_FALSE(exists(path));

    // A socket left by a killed companion is replaced only by the holder of the lock.
    leaveStaleSocket(path);
    SingleInstance notHeld(runtime + "/other.lock");
    CompanionService withoutLock(runtime, notHeld);
    EXPECT_FALSE(withoutLock.listen());
    EXPECT_TRUE(exists(path));
    CompanionService withLock(runtime, lock);
    EXPECT_TRUE(withLock.listen());
}

TEST(UpdateService, AnotherUserIsClosedWithoutBeingHeard)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to connect as another user";
    TempDir t;
    const std::string runtime = t / "run";
    makeDirs(runtime);
    SingleInstance lock(runtime + "/CorvaneXPC.lock");
    ASSERT_TRUE(lock.tryAcquire());
    CompanionService service(runtime, lock);
    int asked = 0;
    service.setHandler([&](const CompanionService::Reply& reply) {
        ++asked;
        reply("accepted\n");
    });
    ASSERT_TRUE(service.listen());
    // Let the other user reach the socket: the peer check alone must turn it away.
    const std::string path = CompanionService::socketPath(runtime);
    ::chmod(t.path().c_str(), 0755);
    ::chmod(runtime.c_str(), 0755);
    ::chmod(CompanionService::folderPath(runtime).c_str(), 0755);
    ::chmod(path.c_str(), 0666);

    std::atomic<bool> done = false;
    int status = -1;
    std::thread other([&] {
        status = runAsUnprivileged([&] {
            const int fd = connectTo(path);
            if (fd < 0)
                return 2;
            ::send(fd, "test\n", 5, MSG_NOSIGNAL);
            return closedWithoutAnswer(fd) ? 0 : 1;
        });
        done = true;
    });
    EXPECT_TRUE(spinUntil([&] { return done.load(); }));
    other.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(asked, 0);
}

TEST(UpdateService, RuntimeFolderFallsBackOnlyToAPrivateFolderOfOurs)
{
    TempDir t;
    const std::string shared = t / "shared";
    makeDirs(shared);
    ::chmod(shared.c_str(), 01777);
    const std::string mine = shared + "/" + RuntimeFolder::fallbackName();
    // The session's own folder when there is one; the shared one is not private.
    EXPECT_EQ(RuntimeFolder::privateFolder(t.path(), shared), t.path());
    const auto made = RuntimeFolder::privateFolder(shared, shared);
    ASSERT_TRUE(made);
    EXPECT_EQ(*made, mine);
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(mine.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    // Claimed first by someone else, or made open, or a link: no private folder at all.
    ::chmod(mine.c_str(), 0755);
    EXPECT_FALSE(RuntimeFolder::privateFolder("", shared));
    ::rmdir(mine.c_str());
    ASSERT_EQ(::symlink(t.path().c_str(), mine.c_str()), 0);
    EXPECT_FALSE(RuntimeFolder::privateFolder("", shared));
    if (::geteuid() == 0) {
        ::unlink(mine.c_str());
        makeDirs(mine);
        ::chmod(mine.c_str(), 0700);
        ASSERT_EQ(::chown(mine.c_str(), unprivilegedUid(), unprivilegedUid()), 0);
        EXPECT_FALSE(RuntimeFolder::privateFolder("", shared));
    }
}

TEST(UpdateInstaller, RefusesBadUpdatesAndLeavesEverythingAsItWas)
{
    UpdateHome home;
    const std::string newer = makeZip(bundleEntries("2.0", kMarkerProgram));
    auto withEntry = [](ZipEntry extra) {
        auto entries = bundleEntries("2.0", kMarkerProgram);
        entries.push_back(std::move(extra));
        return makeZip(entries);
    };
    ReleaseKey otherKey;
    const std::string outside = home.dir / "outside";
    struct Case
    {
        const char* what;
        std::function<void()> prepare;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"no archive", [] {}, "no update archive"},
        {"another key", [&] { placeUpdate(home.documents, newer, "2.0", otherKey); }, "bad signature"},
        {"a flipped byte",
         [&] {
             placeUpdate(home.documents, newer, "2.0", home.key);
             pokeByte(home.documents + "/CorvaneTidewell.app.zip", 40, 'Z');
         },
         "bad signature"},
        {"an older version",
         [&] { placeUpdate(home.documents, makeZip(bundleEntries("0.9", kMarkerProgram)), "0.9", home.key); },
         "not newer"},
        {"a version other than the signed one",
         [&] { placeUpdate(home.documents, makeZip(bundleEntries("2.0", kMarkerProgram)), "3.0", home.key); },
         "not the signed one"},
        {"another application",
         [&] {
             placeUpdate(home.documents, makeZip(bundleEntries("2.0", kMarkerProgram, "com.example.other")), "2.0",
                         home.key);
         },
         "not ours"},
        {"a link as archive",
         [&] {
             placeUpdate(home.dir / "elsewhere", newer, "2.0", home.key);
             ::symlink((home.dir / "elsewhere/CorvaneTidewell.app.zip").c_str(),
                       (home.documents + "/CorvaneTidewell.app.zip").c_str());
             ::rename((home.dir / "elsewhere/CorvaneTidewell.app.zip.sig").c_str(),
                      (home.documents + "/CorvaneTidewell.app.zip.sig").c_str());
         },
         "is a link"},
        {"a \"..\" entry",
         [&] {
             placeUpdate(home.documents, withEntry({"CorvaneTidewell.app/../../outside", "x"}), "2.0", home.key);
         },
         "\"..\""},
        {"an absolute entry",
         [&] {
             placeUpdate(home.documents, withEntry({outside, "x"}), "2.0", home.key);
         },
         "absolute"},
        {"a foreign top-level entry",
         [&] {
             placeUpdate(home.documents, withEntry({"Other.app/Contents/x", "x"}), "2.0", home.key);
         },
         "outside the bundle"},
        {"a link entry",
         [&] {
             placeUpdate(home.documents,
                         withEntry({"CorvaneTidewell.app/Contents/Resources", outside, ZipEntry::Kind::Link}), "2.0",
                         home.key);
         },
         "link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        const auto before = treeSnapshot(home.dir.path());
        const auto staged = home.installer().stage();
        EXPECT_FALSE(staged.ok());
        EXPECT_NE(staged.refusal.find(c.reason), std::string::npos) << staged.refusal;
        EXPECT_EQ(treeSnapshot(home.dir.path()), before);
        ::unlink((home.documents + "/CorvaneTidewell.app.zip").c_str());
        ::unlink((home.documents + "/CorvaneTidewell.app.zip.sig").c_str());
    }
    EXPECT_EQ(installedVersion(home.applications), "1.0");
}

TEST(UpdateInstallation, InstallsFromAHostileDocumentsPathStopsTheOldProgramAndStartsTheNew)
{
    UpdateHome home("My Documents $(touch x)");
    placeUpdate(home.documents, makeZip(bundleEntries("2.0", kMarkerProgram)), "2.0", home.key);
    QProcess old;
    old.start(QString::fromStdString(home.program()), {QStringLiteral("600")});
    ASSERT_TRUE(old.waitForStarted(10000));

    const std::string runtime = home.dir / "run";
    makeDirs(runtime);
    SingleInstance lock(runtime + "/CorvaneXPC.lock");
    ASSERT_TRUE(lock.tryAcquire());
    CompanionService service(runtime, lock);
    UpdateInstallation installation(home.installer());
    std::string whileBusy;
    service.setHandler([&](const CompanionService::Reply& reply) {
        installation.test(reply);
        // One at a time.
        installation.test([&](const std::string& line) { whileBusy = line; });
    });
    bool installed = false;
    QObject::connect(&installation, &UpdateInstallation::installed, &installation, [&] {
        installed = true;
        installation.installer().launch();
    });
    ASSERT_TRUE(service.listen());

    std::atomic<bool> answered = false;
    CompanionHandOver::Answer answer;
    std::thread client([&] {
        answer = CompanionHandOver::sendTest(runtime);
        answered = true;
    });
    EXPECT_TRUE(spinUntil([&] { return answered && installed; }));
    client.join();
    EXPECT_EQ(answer.result, CompanionHandOver::Result::Accepted) << answer.reason;
    EXPECT_EQ(whileBusy, "refused busy\n");
    // Stopped before the exchange.
    EXPECT_TRUE(old.state() == QProcess::NotRunning || old.waitForFinished(10000));
    EXPECT_EQ(old.exitStatus(), QProcess::CrashExit);

    EXPECT_EQ(installedVersion(home.applications), "2.0");
    const std::string marker = home.applications + "/CorvaneTidewell.app/Contents/started";
    EXPECT_TRUE(spinUntil([&] { return exists(marker); }, 10s));
    // The old copy, the archive and its signature are gone; no shell ever saw the path.
    EXPECT_EQ(treeSnapshot(home.applications).count("CorvaneTidewell.app"), 1u);
    for (const auto& [path, kind] : treeSnapshot(home.applications))
        EXPECT_EQ(path.rfind("CorvaneTidewell.app", 0), 0u) << path;
    EXPECT_FALSE(exists(home.documents + "/CorvaneTidewell.app.zip"));
    EXPECT_FALSE(exists(home.documents + "/CorvaneTidewell.app.zip.sig"));
    EXPECT_FALSE(exists(home.dir / "x"));
    EXPECT_FALSE(exists("x"));
}

TEST(UpdateInstaller, AnotherUsersProgramOfTheSameNameSurvives)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a program as another user";
    UpdateHome home;
    ::chmod(home.dir.path().c_str(), 0755);
    placeUpdate(home.documents, makeZip(bundleEntries("2.0", kMarkerProgram)), "2.0", home.key);
    const std::string program = home.program();
    auto start = [&](bool asOther) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (asOther) {
                const gid_t gid = 65534;
                if (::setgroups(1, &gid) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(126);
            }
            ::execl(program.c_str(), program.c_str(), "600", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    };
    const pid_t theirs = start(true);
    const pid_t ours = start(false);
    ASSERT_GT(theirs, 0);
    ASSERT_GT(ours, 0);
    // Both run the installed program before the installer looks.
    ASSERT_TRUE(spinUntil([&] {
        char a[64] = {}, b[64] = {};
        return ::readlink(("/proc/" + std::to_string(theirs) + "/exe").c_str(), a, sizeof a - 1) > 0 &&
               ::readlink(("/proc/" + std::to_string(ours) + "/exe").c_str(), b, sizeof b - 1) > 0 &&
               std::string(a).find("CorvaneTidewell") != std::string::npos &&
               std::string(b).find("CorvaneTidewell") != std::string::npos;
    }));

    const UpdateInstaller installer = home.installer();
    const auto staged = installer.stage();
    ASSERT_TRUE(staged.ok()) << staged.refusal;
    EXPECT_TRUE(installer.install(staged).ok());
    EXPECT_EQ(installedVersion(home.applications), "2.0");
    int status = 0;
    EXPECT_EQ(::waitpid(ours, &status, 0), ours);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(::waitpid(theirs, &status, WNOHANG), 0); // still running
    ::kill(theirs, SIGKILL);
    ::waitpid(theirs, &status, 0);
}

TEST(UpdateService, CompanionRecoversAStaleSocketCleansLeftoversAndIsNeverDisplaced)
{
    TempDir t;
    const std::string home = t / "home";
    const std::string runtime = t / "run";
    makeDirs(home + "/Applications/.CorvaneTidewell-update-Ab12Cd/CorvaneTidewell.app/Contents");
    makeDirs(CompanionService::folderPath(runtime));
    leaveStaleSocket(CompanionService::socketPath(runtime));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), QString::fromStdString(home));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(home + "/.config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime));

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(CORVANE_XPC_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    CompanionHandOver::Answer answer;
    EXPECT_TRUE(spinUntil([&] {
        answer = CompanionHandOver::sendTest(runtime, 10s);
        return answer.result != CompanionHandOver::Result::NoCompanion;
    }));
    EXPECT_EQ(answer.result, CompanionHandOver::Result::Refused);
    EXPECT_EQ(answer.reason, "no update archive");
    EXPECT_FALSE(exists(home + "/Applications/.CorvaneTidewell-update-Ab12Cd"));

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(CORVANE_XPC_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(CompanionHandOver::sendTest(runtime, 10s).result, CompanionHandOver::Result::Refused);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_FALSE(exists(CompanionService::socketPath(runtime)));
}
