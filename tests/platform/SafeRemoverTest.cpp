// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Layout.h"
#include "platform/ProtectedPaths.h"
#include "platform/SafeRemover.h"
#include "support/TempDir.h"
#include "support/UserLayout.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;


TEST(SafeRemover, RemovesFilesTreesAndOddNamesExactly)
{
    TempDir t;
    const std::string odd[] = {"new\nline", "-rf", "--help", "$(touch x)", "a;b *", std::string("bad\x80name"),
                               std::string("\xef\xbf\xbd")};
    for (const auto& name : odd)
        writeFile(t / ("tree/" + name + "/f"), "data");
    writeFile(t / "tree/.hidden", "h");
    writeFile(t / std::string("keep\x80") , "stay");          // the lossy-decoding twin must survive
    writeFile(t / std::string("keep\xef\xbf\xbd"), "stay too");
    writeFile(t / "file", "x");

    auto r = SafeRemover::removeTree(t / std::string("keep\x80"), userLayout());
    EXPECT_EQ(r.status, SafeRemover::Status::Removed);
    EXPECT_FALSE(exists(t / std::string("keep\x80")));
    EXPECT_TRUE(exists(t / std::string("keep\xef\xbf\xbd")));

    EXPECT_EQ(SafeRemover::removeTree(t / "file", userLayout()).status, SafeRemover::Status::Removed);
    r = SafeRemover::removeTree(t / "tree", userLayout());
    EXPECT_EQ(r.status, SafeRemover::Status::Removed);
    EXPECT_EQ(r.removedEntries, 2u * 7u + 2u);
    EXPECT_FALSE(exists(t / "tree"));
    EXPECT_FALSE(exists(t / "x"));

    EXPECT_EQ(SafeRemover::removeTree(t / "tree", userLayout()).status, SafeRemover::Status::NotFound);
    EXPECT_TRUE(SafeRemover::removeTree(t / "tree", userLayout()).ok());
}

TEST(SafeRemover, LinksAreRemovedNeverFollowed)
{
    TempDir t;
    writeFile(t / "victim/precious", "keep");
    makeDirs(t / "tree");
    ASSERT_EQ(::symlink((t / "victim").c_str(), (t / "tree/link-to-dir").c_str()), 0);
    ASSERT_EQ(::symlink((t / "victim/precious").c_str(), (t / "tree/link-to-file").c_str()), 0);
    ASSERT_EQ(::symlink("/", (t / "tree/root").c_str()), 0);
    ASSERT_EQ(::symlink((t / "tree").c_str(), (t / "tree/loop").c_str()), 0);
    ASSERT_EQ(::symlink((t / "victim").c_str(), (t / "root-link").c_str()), 0);

    EXPECT_EQ(SafeRemover::removeTree(t / "root-link", userLayout()).status, SafeRemover::Status::Removed);
    EXPECT_FALSE(exists(t / "root-link"));
    EXPECT_EQ(SafeRemover::removeTree(t / "tree", userLayout()).status, SafeRemover::Status::Removed);
    EXPECT_FALSE(exists(t / "tree"));
    EXPECT_EQ(readFile(t / "victim/precious"), "keep");
}

TEST(SafeRemover, AFolderSwappedForALinkMidRemovalNeverLeadsOutside)
{
    TempDir t;
    writeFile(t / "victim/a", "1");
    writeFile(t / "victim/sub/b", "2");
    for (int round = 0; round < 200; ++round) {
        const std::string tree = t / ("tree" + std::to_string(round));
        for (int i = 0; i < 40; ++i)
            writeFile(tree + "/d/f" + std::to_string(i), "x");
        writeFile(tree + "/d/sub/g", "y");
        std::atomic<bool> go{false};
        std::thread attacker([&] {
            while (!go)
                std::this_thread::yield();
            // Replace the folder being emptied with a link to the victim.
            const std::string moved = tree + "/moved";
            if (::rename((tree + "/d").c_str(), moved.c_str()) == 0)
                ::symlink((t / "victim").c_str(), (tree + "/d").c_str());
        });
        go = true;
        SafeRemover::removeTree(tree, userLayout());
        attacker.join();
        ASSERT_EQ(readFile(t / "victim/a"), "1") << "round " << round;
        ASSERT_EQ(readFile(t / "victim/sub/b"), "2") << "round " << round;
        SafeRemover::removeTree(tree, userLayout());
    }
}

TEST(SafeRemover, DeepTreesAreRemovedWithBoundedDescriptors)
{
    TempDir t;
    // 5,000 levels with a file at each: past PATH_MAX and past a small descriptor budget.
    makeDeepChain(t.path(), "level", 5000, "file");
    const auto r = SafeRemover::removeTree(t / "level", userLayout());
    EXPECT_EQ(r.status, SafeRemover::Status::Removed);
    EXPECT_EQ(r.removedEntries, 5000u + 5000u);
    EXPECT_FALSE(exists(t / "level"));
}

TEST(SafeRemover, WhatTheUserMayNotRemoveIsReportedAndTheRestGoes)
{
    TempDir t;
    writeFile(t / "tree/mine", "1");
    writeFile(t / "tree/locked/inner", "2");
    giveToUnprivileged(t / "tree");
    ASSERT_EQ(::chmod((t / "tree/locked").c_str(), 0555), 0);

    const int status = runAsUnprivileged([&] {
        const auto r = SafeRemover::removeTree(t / "tree", userLayout());
        if (r.status != SafeRemover::Status::Failed || r.error != EACCES)
            return 1;
        if (exists(t / "tree/mine"))
            return 2;
        if (!exists(t / "tree/locked/inner"))
            return 3;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(exists(t / "tree/locked/inner"));
}

TEST(SafeRemover, ProtectedTargetsAreRefused)
{
    for (const char* p : {"/", "/etc", "/usr", "/usr/lib/x", "/home", "relative/path", "/tmp/../etc", ""})
        EXPECT_EQ(SafeRemover::removeTree(p, userLayout()).status, SafeRemover::Status::Refused) << p;
}

// A folder of the same file system bind-mounted inside the tree shares the device number
// of everything around it, yet removing through it empties the folder it shows. Mounting
// needs a mount namespace of its own, so the check runs in a child under unshare(1).
TEST(SafeRemover, ABindMountInsideTheTreeIsNeitherEnteredNorATarget)
{
    if (const char* dir = std::getenv("CORVANE_BIND_REMOVER_CHILD")) {
        const std::string root = dir;
        if (::mount((root + "/victim").c_str(), (root + "/tree/view").c_str(), nullptr, MS_BIND, nullptr) != 0)
            std::_Exit(3);
        int rc = 0; // one bit per broken promise
        if (!ProtectedPaths::isProtected(root + "/tree/view", userLayout()))
            rc |= 4;
        if (SafeRemover::removeTree(root + "/tree/view", userLayout()).status != SafeRemover::Status::Refused)
            rc |= 8;
        if (SafeRemover::removeTree(root + "/tree", userLayout()).ok())
            rc |= 16; // the mount point cannot go, so the tree cannot be all gone
        if (!exists(root + "/victim/precious") || !exists(root + "/victim/sub/more"))
            rc |= 32;
        if (exists(root + "/tree/mine"))
            rc |= 64;
        ::umount((root + "/tree/view").c_str());
        std::_Exit(rc);
    }
    if (::geteuid() != 0 || ::system("unshare --mount true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and unshare(1) to make a private mount namespace";
    TempDir t;
    writeFile(t / "victim/precious", "keep");
    writeFile(t / "victim/sub/more", "keep too");
    writeFile(t / "tree/mine", "x");
    makeDirs(t / "tree/view");
    EXPECT_EQ(rerunSelfInMountNamespace("SafeRemover.ABindMountInsideTheTreeIsNeitherEnteredNorATarget",
                                        "CORVANE_BIND_REMOVER_CHILD", t.path()),
              0);
    EXPECT_EQ(readFile(t / "victim/precious"), "keep");
    EXPECT_EQ(readFile(t / "victim/sub/more"), "keep too");
}
