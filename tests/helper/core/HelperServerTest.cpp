// SPDX-License-Identifier: GPL-3.0-or-later
// The served helper over real sockets: every bad request refused with the next one still
// served, races against the removal, slow and silent clients, the unit switch.
#include "HelperFakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::helper;
using namespace corvane::helper::test;
using corvane::test::exists;
using corvane::test::makeDirs;
using corvane::test::writeFile;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kRemove = HelperProtocol::kRemoveFile;
const std::string kDisable = HelperProtocol::kDisableService;

// A frame whose length fields are written by hand, to say what encode() never would.
std::string rawFrame(const std::string& key, uint32_t valueLength, const std::string& value)
{
    auto u32 = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    return "CVH1" + u32(uint32_t(key.size())) + key + u32(valueLength) + value;
}

} // namespace

TEST(HelperServer, EveryBadRequestIsRefusedAndTheNextIsServed)
{
    ScratchMachine m;
    ServedHelper helper(m.roots());
    ASSERT_EQ(::symlink(m.victim.c_str(), (m.myHome + "/to-victim").c_str()), 0);
    writeFile(m.myHome + "/kept", "x");
    const std::string valid = HelperProtocol::encode({kRemove, m.myHome + "/kept"});

    const std::pair<std::string, std::string> bad[] = {
        {HelperProtocol::encode({kRemove, m.otherHome + "/theirs"}), "refused: outside-allowed-folders"},
        {HelperProtocol::encode({kRemove, "/etc/passwd"}), "refused: outside-allowed-folders"},
        {HelperProtocol::encode({kRemove, "/"}), "refused: protected-path"},
        {HelperProtocol::encode({kRemove, m.myHome}), "refused: home-itself"},
        {HelperProtocol::encode({kRemove, m.myHome + "/to-victim/a"}), "refused: leaves-root"},
        {HelperProtocol::encode({kRemove, "victim/a"}), "refused: path-not-absolute"},
        {HelperProtocol::encode({kRemove, m.myHome + "/../../victim/a"}), "refused: path-component"},
        {HelperProtocol::encode({kRemove, m.myHome + std::string("/kept\0/x", 8)}), "refused: path-has-nul"},
        {rawFrame(kRemove, 8u << 20, std::string(8u << 20, 'a')), "refused: frame"},
        {valid + std::string(8u << 20, 'a'), "refused: frame"},
        {valid + "x", "refused: frame"},
        {valid.substr(0, valid.size() - 1), "refused: frame"},
        {"GET / HTTP/1.0\r\n\r\n", "refused: frame"},
        {"", "refused: frame"},
        {HelperProtocol::encode({"removeFile ", m.myHome + "/kept"}), "refused: unknown-key"},
        {HelperProtocol::encode({"ExecuteCommand", "rm -rf /"}), "refused: unknown-key"},
        {HelperProtocol::encode({kDisable, "../x"}), "refused: unit-name"},
    };
    size_t requests = 0;
    for (const auto& [bytes, answer] : bad) {
        EXPECT_EQ(helper.sendBytes(bytes), answer + "\n") << answer;
        ++requests;
        EXPECT_TRUE(exists(m.myHome + "/kept")) << answer;
    }
    EXPECT_TRUE(m.victimIntact());
    EXPECT_EQ(corvane::test::readFile(m.otherHome + "/theirs"), "not yours");
    EXPECT_TRUE(helper.units.calls().empty());

    // Nothing that failed the rules on its spelling reached the authoriser.
    EXPECT_EQ(helper.authoriser.calls, 1) << "only the link on the way is found by looking";

    // The authoriser's no is final.
    helper.authoriser.grant = false;
    EXPECT_EQ(helper.request(kRemove, m.myHome + "/kept"), "refused: not-authorised\n");
    EXPECT_TRUE(exists(m.myHome + "/kept"));
    helper.authoriser.grant = true;
    EXPECT_EQ(helper.request(kRemove, m.myHome + "/kept"), "ok\n");
    EXPECT_FALSE(exists(m.myHome + "/kept"));
    requests += 2;

    // The last component is removed, never followed.
    EXPECT_EQ(helper.request(kRemove, m.myHome + "/to-victim"), "ok\n");
    EXPECT_FALSE(exists(m.myHome + "/to-victim"));
    EXPECT_TRUE(m.victimIntact());
    ++requests;

    // Who asked is the kernel's answer, and every request left one escaped log line.
    for (const PeerIdentity& peer : helper.authoriser.peers()) {
        EXPECT_EQ(peer.uid, ::geteuid());
        EXPECT_EQ(peer.pid, ::getpid());
        EXPECT_NE(peer.startTime, 0u);
    }
    const auto log = helper.logEntries();
    EXPECT_EQ(log.size(), requests);
    for (const HelperLog::Entry& entry : log)
        EXPECT_EQ(HelperLog::line(entry).find('\n'), std::string::npos);
}

// Another user asks: only what lies in that user's own home is theirs to have removed.
TEST(HelperServer, AnotherUserReachesOnlyTheirOwnHome)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to connect as another user";
    ScratchMachine m;
    ServedHelper helper(m.roots());
    writeFile(m.myHome + "/mine", "x");
    writeFile(m.otherHome + "/old-cache", "x");
    ASSERT_EQ(::chown((m.otherHome + "/old-cache").c_str(), 0, 0), 0) << "left there by root";
    const std::string socket = helper.socketPath();
    auto ask = [&](const std::string& path, const std::string& expected) {
        return corvane::test::runAsUnprivileged([&] {
            UniqueFd fd(connectTo(socket));
            const std::string frame = HelperProtocol::encode({kRemove, path});
            if (!fd || ::send(fd.get(), frame.data(), frame.size(), MSG_NOSIGNAL) != ssize_t(frame.size()))
                return 2;
            ::shutdown(fd.get(), SHUT_WR);
            return readToEnd(fd.get()) == expected ? 0 : 1;
        });
    };
    EXPECT_EQ(ask(m.myHome + "/mine", "refused: outside-allowed-folders\n"), 0);
    EXPECT_TRUE(exists(m.myHome + "/mine"));
    EXPECT_EQ(ask(m.otherHome + "/old-cache", "ok\n"), 0);
    EXPECT_FALSE(exists(m.otherHome + "/old-cache"));
    for (const PeerIdentity& peer : helper.authoriser.peers())
        EXPECT_EQ(peer.uid, corvane::test::unprivilegedUid());
}

TEST(HelperServer, ABindMountInsideTheHomeIsNeitherCrossedNorRemoved)
{
    if (const char* child = std::getenv("CORVANE_HELPER_BIND_CHILD")) {
        // In a private mount namespace: the victim shows up twice inside the home.
        const std::string root = child;
        const std::string home = root + "/home/me";
        const std::string victim = root + "/victim";
        for (const std::string& at : {home + "/view", home + "/holder/view"})
            if (::mount(victim.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0)
                std::_Exit(100);
        const HelperRoots roots{[&](uid_t) { return std::optional<std::string>(home); }, root + "/var/cache",
                                root + "/etc/systemd/system"};
        int rc = 0;
        {
            ServedHelper helper(roots);
            if (helper.request(kRemove, home + "/view/a") != "refused: leaves-root\n")
                rc |= 1;
            if (helper.request(kRemove, home + "/view") != "refused: mount-root\n")
                rc |= 2;
            // A tree holding a mount point: what is the home's goes, the mount is not entered,
            // and the answer says it was not all removed.
            if (helper.request(kRemove, home + "/holder").rfind("failed: ", 0) != 0)
                rc |= 4;
        }
        if (!exists(victim + "/a") || !exists(victim + "/sub/b"))
            rc |= 8;
        if (exists(home + "/holder/mine"))
            rc |= 16;
        ::umount((home + "/view").c_str());
        ::umount((home + "/holder/view").c_str());
        std::_Exit(rc);
    }
    if (::geteuid() != 0 || ::system("unshare --mount true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and unshare(1) to make a private mount namespace";
    ScratchMachine m;
    makeDirs(m.myHome + "/view");
    writeFile(m.myHome + "/holder/mine", "x");
    makeDirs(m.myHome + "/holder/view");
    EXPECT_EQ(corvane::test::rerunSelfInMountNamespace("HelperServer.ABindMountInsideTheHomeIsNeitherCrossedNorRemoved",
                                                       "CORVANE_HELPER_BIND_CHILD", m.dir.path()),
              0);
    EXPECT_TRUE(m.victimIntact());
}

// The caller owns the tree and may swap any folder in it for a link while the helper
// empties it: the helper never follows one out.
TEST(HelperServer, AFolderSwappedForALinkDuringARemovalNeverLeadsOutside)
{
    ScratchMachine m;
    ServedHelper helper(m.roots());
    for (int round = 0; round < 200; ++round) {
        const std::string tree = m.myHome + "/tree" + std::to_string(round);
        for (int i = 0; i < 40; ++i)
            writeFile(tree + "/d/f" + std::to_string(i), "x");
        writeFile(tree + "/d/sub/g", "y");
        std::atomic<bool> go{false};
        std::thread attacker([&] {
            while (!go)
                std::this_thread::yield();
            const std::string moved = tree + "/moved";
            if (::rename((tree + "/d").c_str(), moved.c_str()) == 0)
                ::symlink(m.victim.c_str(), (tree + "/d").c_str());
        });
        go = true;
        const std::string answer = helper.request(kRemove, tree);
        attacker.join();
        ASSERT_TRUE(m.victimIntact()) << "round " << round << ": " << answer;
        helper.request(kRemove, tree);
    }
    EXPECT_TRUE(m.victimIntact());
}

TEST(HelperServer, DisableServiceReachesTheUnitSwitchOnlyForAllowedUnits)
{
    ScratchMachine m;
    ServedHelper helper(m.roots());
    EXPECT_EQ(helper.request(kDisable, "foo.service"), "ok\n");
    for (const std::string unit : {"../x", "a b", "x;y", "", "com.corvane.CorvaneHelper.service", "dbus.service",
                                   "-.mount", "$(reboot).service"})
        EXPECT_EQ(helper.request(kDisable, unit).rfind("refused: ", 0), 0u) << unit;
    EXPECT_EQ(helper.units.calls(), std::vector<std::string>{"foo.service"});

    helper.authoriser.grant = false;
    EXPECT_EQ(helper.request(kDisable, "bar.service"), "refused: not-authorised\n");
    helper.authoriser.grant = true;
    // The manager's error comes back escaped, on one line.
    helper.units.failWith = "Unit bar.service not loaded.\nforged line";
    EXPECT_EQ(helper.request(kDisable, "bar.service"), "failed: Unit bar.service not loaded.\\x0aforged line\n");
    EXPECT_EQ(helper.units.calls(), (std::vector<std::string>{"foo.service", "bar.service"}));
}

// Connections that say nothing are cut at their deadline, or pushed out by newer ones
// when there are too many; a real request meanwhile is answered at once.
TEST(HelperServer, SilentConnectionsDoNotHoldUpARealRequest)
{
    ScratchMachine m;
    ServedHelper helper(m.roots());
    writeFile(m.myHome + "/file", "x");
    std::vector<UniqueFd> silent;
    for (int i = 0; i < 64; ++i) {
        silent.push_back(helper.connectSilently());
        ASSERT_TRUE(silent.back());
    }
    const auto start = Clock::now();
    EXPECT_EQ(helper.request(kRemove, m.myHome + "/file"), "ok\n");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(exists(m.myHome + "/file"));

    int busy = 0, deadline = 0;
    for (UniqueFd& fd : silent) {
        const std::string answer = readToEnd(fd.get());
        busy += answer == "refused: busy\n";
        deadline += answer == "refused: deadline\n";
    }
    EXPECT_EQ(busy + deadline, 64);
    EXPECT_GE(deadline, 1) << "the newest silent ones wait for their deadline";
}

// The program hands over a clean's requests all at once and never waits for an answer. A
// burst larger than the worker's queue waits in the socket's backlog until the worker has
// room, instead of being turned away as busy.
TEST(HelperServer, ABurstLargerThanTheQueueIsServedNotRefused)
{
    ScratchMachine m;
    ServedHelper helper(m.roots());
    helper.authoriser.delayMs = 2;
    constexpr int kCount = 200; // over the queue's 64, within the test socket's backlog
    auto path = [&](int i) { return m.myHome + "/burst/f" + std::to_string(i); };
    for (int i = 0; i < kCount; ++i)
        writeFile(path(i), "x");
    for (int i = 0; i < kCount; ++i) {
        UniqueFd fd(connectTo(helper.socketPath()));
        ASSERT_TRUE(fd) << i;
        const std::string frame = HelperProtocol::encode({kRemove, path(i)});
        ASSERT_EQ(::send(fd.get(), frame.data(), frame.size(), MSG_NOSIGNAL), ssize_t(frame.size())) << i;
    }
    const auto until = Clock::now() + std::chrono::seconds(30);
    while (helper.logEntries().size() < size_t(kCount) && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    int ok = 0, busy = 0, left = 0;
    for (const HelperLog::Entry& entry : helper.logEntries()) {
        ok += entry.verdict == "ok";
        busy += entry.verdict == "refused: busy";
    }
    for (int i = 0; i < kCount; ++i)
        left += exists(path(i));
    EXPECT_EQ(busy, 0);
    EXPECT_EQ(ok, kCount);
    EXPECT_EQ(left, 0);
}

// polkit keeps an administrator's yes for the process that asked; the helper names the
// same process every time, so a thousand removals need one password.
TEST(HelperServer, AThousandRemovalsAfterOneAuthorisation)
{
    ScratchMachine m;
    ServedHelper helper(m.roots());
    constexpr int kCount = 1000;
    for (int i = 0; i < kCount; ++i)
        writeFile(m.myHome + "/cache/f" + std::to_string(i), "x");
    const auto start = Clock::now();
    int ok = 0;
    for (int i = 0; i < kCount; ++i)
        ok += helper.request(kRemove, m.myHome + "/cache/f" + std::to_string(i)) == "ok\n";
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    EXPECT_EQ(ok, kCount);
    EXPECT_EQ(helper.authoriser.prompts, 1);
    EXPECT_EQ(helper.authoriser.calls, kCount);
    std::printf("[ timing ] %d removeFile requests, one connection each: %.0f ms (%.3f ms per request)\n", kCount, ms,
                ms / kCount);
    ::testing::Test::RecordProperty("thousand_removals_ms", std::to_string(int(ms)));
}

TEST(HelperServer, AnIdleHelperEndsByItself)
{
    ScratchMachine m;
    HelperServer::Options options;
    options.idleExit = std::chrono::milliseconds(300);
    UniqueFd listening(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (m.dir / "idle.socket").c_str());
    ASSERT_EQ(::bind(listening.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening.get(), 4), 0);
    HelperServer server(
        listening.get(), [](const PeerIdentity&, const HelperProtocol::Request&) { return std::string("ok"); }, {},
        options);
    const auto start = Clock::now();
    EXPECT_TRUE(server.run());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
}
