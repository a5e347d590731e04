#include "platform/Layout.h"
#include "platform/ProtectedPaths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

TEST(ProtectedPaths, NormalizesAndRefusesWhatIsNotAPlainAbsolutePath)
{
    EXPECT_EQ(ProtectedPaths::normalize("/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(ProtectedPaths::normalize("///"), "/");
    EXPECT_EQ(ProtectedPaths::normalize("/a/../b"), "");
    EXPECT_EQ(ProtectedPaths::normalize("a/b"), "");
    EXPECT_TRUE(ProtectedPaths::isProtected("a/b"));
    EXPECT_TRUE(ProtectedPaths::isProtected("/var/cache/../../etc"));
}

TEST(ProtectedPaths, SystemFoldersHomeAndStandardFoldersAreRefusedTheirEntriesAreNot)
{
    TempDir root;
    Layout::setCurrent(Layout::macLayout(root.path(), "bob"));
    for (const char* p : {"/", "/etc", "/etc/passwd", "/usr/share", "/var/cache", "/var/log", "/var/lib/dpkg/status",
                          "/boot/vmlinuz", "/proc/1", "/home"})
        EXPECT_TRUE(ProtectedPaths::isProtected(p)) << p;
    for (const char* rel : {"", "/Users", "/Users/bob", "/Users/bob/Library", "/Users/bob/Library/Caches",
                            "/Library/Caches", "/System/Library/Caches/x", "/private/var/log", "/Users/bob/.ssh/id"})
        EXPECT_TRUE(ProtectedPaths::isProtected(root.path() + rel)) << rel;

    writeFile(root / "Users/bob/Library/Caches/com.example/cache.db", "x");
    EXPECT_FALSE(ProtectedPaths::isProtected(root / "Users/bob/Library/Caches/com.example"));
    EXPECT_FALSE(ProtectedPaths::isProtected("/var/cache/man"));
    EXPECT_FALSE(ProtectedPaths::isProtected("/var/log/syslog.1"));
    Layout::setCurrent(Layout::linuxLayout());
}

TEST(ProtectedPaths, LinksInTheFolderPartAreSeenThrough)
{
    TempDir t;
    ASSERT_EQ(::symlink("/", (t / "to-root").c_str()), 0);
    EXPECT_TRUE(ProtectedPaths::isProtected(t / "to-root/etc"));
    EXPECT_TRUE(ProtectedPaths::isProtected(t / "to-root/usr/lib"));
    // The link itself is a fine target: removing it removes only the link.
    EXPECT_FALSE(ProtectedPaths::isProtected(t / "to-root"));
}

TEST(ProtectedPaths, MountPointsAreRefused)
{
    // /proc is a mount point on every Linux system; /dev/shm and /run usually are too.
    EXPECT_TRUE(ProtectedPaths::isProtected("/proc"));
    EXPECT_TRUE(ProtectedPaths::isProtected("/dev/shm"));
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
    EXPECT_TRUE(ProtectedPaths::isProtected(bottom + "/to-root/etc"));
    EXPECT_TRUE(ProtectedPaths::isProtected(bottom + "/to-root/usr/lib/os-release"));
    // Without a link on the way, a deep entry is an ordinary target.
    EXPECT_FALSE(ProtectedPaths::isProtected(bottom + "/plain/file"));
    EXPECT_FALSE(ProtectedPaths::isProtected(bottom + "/plain"));
    EXPECT_FALSE(ProtectedPaths::isProtected(bottom + "/to-root"));
}
