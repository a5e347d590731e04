#include "platform/Layout.h"
#include "platform/ProtectedPaths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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
