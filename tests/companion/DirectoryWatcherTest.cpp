// SPDX-License-Identifier: GPL-3.0-or-later
// The watcher on real folders with the kernel's own change reports.
#include "companion/engine/DirectoryWatcher.h"
#include "support/TempDir.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace corvane;
using corvane::test::TempDir;

namespace {

using Paths = std::vector<std::string>;

struct Recorder : DirectoryWatcherDelegate
{
    std::vector<std::pair<char, Paths>> reports; // '+' or '-', in the order told
    void directoryWatcherItemsWereAdded(DirectoryWatcher*, const Paths& paths) override
    {
        reports.emplace_back('+', paths);
    }
    void directoryWatcherItemsWereRemoved(DirectoryWatcher*, const Paths& paths) override
    {
        reports.emplace_back('-', paths);
    }
};

// Runs the loop (asleep between events) for up to `ms`, or until `done` holds.
void runLoop(
    int ms, const std::function<bool()>& done = [] { return false; })
{
    QDeadlineTimer limit(ms);
    while (!done() && !limit.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// Until `done` holds, then a further `settleMs` so a report too many shows.
bool spin(const std::function<bool()>& done, int settleMs = 1500, int limitMs = 15000)
{
    runLoop(limitMs, done);
    runLoop(settleMs);
    return done();
}

} // namespace

TEST(DirectoryWatcher, ArrivalsWithinASecondAreOneReportAndEmptyingOnlyRemoves)
{
    TempDir dir;
    const std::string trash = dir / "files";
    test::makeDirs(trash + "/a.app");
    test::writeFile(trash + "/caf\xe9", "");
    DirectoryWatcher watcher(trash);
    Recorder r;
    watcher.setDelegate(&r);
    watcher.start();

    // "A.app" beside "a.app" and a name that is not UTF-8 are entries of their own.
    test::makeDirs(trash + "/Beta.app");
    test::makeDirs(trash + "/A.app");
    test::writeFile(trash + "/x\x80y", "");
    ASSERT_TRUE(spin([&] { return !r.reports.empty(); }));
    ASSERT_EQ(r.reports.size(), 1u);
    EXPECT_EQ(r.reports[0].first, '+');
    EXPECT_EQ(r.reports[0].second, (Paths{trash + "/A.app", trash + "/Beta.app", trash + "/x\x80y"}));

    for (const char* name : {"a.app", "A.app", "Beta.app"})
        ASSERT_EQ(::rmdir((trash + "/" + name).c_str()), 0);
    for (const char* name : {"caf\xe9", "x\x80y"})
        ASSERT_EQ(::unlink((trash + "/" + name).c_str()), 0);
    ASSERT_TRUE(spin([&] { return r.reports.size() > 1; }));
    ASSERT_EQ(r.reports.size(), 2u);
    EXPECT_EQ(r.reports[1].first, '-');
    EXPECT_EQ(r.reports[1].second,
              (Paths{trash + "/A.app", trash + "/a.app", trash + "/Beta.app", trash + "/caf\xe9", trash + "/x\x80y"}));
}

TEST(DirectoryWatcher, FolderMissingAtStartAndFolderRemadeAreStillWatched)
{
    TempDir dir;
    test::makeDirs(dir / "share");
    const std::string trash = dir / "share/Trash/files";
    DirectoryWatcher watcher(trash);
    Recorder r;
    watcher.setDelegate(&r);
    watcher.start();
    EXPECT_FALSE(watcher.currentSnapshot().has_value());
    EXPECT_FALSE(watcher.isWatchingFolder());

    // Made the way a file manager makes it: the folders, then the first entry.
    test::makeDirs(trash + "/One.app");
    ASSERT_TRUE(spin([&] { return !r.reports.empty(); }));
    EXPECT_TRUE(watcher.isWatchingFolder());
    ASSERT_EQ(r.reports.size(), 1u);
    EXPECT_EQ(r.reports[0].second, Paths{trash + "/One.app"});

    // Gone: nothing to list, nothing reported. Made again: compared with what it held.
    ASSERT_EQ(std::system(("rm -rf '" + trash + "'").c_str()), 0);
    runLoop(1500);
    EXPECT_EQ(r.reports.size(), 1u);
    test::makeDirs(trash + "/Two.app");
    ASSERT_TRUE(spin([&] { return r.reports.size() >= 3; }));
    ASSERT_EQ(r.reports.size(), 3u);
    EXPECT_EQ(r.reports[1], std::make_pair('+', Paths{trash + "/Two.app"}));
    EXPECT_EQ(r.reports[2], std::make_pair('-', Paths{trash + "/One.app"}));

    test::makeDirs(trash + "/Three.app");
    ASSERT_TRUE(spin([&] { return r.reports.size() >= 4; }));
    EXPECT_EQ(r.reports.back(), std::make_pair('+', Paths{trash + "/Three.app"}));
}

TEST(DirectoryWatcher, ASteadyTrickleIsReportedAboutOnceASecond)
{
    TempDir dir;
    const std::string trash = dir / "files";
    test::makeDirs(trash);
    DirectoryWatcher watcher(trash);
    Recorder r;
    watcher.setDelegate(&r);
    watcher.start();

    int made = 0;
    QTimer every;
    every.setInterval(200);
    QObject::connect(&every, &QTimer::timeout, &every, [&] {
        test::writeFile(trash + "/f" + std::to_string(made++), "");
        if (made == 25)
            every.stop();
    });
    every.start();
    spin([&] { return made == 25; }, 1500, 20000);
    // A timer restarted by every change would report once at the end; one per change
    // would report 25 times.
    EXPECT_GE(r.reports.size(), 4u);
    EXPECT_LE(r.reports.size(), 7u);
    size_t reported = 0;
    for (const auto& [kind, paths] : r.reports)
        reported += kind == '+' ? paths.size() : 0;
    EXPECT_EQ(reported, 25u);
}
