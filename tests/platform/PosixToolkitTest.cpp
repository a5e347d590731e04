// SPDX-License-Identifier: GPL-3.0-or-later
// The descriptor toolkit every walker and remover stands on: resolution that cannot leave
// an anchor, paths longer than the kernel takes, configuration that cannot hang or flood
// a reader, text that cannot forge a log line, and containers judged by what they are.
#include "platform/AnchoredFolder.h"
#include "platform/AtomicFile.h"
#include "platform/BoundedFile.h"
#include "platform/ByteText.h"
#include "platform/ContainerGuard.h"
#include "platform/DisplayText.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"
#include "platform/PathResolver.h"
#include "platform/SafeRemover.h"
#include "platform/TreeSize.h"
#include "support/TempDir.h"
#include "support/UserLayout.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

TEST(PathResolver, BeneathAnAnchorNoLinkNoDotDotNoEscape)
{
    TempDir t;
    writeFile(t / "anchor/a/b/file", "inside");
    writeFile(t / "outside/file", "outside");
    ASSERT_EQ(::symlink((t / "outside").c_str(), (t / "anchor/a/link").c_str()), 0);
    UniqueFd anchor(::open((t / "anchor").c_str(), O_RDONLY | O_DIRECTORY));
    ASSERT_TRUE(anchor);

    UniqueFd file = PathResolver::openBeneath(anchor.get(), "a/b/file", O_RDONLY);
    EXPECT_TRUE(file);
    EXPECT_TRUE(PathResolver::openBeneath(anchor.get(), "", O_RDONLY | O_DIRECTORY)) << "the anchor itself";
    errno = 0;
    EXPECT_FALSE(PathResolver::openBeneath(anchor.get(), "a/link/file", O_RDONLY));
    EXPECT_EQ(errno, ELOOP);
    EXPECT_FALSE(PathResolver::openBeneath(anchor.get(), "a/link", O_RDONLY | O_DIRECTORY));
    EXPECT_FALSE(PathResolver::openBeneath(anchor.get(), "../outside/file", O_RDONLY));
    EXPECT_FALSE(PathResolver::openBeneath(anchor.get(), (t / "outside/file"), O_RDONLY)) << "absolute";

    auto parent = PathResolver::openParentBeneath(anchor.get(), "a/b/file");
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->name, "file");
    EXPECT_FALSE(PathResolver::openParentBeneath(anchor.get(), "a/link/file"));
}

// A tree deeper than PATH_MAX: its bottom can be opened, sized and removed by full path.
TEST(PathResolver, PathsLongerThanTheKernelTakes)
{
    TempDir t;
    const std::string name(200, 'd');
    const int depth = PATH_MAX / 200 + 8;
    makeDirs(t / "deep");
    makeDeepChain(t / "deep", name, depth, {}, "leaf", "bottom");
    std::string path = t / "deep";
    for (int i = 0; i < depth; ++i)
        path += "/" + name;
    path += "/leaf";
    ASSERT_GT(path.size(), size_t(PATH_MAX));

    UniqueFd leaf = PathResolver::openAnyLength(path, O_RDONLY);
    ASSERT_TRUE(leaf);
    char buf[16] = {};
    EXPECT_EQ(::read(leaf.get(), buf, sizeof buf), 6);
    EXPECT_STREQ(buf, "bottom");

    EXPECT_EQ(TreeSize::sizeAtPath(path, false), 6u);
    EXPECT_EQ(SafeRemover::removeTree(path, userLayout()).status, SafeRemover::Status::Removed);
    EXPECT_FALSE(PathResolver::openAnyLength(path, O_RDONLY));
    EXPECT_EQ(SafeRemover::removeTree(t / "deep", userLayout()).status, SafeRemover::Status::Removed);
    EXPECT_FALSE(exists(t / "deep"));
}

// A FIFO must not freeze the reader, /dev/zero or a huge file must not flood it. Run in
// a child with an alarm, so a regression shows as a failure rather than a hung suite.
TEST(BoundedFile, FifosDevicesAndHugeFilesAreNotRead)
{
    TempDir t;
    writeFile(t / "small", "XDG_DOWNLOAD_DIR=\"$HOME/Down\"\n");
    ASSERT_EQ(::mkfifo((t / "fifo").c_str(), 0600), 0);
    writeSized(t / "huge", BoundedFile::kConfigLimit + 1);
    ASSERT_EQ(::symlink("/dev/zero", (t / "zero").c_str()), 0);

    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        const bool ok = BoundedFile::read(t / "small").value_or("") == "XDG_DOWNLOAD_DIR=\"$HOME/Down\"\n" &&
                        !BoundedFile::read(t / "fifo") && !BoundedFile::read(t / "huge") &&
                        !BoundedFile::read(t / "zero") && !BoundedFile::read(t / "small", 8).has_value() &&
                        !BoundedFile::read(t / "zero", 64, true);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the reader hung or crashed";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// user-dirs.dirs that is a FIFO, /dev/zero or 50 MB means "no such folder", at once.
TEST(BoundedFile, UserDirsThatIsNotASmallFileMeansNoDownloads)
{
    TempDir t;
    const std::string home = t / "home";
    const std::string dirs = home + "/.config/user-dirs.dirs";
    makeDirs(home + "/.config");
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        int failures = 0;
        ::mkfifo(dirs.c_str(), 0600);
        failures += Layout::linuxLayout(home).userDir("DOWNLOAD").has_value();
        ::unlink(dirs.c_str());
        ::symlink("/dev/zero", dirs.c_str());
        failures += Layout::linuxLayout(home).userDir("DOWNLOAD").has_value();
        ::unlink(dirs.c_str());
        writeFile(dirs, "XDG_DOWNLOAD_DIR=\"$HOME/Down\"\n" + std::string(50 * 1024 * 1024, '#'));
        failures += Layout::linuxLayout(home).userDir("DOWNLOAD").has_value();
        ::_exit(failures);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(WIFEXITED(status)) << "reading user-dirs.dirs hung";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ByteText, LogTextCannotForgeLinesOrDriveTheTerminal)
{
    EXPECT_EQ(ByteText::forLog("plain/path with spaces"), "plain/path with spaces");
    EXPECT_EQ(ByteText::forLog("café/日本"), "café/日本");
    EXPECT_EQ(ByteText::forLog("a\nSending request: /etc"), "a\\x0aSending request: /etc");
    EXPECT_EQ(ByteText::forLog("\x1b]0;owned\x07\x1b[2J"), "\\x1b]0;owned\\x07\\x1b[2J");
    EXPECT_EQ(ByteText::forLog(std::string("caf\xe9")), "caf\\xe9");
    EXPECT_EQ(ByteText::forLog("\xc2\x9b" "31m"), "\\xc2\\x9b31m") << "C1 control sequence introducer";
    EXPECT_EQ(ByteText::forLog("back\\x41"), "back\\x5cx41") << "a literal backslash cannot pose as an escape";
    EXPECT_EQ(ByteText::forLog(std::string("\xed\xa0\x80", 3)), "\\xed\\xa0\\x80") << "surrogates are ill-formed";
    EXPECT_EQ(ByteText::utf8SequenceLength("\xf4\x90\x80\x80", 0), 0u) << "past U+10FFFF";
    EXPECT_EQ(ByteText::utf8SequenceLength("\xc0\xaf", 0), 0u) << "overlong";
}

TEST(ContainerGuard, RefusesByIdentityAndExemptsOnlyItsOwnFolder)
{
    TempDir t;
    const std::string home = t / "home";
    makeDirs(home + "/.cache/app");
    makeDirs(home + "/Downloads");
    makeDirs(home + "/.ssh/keys");
    makeDirs(home + "/Documents");
    ASSERT_EQ(::symlink(home.c_str(), (t / "to-home").c_str()), 0);
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.c_str(), 1);
    const Layout layout = Layout::linuxLayout(home);
    const ContainerGuard guard(layout);
    ::setenv("HOME", savedHome.c_str(), 1);

    std::string why;
    EXPECT_TRUE(AnchoredFolder::open(home + "/.cache", guard, &why)) << why;
    EXPECT_TRUE(AnchoredFolder::open(home + "/.cache/app", guard));
    for (const std::string& refused : {home, t / "to-home", t.path(), std::string("/"), home + "/.ssh/keys",
                                       home + "/Documents", std::string("/usr/lib"), home + "/Downloads"}) {
        why.clear();
        EXPECT_FALSE(AnchoredFolder::open(refused, guard, &why)) << refused;
        EXPECT_FALSE(why.empty()) << refused;
    }
    EXPECT_TRUE(AnchoredFolder::open(home + "/Downloads", guard, nullptr, ContainerGuard::Exempt::Downloads));
    EXPECT_FALSE(AnchoredFolder::open(home + "/Documents", guard, nullptr, ContainerGuard::Exempt::Downloads));
    EXPECT_FALSE(AnchoredFolder::open(home + "/missing", guard, &why));
}

// A bind mount put on the way to an entry below its container, after the listing: the
// removal below the container will not cross it, so what the mount shows stays.
TEST(PathResolver, RemovalBelowAContainerDoesNotCrossAMountOnTheWay)
{
    if (const char* dir = std::getenv("CORVANE_MOUNT_ON_THE_WAY_CHILD")) {
        const std::string root = dir;
        const ContainerGuard guard(Layout::linuxLayout(root + "/home"));
        auto container = AnchoredFolder::open(root + "/container", guard);
        if (!container)
            std::_Exit(3);
        if (::mount((root + "/victim").c_str(), (root + "/container/app/log").c_str(), nullptr, MS_BIND, nullptr) != 0)
            std::_Exit(4);
        int rc = 0;
        if (SafeRemover::removeBeneath(*container, "app/log/old.log.1", userLayout()).status != SafeRemover::Status::Moved)
            rc |= 8;
        if (!exists(root + "/victim/old.log.1"))
            rc |= 16;
        ::umount((root + "/container/app/log").c_str());
        if (SafeRemover::removeBeneath(*container, "app/log/old.log.1", userLayout()).status != SafeRemover::Status::Removed)
            rc |= 32; // without the mount the listed entry goes
        std::_Exit(rc);
    }
    if (::geteuid() != 0 || ::system("unshare --mount true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and unshare(1) to make a private mount namespace";
    TempDir t;
    makeDirs(t / "home");
    writeFile(t / "container/app/log/old.log.1", "listed");
    writeFile(t / "victim/old.log.1", "precious");
    EXPECT_EQ(rerunSelfInMountNamespace("PathResolver.RemovalBelowAContainerDoesNotCrossAMountOnTheWay",
                                        "CORVANE_MOUNT_ON_THE_WAY_CHILD", t.path()),
              0);
    EXPECT_EQ(readFile(t / "victim/old.log.1"), "precious");
    EXPECT_FALSE(exists(t / "container/app/log/old.log.1"));
}

// Replacing a file never writes through what sits at its name: a hard link keeps the old
// bytes, a link is replaced rather than followed.
TEST(AtomicFile, ReplacesWithoutWritingThroughLinks)
{
    TempDir t;
    writeFile(t / "folder/list", "old");
    ASSERT_EQ(::link((t / "folder/list").c_str(), (t / "victim-hard").c_str()), 0);
    ASSERT_TRUE(AtomicFile::replace(t / "folder/list", "new"));
    EXPECT_EQ(readFile(t / "folder/list"), "new");
    EXPECT_EQ(readFile(t / "victim-hard"), "old");

    writeFile(t / "victim-soft", "precious");
    ASSERT_EQ(::symlink((t / "victim-soft").c_str(), (t / "folder/entry.desktop").c_str()), 0);
    ASSERT_TRUE(AtomicFile::replace(t / "folder/entry.desktop", "[Desktop Entry]\n"));
    EXPECT_EQ(readFile(t / "victim-soft"), "precious");
    struct stat st;
    ASSERT_EQ(::lstat((t / "folder/entry.desktop").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_FALSE(AtomicFile::replace(t / "folder/sub/x", "no folder"));
}

// What is passed over is said at debug level, in the room's category, the name escaped.
TEST(LogCategories, PassedOverFilesAreLoggedWhenDebugIsAskedFor)
{
    TempDir t;
    const std::string fifo = t / "user-dirs\n.dirs";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    static QStringList captured;
    captured.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context,
                                                                const QString& message) {
        captured << QString::fromLatin1(context.category) + QStringLiteral(" ") + message;
    });
    EXPECT_FALSE(BoundedFile::read(fifo));
    EXPECT_TRUE(captured.isEmpty()) << "debug is off unless asked for";
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=true"));
    EXPECT_FALSE(BoundedFile::read(fifo));
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    ASSERT_EQ(captured.size(), 1);
    EXPECT_TRUE(captured[0].startsWith(QStringLiteral("corvane.platform "))) << captured[0].toStdString();
    EXPECT_TRUE(captured[0].contains(QStringLiteral("user-dirs\\x0a.dirs"))) << captured[0].toStdString();
    EXPECT_FALSE(captured[0].contains(QLatin1Char('\n')));
}

TEST(DisplayText, ShownNamesTakeOneLineAndReadInStoredOrder)
{
    EXPECT_EQ(DisplayText::forName("two\nlines\t.txt"), QStringLiteral("two\u240Alines\u2409.txt"));
    // A right-to-left override would show "photo\u202Egpj.exe" as "photoexe.jpg".
    EXPECT_EQ(DisplayText::forName("photo\xE2\x80\xAEgpj.exe"), QStringLiteral("photo\uFFFDgpj.exe"));
    EXPECT_EQ(DisplayText::forName("-rf caf\xC3\xA9 $(x).txt"), QStringLiteral("-rf caf\u00E9 $(x).txt"));
    // Ill-formed bytes are shown, not dropped, and two such names stay different.
    EXPECT_NE(DisplayText::forName("caf\xE9"), DisplayText::forName("caf\xE8"));
}
