// SPDX-License-Identifier: GPL-3.0-or-later
// What a junk clean may reach: containers are judged by what they are, removal happens
// below the folder that was listed, the Trash's own records are never written through a
// link, and every byte counts once. Each test plays a misconfiguration or an attack on a
// scratch home and checks that only what was listed is gone.
#include "JunkFixtures.h"

#include "junk/engine/SystemClean.h"
#include "junk/engine/SystemCleanSession.h"
#include "uninstall/engine/TrashEntries.h"
#include "uninstall/engine/Uninstall.h"

#include <QEventLoop>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <linux/fs.h>
#include <set>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

// Files a careless clean would take with it: the user's own work in the home folder.
void plantVictims(const std::string& home)
{
    writeFile(home + "/projects/thesis/chapter1.tex", "years of work");
    writeFile(home + "/.bashrc", "alias ll='ls -l'");
    writeFile(home + "/x.log.1", "a rotated-looking name in the home folder");
}

void expectVictims(const std::string& home)
{
    EXPECT_EQ(readFile(home + "/projects/thesis/chapter1.tex"), "years of work");
    EXPECT_EQ(readFile(home + "/.bashrc"), "alias ll='ls -l'");
    EXPECT_TRUE(exists(home + "/x.log.1"));
}

// Scans the categories and cleans the default selection, as "扫描" then "清理" do.
struct Cleaned
{
    double found = 0;
    double selected = 0;
    SystemCleanPass::Report report;
    std::vector<std::string> warnings;
};

Cleaned scanAndClean(const Layout& layout, const std::set<int>& categories, bool clean = true)
{
    SystemClean catalogue(layout);
    SystemCleanSession session(catalogue);
    for (const SystemCleanObject::Ptr& category : session.list())
        session.selectBtnClicked(categoryIndex(category->type), categories.count(categoryIndex(category->type)) > 0);
    QEventLoop loop;
    QObject::connect(&session, &SystemCleanSession::scanFinished, &loop, &QEventLoop::quit);
    QObject::connect(&session, &SystemCleanSession::cleanFinished, &loop, &QEventLoop::quit);
    session.scanMethods();
    loop.exec();
    Cleaned out;
    out.found = session.totalAllSize();
    out.selected = session.selectTotalSize();
    out.warnings = catalogue.warnings();
    if (clean) {
        session.scanMethods();
        loop.exec();
        out.report = session.lastReport();
    }
    return out;
}

bool exchange(const std::string& a, const std::string& b)
{
    return ::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

} // namespace

// ~/.cache made a link to the home folder, or XDG_* pointing at it: the container is
// refused by what it is, a warning says so, and nothing of the home folder goes.
TEST(SystemCleanContainers, AContainerThatIsTheHomeFolderIsRefused)
{
    LinuxRoot r;
    plantVictims(r.home);
    ASSERT_EQ(::symlink(r.home.c_str(), (r.home + "/.cache").c_str()), 0);
    writeFile(r.home + "/.config/chromium/Default/Cookies", "c");
    // The browsers' cache folder and the Trash as links to the home folder too.
    makeDirs(r.home + "/.local/share/Trash");
    ASSERT_EQ(::symlink(r.home.c_str(), (r.home + "/.local/share/Trash/files").c_str()), 0);

    const Cleaned c = scanAndClean(r.layout, {0, 1, 2, 3});
    expectVictims(r.home);
    EXPECT_TRUE(exists(r.home + "/.config/chromium/Default/Cookies"));
    ASSERT_FALSE(c.warnings.empty());
    EXPECT_NE(c.warnings[0].find(".cache"), std::string::npos) << c.warnings[0];
    EXPECT_DOUBLE_EQ(c.report.removedSize, 0);

    // The same through the variables, the state folder (logs) included.
    r.set("XDG_CACHE_HOME", r.home);
    r.set("XDG_STATE_HOME", r.home);
    r.reload();
    EXPECT_TRUE(SystemClean(r.layout).userCaches().empty());
    EXPECT_TRUE(SystemClean(r.layout).userLogs().empty());
    scanAndClean(r.layout, {0, 1});
    expectVictims(r.home);

    // A folder above the home folder, or a standard folder, is no container either.
    r.set("XDG_CACHE_HOME", r.root);
    r.reload();
    EXPECT_TRUE(SystemClean(r.layout).userCaches().empty());
    writeFile(r.home + "/Documents/letter.odt", "dear");
    r.set("XDG_CACHE_HOME", r.home + "/Documents");
    r.reload();
    EXPECT_TRUE(SystemClean(r.layout).userCaches().empty());
    SystemClean warned(r.layout);
    warned.userCaches();
    ASSERT_EQ(warned.warnings().size(), 1u);
    EXPECT_NE(warned.warnings()[0].find("Documents"), std::string::npos);
}

// People move their caches to another disk with a link: that is followed, and what the
// listing offers is removed there.
TEST(SystemCleanContainers, ALinkToAnOrdinaryFolderIsFollowed)
{
    LinuxRoot r;
    writeFile(r.root + "/disk/cache/thumbnails/a.png", std::string(100, 'p'));
    ASSERT_EQ(::symlink((r.root + "/disk/cache").c_str(), (r.home + "/.cache").c_str()), 0);
    EXPECT_EQ(paths(SystemClean(r.layout).userCaches()), std::vector<std::string>{r.home + "/.cache/thumbnails"});
    const Cleaned c = scanAndClean(r.layout, {0});
    EXPECT_TRUE(c.warnings.empty());
    EXPECT_FALSE(exists(r.root + "/disk/cache/thumbnails"));
    EXPECT_DOUBLE_EQ(c.report.removedSize, 100);
}

// The container swapped for a link to another tree holding entries of the same names,
// over and over while the listed entries are removed: removal works below the folder
// that was listed, so the other tree never loses anything.
TEST(SystemCleanContainers, AContainerSwappedDuringTheCleanLeavesTheOtherTreeAlone)
{
    LinuxRoot r;
    const std::string cache = r.home + "/.cache";
    const std::string other = r.root + "/other";
    const std::string swap = r.home + "/.cache-swap";
    const std::vector<std::string> names{"a", "b", "c", "d", "e", "f", "g", "h"};
    for (int round = 0; round < 20; ++round) {
        for (const std::string& n : names) {
            writeFile(cache + "/" + n + "/blob", "junk");
            writeFile(other + "/" + n + "/blob", "precious");
        }
        ::unlink(swap.c_str());
        ASSERT_EQ(::symlink(other.c_str(), swap.c_str()), 0);
        const SystemClean::Paths listed = SystemClean(r.layout).userCaches();
        ASSERT_EQ(listed.size(), names.size());

        std::atomic<bool> done{false};
        std::thread swapper([&] {
            while (!done.load())
                exchange(cache, swap);
        });
        for (const AnchoredPath& entry : listed)
            Uninstall(r.layout).unInstall(entry);
        done = true;
        swapper.join();
        // Put the real folder back under its name.
        struct stat st;
        if (::lstat(cache.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            ASSERT_TRUE(exchange(cache, swap));
        }

        for (const std::string& n : names)
            ASSERT_EQ(readFile(other + "/" + n + "/blob"), "precious") << "round " << round << ", entry " << n;
        for (const std::string& n : names)
            EXPECT_FALSE(exists(cache + "/" + n)) << "round " << round;
    }
}

// A link planted on the way to an entry below its container: what is there now was
// never listed, so it stays, and the attempt is reported as not removed.
TEST(SystemCleanContainers, ALinkOnTheWayBelowTheContainerIsNotFollowed)
{
    LinuxRoot r;
    writeFile(r.home + "/.local/state/app/log/old.log.1", "rotated");
    writeFile(r.root + "/victim/old.log.1", "precious");
    const SystemClean::Paths logs = SystemClean(r.layout).userLogs();
    ASSERT_EQ(paths(logs), std::vector<std::string>{r.home + "/.local/state/app/log/old.log.1"});

    ASSERT_EQ(::rename((r.home + "/.local/state/app/log").c_str(), (r.root + "/moved").c_str()), 0);
    ASSERT_EQ(::symlink((r.root + "/victim").c_str(), (r.home + "/.local/state/app/log").c_str()), 0);
    EXPECT_EQ(Uninstall(r.layout).unInstall(logs[0]), Uninstall::Outcome::Skipped);
    EXPECT_EQ(readFile(r.root + "/victim/old.log.1"), "precious");

    SystemCleanPass::Attempt attempt{JunkCategory::Logs, logs[0].path, 7, Uninstall::Outcome::Skipped, logs[0], 0};
    const auto report = SystemCleanPass::evaluate({attempt}, r.layout);
    EXPECT_DOUBLE_EQ(report.removedSize, 0);
    ASSERT_EQ(report.leftovers.size(), 1u);
}

// The Trash's bookkeeping: "info" as a link, a planted hard link at a temporary name,
// "directorysizes" as a link. None of the link targets may change.
TEST(SystemCleanContainers, TrashRecordsAreNeverWrittenThroughLinks)
{
    LinuxRoot r;
    const std::string trash = r.home + "/.local/share/Trash";
    writeFile(trash + "/files/old folder/f", "trashed");
    writeFile(trash + "/info/old folder.trashinfo", "[Trash Info]\nPath=/x\n");
    writeFile(trash + "/directorysizes", "7 1700000000 old%20folder\n9 1700000000 other\n");
    writeFile(r.root + "/victim", "precious");
    // A hard link at every name a careless writer might pick for its temporary file.
    for (const char* name : {"directorysizes.corvane-tmp", "directorysizes.tmp", ".directorysizes"})
        ASSERT_EQ(::link((r.root + "/victim").c_str(), (trash + "/" + name).c_str()), 0);

    const SystemClean::Paths listed = SystemClean(r.layout).trashFile();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(Uninstall(r.layout).unInstall(listed[0]), Uninstall::Outcome::Removed);
    EXPECT_FALSE(exists(trash + "/files/old folder"));
    EXPECT_FALSE(exists(trash + "/info/old folder.trashinfo"));
    EXPECT_EQ(readFile(trash + "/directorysizes"), "9 1700000000 other\n");
    EXPECT_EQ(readFile(r.root + "/victim"), "precious");

    // "info" made a link to a folder holding a same-named record: that record stays.
    writeFile(trash + "/files/second", "trashed");
    writeFile(r.root + "/elsewhere/second.trashinfo", "not the Trash's");
    ASSERT_EQ(::rename((trash + "/info").c_str(), (r.root + "/old-info").c_str()), 0);
    ASSERT_EQ(::symlink((r.root + "/elsewhere").c_str(), (trash + "/info").c_str()), 0);
    // "directorysizes" a link to the victim: not rewritten.
    ::unlink((trash + "/directorysizes").c_str());
    ASSERT_EQ(::symlink((r.root + "/victim").c_str(), (trash + "/directorysizes").c_str()), 0);
    const SystemClean::Paths again = SystemClean(r.layout).trashFile();
    ASSERT_EQ(again.size(), 1u);
    Uninstall(r.layout).unInstall(again[0]);
    EXPECT_FALSE(exists(trash + "/files/second"));
    EXPECT_EQ(readFile(r.root + "/elsewhere/second.trashinfo"), "not the Trash's");
    EXPECT_EQ(readFile(r.root + "/victim"), "precious");

    // "files" a link to a folder elsewhere: its entries are listed there, but the records
    // beside that folder are not the Trash's and stay.
    writeFile(r.root + "/disk/files/third", "trashed");
    writeFile(r.root + "/disk/info/third.trashinfo", "someone else's");
    ASSERT_EQ(::rename((trash + "/files").c_str(), (r.root + "/old-files").c_str()), 0);
    ASSERT_EQ(::symlink((r.root + "/disk/files").c_str(), (trash + "/files").c_str()), 0);
    const SystemClean::Paths third = SystemClean(r.layout).trashFile();
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(Uninstall(r.layout).unInstall(third[0]), Uninstall::Outcome::Removed);
    EXPECT_EQ(readFile(r.root + "/disk/info/third.trashinfo"), "someone else's");
}

// A dangling link is an entry like any other: the Trash can become empty and the cache
// loses its broken links.
TEST(SystemCleanContainers, DanglingLinksAreListedAndRemoved)
{
    LinuxRoot r;
    const std::string trash = r.home + "/.local/share/Trash";
    makeDirs(trash + "/files");
    makeDirs(r.home + "/.cache");
    ASSERT_EQ(::symlink("/nonexistent/target", (trash + "/files/broken").c_str()), 0);
    writeFile(trash + "/info/broken.trashinfo", "[Trash Info]\nPath=/broken\n");
    ASSERT_EQ(::symlink("/nonexistent/target", (r.home + "/.cache/stale-link").c_str()), 0);

    EXPECT_EQ(paths(SystemClean(r.layout).trashFile()), std::vector<std::string>{trash + "/files/broken"});
    EXPECT_EQ(paths(SystemClean(r.layout).userCaches()), std::vector<std::string>{r.home + "/.cache/stale-link"});
    const Cleaned c = scanAndClean(r.layout, {0, 3});
    EXPECT_TRUE(c.report.leftovers.empty());
    EXPECT_FALSE(exists(trash + "/files/broken"));
    EXPECT_FALSE(exists(trash + "/info/broken.trashinfo"));
    EXPECT_FALSE(exists(r.home + "/.cache/stale-link"));
}

// The browsers' cache lies inside the user's caches: found, selected and cleaned bytes
// count it once, and "cleaned" is what was really freed.
TEST(SystemCleanContainers, NestedListingsCountOnceAndCleanedIsWhatWasFreed)
{
    LinuxRoot r;
    const std::string chromium = r.home + "/.cache/chromium";
    writeSized(chromium + "/Default/Cache/Cache_Data/f_000001", 1000);
    writeSized(chromium + "/Default/Cache/Cache_Data/f_000002", 2000);
    writeSized(chromium + "/Crashpad/report", 500);
    writeSized(r.home + "/.cache/fontconfig/cache-1", 50);
    writeFile(r.home + "/.config/chromium/Default/Cookies", "c"); // stays unticked

    const Cleaned c = scanAndClean(r.layout, {0, 2});
    EXPECT_DOUBLE_EQ(c.found, 3551);
    EXPECT_DOUBLE_EQ(c.selected, 3550);
    EXPECT_TRUE(c.report.leftovers.empty());
    EXPECT_DOUBLE_EQ(c.report.removedSize, 3550);
    EXPECT_FALSE(exists(chromium));
    EXPECT_TRUE(exists(r.home + "/.config/chromium/Default/Cookies"));

    // Something that vanished before the clean reached it was not cleaned by us.
    writeSized(r.home + "/.cache/gone-soon/x", 4000);
    SystemClean catalogue(r.layout);
    const SystemClean::Paths listed = catalogue.userCaches();
    ASSERT_EQ(listed.size(), 1u);
    ::system(("rm -rf '" + r.home + "/.cache/gone-soon'").c_str());
    SystemCleanPass::Attempt attempt{JunkCategory::Caches,       listed[0].path, 4000,
                                     Uninstall::Outcome::Absent, listed[0],      0};
    attempt.outcome = Uninstall(r.layout).unInstall(listed[0], &attempt.freedBytes);
    EXPECT_EQ(attempt.outcome, Uninstall::Outcome::Absent);
    EXPECT_DOUBLE_EQ(SystemCleanPass::evaluate({attempt}, r.layout).removedSize, 0);
}

TEST(SystemCleanContainers, InsideOthersComparesWholeComponents)
{
    const std::vector<std::string> list{"/c/chromium", "/c/chromium/Default/Cache/x", "/c/chromium-beta/y",
                                        "/c/chromium", "/d/e/"};
    const std::vector<bool> inside = SystemCleanPass::insideOthers(list);
    EXPECT_EQ(inside, (std::vector<bool>{false, true, false, false, false}));
    EXPECT_DOUBLE_EQ(SystemCleanPass::sizeCountedOnce({{"/c/a", 5}, {"/c/a/b", 3}, {"/c/a", 5}, {"/c/ab", 1}}), 6);
}
