// SPDX-License-Identifier: GPL-3.0-or-later
// The memory screen driven offscreen over fixture meminfo files and a counting allocator
// that can hold a release up at any block.
#include "memory/MemoryFixtures.h"

#include "memory/ui/GRTMemoryTypeView.h"
#include "memory/ui/YVPopViewController.h"

#include <QApplication>
#include <QLabel>
#include <QPieSeries>
#include <QPieSlice>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>

using namespace corvane;
using namespace corvane::test;

namespace {

bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        QTest::qWait(10);
    return done();
}

// A screen over a fixture machine whose release stops at block `holdAt` until let go.
struct Screen
{
    TempDir t;
    std::shared_ptr<FakeChunks> chunks = std::make_shared<FakeChunks>();
    QSemaphore gate;
    std::atomic<int> holdAt{0};
    std::atomic<bool> holding{false};
    std::optional<YVPopViewController> view;
    std::vector<MemoryRelease::Result> ended;

    explicit Screen(const Meminfo& m = Meminfo())
    {
        m.writeTo(t / "proc");
        chunks->beforeAllocation = [this](int n) {
            if (n == holdAt.load()) {
                holding = true;
                gate.acquire();
            }
        };
        view.emplace(MemoryStatistics(t / "proc", t / "sys"), chunks);
        QObject::connect(&*view, &YVPopViewController::releaseEnded, &*view,
                         [this](MemoryRelease::Result r) { ended.push_back(r); });
        view->resize(760, 580);
        view->show();
    }
    ~Screen()
    {
        gate.release(); // a release still held up ends now
        view.reset();
        waitFor([] { return QThreadPool::globalInstance()->activeThreadCount() == 0; });
    }

    QString figure(int index) const { return view->figureField(index)->text(); }
    void press() { QTest::mouseClick(view->actionButton(), Qt::LeftButton); }
};

} // namespace

TEST(MemoryScreen, FiguresSlicesAndColours)
{
    Screen s;
    YVPopViewController& view = *s.view;
    EXPECT_EQ(view.pieChartData(), (std::array<uint64_t, 5>{3 * kGiB, 2 * kGiB, kGiB, kGiB / 2, 3 * kGiB / 2}));
    const QStringList shown = {s.figure(0), s.figure(1), s.figure(2), s.figure(3),
                               s.figure(4), s.figure(5), s.figure(6)};
    EXPECT_EQ(shown, QStringList({QStringLiteral("3.00GB"), QStringLiteral("2.00GB"), QStringLiteral("1.00GB"),
                                  QStringLiteral("512.00MB"), QStringLiteral("1.50GB"), QStringLiteral("6.50GB"),
                                  QStringLiteral("/8.00GB")}));
    EXPECT_EQ(view.memorySize(), int64_t(8 * kGiB));
    const QList<QPieSlice*> slices = view.pieSeries()->slices();
    ASSERT_EQ(slices.size(), 5);
    for (int code = 0; code < 5; ++code) {
        EXPECT_EQ(slices[code]->value(), double(view.pieChartData()[size_t(code)])) << code;
        EXPECT_EQ(slices[code]->brush().color(), GRTMemoryTypeView::memoryTypeColorWithType(code)) << code;
    }
    // The legend's swatches wear the slices' colours.
    const char* const swatches[] = {"viewForActive", "viewForInactive", "viewForWire", "viewForCompress",
                                    "viewForFree"};
    for (int code = 0; code < 5; ++code) {
        auto* swatch = view.findChild<GRTMemoryTypeView*>(QString::fromLatin1(swatches[code]));
        ASSERT_TRUE(swatch) << code;
        EXPECT_EQ(swatch->backgroundColor(), GRTMemoryTypeView::memoryTypeColorWithType(code)) << code;
    }
    EXPECT_EQ(GRTMemoryTypeView::memoryTypeColorWithType(3), QColor(31, 121, 209));
    EXPECT_EQ(GRTMemoryTypeView::memoryTypeColorWithType(5), QColor(Qt::white));
    EXPECT_EQ(view.actionButton()->text(), QStringLiteral("加速"));
    EXPECT_EQ(view.desTextField()->text(), QStringLiteral("通过压缩内存来释放内存"));
    EXPECT_FALSE(view.appleProgress()->isVisible());
    EXPECT_TRUE(view.timer().isActive());
    EXPECT_EQ(view.timer().interval(), 1000);

    EXPECT_EQ(YVPopViewController::fileSizeByDoubleSize(1023), QStringLiteral("1023B"));
    EXPECT_EQ(YVPopViewController::fileSizeByDoubleSize(1024), QStringLiteral("1.00KB"));
    EXPECT_EQ(YVPopViewController::fileSizeByDoubleSize(0), QStringLiteral("0B"));

    // The refresh gives the same slices new values.
    Meminfo busier;
    busier.application = 5 * kGiB;
    busier.free = 0;
    busier.fileCache = kGiB / 2;
    busier.zswap = 0;
    busier.writeTo(s.t / "proc");
    view.timerMethod();
    EXPECT_EQ(view.pieSeries()->slices(), slices);
    EXPECT_EQ(slices[0]->value(), double(5 * kGiB));
    EXPECT_EQ(s.figure(5), QStringLiteral("8.00GB"));
    EXPECT_EQ(s.figure(4), QStringLiteral("0B"));
}

TEST(MemoryScreen, TheChartStandsStillWhileAReleaseRuns)
{
    Screen s;
    YVPopViewController& view = *s.view;
    s.holdAt = 4;
    s.press();
    EXPECT_TRUE(view.freeFlag());
    EXPECT_EQ(view.actionButton()->text(), QStringLiteral("停止"));
    EXPECT_EQ(view.accelTextField()->text(), QStringLiteral("正在加速..."));
    EXPECT_TRUE(view.desTextField()->text().isEmpty());
    EXPECT_TRUE(view.appleProgress()->isVisible());
    EXPECT_TRUE(view.percentLabel()->isVisible());
    ASSERT_TRUE(waitFor([&] { return view.appleProgress()->value() == 2; }));
    EXPECT_EQ(view.appleProgress()->maximum(), int((3 * kGiB - 8 * kGiB / 10) >> 20));

    // Frozen: no refresh running, and one that fires anyway changes nothing.
    EXPECT_FALSE(view.timer().isActive());
    const auto before = view.pieChartData();
    Meminfo other;
    other.application = kGiB;
    other.writeTo(s.t / "proc");
    view.timerMethod();
    EXPECT_EQ(view.pieChartData(), before);

    // Let go: the release runs to the floor, says so, and the chart moves again.
    s.gate.release();
    ASSERT_TRUE(waitFor([&] { return !s.ended.empty(); }));
    EXPECT_EQ(s.ended[0].stoppedBy, MemoryRelease::Outcome::Floor);
    EXPECT_EQ(s.chunks->releases, view.appleProgress()->maximum());
    EXPECT_EQ(view.accelTextField()->text(), QStringLiteral("已停止：可用内存已降到安全下限"));
    EXPECT_EQ(view.desTextField()->text(), QStringLiteral("通过压缩内存来释放内存"));
    EXPECT_EQ(view.actionButton()->text(), QStringLiteral("加速"));
    EXPECT_FALSE(view.appleProgress()->isVisible());
    EXPECT_TRUE(view.timer().isActive());
    view.timerMethod();
    EXPECT_EQ(view.pieChartData()[0], kGiB);
}

TEST(MemoryScreen, ADoublePressStartsAndStopsOneReleaseOnly)
{
    Screen s;
    YVPopViewController& view = *s.view;
    s.press();
    s.press();
    // At once back to "加速" with the chart refreshing.
    EXPECT_FALSE(view.freeFlag());
    EXPECT_EQ(view.actionButton()->text(), QStringLiteral("加速"));
    EXPECT_TRUE(view.timer().isActive());
    EXPECT_FALSE(view.appleProgress()->isVisible());
    EXPECT_TRUE(view.accelTextField()->text().isEmpty());
    ASSERT_TRUE(waitFor([&] { return !s.ended.empty(); }));
    ASSERT_EQ(s.ended.size(), 1u);
    EXPECT_EQ(s.ended[0].stoppedBy, MemoryRelease::Outcome::Stop);
    EXPECT_EQ(s.chunks->releases, s.ended[0].chunks);
    EXPECT_TRUE(view.actionButton()->isEnabled());
    EXPECT_EQ(view.actionButton()->text(), QStringLiteral("加速"));
    EXPECT_TRUE(view.accelTextField()->text().isEmpty());
    EXPECT_TRUE(view.timer().isActive());
    Meminfo other;
    other.application = kGiB;
    other.writeTo(s.t / "proc");
    view.timerMethod();
    EXPECT_EQ(view.pieChartData()[0], kGiB);
}

TEST(MemoryScreen, NoSecondReleaseBeforeTheFirstHasFreedItsBlocks)
{
    Screen s;
    YVPopViewController& view = *s.view;
    s.holdAt = 3;
    s.press();
    ASSERT_TRUE(waitFor([&] { return s.holding.load(); }));
    s.press();
    // Stopped as far as the screen goes, but the loop still holds two blocks in its
    // table: a press now must not start another loop over that table.
    EXPECT_EQ(view.actionButton()->text(), QStringLiteral("加速"));
    ASSERT_TRUE(view.release().busy());
    EXPECT_FALSE(view.actionButton()->isEnabled());
    view.pushButton();
    EXPECT_FALSE(view.freeFlag());

    s.gate.release();
    ASSERT_TRUE(waitFor([&] { return !s.ended.empty(); }));
    ASSERT_EQ(s.ended.size(), 1u);
    EXPECT_EQ(s.ended[0].chunks, 3); // the stop is seen after the block it was waiting for
    EXPECT_EQ(s.chunks->releases, 3);
    EXPECT_TRUE(view.actionButton()->isEnabled());

    // Now it runs again; with nothing in its way, to its end.
    s.holdAt = 0;
    view.setReleaseLimit(5);
    s.press();
    ASSERT_TRUE(waitFor([&] { return s.ended.size() == 2; }));
    EXPECT_EQ(s.ended[1].chunks, 5);
    EXPECT_EQ(s.ended[1].stoppedBy, MemoryRelease::Outcome::Done);
}
