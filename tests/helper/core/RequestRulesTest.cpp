// SPDX-License-Identifier: GPL-3.0-or-later
// The rules on their own, against a scratch machine: what may be removed and what not,
// and why.
#include "HelperFakes.h"

#include "helper/core/PeerCredentials.h"
#include "platform/UnitNames.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::helper;
using namespace corvane::helper::test;
using corvane::test::makeDirs;
using corvane::test::TempDir;
using corvane::test::writeFile;

namespace {

std::string ruleFor(const RequestRules& rules, const std::string& path, uid_t uid = ::geteuid())
{
    const RequestRules::Target target = rules.resolveRemoval(uid, path);
    return (target.verdict.allowed ? "allowed " : "refused ") + target.verdict.rule;
}

} // namespace

TEST(RequestRules, RemovalsInTheCallersHome)
{
    ScratchMachine m;
    const RequestRules rules(m.roots());
    writeFile(m.myHome + "/file", "x");
    writeFile(m.myHome + "/tree/inner/file", "x");
    ASSERT_EQ(::symlink(m.victim.c_str(), (m.myHome + "/link").c_str()), 0);
    writeFile(m.myHome + "/.ssh/id_ed25519", "key");
    writeFile(m.myHome + "/given/away", "x");
    ASSERT_EQ(::chown((m.myHome + "/given").c_str(), corvane::test::unprivilegedUid(), 0), 0);

    EXPECT_EQ(ruleFor(rules, m.myHome + "/file"), "allowed home");
    EXPECT_EQ(ruleFor(rules, m.myHome + "/tree"), "allowed home");
    // The last component is not followed: the link itself is what would go.
    EXPECT_EQ(ruleFor(rules, m.myHome + "/link"), "allowed home");
    const RequestRules::Target link = rules.resolveRemoval(::geteuid(), m.myHome + "/link");
    EXPECT_TRUE(S_ISLNK(link.entry.st_mode));

    EXPECT_EQ(ruleFor(rules, m.myHome), "refused home-itself");
    EXPECT_EQ(ruleFor(rules, m.myHome + "/link/a"), "refused leaves-root") << "a link on the way";
    EXPECT_EQ(ruleFor(rules, m.myHome + "/file/x"), "refused leaves-root") << "a file on the way";
    EXPECT_EQ(ruleFor(rules, m.myHome + "/missing"), "refused missing");
    EXPECT_EQ(ruleFor(rules, m.myHome + "/.ssh/id_ed25519"), "refused protected-path");
    EXPECT_EQ(ruleFor(rules, m.myHome + "/given/away"), "refused not-owner") << "a folder the caller does not own";
    EXPECT_EQ(ruleFor(rules, m.otherHome + "/theirs"), "refused outside-allowed-folders") << "another user's home";
    EXPECT_EQ(ruleFor(rules, m.otherHome + "/theirs", corvane::test::unprivilegedUid()), "allowed home");
    EXPECT_EQ(ruleFor(rules, m.myHome + "/file", corvane::test::unprivilegedUid()), "refused outside-allowed-folders");
    EXPECT_EQ(ruleFor(rules, m.myHome + "/file", 4242), "refused outside-allowed-folders") << "no password entry";

    // A home that is not the caller's own is no home to remove from.
    HelperRoots lent = m.roots();
    lent.homeOf = [&](uid_t) { return std::optional<std::string>(m.otherHome); };
    EXPECT_EQ(ruleFor(RequestRules(lent), m.otherHome + "/theirs"), "refused home-not-owned");
    // Nor is "/", which some system accounts have.
    HelperRoots slash = m.roots();
    slash.homeOf = [](uid_t) { return std::optional<std::string>("/"); };
    EXPECT_EQ(ruleFor(RequestRules(slash), "/etc/passwd"), "refused outside-allowed-folders");
}

TEST(RequestRules, PathsThatAreNotPlainAbsolutePathsAreRefusedUnopened)
{
    ScratchMachine m;
    const RequestRules rules(m.roots());
    const uid_t me = ::geteuid();
    // Relative paths, "..", NUL, "/" and /etc/passwd go through the served helper's test.
    const std::pair<std::string, std::string> cases[] = {
        {"", "path-not-absolute"},
        {m.myHome + "/./file", "path-component"},
        {m.myHome + "//file", "path-component"},
        {m.myHome + "/file/", "path-component"},
        {m.myHome + "/" + std::string(4096, 'a'), "path-too-long"},
    };
    for (const auto& [path, rule] : cases) {
        auto refusal = rules.precheckRemoval(me, path);
        ASSERT_TRUE(refusal) << path;
        EXPECT_EQ(refusal->rule, rule) << path;
        EXPECT_EQ(ruleFor(rules, path), "refused " + rule) << path;
    }
}

TEST(RequestRules, SystemCachesOnlyByTheAllowList)
{
    ScratchMachine m;
    const RequestRules rules(m.roots());
    writeFile(m.caches + "/man/index.db", "x");
    writeFile(m.caches + "/man/fr/cat1/ls.1.gz", "x");
    writeFile(m.caches + "/debconf/config.dat", "answers");
    writeFile(m.caches + "/apt/archives/partial/half.deb", "x");
    ASSERT_EQ(::symlink("/etc/passwd", (m.caches + "/man/passwd.gz").c_str()), 0);
    ASSERT_EQ(::symlink(m.victim.c_str(), (m.caches + "/man/de").c_str()), 0);
    makeDirs(m.caches + "/man/folder.gz");

    EXPECT_EQ(ruleFor(rules, m.caches + "/man/index.db"), "allowed system-cache");
    EXPECT_EQ(ruleFor(rules, m.caches + "/man/fr/cat1/ls.1.gz"), "allowed system-cache");
    EXPECT_EQ(ruleFor(rules, m.caches + "/debconf/config.dat"), "refused not-allow-listed");
    EXPECT_EQ(ruleFor(rules, m.caches + "/apt/archives/partial/half.deb"), "refused not-allow-listed");
    EXPECT_EQ(ruleFor(rules, m.caches + "/man/passwd.gz"), "refused not-allow-listed") << "a link is no cache file";
    EXPECT_EQ(ruleFor(rules, m.caches + "/man/folder.gz"), "refused not-allow-listed");
    EXPECT_EQ(ruleFor(rules, m.caches + "/man/de/a"), "refused leaves-root");
    EXPECT_EQ(ruleFor(rules, m.caches), "refused outside-allowed-folders");
}

TEST(RequestRules, UnitFilesDirectlyInTheUnitFolder)
{
    ScratchMachine m;
    const RequestRules rules(m.roots());
    writeFile(m.units + "/foo.service", "[Service]\n");
    ASSERT_EQ(::symlink("/dev/null", (m.units + "/masked.service").c_str()), 0);
    writeFile(m.units + "/dbus.service", "x");
    writeFile(m.units + "/com.corvane.CorvaneHelper.socket", "x");
    writeFile(m.units + "/home.mount", "x");
    writeFile(m.units + "/multi-user.target.wants/foo.service", "x");
    makeDirs(m.units + "/folder.service");

    EXPECT_EQ(ruleFor(rules, m.units + "/foo.service"), "allowed unit-file");
    EXPECT_EQ(ruleFor(rules, m.units + "/masked.service"), "allowed unit-file");
    EXPECT_EQ(ruleFor(rules, m.units + "/dbus.service"), "refused never-stop");
    EXPECT_EQ(ruleFor(rules, m.units + "/com.corvane.CorvaneHelper.socket"), "refused own-unit");
    EXPECT_EQ(ruleFor(rules, m.units + "/home.mount"), "refused unit-type");
    EXPECT_EQ(ruleFor(rules, m.units + "/multi-user.target.wants/foo.service"), "refused not-a-unit-file");
    EXPECT_EQ(ruleFor(rules, m.units + "/multi-user.target.wants"), "refused not-a-unit-file");
    EXPECT_EQ(ruleFor(rules, m.units + "/folder.service"), "refused not-a-unit-file");
    EXPECT_EQ(ruleFor(rules, m.units + "/gone.service"), "refused missing");
}

TEST(RequestRules, UnitNamesBySystemdsGrammarAndTheNeverStopList)
{
    const RequestRules rules(HelperRoots{});
    for (const char* good :
         {"foo.service", "foo@.service", "foo@bar.service", "a-b_c:d.e\\x2d.timer", "x.socket", "x.path"})
        EXPECT_EQ(rules.checkUnit(good).rule, "unit") << good;
    // "../x", "a b", "x;y", "", ours and dbus.service: see the program's --explain test.
    const std::pair<std::string, std::string> refused[] = {
        {"foo", "unit-name"},
        {".service", "unit-name"},
        {"foo.unknown", "unit-name"},
        {"a@b@c.service", "unit-name"},
        {"@x.service", "unit-name"},
        {"x\ny.service", "unit-name"},
        {std::string("x\0y.service", 11), "unit-name"},
        {std::string(248, 'a') + ".service", "unit-name"},
        {"/etc/systemd/system/foo.service", "unit-name"},
        {"-.mount", "unit-type"},
        {"graphical.target", "unit-type"},
        {"init.scope", "unit-type"},
        {"dbus.socket", "never-stop"},
        {"systemd-journald.service", "never-stop"},
        {"systemd-logind.service", "never-stop"},
        {"polkit.service", "never-stop"},
        {"NetworkManager.service", "never-stop"},
        {"gdm.service", "never-stop"},
        {"display-manager.service", "never-stop"},
        {"getty@tty1.service", "never-stop"},
        {"user@1000.service", "never-stop"},
        {"ssh.service", "never-stop"},
    };
    for (const auto& [unit, rule] : refused) {
        const Verdict verdict = rules.checkUnit(unit);
        EXPECT_FALSE(verdict.allowed) << unit;
        EXPECT_EQ(verdict.rule, rule) << unit;
    }
    EXPECT_TRUE(UnitNames::isValid(std::string(247, 'a') + ".service")) << "255 characters";
    EXPECT_EQ(Verdict::refuse("home-itself").json(), R"({"verdict":"refused","rule":"home-itself"})");
}

TEST(PeerCredentials, FromTheKernelAndProcOnly)
{
    // A command name may hold spaces and ')': fields count from the last ')'.
    const std::string stat = "4242 (a) b (c)) S 1 4242 4242 0 -1 4194560 100 0 0 0 1 2 0 0 20 0 1 0 987654 1000 50";
    EXPECT_EQ(PeerCredentials::startTimeFromStat(stat), 987654u);
    EXPECT_FALSE(PeerCredentials::startTimeFromStat("4242 (x) S 1 2 3"));
    EXPECT_FALSE(PeerCredentials::startTimeFromStat("no parenthesis at all"));
    EXPECT_EQ(PeerCredentials::effectiveUidFromStatus("Name:\tx\nUid:\t1000\t0\t0\t0\nGid:\t1\t1\t1\t1\n"), 0u);
    EXPECT_FALSE(PeerCredentials::effectiveUidFromStatus("Name:\tx\n"));

    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    UniqueFd a(pair[0]), b(pair[1]);
    const auto peer = PeerCredentials::ofConnection(a.get());
    ASSERT_TRUE(peer);
    EXPECT_EQ(peer->uid, ::geteuid());
    EXPECT_EQ(peer->pid, ::getpid());
    const auto ownStat = corvane::test::readFile("/proc/self/stat");
    EXPECT_EQ(peer->startTime, PeerCredentials::startTimeFromStat(ownStat));

    // A process whose /proc entry is gone, or runs as someone else now (a reused pid): nobody.
    TempDir proc;
    EXPECT_FALSE(PeerCredentials::ofConnection(a.get(), proc.path()));
    const std::string self = proc / std::to_string(::getpid());
    writeFile(self + "/stat", ownStat);
    writeFile(self + "/status", "Uid:\t4242\t4242\t4242\t4242\n");
    EXPECT_FALSE(PeerCredentials::ofConnection(a.get(), proc.path()));
    writeFile(self + "/status", "Uid:\t" + std::to_string(::geteuid()) + "\t" + std::to_string(::geteuid()) + "\n");
    EXPECT_TRUE(PeerCredentials::ofConnection(a.get(), proc.path()));
}
