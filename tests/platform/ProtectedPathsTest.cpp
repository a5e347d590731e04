// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Layout.h"
#include "platform/ProtectedPaths.h"
#include "support/TempDir.h"
#include "support/UserLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

TEST(ProtectedPaths, NormalizesAndRefusesWhatIsNotAPlainAbsolutePath)
{
    EXPECT_EQ(ProtectedPaths::normalize("/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(ProtectedPaths::normalize("///"), "/");
    EXPECT_EQ(ProtectedPaths::normalize("/a/../b"), "");
    EXPECT_EQ(ProtectedPaths::normalize("a/b"), "");
    EXPECT_TRUE(ProtectedPaths::isProtected("a/b", userLayout()));
    EXPECT_TRUE(ProtectedPaths::isProtected("/var/cache/../../etc", userLayout()));
}

TEST(ProtectedPaths, SystemFoldersHomeAndStandardFoldersAreRefusedTheirEntriesAreNot)
{
    TempDir root;
    const Layout mac = Layout::macLayout(root.path(), "bob");
    for (const char* p : {"/", "/etc", "/etc/passwd", "/usr/share", "/var/cache", "/var/log", "/var/lib/dpkg/status",
                          "/boot/vmlinuz", "/proc/1", "/home"})
        EXPECT_TRUE(ProtectedPaths::isProtected(p, mac)) << p;
    for (const char* rel : {"", "/Users", "/Users/bob", "/Users/bob/Library", "/Users/bob/Library/Caches",
                            "/Library/Caches", "/System/Library/Caches/x", "/private/var/log", "/Users/bob/.ssh/id"})
        EXPECT_TRUE(ProtectedPaths::isProtected(root.path() + rel, mac)) << rel;

    writeFile(root / "Users/bob/Library/Caches/com.example/cache.db", "x");
    EXPECT_FALSE(ProtectedPaths::isProtected(root / "Users/bob/Library/Caches/com.example", mac));
    EXPECT_FALSE(ProtectedPaths::isProtected("/var/cache/man", mac));
    EXPECT_FALSE(ProtectedPaths::isProtected("/var/log/syslog.1", mac));
}

TEST(ProtectedPaths, LinksInTheFolderPartAreSeenThrough)
{
    TempDir t;
    ASSERT_EQ(::symlink("/", (t / "to-root").c_str()), 0);
    EXPECT_TRUE(ProtectedPaths::isProtected(t / "to-root/etc", userLayout()));
    EXPECT_TRUE(ProtectedPaths::isProtected(t / "to-root/usr/lib", userLayout()));
    // The link itself is a fine target: removing it removes only the link.
    EXPECT_FALSE(ProtectedPaths::isProtected(t / "to-root", userLayout()));
}

TEST(ProtectedPaths, MountPointsAreRefused)
{
    // Whatever this machine mounts where: every folder the kernel lists as a mount point
    // is refused. (Bind mounts of the same file system are tried in the remover's tests.)
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    int folders = 0;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        // The kernel writes blanks, tabs, newlines and backslashes as octal escapes.
        std::string unescaped;
        for (size_t i = 0; i < point.size(); ++i) {
            if (point[i] == '\\' && i + 3 < point.size()) {
                unescaped.push_back(char(std::stoi(point.substr(i + 1, 3), nullptr, 8)));
                i += 3;
            } else {
                unescaped.push_back(point[i]);
            }
        }
        struct stat st;
        if (unescaped.empty() || ::lstat(unescaped.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        ++folders;
        EXPECT_TRUE(ProtectedPaths::isProtected(unescaped, userLayout())) << unescaped;
    }
    EXPECT_GT(folders, 0) << "/ and /proc at least";
}

// realpath(3) gives up on a path this long, yet a link near its end can still lead to "/".
TEST(ProtectedPaths, LinksAtTheEndOfAPathLongerThanPathMaxAreNotTrusted)
{
    TempDir t;
    makeDeepChain(t.path(), kDeepName, kDeepDepth, {});
    const std::string bottom = chainBottomPath(t.path(), kDeepName, kDeepDepth);
    ASSERT_GT(bottom.size(), size_t(PATH_MAX));
    const int fd = openChainBottom(t.path(), kDeepName, kDeepDepth);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::symlinkat("/", fd, "to-root"), 0);
    writeFileAt(fd, "plain/file", "x");
    ::close(fd);
    EXPECT_TRUE(ProtectedPaths::isProtected(bottom + "/to-root/etc", userLayout()));
    EXPECT_TRUE(ProtectedPaths::isProtected(bottom + "/to-root/usr/lib/os-release", userLayout()));
    // Without a link on the way, a deep entry is an ordinary target.
    EXPECT_FALSE(ProtectedPaths::isProtected(bottom + "/plain/file", userLayout()));
    EXPECT_FALSE(ProtectedPaths::isProtected(bottom + "/plain", userLayout()));
    EXPECT_FALSE(ProtectedPaths::isProtected(bottom + "/to-root", userLayout()));
}
