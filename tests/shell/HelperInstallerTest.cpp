// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/HelperInstaller.h"
#include "platform/Layout.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace corvane;
using corvane::test::TempDir;

namespace {

void makeExecutable(const std::string& path)
{
    test::writeFile(path, "#!/bin/sh\nexit 0\n");
    ::chmod(path.c_str(), 0755);
}

struct Recorder
{
    QList<QStringList> calls;
    HelperInstaller::Launcher launcher()
    {
        return [this](const QString& program, const QStringList& arguments) {
            calls.append(QStringList{program} + arguments);
            return true;
        };
    }
};

} // namespace

TEST(HelperInstaller, InstallsOnlyWhenMissingAndAnInstallerIsThere)
{
    TempDir root;
    const Layout layout = Layout::macLayout(root.path(), "x");
    const std::string bundle = root / "Applications/CorvaneTidewell.app";
    const std::string pkexec = root / "bin/pkexec";
    makeExecutable(pkexec);
    Recorder recorder;

    HelperInstaller installer(layout, bundle, recorder.launcher());
    installer.setPkexecPath(pkexec);
    // No installer in the bundle: silently nothing.
    EXPECT_FALSE(installer.isInstalled());
    EXPECT_FALSE(installer.addHelper());
    EXPECT_TRUE(recorder.calls.isEmpty());

    // A file that is not executable is no installer either.
    test::writeFile(bundle + "/Contents/Library/LaunchServices/CorvaneHelper", "data");
    EXPECT_FALSE(installer.addHelper());
    EXPECT_TRUE(recorder.calls.isEmpty());

    makeExecutable(bundle + "/Contents/Library/LaunchServices/CorvaneHelper");
    EXPECT_TRUE(installer.addHelper());
    ASSERT_EQ(recorder.calls.size(), 1);
    EXPECT_EQ(recorder.calls[0].at(0), QString::fromStdString(pkexec));
    EXPECT_TRUE(recorder.calls[0].at(1).endsWith(QStringLiteral("Contents/Library/LaunchServices/CorvaneHelper")));
    EXPECT_EQ(recorder.calls[0].at(2), QStringLiteral("--install"));
    // Removing a helper that is not installed does nothing.
    EXPECT_FALSE(installer.removeHelper());

    // Once the job exists it is left alone, and can be removed.
    test::writeFile(root / "Library/LaunchDaemons/CorvaneHelper.plist", "<plist/>");
    EXPECT_TRUE(installer.isInstalled());
    EXPECT_FALSE(installer.addHelper());
    EXPECT_TRUE(installer.removeHelper());
    ASSERT_EQ(recorder.calls.size(), 2);
    EXPECT_EQ(recorder.calls[1].at(2), QStringLiteral("--uninstall"));
}

TEST(HelperInstaller, NoElevationToolMeansNoAttempt)
{
    TempDir root;
    const Layout layout = Layout::macLayout(root.path(), "x");
    const std::string bundle = root / "Applications/CorvaneTidewell.app";
    makeExecutable(bundle + "/Contents/Library/LaunchServices/CorvaneHelper");
    Recorder recorder;
    HelperInstaller installer(layout, bundle, recorder.launcher());
    installer.setPkexecPath(root / "bin/missing-pkexec");
    EXPECT_FALSE(installer.addHelper());
    EXPECT_TRUE(recorder.calls.isEmpty());
}

TEST(HelperInstaller, ALiveSocketCountsAsInstalled)
{
    TempDir root;
    const std::string socketPath = root / "helper.socket";
    setenv("CORVANE_HELPER_SOCKET", socketPath.c_str(), 1);
    const Layout layout = Layout::linuxLayout(root.path());
    HelperInstaller installer(layout, root / "CorvaneTidewell.app", {});
    // A plain file of that name is not the helper's socket.
    test::writeFile(socketPath, "");
    const bool plainFileCounts = installer.isInstalled();
    ::unlink(socketPath.c_str());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const bool socketCounts = installer.isInstalled();
    ::close(fd);
    unsetenv("CORVANE_HELPER_SOCKET");
    EXPECT_TRUE(socketCounts);
    // Unit files of the real system may exist on a developer's machine; only check the
    // plain file when they do not.
    if (!test::exists("/etc/systemd/system/com.corvane.CorvaneHelper.socket") &&
        !test::exists("/usr/lib/systemd/system/com.corvane.CorvaneHelper.socket") &&
        !test::exists("/etc/systemd/system/com.corvane.CorvaneHelper.service") &&
        !test::exists("/usr/lib/systemd/system/com.corvane.CorvaneHelper.service")) {
        EXPECT_FALSE(plainFileCounts);
    }
}

// The units --install writes are what an installed helper is known by while its socket is
// stopped; otherwise every start would ask for the administrator's password again.
TEST(HelperInstaller, TheInstalledUnitsCountAsInstalled)
{
    TempDir root;
    setenv("CORVANE_HELPER_SOCKET", (root / "no.socket").c_str(), 1);
    const Layout layout(Layout::Kind::Linux, root.path(), root / "home/u", "u");
    HelperInstaller installer(layout, root / "CorvaneTidewell.app", {});
    const bool before = installer.isInstalled();
    test::writeFile(root / "etc/systemd/system/com.corvane.CorvaneHelper.socket", "[Socket]\n");
    const bool after = installer.isInstalled();
    unsetenv("CORVANE_HELPER_SOCKET");
    EXPECT_FALSE(before);
    EXPECT_TRUE(after);
}
