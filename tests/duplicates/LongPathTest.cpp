// SPDX-License-Identifier: GPL-3.0-or-later
// A duplicate deeper than PATH_MAX, from the search through the comparison to its removal:
// every step reaches it the way the walk did, relative to open folders, never by asking
// the kernel for the whole path at once.
#include "common/SerialQueue.h"
#include "duplicates/engine/DuplicateVerifier.h"
#include "duplicates/engine/QSDuplicationHelper.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "search/engine/SearchResultSupport.h"
#include "support/TempDir.h"
#include "uninstall/engine/Uninstall.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>

using namespace corvane;
using namespace corvane::test;

namespace {

// The latest list per group of one search, each sorted.
std::vector<std::vector<std::string>> groupsOf(std::vector<std::string> roots)
{
    QSDuplicationHelper engine;
    SerialQueue queue;
    std::map<std::pair<uint64_t, std::string>, std::vector<std::string>> groups;
    engine.setNotificationQueue(&queue);
    engine.setSearchPaths(std::move(roots));
    QObject::connect(&engine, &QSDuplicationHelper::duplicationNotification, queue.context(),
                     [&](const DuplicationNotificationInfo& info) {
                         if (info.fileSize && info.fileHash && info.fileList)
                             groups[{*info.fileSize, *info.fileHash}] = *info.fileList;
                     });
    engine.startSearch();
    engine.waitForSearch();
    queue.drain();
    std::vector<std::vector<std::string>> out;
    for (auto& [key, list] : groups) {
        std::sort(list.begin(), list.end());
        out.push_back(list);
    }
    return out;
}

} // namespace

TEST(DuplicatePastPathMax, IsFoundVerifiedAndRemoved)
{
    TempDir t;
    const std::string bytes = patternBytes(50000, 11);
    makeDirs(t / "deep");
    makeDeepChain(t / "deep", kDeepName, kDeepDepth, {}, "copy", bytes);
    const int fd = openChainBottom(t / "deep", kDeepName, kDeepDepth);
    ASSERT_GE(fd, 0);
    writeFileAt(fd, "twin", bytes);
    std::string differing = bytes; // in a sampled block, so not even a candidate
    differing.front() = char(differing.front() ^ 1);
    writeFileAt(fd, "other", differing);
    ::close(fd);
    writeFile(t / "shallow/copy", bytes);
    const std::string bottom = chainBottomPath(t / "deep", kDeepName, kDeepDepth);
    const std::string deep = bottom + "/copy";
    ASSERT_GT(deep.size(), size_t(PATH_MAX));

    // The deep root is walked first, so a deep file is the first of its size: the one
    // looked at again, by its path, when the second arrives.
    const auto groups = groupsOf({t / "deep", t / "shallow"});
    ASSERT_EQ(groups.size(), 1u);
    // Compared whole but reported briefly: the paths are over 4,000 bytes long.
    EXPECT_TRUE(groups[0] == (std::vector<std::string>{deep, bottom + "/twin", t / "shallow/copy"}))
        << groups[0].size() << " members";
    // Two deep files alone make a group as well.
    EXPECT_EQ(groupsOf({t / "deep"}).size(), 1u);

    DuplicateVerifier verifier;
    EXPECT_TRUE(DuplicateVerifier::identityOf(deep).valid);
    EXPECT_EQ(verifier.compareWith(t / "shallow/copy", {deep, bottom + "/other", bottom + "/twin"}),
              (std::vector<DuplicateVerifier::Verdict>{DuplicateVerifier::Verdict::Identical,
                                                       DuplicateVerifier::Verdict::Differs,
                                                       DuplicateVerifier::Verdict::Identical}));
    EXPECT_EQ(verifier.compare(deep, t / "shallow/copy"), DuplicateVerifier::Verdict::Identical);

    // Still there, so no removal may be taken as done.
    EXPECT_FALSE(removalConfirmed(deep, false));
    EXPECT_EQ(Uninstall(Layout::linuxLayout()).unInstall(deep), Uninstall::Outcome::Removed);
    EXPECT_TRUE(removalConfirmed(deep, false));
    EXPECT_FALSE(DuplicateVerifier::identityOf(deep).valid);
    EXPECT_EQ(readFile(t / "shallow/copy"), bytes);
    const int after = openChainBottom(t / "deep", kDeepName, kDeepDepth);
    ASSERT_GE(after, 0);
    EXPECT_TRUE(FileChecks::existsAt(after, "twin"));
    EXPECT_FALSE(FileChecks::existsAt(after, "copy"));
    ::close(after);
}
