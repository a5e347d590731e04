// SPDX-License-Identifier: GPL-3.0-or-later
// The helper end to end, as a machine runs it: the real program handed its socket by
// systemd-socket-activate, the real polkitd deciding on a private system bus, requests from
// processes of a granted and an ungranted user, and the real `corvane junk --clean` run as
// the user on system caches it cannot remove itself. All of it inside a mount namespace of
// scratch system folders (HelperRoom).
#include "HelperRoom.h"

#include "platform/HelperProtocol.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr auto kRemoveFile = HelperProtocol::kRemoveFile;

class ServedHelper : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string skip;
        std::string failure;
        m_room.start(skip, failure);
        if (!skip.empty())
            GTEST_SKIP() << skip;
        ASSERT_TRUE(failure.empty()) << failure;
    }

    void TearDown() override
    {
        // Stopped as systemd stops it, the helper ends cleanly, and no sanitizer spoke up
        // in it meanwhile or at its exit.
        if (m_room.helper() > 0) {
            EXPECT_EQ(m_room.stopHelper(), 0);
            EXPECT_EQ(m_room.helperLog().find("Sanitizer"), std::string::npos);
        }
        if (HasFailure())
            std::printf("helper log:\n%s\npolkitd log:\n%s\n", m_room.helperLog().c_str(), m_room.polkitdLog().c_str());
    }

    // A folder of root's in the user's own cache folder, as a program run with sudo leaves
    // one: the user may unlink its name but cannot empty it.
    std::string rootsLeftover()
    {
        const std::string cache = m_room.home() + "/.cache";
        makeDirs(cache);
        ::chown(cache.c_str(), m_room.user(), m_room.user());
        const std::string leftover = cache + "/leftover";
        writeSized(leftover + "/data", 700);
        return leftover;
    }

    // A root-owned file below the room's /var/cache; its path inside the room.
    std::string systemCacheFile(const std::string& relative, size_t size = 1000)
    {
        writeSized(m_room.systemCaches() + "/" + relative, size);
        return "/var/cache/" + relative;
    }

    // The user's command line: its home, the room's socket, and nothing else of the test's
    // environment but the sanitizers' options (the same suppressions as the tests).
    std::vector<std::string> userEnvironment() const
    {
        std::vector<std::string> env{"PATH=/usr/bin:/bin", "HOME=" + m_room.home(),
                                     "CORVANE_HELPER_SOCKET=" + m_room.socketPath(), "LC_ALL=C.UTF-8",
                                     "QT_QPA_PLATFORM=offscreen"};
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"})
            if (const char* value = std::getenv(name))
                env.push_back(std::string(name) + "=" + value);
        return env;
    }

    HelperRoom m_room;
};

// Kernel ABI of clone3 (Linux 5.5): the fields up to set_tid_size.
struct CloneArgs
{
    uint64_t flags = 0;
    uint64_t pidfd = 0;
    uint64_t childTid = 0;
    uint64_t parentTid = 0;
    uint64_t exitSignal = 0;
    uint64_t stack = 0;
    uint64_t stackSize = 0;
    uint64_t tls = 0;
    uint64_t setTid = 0;
    uint64_t setTidSize = 0;
};

// A process of `uid` under exactly `pid` (free by now) that writes a byte to `ready[1]` once
// it runs as that user and lives until `hold[1]` is closed; -1 and errno when the kernel
// will not hand out that pid.
pid_t processUnderPid(pid_t pid, uid_t uid, const int ready[2], const int hold[2])
{
    pid_t wanted = pid;
    CloneArgs args;
    args.exitSignal = SIGCHLD;
    args.setTid = reinterpret_cast<uintptr_t>(&wanted);
    args.setTidSize = 1;
    const long r = ::syscall(SYS_clone3, &args, sizeof args);
    if (r == 0) {
        // Raw system calls only: glibc's own setuid would wait for the parent's threads.
        ::syscall(SYS_prctl, PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
        ::syscall(SYS_close, ready[0]);
        ::syscall(SYS_close, hold[1]);
        const gid_t gid = uid;
        if (::syscall(SYS_setgroups, 1, &gid) != 0 || ::syscall(SYS_setresgid, gid, gid, gid) != 0 ||
            ::syscall(SYS_setresuid, uid, uid, uid) != 0)
            ::syscall(SYS_exit_group, 1);
        char c = 1;
        ::syscall(SYS_write, ready[1], &c, 1);
        while (::syscall(SYS_read, hold[0], &c, 1) < 0) {
        }
        ::syscall(SYS_exit_group, 0);
    }
    return static_cast<pid_t>(r);
}

} // namespace

TEST_F(ServedHelper, RemovesWhatTheGrantedUserCannotFromItsHome)
{
    const std::string leftover = rootsLeftover();
    EXPECT_EQ(m_room.request(m_room.user(), kRemoveFile, leftover), "ok");
    EXPECT_FALSE(exists(leftover));
    // The journal line names the caller as the kernel saw it.
    const std::string log = m_room.helperLog();
    EXPECT_NE(log.find("uid=" + std::to_string(m_room.user()) + " pid="), std::string::npos) << log;
    EXPECT_NE(log.find("value=" + leftover + " verdict=ok"), std::string::npos) << log;
}

TEST_F(ServedHelper, RefusesAnotherUsersHomeAndAnUngrantedCaller)
{
    const std::string leftover = rootsLeftover();
    // Not below nobody's home: the rules refuse before polkit is asked.
    EXPECT_EQ(m_room.request(HelperRoom::kNobody, kRemoveFile, leftover), "refused: outside-allowed-folders");
    EXPECT_TRUE(exists(leftover + "/data"));
    // An allow-listed system cache passes the rules for anyone; polkit says no to nobody.
    const std::string cache = systemCacheFile("fontconfig/a1b2-le64.cache-9");
    EXPECT_EQ(m_room.request(HelperRoom::kNobody, kRemoveFile, cache), "refused: not-authorised");
    EXPECT_TRUE(exists(m_room.systemCaches() + "/fontconfig/a1b2-le64.cache-9"));
}

// polkit is asked about the process that connected, pinned by its start time: when that
// process is gone and the same pid now belongs to another process, even one of the same
// granted user, the answer is no.
TEST_F(ServedHelper, AsksPolkitAboutTheProcessThatConnectedNotWhoeverHasItsPidNow)
{
    const std::string leftover = rootsLeftover();
    AuthorizationWatch watch(m_room.busAddress());
    ASSERT_TRUE(watch.watching());

    // polkitd holds its answer while the connecting process is replaced.
    ASSERT_EQ(::kill(m_room.polkitd(), SIGSTOP), 0);
    HeldRequest first(m_room, m_room.user(), kRemoveFile, leftover);
    ASSERT_GT(first.pid(), 0);
    const pid_t pid = first.pid();
    const uint64_t firstStart = startTimeOf(pid);
    const auto asked = watch.next(std::chrono::seconds(20));
    ASSERT_TRUE(asked) << "the helper did not ask polkit";
    EXPECT_EQ(asked->kind, "unix-process");
    EXPECT_EQ(asked->pid, static_cast<uint32_t>(pid));
    EXPECT_EQ(asked->startTime, firstStart);
    EXPECT_EQ(asked->uid, static_cast<int32_t>(m_room.user()));
    EXPECT_EQ(asked->action, "com.corvane.CorvaneHelper.removeFile");

    first.release();
    // A later clock tick, so the new process's start time differs.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int ready[2];
    int hold[2];
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(hold, O_CLOEXEC), 0);
    const pid_t second = processUnderPid(pid, m_room.user(), ready, hold);
    const int cloneError = errno;
    ::close(ready[1]);
    ::close(hold[0]);
    if (second < 0) {
        ::kill(m_room.polkitd(), SIGCONT);
        ::close(ready[0]);
        ::close(hold[1]);
        GTEST_SKIP() << "the kernel does not hand out a chosen pid here (clone3 set_tid): "
                     << std::strerror(cloneError);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(second, pid);
    EXPECT_NE(startTimeOf(second), firstStart);

    ::kill(m_room.polkitd(), SIGCONT);
    const auto verdict = m_room.verdictLogged(leftover, std::chrono::seconds(30));
    ::close(hold[1]);
    int status = 0;
    ::waitpid(second, &status, 0);
    ASSERT_TRUE(verdict) << "no verdict logged";
    EXPECT_EQ(*verdict, "refused: not-authorised");
    EXPECT_TRUE(exists(leftover + "/data"));

    // The user is granted all the same when it asks from a live process.
    EXPECT_EQ(m_room.request(m_room.user(), kRemoveFile, leftover), "ok");
    EXPECT_FALSE(exists(leftover));
}

TEST_F(ServedHelper, RemovesAnAllowListedSystemCacheFileForTheGrantedUser)
{
    const std::string cache = systemCacheFile("fontconfig/c3d4-le64.cache-9");
    systemCacheFile("fontconfig/CACHEDIR.TAG", 43);
    EXPECT_EQ(m_room.request(m_room.user(), kRemoveFile, cache), "ok");
    EXPECT_FALSE(exists(m_room.systemCaches() + "/fontconfig/c3d4-le64.cache-9"));
    EXPECT_TRUE(exists(m_room.systemCaches() + "/fontconfig/CACHEDIR.TAG"));
}

TEST_F(ServedHelper, RefusesBadInputsAndServesTheNextRequest)
{
    const pid_t serving = m_room.helper();
    const std::string passwords = readFile(m_room.passwordFile());
    systemCacheFile("debconf/config.dat");
    const std::string cache = systemCacheFile("man/fr/cat1/ls.1.gz");
    const std::pair<std::string, std::string> refused[] = {
        {"/etc/passwd", "refused: outside-allowed-folders"},
        {"/var/cache/debconf/config.dat", "refused: not-allow-listed"},
        {"/var/cache/fontconfig/../../../etc/passwd", "refused: path-component"},
        {"relative/path", "refused: path-not-absolute"},
    };
    for (const auto& [path, answer] : refused)
        EXPECT_EQ(m_room.request(m_room.user(), kRemoveFile, path), answer) << path;
    EXPECT_EQ(m_room.request(m_room.user(), "unknownKey", "/var/cache/man/fr/cat1/ls.1.gz"), "refused: unknown-key");
    EXPECT_TRUE(exists(m_room.systemCaches() + "/debconf/config.dat"));
    EXPECT_EQ(readFile(m_room.passwordFile()), passwords);

    EXPECT_EQ(m_room.request(m_room.user(), kRemoveFile, cache), "ok");
    EXPECT_FALSE(exists(m_room.systemCaches() + "/man/fr/cat1/ls.1.gz"));
    // One process served them all.
    EXPECT_EQ(::kill(serving, 0), 0);
    EXPECT_EQ(m_room.helper(), serving);
}

TEST_F(ServedHelper, JunkCleanRemovesSystemCachesThroughTheHelper)
{
    // Root's files, on the allow list; the user can remove none of them itself.
    const std::vector<std::string> offered = {
        systemCacheFile("fontconfig/e5f6-le64.cache-9", 3000),
        systemCacheFile("man/index.db", 2000),
        systemCacheFile("man/fr/cat1/ls.1.gz", 500),
        systemCacheFile("apt/archives/tool_1.0_amd64.deb", 5000),
        systemCacheFile("apt/pkgcache.bin", 4000),
    };
    // Root's too, but not for a clean: never listed, never touched.
    const std::vector<std::string> kept = {
        systemCacheFile("fontconfig/CACHEDIR.TAG", 43),
        systemCacheFile("apt/archives/lock", 0),
        systemCacheFile("apt/archives/partial/half.deb", 100),
        systemCacheFile("debconf/config.dat", 100),
    };
    // The user's own cache: one entry it removes itself, one left by root that the helper takes.
    const std::string leftover = rootsLeftover();
    const std::string own = m_room.home() + "/.cache/app";
    writeSized(own + "/blob", 100);
    ::chown(own.c_str(), m_room.user(), m_room.user());
    ::chown((own + "/blob").c_str(), m_room.user(), m_room.user());

    const HelperRoom::Run run =
        m_room.run(m_room.user(), {CORVANE_CLI_PROGRAM, "junk", "--categories", "0", "--clean"}, userEnvironment());

    // Kept for the record beside the test program, and shown.
    const std::string record = std::string(CORVANE_TEST_OUTPUT_DIR) + "/junk-clean-through-helper.txt";
    writeFile(record, "$ corvane junk --categories 0 --clean   (exit status " + std::to_string(run.status) + ")\n" +
                          run.out + "--- standard error\n" + run.err);
    std::printf("==== corvane junk --categories 0 --clean, as %s (exit %d) ====\n%s==== standard error ====\n%s"
                "==== end (also in %s) ====\n",
                HelperRoom::kUser, run.status, run.out.c_str(), run.err.c_str(), record.c_str());

    std::vector<std::string> removed;
    QJsonObject summary;
    for (const QByteArray& line : QByteArray::fromStdString(run.out).split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.contains(QStringLiteral("removed")))
            removed.push_back(o.value(QStringLiteral("removed")).toString().toStdString());
        if (o.contains(QStringLiteral("notRemovedItems")))
            summary = o;
    }
    EXPECT_EQ(run.status, 0);
    for (const std::string& path : offered) {
        EXPECT_NE(std::find(removed.begin(), removed.end(), path), removed.end()) << path;
        EXPECT_FALSE(exists(m_room.systemCaches() + path.substr(std::strlen("/var/cache")))) << path;
    }
    for (const std::string& path : {leftover, own}) {
        EXPECT_NE(std::find(removed.begin(), removed.end(), path), removed.end()) << path;
        EXPECT_FALSE(exists(path)) << path;
    }
    EXPECT_EQ(removed.size(), offered.size() + 2);
    for (const std::string& path : kept) {
        EXPECT_TRUE(exists(m_room.systemCaches() + path.substr(std::strlen("/var/cache")))) << path;
        EXPECT_EQ(run.out.find(path), std::string::npos) << path;
    }
    ASSERT_FALSE(summary.isEmpty());
    EXPECT_EQ(summary.value(QStringLiteral("notRemovedItems")).toInt(), 0);
    EXPECT_EQ(summary.value(QStringLiteral("notCleaned")).toDouble(), 0);
    EXPECT_EQ(summary.value(QStringLiteral("cleaned")).toDouble(),
              summary.value(QStringLiteral("selected")).toDouble());
}

// A machine's /var/cache holds hundreds of such files, all handed over at once: far more
// than the helper's queue, and each one checked with polkit.
TEST_F(ServedHelper, JunkCleanOfHundredsOfSystemCacheFilesThroughTheHelper)
{
    constexpr int kCount = 300;
    for (int i = 0; i < kCount; ++i)
        systemCacheFile("man/cat1/page" + std::to_string(i) + ".1.gz", 100);
    const HelperRoom::Run run =
        m_room.run(m_room.user(), {CORVANE_CLI_PROGRAM, "junk", "--categories", "0", "--clean"}, userEnvironment());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(R"({"selected":30000,"cleaned":30000,"notCleaned":0,"notRemovedItems":0})"),
              std::string::npos)
        << run.out.substr(run.out.size() > 2000 ? run.out.size() - 2000 : 0);
    int left = 0;
    for (int i = 0; i < kCount; ++i)
        left += exists(m_room.systemCaches() + "/man/cat1/page" + std::to_string(i) + ".1.gz");
    EXPECT_EQ(left, 0);
    EXPECT_EQ(m_room.helperLog().find("verdict=refused"), std::string::npos);
}
