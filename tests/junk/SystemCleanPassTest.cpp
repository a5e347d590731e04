// SPDX-License-Identifier: GPL-3.0-or-later
// The clean pass over hand-built trees of real files, the checkbox rules of the result
// tree, and the truth of the report when something cannot be removed.
#include "JunkFixtures.h"

#include "junk/engine/SystemClean.h"
#include "junk/engine/SystemCleanPass.h"
#include "junk/engine/SystemCleanSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <thread>

using namespace corvane;
using namespace corvane::test;

namespace {

using Node = UserCachesSubObject;
constexpr Node::State On = Node::State::On, Off = Node::State::Off, Mixed = Node::State::Mixed;

SystemCleanObject::Ptr category(JunkCategory type, bool on)
{
    auto c = std::make_shared<SystemCleanObject>();
    c->type = type;
    c->state = on;
    return c;
}

Node::Ptr groupWith(const QString& name, Node::State state, std::vector<Node::Ptr> members)
{
    auto g = Node::group(name, state);
    for (auto& m : members) {
        g->fileSize += m->fileSize;
        g->addMember(m);
    }
    return g;
}

Node::Ptr file(const std::string& path, Node::State state, size_t size = 10)
{
    writeSized(path, size);
    return Node::item(path, size, state);
}

} // namespace

TEST(SystemCleanPass, DeletesSelectedLeavesOfCheckedCategoriesOnly)
{
    MacRoot r;
    const std::string d = r.lib + "/Caches/";
    auto caches = category(JunkCategory::Caches, true);
    caches->listArray.push_back(groupWith(QStringLiteral("用户缓存"), On,
                                          {file(d + "a", On), file(d + "b b", Off), file(d + "$(touch x)", On)}));
    // Browser: a checked sub-group with every item off deletes nothing; an unchecked
    // sub-group with one item on deletes that item.
    auto browsers = category(JunkCategory::Browsers, true);
    browsers->listArray.push_back(
        groupWith(QStringLiteral("Chrome"), Mixed,
                  {groupWith(QStringLiteral("Cookies"), On, {file(d + "Cookies", Off)}),
                   groupWith(QStringLiteral("网页缓存"), Off, {file(d + "cache1", On), file(d + "cache2", Off)})}));
    // A category whose box is off keeps everything, checked items included.
    auto downloads = category(JunkCategory::Downloads, false);
    downloads->listArray.push_back(groupWith(QStringLiteral("下载"), On, {file(r.home + "/Downloads/setup.dmg", On)}));
    const std::vector<SystemCleanObject::Ptr> list{caches, category(JunkCategory::Logs, true), browsers,
                                                   category(JunkCategory::Trash, false), downloads};

    SystemClean catalogue(r.layout);
    std::atomic<JunkRunState> isStart{JunkRunState::Cleaning};
    bool stopped = true;
    const auto attempts = SystemCleanPass::run(list, isStart, catalogue, &stopped);
    EXPECT_FALSE(stopped);
    EXPECT_EQ(attempts.size(), 3u);
    EXPECT_FALSE(exists(d + "a"));
    EXPECT_FALSE(exists(d + "$(touch x)"));
    EXPECT_TRUE(exists(d + "b b"));
    EXPECT_TRUE(exists(d + "Cookies"));
    EXPECT_FALSE(exists(d + "cache1"));
    EXPECT_TRUE(exists(d + "cache2"));
    EXPECT_TRUE(exists(r.home + "/Downloads/setup.dmg"));
    EXPECT_FALSE(exists("x"));
    // The tree itself is left as it was.
    EXPECT_EQ(caches->listArray[0]->listArray.size(), 3u);

    const auto report = SystemCleanPass::evaluate(attempts, r.layout);
    EXPECT_DOUBLE_EQ(report.removedSize, 30);
    EXPECT_TRUE(report.leftovers.empty());
}

TEST(SystemCleanPass, StopFinishesTheRunningCategoryAndLeavesTheRest)
{
    MacRoot r;
    const std::string d = r.lib + "/Caches/";
    auto caches = category(JunkCategory::Caches, true);
    caches->listArray.push_back(
        groupWith(QStringLiteral("用户缓存"), On, {file(d + "1", On), file(d + "2", On), file(d + "3", On)}));
    auto logs = category(JunkCategory::Logs, true);
    logs->listArray.push_back(groupWith(QStringLiteral("用户日志"), On, {file(r.lib + "/Logs/x.log", On)}));
    auto trash = category(JunkCategory::Trash, true);
    trash->listArray.push_back(groupWith(QStringLiteral("废纸篓"), On, {file(r.home + "/.Trash/t", On)}));
    const std::vector<SystemCleanObject::Ptr> list{caches, logs, category(JunkCategory::Browsers, false), trash,
                                                   category(JunkCategory::Downloads, false)};

    SystemClean catalogue(r.layout);
    std::atomic<JunkRunState> isStart{JunkRunState::Cleaning};
    bool stopped = false;
    // The stop button is pressed while the first category is being cleaned.
    const auto attempts =
        SystemCleanPass::run(list, isStart, catalogue, &stopped, [&](const SystemCleanPass::Attempt&) {
            isStart = SystemCleanSession::RunState::StopRequested;
        });
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(catalogue.isStop());
    EXPECT_EQ(attempts.size(), 3u);
    EXPECT_FALSE(exists(d + "1") || exists(d + "2") || exists(d + "3"));
    EXPECT_TRUE(exists(r.lib + "/Logs/x.log"));
    EXPECT_TRUE(exists(r.home + "/.Trash/t"));
}

// What the user may not remove goes to the helper, and the report says it is still
// there instead of counting it as cleaned.
TEST(SystemCleanPass, HelperRemovalInFlightIsReportedAsNotRemoved)
{
    MacRoot r;
    FakeHelper helper(helperSocketPath(r.layout));
    const std::string sys = r.root + "/Library/Caches";
    writeSized(sys + "/com.vendor/blob", 5000);
    const std::string mine = r.lib + "/Caches/mine";
    writeSized(mine, 700);
    giveToUnprivileged(r.lib + "/Caches");

    auto caches = category(JunkCategory::Caches, true);
    caches->listArray.push_back(groupWith(QStringLiteral("用户缓存"), On, {Node::item(mine, 700, On)}));
    caches->listArray.push_back(groupWith(QStringLiteral("系统缓存"), On, {Node::item(sys + "/com.vendor", 5000, On)}));
    const std::vector<SystemCleanObject::Ptr> list{caches};

    const int rc = runAsUnprivileged([&] {
        SystemClean catalogue(r.layout);
        std::atomic<JunkRunState> isStart{JunkRunState::Cleaning};
        const auto report = SystemCleanPass::evaluate(SystemCleanPass::run(list, isStart, catalogue), r.layout);
        if (::geteuid() == 0)
            return 0; // not reached under CI's root: the child is unprivileged
        if (report.removedSize != 700 || report.remainingSize != 5000)
            return 1;
        if (report.leftovers.size() != 1 || report.leftovers[0].path != sys + "/com.vendor" ||
            report.leftovers[0].outcome != Uninstall::Outcome::SentToHelper)
            return 2;
        return 0;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_FALSE(exists(mine));
    EXPECT_TRUE(exists(sys + "/com.vendor/blob"));
    const auto requests = helper.requests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].key, "removeFile");
    EXPECT_EQ(requests[0].value, sys + "/com.vendor");
}

TEST(SystemCleanPass, PartlyRemovedFolderCountsWhatIsGone)
{
    MacRoot r;
    const std::string dir = r.lib + "/Caches/half";
    writeSized(dir + "/gone", 300);
    writeSized(dir + "/locked/stays", 200);
    giveToUnprivileged(r.lib + "/Caches");
    ::chmod((dir + "/locked").c_str(), 0555);
    FakeHelper helper(helperSocketPath(r.layout));

    std::vector<SystemCleanPass::Attempt> attempts{
        {JunkCategory::Caches, dir, 500, Uninstall::Outcome::SentToHelper, {}, 0}};
    const int rc = runAsUnprivileged([&] {
        Uninstall(r.layout).unInstall(dir);
        const auto report = SystemCleanPass::evaluate(attempts, r.layout);
        return (report.removedSize == 300 && report.remainingSize == 200) ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_FALSE(exists(dir + "/gone"));
    EXPECT_TRUE(exists(dir + "/locked/stays"));
}

// The helper works on its own time: what it removes within the window counts as removed
// and freed, the pass does not wait longer than it must, and the window is one for the
// whole pass, however many requests the helper leaves undone.
TEST(SystemCleanPass, GivesTheHelperOneWindowForAllItsRequests)
{
    using namespace std::chrono;
    MacRoot r;
    const std::string caches = r.root + "/Library/Caches/";
    writeSized(caches + "soon", 800);
    std::vector<SystemCleanPass::Attempt> attempts{
        {JunkCategory::Caches, caches + "soon", 800, Uninstall::Outcome::SentToHelper, {}, 0}};
    std::thread helper([&] {
        std::this_thread::sleep_for(milliseconds(300));
        ::unlink((caches + "soon").c_str());
    });
    auto start = steady_clock::now();
    auto report = SystemCleanPass::evaluate(attempts, r.layout);
    auto took = steady_clock::now() - start;
    helper.join();
    ASSERT_EQ(report.removed.size(), 1u);
    EXPECT_EQ(report.removedSize, 800u);
    EXPECT_TRUE(report.leftovers.empty());
    EXPECT_LT(took, SystemCleanPass::kHelperWindow);

    attempts.clear();
    for (const char* name : {"a", "b", "c", "d"}) {
        writeSized(caches + name, 100);
        attempts.push_back({JunkCategory::Caches, caches + name, 100, Uninstall::Outcome::SentToHelper, {}, 0});
    }
    start = steady_clock::now();
    report = SystemCleanPass::evaluate(attempts, r.layout);
    took = steady_clock::now() - start;
    EXPECT_EQ(report.leftovers.size(), 4u);
    EXPECT_EQ(report.remainingSize, 400u);
    EXPECT_GE(took, SystemCleanPass::kHelperWindow);
    EXPECT_LT(took, SystemCleanPass::kHelperWindow * 2);
}

// The overlay's checkbox rules, on a browser-shaped tree.
TEST(UserCachesSubObject, TriStateDerivation)
{
    auto a1 = Node::item("/a1", 1, Off), a2 = Node::item("/a2", 1, Off);
    auto b1 = Node::item("/b1", 1, On);
    auto cookies = Node::group(QStringLiteral("Cookies"), Off);
    cookies->addMember(a1);
    cookies->addMember(a2);
    auto caches = Node::group(QStringLiteral("网页缓存"), On);
    caches->addMember(b1);
    auto safari = Node::group(QStringLiteral("Safari"), Mixed);
    safari->addMember(cookies);
    safari->addMember(caches);

    // Turning web caches off leaves nothing fully on: Safari is off.
    caches->click(false);
    EXPECT_EQ(b1->state.load(), Off);
    EXPECT_EQ(safari->state.load(), Off);
    // One item of an all-off sub-group: the sub-group is mixed, Safari still off
    // (a mixed member does not count as on).
    a1->click(true);
    EXPECT_EQ(cookies->state.load(), Mixed);
    EXPECT_EQ(safari->state.load(), Off);
    // A fully-on sub-group beside it makes Safari mixed.
    caches->click(true);
    EXPECT_EQ(safari->state.load(), Mixed);
    a2->click(true);
    EXPECT_EQ(cookies->state.load(), On);
    EXPECT_EQ(safari->state.load(), On);
    // The top group sets everything below it.
    safari->click(false);
    for (const auto& n : {a1, a2, b1, cookies, caches})
        EXPECT_EQ(n->state.load(), Off);
    // A mixed sub-group that is clicked becomes on, with its items.
    a1->click(true);
    ASSERT_EQ(cookies->state.load(), Mixed);
    cookies->click(true);
    EXPECT_EQ(a2->state.load(), On);
    EXPECT_EQ(cookies->state.load(), On);
}
