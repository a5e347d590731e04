// SPDX-License-Identifier: GPL-3.0-or-later
// The authoriser against the real polkit daemon, on a private bus and inside a private
// mount namespace that shows it only our test actions, our rules and a test user, so the
// machine's own polkit configuration is neither read nor touched.
#include "PrivateBus.h"
#include "helper/bus/PolkitAuthoriser.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using corvane::helper::Authoriser;
using corvane::helper::PeerIdentity;
using corvane::helper::PolkitAuthoriser;
using namespace corvane::test;

namespace {

constexpr const char* kUser = "corvanetest";
constexpr uid_t kNobody = 65534;

const char* kActions = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE policyconfig PUBLIC "-//freedesktop//DTD PolicyKit Policy Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/PolicyKit/1/policyconfig.dtd">
<policyconfig>
  <action id="com.corvane.CorvaneHelper.removeFile">
    <description>Remove a file for the test</description>
    <message>A test wants to remove a file</message>
    <defaults>
      <allow_any>no</allow_any>
      <allow_inactive>no</allow_inactive>
      <allow_active>auth_admin_keep</allow_active>
    </defaults>
  </action>
  <action id="com.corvane.CorvaneHelper.DisableService">
    <description>Disable a service for the test</description>
    <message>A test wants to disable a service</message>
    <defaults>
      <allow_any>no</allow_any>
      <allow_inactive>no</allow_inactive>
      <allow_active>auth_admin_keep</allow_active>
    </defaults>
  </action>
</policyconfig>
)";

std::string rules()
{
    return std::string(R"(polkit.addRule(function(action, subject) {
    if (action.id.indexOf("com.corvane.CorvaneHelper.") == 0 && subject.user == ")") +
           kUser + R"(")
        return polkit.Result.YES;
});
)";
}

uint64_t startTimeOf(pid_t pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = stat.rfind(')');
    if (paren == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(paren + 2));
    std::string field;
    // Field 3 (the state) comes first after the name; the start time is field 22.
    for (int i = 3; i <= 22 && (fields >> field); ++i) {
    }
    return std::stoull(field);
}

// A process of its own running as `uid`, alive until the object goes.
class ProcessAs
{
public:
    explicit ProcessAs(uid_t uid)
    {
        int ready[2];
        int hold[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(hold, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(hold[1]);
            const gid_t gid = uid;
            if (::setgroups(1, &gid) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(1);
            char c = 1;
            if (::write(ready[1], &c, 1) != 1)
                ::_exit(1);
            // Lives until the test closes its end.
            while (::read(hold[0], &c, 1) < 0 && errno == EINTR) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        m_hold = hold[1];
        char c = 0;
        if (m_pid > 0 && ::read(ready[0], &c, 1) == 1)
            m_identity = {uid, m_pid, startTimeOf(m_pid)};
        ::close(ready[0]);
    }
    ~ProcessAs()
    {
        ::close(m_hold);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    ProcessAs(const ProcessAs&) = delete;
    ProcessAs& operator=(const ProcessAs&) = delete;

    // What the kernel would tell the helper about this process; pid 0 if it did not start.
    const PeerIdentity& identity() const { return m_identity; }

private:
    pid_t m_pid = -1;
    int m_hold = -1;
    PeerIdentity m_identity;
};

class RealPolkitd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root: a mount namespace and processes of other users";
        const char* daemon = installedPolkitd();
        if (!daemon)
            GTEST_SKIP() << "polkitd is not installed";
        ASSERT_TRUE(m_bus.running()) << m_bus.failure();
        prepareFiles();
        startPolkitd(daemon);
        std::string how = "it did not take its name on the bus";
        for (int waited = 0; waited < 15000; waited += 200) {
            if (waitForName(m_bus.address(), "org.freedesktop.PolicyKit1", 200))
                return;
            int status = 0;
            if (::waitpid(m_polkitd, &status, WNOHANG) == m_polkitd) {
                // 120: no mount namespace, 121: a bind mount refused, 127: not started.
                how = "it ended with status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
                m_polkitd = -1;
                break;
            }
        }
        stopPolkitd();
        GTEST_SKIP() << "polkitd did not start here (" << how << "): " << readFile(m_files / "polkitd.log");
    }

    void TearDown() override { stopPolkitd(); }

    // The machine's user list with the test user added (when it is not there already),
    // shown to polkitd in place of the real one.
    void prepareFiles()
    {
        makeDirs(m_files / "actions");
        makeDirs(m_files / "rules");
        makeDirs(m_files / "etc-rules");
        writeFile(m_files / "actions/com.corvane.CorvaneHelper.test.policy", kActions);
        writeFile(m_files / "rules/50-corvane-test.rules", rules());
        std::string users = readFile("/etc/passwd");
        std::string group = readFile("/etc/group");
        if (const passwd* known = ::getpwnam(kUser)) {
            m_user = known->pw_uid;
        } else {
            m_user = 61234;
            while (::getpwuid(m_user) || ::getgrgid(m_user))
                ++m_user;
            const std::string id = std::to_string(m_user);
            users += std::string(kUser) + ":x:" + id + ":" + id + "::/nonexistent:/usr/sbin/nologin\n";
            group += std::string(kUser) + ":x:" + id + ":\n";
        }
        writeFile(m_files / "passwd", users);
        writeFile(m_files / "group", group);
    }

    void startPolkitd(const char* daemon)
    {
        // Everything the child needs is made before fork: it may only make system calls.
        const std::vector<std::pair<std::string, std::string>> binds = {
            {m_files / "actions", "/usr/share/polkit-1/actions"},
            {m_files / "rules", "/usr/share/polkit-1/rules.d"},
            {m_files / "etc-rules", "/etc/polkit-1/rules.d"},
            {m_files / "passwd", "/etc/passwd"},
            {m_files / "group", "/etc/group"},
        };
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "DBUS_SYSTEM_BUS_ADDRESS=", 24) != 0)
                env.emplace_back(*e);
        env.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + m_bus.address());
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string log = m_files / "polkitd.log";
        const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

        m_polkitd = ::fork();
        if (m_polkitd == 0) {
            if (logFd >= 0) {
                ::dup2(logFd, 1);
                ::dup2(logFd, 2);
            }
            // The bind mounts stay in this process's own view of the file system.
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                ::_exit(120);
            for (const auto& [from, onto] : binds)
                if (::mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) != 0)
                    ::_exit(121);
            ::execle(daemon, daemon, static_cast<char*>(nullptr), envp.data());
            ::_exit(127);
        }
        if (logFd >= 0)
            ::close(logFd);
    }

    void stopPolkitd()
    {
        endProcess(m_polkitd);
        m_polkitd = -1;
    }

    PrivateBus m_bus;
    TempDir m_files;
    pid_t m_polkitd = -1;
    uid_t m_user = 0;
};

} // namespace

TEST_F(RealPolkitd, GrantsBothActionsToTheProcessOfTheUserTheRuleNames)
{
    ProcessAs granted(m_user);
    ASSERT_GT(granted.identity().pid, 0);
    PolkitAuthoriser authoriser(m_bus.address());
    EXPECT_TRUE(authoriser.authorise(granted.identity(), Authoriser::Action::RemoveFile));
    EXPECT_TRUE(authoriser.authorise(granted.identity(), Authoriser::Action::DisableService));
}

TEST_F(RealPolkitd, RefusesAUserNoRuleNames)
{
    ProcessAs nobody(kNobody);
    ASSERT_GT(nobody.identity().pid, 0);
    PolkitAuthoriser authoriser(m_bus.address());
    EXPECT_FALSE(authoriser.authorise(nobody.identity(), Authoriser::Action::RemoveFile));
    EXPECT_FALSE(authoriser.authorise(nobody.identity(), Authoriser::Action::DisableService));
}

TEST_F(RealPolkitd, RefusesAPidWhoseStartTimeIsNotTheOneSeen)
{
    // The pid of a granted process, but the process seen at connect time was another one.
    ProcessAs granted(m_user);
    ASSERT_GT(granted.identity().pid, 0);
    PeerIdentity other = granted.identity();
    other.startTime -= 1;
    PolkitAuthoriser authoriser(m_bus.address());
    EXPECT_FALSE(authoriser.authorise(other, Authoriser::Action::RemoveFile));
    // Without a start time polkit would look one up itself and say yes.
    other.startTime = 0;
    EXPECT_FALSE(authoriser.authorise(other, Authoriser::Action::RemoveFile));
    EXPECT_TRUE(authoriser.authorise(granted.identity(), Authoriser::Action::RemoveFile));
}

TEST_F(RealPolkitd, RefusesOncePolkitdIsGone)
{
    ProcessAs granted(m_user);
    ASSERT_GT(granted.identity().pid, 0);
    PolkitAuthoriser authoriser(m_bus.address());
    ASSERT_TRUE(authoriser.authorise(granted.identity(), Authoriser::Action::RemoveFile));
    stopPolkitd();
    EXPECT_FALSE(authoriser.authorise(granted.identity(), Authoriser::Action::RemoveFile));
}
