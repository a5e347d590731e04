// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/SingleInstance.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <csignal>

using namespace corvane;
using corvane::test::TempDir;

namespace {

QProcessEnvironment scratchEnvironment(const TempDir& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), QString::fromStdString(dir / "home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(dir / "home/.config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir / "run"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

} // namespace

TEST(Companion, RunsWithoutAWindowUntilTerminatedAndStaysSingle)
{
    TempDir dir;
    test::makeDirs(dir / "home");
    test::makeDirs(dir / "run");
    QProcess first;
    first.setProcessEnvironment(scratchEnvironment(dir));
    first.start(QStringLiteral(CORVANE_XPC_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // Still there after a while: it has nothing to finish and no window to close.
    EXPECT_FALSE(first.waitForFinished(3000));
    EXPECT_EQ(first.state(), QProcess::Running);

    // A second start leaves at once and quietly.
    QProcess second;
    second.setProcessEnvironment(scratchEnvironment(dir));
    second.start(QStringLiteral(CORVANE_XPC_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit); // ended through its loop, not by the signal
    EXPECT_EQ(first.exitCode(), 0);
    // Its lock went with it: the next one may run.
    SingleInstance after(dir / "run/CorvaneXPC.lock");
    EXPECT_TRUE(after.tryAcquire());
}

TEST(Companion, LockOfADeadCompanionIsTakenOver)
{
    TempDir dir;
    const std::string path = dir / "CorvaneXPC.lock";
    {
        SingleInstance a(path);
        ASSERT_TRUE(a.tryAcquire());
        SingleInstance b(path);
        EXPECT_FALSE(b.tryAcquire());
    }
    // A lock file naming a process that no longer exists.
    test::writeFile(path, "999999999\nCorvaneXPC\n\n");
    SingleInstance c(path);
    EXPECT_TRUE(c.tryAcquire());
}
