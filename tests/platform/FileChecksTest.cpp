// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileChecks.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

TEST(FileChecks, DeletableMeansTheFolderLetsThisUserRemoveTheEntry)
{
    TempDir t;
    writeFile(t / "mine/f", "x");           // handed to the unprivileged user below
    writeFile(t / "roots/f", "x");          // stays root's, folder 0755
    writeFile(t / "sticky/others", "x");    // root's file in a world-writable sticky folder
    giveToUnprivileged(t / "mine");
    ASSERT_EQ(::chmod((t / "sticky").c_str(), 01777), 0);
    ASSERT_EQ(::chmod(t.path().c_str(), 0755), 0);

    const int status = runAsUnprivileged([&] {
        int bad = 0;
        bad |= FileChecks::isDeletable(t / "mine/f") ? 0 : 1;
        bad |= FileChecks::isDeletable(t / "roots/f") ? 2 : 0;
        bad |= FileChecks::isDeletable(t / "sticky/others") ? 4 : 0;
        bad |= FileChecks::isDeletable(t / "mine/missing") ? 8 : 0;
        return bad;
    });
    EXPECT_EQ(status, 0);
}

TEST(FileChecks, ExistenceFollowsLinksUnlessAskedNotTo)
{
    TempDir t;
    ASSERT_EQ(::symlink((t / "nowhere").c_str(), (t / "dangling").c_str()), 0);
    EXPECT_FALSE(FileChecks::exists(t / "dangling"));
    EXPECT_TRUE(FileChecks::existsNoFollow(t / "dangling"));
    EXPECT_EQ(parentPath("/a/b/"), "/a");
    EXPECT_EQ(parentPath("/a"), "/");
    EXPECT_EQ(lastComponent("/a/b.tar.gz"), "b.tar.gz");
    EXPECT_EQ(pathExtension("/a/b.tar.gz"), "gz");
    EXPECT_EQ(pathExtension("/a/.hidden"), "");
}

// The kernel refuses such a path whole (ENAMETOOLONG), which must not read as "not there":
// a deep duplicate could then never be removed, and a failed removal would look done.
TEST(FileChecks, PathsLongerThanPathMaxAreAnsweredLikeShortOnes)
{
    TempDir t;
    makeDeepChain(t.path(), kDeepName, kDeepDepth, {});
    const std::string bottom = chainBottomPath(t.path(), kDeepName, kDeepDepth);
    ASSERT_GT(bottom.size(), size_t(PATH_MAX));
    const int fd = openChainBottom(t.path(), kDeepName, kDeepDepth);
    ASSERT_GE(fd, 0);
    writeFileAt(fd, "file", "x");
    ASSERT_EQ(::mkdirat(fd, "folder", 0755), 0);
    ASSERT_EQ(::symlinkat("nowhere", fd, "dangling"), 0);
    ASSERT_EQ(::symlinkat("folder", fd, "to-folder"), 0);
    ::close(fd);

    EXPECT_TRUE(FileChecks::exists(bottom + "/file"));
    EXPECT_TRUE(FileChecks::existsNoFollow(bottom + "/file"));
    EXPECT_TRUE(FileChecks::isDeletable(bottom + "/file"));
    EXPECT_TRUE(FileChecks::isReadable(bottom + "/file"));
    EXPECT_FALSE(FileChecks::isDirectory(bottom + "/file"));
    EXPECT_TRUE(FileChecks::isDirectory(bottom + "/folder"));
    EXPECT_TRUE(FileChecks::isDirectory(bottom + "/to-folder"));
    EXPECT_FALSE(FileChecks::exists(bottom + "/dangling"));
    EXPECT_TRUE(FileChecks::existsNoFollow(bottom + "/dangling"));
    for (const char* missing : {"/missing", "/missing/below"}) {
        EXPECT_FALSE(FileChecks::exists(bottom + missing));
        EXPECT_FALSE(FileChecks::existsNoFollow(bottom + missing));
        EXPECT_FALSE(FileChecks::isDeletable(bottom + missing));
    }
}
