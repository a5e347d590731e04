// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine/SearchWalker.h"

#include "support/TempDir.h"

#include <QThreadPool>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

struct Collected
{
    std::mutex mutex;
    std::vector<std::string> paths;
    std::vector<std::string> folders;
};

SearchWalker::Rules collectingRules(Collected& out)
{
    SearchWalker::Rules rules;
    rules.folder = [](const std::string&) { return unsigned(SearchWalker::Enter); };
    rules.acceptName = &SearchWalker::isVisibleName;
    rules.examine = [&out](SearchWalker::Batch& batch) {
        std::lock_guard lock(out.mutex);
        for (const auto& item : batch) {
            // Each item must be reachable through its folder descriptor.
            struct stat st;
            if (::fstatat(item.dirFd(), item.name(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                (item.isFolder ? out.folders : out.paths).push_back(item.path);
        }
    };
    return rules;
}

} // namespace

TEST(SearchWalker, ReduceRootsKeepsOutermostOnceByWholeComponents)
{
    TempDir tmp;
    makeDirs(tmp / "U/a/b");
    makeDirs(tmp / "U/ab");
    const std::string a = tmp / "U/a", b = tmp / "U/a/b", ab = tmp / "U/ab";
    EXPECT_EQ(SearchWalker::reduceRoots({a, b}), (std::vector<std::string>{a}));
    EXPECT_EQ(SearchWalker::reduceRoots({b, a}), (std::vector<std::string>{a}));
    EXPECT_EQ(SearchWalker::reduceRoots({a, a}), (std::vector<std::string>{a}));
    EXPECT_EQ(SearchWalker::reduceRoots({a, ab}), (std::vector<std::string>{a, ab}));
    EXPECT_EQ(SearchWalker::reduceRoots({b, ab, a}), (std::vector<std::string>{a, ab}));
    // Compared with links resolved; the caller's strings are kept.
    ASSERT_EQ(::symlink((tmp / "U").c_str(), (tmp / "via").c_str()), 0);
    EXPECT_EQ(SearchWalker::reduceRoots({tmp / "via/a/b", tmp / "via/a"}), (std::vector<std::string>{tmp / "via/a"}));
    EXPECT_EQ(SearchWalker::reduceRoots({b, tmp / "via/a"}), (std::vector<std::string>{tmp / "via/a"}));
    // A root that is itself a link is never walked, so it must not swallow another.
    ASSERT_EQ(::symlink(a.c_str(), (tmp / "alias").c_str()), 0);
    EXPECT_EQ(SearchWalker::reduceRoots({b, tmp / "alias"}), (std::vector<std::string>{b, tmp / "alias"}));
    EXPECT_EQ(SearchWalker::reduceRoots({a + "/", b}), (std::vector<std::string>{a + "/"}));
    EXPECT_TRUE(SearchWalker::pathIsInside("/x/y", "/"));
    EXPECT_FALSE(SearchWalker::pathIsInside("/xy", "/x"));
}

TEST(SearchWalker, WalksBelowTheStackAndNeverFollowsLinks)
{
    TempDir tmp;
    // Deeper than any path may be long: only relative calls reach the bottom.
    const int depth = 2500; // paths of over 5000 bytes, beyond PATH_MAX
    int fd = ::open(tmp.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
    }
    const int file = ::openat(fd, "bottom", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    ::close(file);
    ::close(fd);
    writeFile(tmp / "top", "1");
    ASSERT_EQ(::symlink(".", (tmp / "d/loop").c_str()), 0);
    ASSERT_EQ(::symlink("..", (tmp / "d/up").c_str()), 0);
    ASSERT_EQ(::symlink((tmp / "top").c_str(), (tmp / "d/file-link").c_str()), 0);

    Collected out;
    SearchWalker walker;
    walker.walk(tmp.path(), true, collectingRules(out));
    walker.drain();
    ASSERT_EQ(out.paths.size(), 2u);
    std::sort(out.paths.begin(), out.paths.end(), [](auto& x, auto& y) { return x.size() < y.size(); });
    EXPECT_EQ(out.paths[0], tmp / "top");
    EXPECT_EQ(out.paths[1].size(), tmp.path().size() + depth * 2 + std::string("/bottom").size());
}

TEST(SearchWalker, SkipsHiddenChildrenButNotAHiddenRoot)
{
    TempDir tmp;
    writeFile(tmp / ".root/a", "1");
    writeFile(tmp / ".root/.b", "1");
    writeFile(tmp / ".root/__MACOSX/c", "1");
    writeFile(tmp / ".root/__MACOSXfoo", "1");
    writeFile(tmp / ".root/sub/.d/e", "1");
    writeFile(tmp / ".root/sub/f", "1");
    Collected out;
    SearchWalker walker;
    walker.walk(tmp / ".root", true, collectingRules(out));
    walker.drain();
    std::sort(out.paths.begin(), out.paths.end());
    EXPECT_EQ(out.paths, (std::vector<std::string>{tmp / ".root/a", tmp / ".root/sub/f"}));
    EXPECT_EQ(SearchWalker::listFolder(tmp / ".root/sub", &SearchWalker::isVisibleName),
              (std::vector<std::string>{tmp / ".root/sub/f"}));
}

TEST(SearchWalker, AtMostFiveExaminationsAndDrainWaitsForAll)
{
    TempDir tmp;
    for (int d = 0; d < 20; ++d)
        for (int f = 0; f < 60; ++f)
            writeFile(tmp / ("d" + std::to_string(d) + "/f" + std::to_string(f)), "");
    std::atomic<int> running{0}, peak{0}, examined{0};
    SearchWalker::Rules rules;
    rules.folder = [](const std::string&) { return unsigned(SearchWalker::Enter); };
    rules.examine = [&](SearchWalker::Batch& batch) {
        const int now = ++running;
        int seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        examined += static_cast<int>(batch.size());
        --running;
    };
    // More pool threads than units, so the semaphore is what limits; the pool is given
    // back as it was, since later tests in this process share it.
    QThreadPool* pool = QThreadPool::globalInstance();
    struct RestorePool
    {
        QThreadPool* pool;
        int limit;
        ~RestorePool() { pool->setMaxThreadCount(limit); }
    } restore{pool, pool->maxThreadCount()};
    pool->setMaxThreadCount(std::max(8, pool->maxThreadCount()));
    SearchWalker walker;
    walker.walk(tmp.path(), true, rules);
    walker.drain();
    EXPECT_EQ(examined.load(), 1200);
    EXPECT_LE(peak.load(), SearchWalker::kConcurrentExaminations);
    EXPECT_EQ(running.load(), 0);
}

TEST(SearchWalker, FoldersExaminedAsUnitsAndStop)
{
    TempDir tmp;
    writeFile(tmp / "Pkg.app/Contents/x", "1");
    writeFile(tmp / "plain/y", "1");
    Collected out;
    SearchWalker::Rules rules = collectingRules(out);
    rules.folder = [](const std::string& path) {
        return path.ends_with(".app") ? unsigned(SearchWalker::Examine) : unsigned(SearchWalker::Enter);
    };
    SearchWalker walker;
    walker.walk(tmp.path(), true, rules);
    walker.drain();
    EXPECT_EQ(out.folders, (std::vector<std::string>{tmp / "Pkg.app"}));
    EXPECT_EQ(out.paths, (std::vector<std::string>{tmp / "plain/y"}));

    Collected none;
    walker.stop();
    walker.walk(tmp.path(), true, collectingRules(none));
    walker.walk(tmp / "plain/y", false, collectingRules(none));
    walker.drain();
    EXPECT_TRUE(none.paths.empty());
    walker.clearStop();
}

// Run as an unprivileged user, since root reads every folder. A folder that cannot be
// opened, and one that can be listed but not searched (its files cannot be examined),
// both make the walk incomplete; the root itself is told apart.
TEST(SearchWalker, ReportsTheFoldersItCouldNotRead)
{
    TempDir tmp;
    writeFile(tmp / "r/ok/f", "1");
    writeFile(tmp / "r/shut/g", "1");
    writeFile(tmp / "r/listed/h", "1");
    makeDirs(tmp / "r/empty");
    giveToUnprivileged(tmp / "r");
    ASSERT_EQ(::chmod((tmp / "r/shut").c_str(), 0), 0);
    ASSERT_EQ(::chmod((tmp / "r/listed").c_str(), 0444), 0);
    ASSERT_EQ(::chmod((tmp / "r/empty").c_str(), 0444), 0); // nothing in it is missed

    const int status = runAsUnprivileged([&] {
        int bad = 0;
        Collected out;
        SearchWalker walker;
        const SearchWalker::Report whole = walker.walk(tmp / "r", true, collectingRules(out));
        walker.drain();
        bad |= out.paths == std::vector<std::string>{tmp / "r/ok/f"} ? 0 : 1;
        bad |= whole.incomplete && !whole.rootUnreadable && whole.error == EACCES ? 0 : 2;
        bad |= whole.firstUnreadable == tmp / "r/shut" || whole.firstUnreadable == tmp / "r/listed" ? 0 : 4;
        bad |= whole.unreadableFolders == 2 ? 0 : 8;

        const SearchWalker::Report root = walker.walk(tmp / "r/shut", true, collectingRules(out));
        bad |= root.incomplete && root.rootUnreadable && root.firstUnreadable == tmp / "r/shut" ? 0 : 16;
        const SearchWalker::Report fine = walker.walk(tmp / "r/ok", true, collectingRules(out));
        bad |= !fine.incomplete && fine.firstUnreadable.empty() ? 0 : 32;
        walker.drain();
        return bad;
    });
    EXPECT_EQ(status, 0);
}

// A run that starts the next one from its own end must still be waited for, and the next
// run must not begin before it has returned.
TEST(SearchWalker, RunsStartedFromARunKeepTheirOrderAndTheDestructorWaitsForAll)
{
    auto firstReturned = std::make_shared<std::atomic<bool>>(false);
    auto secondSawFirstReturned = std::make_shared<std::atomic<bool>>(false);
    auto secondReturned = std::make_shared<std::atomic<bool>>(false);
    {
        SearchWalker walker;
        walker.runInBackground([&walker, firstReturned, secondSawFirstReturned, secondReturned] {
            walker.runInBackground([firstReturned, secondSawFirstReturned, secondReturned] {
                secondSawFirstReturned->store(firstReturned->load());
                secondReturned->store(true);
            });
            walker.waitForRun(); // from inside a run: returns at once
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            firstReturned->store(true);
        });
    }
    EXPECT_TRUE(firstReturned->load()) << "the walker went away while its first run went on";
    EXPECT_TRUE(secondReturned->load());
    EXPECT_TRUE(secondSawFirstReturned->load()) << "the second run began before the first returned";
}
