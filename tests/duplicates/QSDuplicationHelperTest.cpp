// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/engine/QSDuplicationHelper.h"

#include "common/QSLock.h"
#include "common/SerialQueue.h"
#include "support/TempDir.h"

#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

struct Group
{
    uint64_t size;
    std::string hash;
    std::vector<std::string> list;
};

struct Outcome
{
    std::vector<Group> notifications; // in arrival order
    std::vector<std::string> examined;
    int finished = 0;
    bool afterFinished = false;

    // The latest list per fingerprint, sorted, as a screen keeps it.
    std::map<std::string, std::vector<std::string>> groups() const
    {
        std::map<std::string, std::vector<std::string>> out;
        for (const Group& g : notifications) {
            auto sorted = g.list;
            std::sort(sorted.begin(), sorted.end());
            out[g.hash] = sorted;
        }
        return out;
    }
};

Outcome search(QSDuplicationHelper& engine, std::vector<std::string> roots,
               const std::function<void(QSDuplicationHelper&)>& onPath = {})
{
    SerialQueue queue;
    Outcome out;
    engine.setNotificationQueue(&queue);
    engine.setSearchPaths(std::move(roots));
    QObject::connect(&engine, &QSDuplicationHelper::resultPath, queue.context(), [&](const ResultPathInfo& info) {
        out.examined.push_back(info.filePath);
        if (onPath)
            onPath(engine);
    });
    QObject::connect(&engine, &QSDuplicationHelper::duplicationNotification, queue.context(),
                     [&](const DuplicationNotificationInfo& info) {
                         if (info.finished) {
                             EXPECT_TRUE(*info.finished);
                             EXPECT_FALSE(info.fileSize || info.fileHash || info.fileList);
                             ++out.finished;
                             return;
                         }
                         if (out.finished)
                             out.afterFinished = true;
                         EXPECT_TRUE(info.fileSize && info.fileHash && info.fileList);
                         out.notifications.push_back(Group{*info.fileSize, *info.fileHash, *info.fileList});
                     });
    engine.startSearch();
    engine.waitForSearch();
    queue.drain();
    QObject::disconnect(&engine, nullptr, queue.context(), nullptr);
    engine.setNotificationQueue(nullptr);
    EXPECT_EQ(out.finished, 1);
    EXPECT_FALSE(out.afterFinished);
    return out;
}

std::string bytes(size_t size, unsigned seed)
{
    return patternBytes(size, seed, 7);
}

} // namespace

TEST(QSDuplicationHelper, FloorAndSampledEquality)
{
    TempDir tmp;
    writeFile(tmp / "r/small1", std::string(500, 'a'));
    writeFile(tmp / "r/small2", std::string(500, 'a'));
    writeFile(tmp / "r/edge1", std::string(1024, 'b'));
    writeFile(tmp / "r/edge2", std::string(1024, 'b'));
    // Equal in the three sampled blocks, different elsewhere: reported, as designed.
    const std::string big = bytes(10000000, 1);
    writeFile(tmp / "r/big1", big);
    writeFile(tmp / "r/big2", big);
    pokeByte(tmp / "r/big2", 5000000, static_cast<char>(big[5000000] ^ 0x55));
    // Same size, different sample: not a group.
    writeFile(tmp / "r/near", big);
    pokeByte(tmp / "r/near", 10, static_cast<char>(big[10] ^ 0x55));

    QSDuplicationHelper engine;
    Outcome out = search(engine, {tmp / "r"});
    EXPECT_EQ(out.examined.size(), 7u); // every file gets its "RESULTPATH", small ones too
    const auto groups = out.groups();
    ASSERT_EQ(groups.size(), 2u);
    std::set<std::vector<std::string>> lists;
    for (const auto& [hash, list] : groups) {
        EXPECT_EQ(hash.size(), 32u);
        lists.insert(list);
    }
    EXPECT_TRUE(lists.count({tmp / "r/edge1", tmp / "r/edge2"}));
    EXPECT_TRUE(lists.count({tmp / "r/big1", tmp / "r/big2"}));
    EXPECT_EQ(QSLock::registeredKeyCount(), 0u);
}

TEST(QSDuplicationHelper, ThreeEqualFilesGiveTwoNotificationsNewestFirst)
{
    TempDir tmp;
    const std::string content = bytes(3000, 2);
    writeFile(tmp / "one/a", content);
    writeFile(tmp / "two/b", content);
    writeFile(tmp / "three/c", content);
    QSDuplicationHelper engine;
    Outcome out = search(engine, {tmp / "one", tmp / "two", tmp / "three"});
    ASSERT_EQ(out.notifications.size(), 2u);
    // Examinations run side by side, so which two meet first varies; the group grows by
    // appending, so the second list extends the first.
    ASSERT_EQ(out.notifications[0].list.size(), 2u);
    ASSERT_EQ(out.notifications[1].list.size(), 3u);
    EXPECT_TRUE(std::equal(out.notifications[0].list.begin(), out.notifications[0].list.end(),
                           out.notifications[1].list.begin()));
    EXPECT_EQ(out.groups().begin()->second, (std::vector<std::string>{tmp / "one/a", tmp / "three/c", tmp / "two/b"}));
    EXPECT_EQ(out.notifications[0].size, 3000u);
    EXPECT_EQ(out.notifications[0].hash, out.notifications[1].hash);
}

TEST(QSDuplicationHelper, ThirdFileMatchingTheFirstFormsTheGroup)
{
    TempDir tmp;
    const std::string first = bytes(2000, 3);
    std::string other = first;
    other[0] ^= 1;
    writeFile(tmp / "one/first", first);
    writeFile(tmp / "two/other", other);
    QSDuplicationHelper engine;
    EXPECT_TRUE(search(engine, {tmp / "one", tmp / "two"}).notifications.empty());
    writeFile(tmp / "three/again", first);
    Outcome out = search(engine, {tmp / "one", tmp / "two", tmp / "three"});
    ASSERT_EQ(out.notifications.size(), 1u);
    auto list = out.notifications[0].list;
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (std::vector<std::string>{tmp / "one/first", tmp / "three/again"}));
}

TEST(QSDuplicationHelper, PackagesAreUnitsAndNestedRootsAreSearchedOnce)
{
    TempDir tmp;
    for (const char* copy : {"r/A/Tool.app", "r/B/Tool.app"}) {
        writeFile(tmp / copy + "/Contents/Info.plist", "plist");
        writeFile(tmp / copy + "/Contents/MacOS/Tool", bytes(5000, 4));
    }
    writeFile(tmp / "r/Microsoft Office 2011/x", bytes(2000, 5));
    writeFile(tmp / "r/.hidden/dup", bytes(2000, 6));
    writeFile(tmp / "r/__MACOSX/dup", bytes(2000, 6));
    writeFile(tmp / "r/visible/dup", bytes(2000, 6));

    QSDuplicationHelper engine;
    Outcome out = search(engine, {tmp / "r/B", tmp / "r", tmp / "r/A/Tool.app"});
    const auto groups = out.groups();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups.begin()->second, (std::vector<std::string>{tmp / "r/A/Tool.app", tmp / "r/B/Tool.app"}));
    std::sort(out.examined.begin(), out.examined.end());
    // Packages and product folders are examined whole and not entered; hidden ones are
    // skipped; nothing is examined twice despite the nested roots.
    EXPECT_EQ(out.examined, (std::vector<std::string>{tmp / "r/A/Tool.app", tmp / "r/B/Tool.app",
                                                      tmp / "r/Microsoft Office 2011", tmp / "r/visible/dup"}));

    // A root that is itself a bundle is one item; a hidden root is walked.
    out = search(engine, {tmp / "r/A/Tool.app", tmp / "r/.hidden"});
    std::sort(out.examined.begin(), out.examined.end());
    EXPECT_EQ(out.examined, (std::vector<std::string>{tmp / "r/.hidden/dup", tmp / "r/A/Tool.app"}));
}

TEST(QSDuplicationHelper, HardLinksAreOneFileNotTwoCopies)
{
    TempDir tmp;
    const std::string content = bytes(4000, 7);
    writeFile(tmp / "r/file", content);
    ASSERT_EQ(::link((tmp / "r/file").c_str(), (tmp / "r/link1").c_str()), 0);
    ASSERT_EQ(::link((tmp / "r/file").c_str(), (tmp / "r/link2").c_str()), 0);
    ASSERT_EQ(::symlink((tmp / "r/file").c_str(), (tmp / "r/soft").c_str()), 0);
    QSDuplicationHelper engine;
    EXPECT_TRUE(search(engine, {tmp / "r"}).notifications.empty());

    // With a real copy there is one group of two: the copy and one name of the file.
    writeFile(tmp / "r/copy", content);
    const auto groups = search(engine, {tmp / "r"}).groups();
    ASSERT_EQ(groups.size(), 1u);
    const auto& list = groups.begin()->second;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::count(list.begin(), list.end(), tmp / "r/copy"), 1);
}

// The same folder reached twice through a bind mount. Mounting needs its own mount
// namespace, so the check runs in a child process started under unshare(1).
TEST(QSDuplicationHelper, BindMountedFolderIsNotACopyOfItself)
{
    if (const char* dir = std::getenv("CORVANE_BIND_CHILD")) {
        const std::string root = dir;
        if (::mount((root + "/data").c_str(), (root + "/view").c_str(), nullptr, MS_BIND, nullptr) != 0) {
            std::fprintf(stderr, "bind mount failed\n");
            std::_Exit(3);
        }
        QSDuplicationHelper engine;
        Outcome out = search(engine, {root + "/data", root + "/view"});
        const bool ok = out.notifications.empty() && out.examined.size() == 2;
        ::umount((root + "/view").c_str());
        std::_Exit(ok ? 0 : 1);
    }
    if (::geteuid() != 0 || ::system("unshare --mount true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and unshare(1) to make a private mount namespace";
    TempDir tmp;
    writeFile(tmp / "data/file", bytes(5000, 8));
    makeDirs(tmp / "view");
    EXPECT_EQ(rerunSelfInMountNamespace("QSDuplicationHelper.BindMountedFolderIsNotACopyOfItself", "CORVANE_BIND_CHILD",
                                        tmp.path()),
              0);
}

TEST(QSDuplicationHelper, ManySameSizeFilesFromSeveralRootsFormCompleteGroups)
{
    TempDir tmp;
    // 4 roots x 60 files, all 2048 bytes, in 12 content classes plus 30 unique files:
    // every examination of this size contends for the same size lock.
    std::map<int, std::vector<std::string>> expected;
    for (int root = 0; root < 4; ++root) {
        for (int i = 0; i < 60; ++i) {
            const std::string path =
                tmp / ("root" + std::to_string(root) + "/sub" + std::to_string(i % 3) + "/f" + std::to_string(i));
            const int cls = (root * 60 + i) % 12;
            writeFile(path, bytes(2048, 100 + cls));
            expected[cls].push_back(path);
        }
        for (int u = 0; u < 8; ++u)
            writeFile(tmp / ("root" + std::to_string(root) + "/unique" + std::to_string(u)),
                      bytes(2048, 1000 + root * 10 + u));
    }
    QThreadPool::globalInstance()->setMaxThreadCount(std::max(6, QThreadPool::globalInstance()->maxThreadCount()));
    for (int round = 0; round < 3; ++round) {
        QSDuplicationHelper engine;
        Outcome out = search(engine, {tmp / "root0", tmp / "root1", tmp / "root2", tmp / "root3"});
        EXPECT_EQ(out.examined.size(), 4u * 68u);
        const auto groups = out.groups();
        std::set<std::vector<std::string>> got;
        for (const auto& [hash, list] : groups)
            got.insert(list);
        std::set<std::vector<std::string>> want;
        for (auto& [cls, list] : expected) {
            std::sort(list.begin(), list.end());
            want.insert(list);
        }
        EXPECT_EQ(got, want);
        // Each group notified once per growth: 20 files give 19 notifications, growing by one.
        std::map<std::string, size_t> last;
        for (const Group& g : out.notifications) {
            EXPECT_EQ(g.list.size(), last[g.hash] ? last[g.hash] + 1 : 2u);
            last[g.hash] = g.list.size();
        }
        EXPECT_EQ(out.notifications.size(), 12u * 19u);
    }
    EXPECT_EQ(QSLock::registeredKeyCount(), 0u);
}

TEST(QSDuplicationHelper, StopStillEndsWithOneFinished)
{
    TempDir tmp;
    for (int d = 0; d < 30; ++d)
        for (int f = 0; f < 40; ++f)
            writeFile(tmp / ("r/d" + std::to_string(d) + "/f" + std::to_string(f)), bytes(1500, f % 4));
    QSDuplicationHelper engine;
    // Stopped from inside the first examination, so at most the semaphore's five units of
    // work are out, however the threads happen to be scheduled.
    std::atomic<bool> stoppedOnce{false};
    engine.setExtensionsPredicate([&](const std::string&) {
        if (!stoppedOnce.exchange(true))
            engine.stopSearch();
        return true;
    });
    Outcome stopped = search(engine, {tmp / "r"});
    engine.setExtensionsPredicate({});
    EXPECT_TRUE(stoppedOnce);
    EXPECT_LT(stopped.examined.size(), 1200u);
    Outcome full = search(engine, {tmp / "r"});
    EXPECT_EQ(full.examined.size(), 1200u);
    EXPECT_EQ(full.groups().size(), 4u);
}

TEST(QSDuplicationHelper, FileValidRules)
{
    TempDir tmp;
    writeFile(tmp / "k", std::string(1023, 'x'));
    writeFile(tmp / "m.txt", std::string(5000, 'x'));
    QSDuplicationHelper engine;
    uint64_t size = 1;
    EXPECT_FALSE(engine.fileValid(tmp / "k", &size));
    EXPECT_EQ(size, 1023u);
    EXPECT_TRUE(engine.fileValid(tmp / "m.txt", &size));
    engine.setMaxFileSize(4000);
    EXPECT_FALSE(engine.fileValid(tmp / "m.txt", &size));
    engine.setMaxFileSize(1000); // not above the floor: no upper bound
    EXPECT_TRUE(engine.fileValid(tmp / "m.txt", &size));
    engine.setExtensionsPredicate([](const std::string& ext) { return ext == "jpg"; });
    EXPECT_FALSE(engine.fileValid(tmp / "m.txt", &size));
    engine.setFilterFilePaths({tmp / "sk"});
    EXPECT_FALSE(engine.directoryValid(tmp / "skip"));
    EXPECT_TRUE(engine.directoryValid(tmp / "keep"));
}
