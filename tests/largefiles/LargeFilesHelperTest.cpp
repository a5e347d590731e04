// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/engine/LargeFilesHelper.h"

#include "common/SerialQueue.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <map>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

// Sparse: the size is what matters, not the blocks.
void sized(const std::string& path, off_t size)
{
    writeFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

// Everything one run notified, in the order it arrived on the serial queue.
struct Outcome
{
    std::vector<std::string> order; // "P:path", "H:path", "F"
    std::vector<std::string> examined;
    std::map<std::string, uint64_t> hits;
    int finished = 0;
    bool hitAfterFinished = false;
};

Outcome search(LargeFilesHelper& engine, std::vector<std::string> roots,
               const std::function<void(LargeFilesHelper&, const LargePathInfo&)>& onPath = {})
{
    SerialQueue queue;
    Outcome run;
    engine.setNotificationQueue(&queue);
    engine.setSearchPaths(std::move(roots));
    QObject::connect(&engine, &LargeFilesHelper::largePath, queue.context(), [&](const LargePathInfo& info) {
        run.order.push_back("P:" + info.filePath);
        run.examined.push_back(info.filePath);
        if (onPath)
            onPath(engine, info);
    });
    QObject::connect(&engine, &LargeFilesHelper::largesNotification, queue.context(),
                     [&](const LargesNotificationInfo& info) {
                         if (info.finished) {
                             EXPECT_TRUE(*info.finished);
                             EXPECT_FALSE(info.fileSize || info.fileList);
                             ++run.finished;
                             run.order.push_back("F");
                             return;
                         }
                         if (run.finished)
                             run.hitAfterFinished = true;
                         EXPECT_TRUE(info.fileSize && info.fileList);
                         EXPECT_EQ(info.fileList->size(), 1u);
                         run.hits[info.fileList->front()] = *info.fileSize;
                         run.order.push_back("H:" + info.fileList->front());
                     });
    engine.startSearch();
    engine.waitForSearch();
    queue.drain();
    QObject::disconnect(&engine, nullptr, queue.context(), nullptr);
    engine.setNotificationQueue(nullptr);
    return run;
}

} // namespace

TEST(LargeFilesHelper, ThresholdsAreInclusiveAndTheFloorHolds)
{
    TempDir tmp;
    sized(tmp / "r/under", 9999999);
    sized(tmp / "r/exact", 10000000);
    sized(tmp / "r/twenty", 20000000);
    sized(tmp / "r/over", 20000001);

    LargeFilesHelper engine;
    engine.setMinFileSize(1000); // below the floor: the floor wins
    Outcome all = search(engine, {tmp / "r"});
    EXPECT_EQ(all.hits, (std::map<std::string, uint64_t>{
                            {tmp / "r/exact", 10000000}, {tmp / "r/twenty", 20000000}, {tmp / "r/over", 20000001}}));
    EXPECT_EQ(all.finished, 1);

    engine.setMaxFileSize(20000000);
    Outcome bounded = search(engine, {tmp / "r"});
    EXPECT_EQ(bounded.hits.count(tmp / "r/twenty"), 1u);
    EXPECT_EQ(bounded.hits.count(tmp / "r/over"), 0u);

    engine.setMaxFileSize(10000000); // not above the minimum: no upper bound
    EXPECT_EQ(search(engine, {tmp / "r"}).hits.size(), 3u);

    engine.setMaxFileSize(0);
    engine.setMinFileSize(15000000);
    EXPECT_EQ(search(engine, {tmp / "r"}).hits.size(), 2u);

    uint64_t size = 0;
    EXPECT_FALSE(engine.fileValid(tmp / "r/exact", &size));
    EXPECT_EQ(size, 10000000u);
    EXPECT_FALSE(engine.fileValid(tmp / "missing", &size));
    EXPECT_EQ(size, 0u);
}

TEST(LargeFilesHelper, EveryExaminedItemGetsLargePathBeforeItsHit)
{
    TempDir tmp;
    sized(tmp / "r/big", 12000000);
    writeFile(tmp / "r/small", "x");
    writeFile(tmp / "r/empty", "");
    ASSERT_EQ(::symlink((tmp / "r/big").c_str(), (tmp / "r/link-to-big").c_str()), 0);
    ASSERT_EQ(::symlink("..", (tmp / "r/loop").c_str()), 0);
    ASSERT_EQ(::mkfifo((tmp / "r/fifo").c_str(), 0644), 0);

    LargeFilesHelper engine;
    Outcome run = search(engine, {tmp / "r"});
    std::sort(run.examined.begin(), run.examined.end());
    EXPECT_EQ(run.examined, (std::vector<std::string>{tmp / "r/big", tmp / "r/empty", tmp / "r/small"}));
    const auto path = std::find(run.order.begin(), run.order.end(), "P:" + tmp / "r/big");
    const auto hit = std::find(run.order.begin(), run.order.end(), "H:" + tmp / "r/big");
    ASSERT_NE(hit, run.order.end());
    EXPECT_LT(path, hit);
    EXPECT_EQ(run.order.back(), "F");
}

TEST(LargeFilesHelper, NestedRepeatedAndOddRoots)
{
    TempDir tmp;
    sized(tmp / "U/a/b/inner", 11000000);
    sized(tmp / "U/a/outer", 11000000);
    sized(tmp / "U/ab/side", 11000000);
    sized(tmp / "U/.hidden-root/h", 11000000);
    sized(tmp / "U/lone", 11000000);
    ASSERT_EQ(::symlink((tmp / "U/a").c_str(), (tmp / "U/linkroot").c_str()), 0);

    LargeFilesHelper engine;
    for (const auto& roots : {std::vector<std::string>{tmp / "U/a", tmp / "U/a/b", tmp / "U/a"},
                              std::vector<std::string>{tmp / "U/a/b", tmp / "U/a"}}) {
        Outcome run = search(engine, roots);
        EXPECT_EQ(run.examined.size(), 2u); // each file once, through the outer root
        EXPECT_EQ(run.hits.size(), 2u);
    }
    // A sibling sharing a name prefix is its own root; a hidden root is searched; a
    // regular file as root is examined by itself; a link or a missing root is skipped.
    Outcome run = search(engine, {tmp / "U/a/b", tmp / "U/ab", tmp / "U/.hidden-root", tmp / "U/lone",
                                  tmp / "U/linkroot", tmp / "U/missing"});
    EXPECT_EQ(run.hits.size(), 4u);
    EXPECT_EQ(run.hits.count(tmp / "U/ab/side"), 1u);
    EXPECT_EQ(run.hits.count(tmp / "U/.hidden-root/h"), 1u);
    EXPECT_EQ(run.hits.count(tmp / "U/lone"), 1u);
    EXPECT_EQ(run.finished, 1);
}

TEST(LargeFilesHelper, HiddenAndMacosxEntriesAreNeitherReportedNorEntered)
{
    TempDir tmp;
    sized(tmp / "r/.big", 11000000);
    sized(tmp / "r/.cache/big", 11000000);
    sized(tmp / "r/__MACOSX/big", 11000000);
    sized(tmp / "r/__MACOSX_x", 11000000);
    sized(tmp / "r/seen", 11000000);
    LargeFilesHelper engine;
    Outcome run = search(engine, {tmp / "r"});
    EXPECT_EQ(run.examined, (std::vector<std::string>{tmp / "r/seen"}));
}

TEST(LargeFilesHelper, PackagesAreReportedWholeAndEntered)
{
    TempDir tmp;
    sized(tmp / "r/Big.app/Contents/Resources/data", 30000000);
    sized(tmp / "r/Big.app/Contents/MacOS/Big", 20000000);
    sized(tmp / "r/Small.app/Contents/MacOS/Small", 1000);

    LargeFilesHelper engine;
    Outcome run = search(engine, {tmp / "r"});
    EXPECT_EQ(run.hits, (std::map<std::string, uint64_t>{{tmp / "r/Big.app", 50000000},
                                                         {tmp / "r/Big.app/Contents/Resources/data", 30000000},
                                                         {tmp / "r/Big.app/Contents/MacOS/Big", 20000000}}));
    // Small.app is examined (a "LargePath") but not a hit.
    EXPECT_EQ(std::count(run.examined.begin(), run.examined.end(), tmp / "r/Small.app"), 1);

    engine.setFilterPackage(true);
    run = search(engine, {tmp / "r"});
    EXPECT_EQ(run.hits, (std::map<std::string, uint64_t>{{tmp / "r/Big.app", 50000000}}));

    engine.setFilterPackage(false);
    engine.setFilterFilePaths({tmp / "r/Big.app/Contents/Res"});
    run = search(engine, {tmp / "r"});
    EXPECT_EQ(run.hits.count(tmp / "r/Big.app/Contents/Resources/data"), 0u);
    EXPECT_EQ(run.hits.count(tmp / "r/Big.app/Contents/MacOS/Big"), 1u);
}

TEST(LargeFilesHelper, ExtensionPredicateSeesThePlainExtension)
{
    TempDir tmp;
    sized(tmp / "r/movie.mkv", 11000000);
    sized(tmp / "r/disk.iso", 11000000);
    sized(tmp / "r/noext", 11000000);
    LargeFilesHelper engine;
    std::vector<std::string> seen;
    std::mutex m;
    engine.setExtensionsPredicate([&](const std::string& ext) {
        std::lock_guard lock(m);
        seen.push_back(ext);
        return ext == "mkv" || ext.empty();
    });
    Outcome run = search(engine, {tmp / "r"});
    EXPECT_EQ(run.hits.size(), 2u);
    EXPECT_EQ(run.hits.count(tmp / "r/disk.iso"), 0u);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"", "iso", "mkv"}));
}

TEST(LargeFilesHelper, StopMidWalkEndsWithOneFinishedAfterEveryHit)
{
    TempDir tmp;
    for (int d = 0; d < 40; ++d)
        for (int f = 0; f < 50; ++f)
            sized(tmp / ("r/d" + std::to_string(d) + "/f" + std::to_string(f)), f % 5 == 0 ? 10000000 : 10);
    LargeFilesHelper engine;
    // Stop from inside the first examination of a hit: the walker can then have at most
    // the five units of its semaphore handed out, whatever the scheduler does, so the
    // walk must end early.
    std::atomic<bool> stopped{false};
    engine.setExtensionsPredicate([&](const std::string&) {
        if (!stopped.exchange(true))
            engine.stopSearch();
        return true;
    });
    Outcome run = search(engine, {tmp / "r"});
    engine.setExtensionsPredicate({});
    EXPECT_TRUE(stopped);
    EXPECT_GT(run.examined.size(), 0u);
    EXPECT_LT(run.examined.size(), 2000u);
    EXPECT_EQ(run.finished, 1);
    EXPECT_FALSE(run.hitAfterFinished);
    EXPECT_EQ(run.order.back(), "F");

    // The next run starts afresh.
    Outcome again = search(engine, {tmp / "r"});
    EXPECT_EQ(again.examined.size(), 2000u);
    EXPECT_EQ(again.hits.size(), 400u);
    EXPECT_EQ(again.finished, 1);
}

TEST(LargeFilesHelper, DefaultQueueIsTheMainThreadAndSecondStartIsIgnored)
{
    TempDir tmp;
    sized(tmp / "r/big", 10000000);
    LargeFilesHelper engine;
    engine.setSearchPaths({tmp / "r"});
    int finished = 0, hits = 0;
    bool offMain = false;
    QObject::connect(&engine, &LargeFilesHelper::largesNotification, &engine, [&](const LargesNotificationInfo& info) {
        offMain |= QThread::currentThread() != QCoreApplication::instance()->thread();
        info.finished ? ++finished : ++hits;
    });
    // The run is held inside its only examination until the second start has been
    // refused; otherwise a fast run could end first and the second start be a fair one.
    std::atomic<bool> release{false};
    engine.setExtensionsPredicate([&](const std::string&) {
        while (!release.load())
            QThread::msleep(1);
        return true;
    });
    engine.startSearch();
    engine.startSearch();
    EXPECT_TRUE(engine.searching());
    release = true;
    QElapsedTimer timer;
    timer.start();
    while (finished == 0 && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    engine.waitForSearch();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(hits, 1);
    EXPECT_FALSE(offMain);
    EXPECT_FALSE(engine.searching());
}

TEST(LargeFilesHelper, DestroyedMidRunEmitsNothingAfterwards)
{
    TempDir tmp;
    for (int f = 0; f < 500; ++f)
        sized(tmp / ("r/f" + std::to_string(f)), 10);
    SerialQueue queue;
    std::atomic<int> received{0};
    {
        LargeFilesHelper engine;
        engine.setNotificationQueue(&queue);
        engine.setSearchPaths({tmp / "r"});
        QObject::connect(&engine, &LargeFilesHelper::largePath, queue.context(),
                         [&](const LargePathInfo&) { ++received; });
        engine.startSearch();
    }
    const int atDestruction = received.load();
    queue.drain();
    EXPECT_EQ(received.load(), atDestruction);
}
