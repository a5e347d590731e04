#include "platform/Layout.h"
#include "platform/ProtectedPaths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

// The layout the program runs with by default.
const Layout& userLayout()
{
    static const Layout layout = Layout::linuxLayout();
    return layout;
}

} // namespace

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
    // /proc is a mount point on every Linux system; /dev/shm and /run usually are too.
    EXPECT_TRUE(ProtectedPaths::isProtected("/proc", userLayout()));
    EXPECT_TRUE(ProtectedPaths::isProtected("/dev/shm", userLayout()));
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
