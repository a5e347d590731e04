// SPDX-License-Identifier: GPL-3.0-or-later
// The clean screen offscreen: press its buttons, read its labels.
#include "JunkFixtures.h"

#include "junk/engine/SystemClean.h"
#include "junk/ui/SystemCleanCell.h"
#include "junk/ui/SystemCleanResult.h"
#include "junk/ui/SystemCleanView.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace corvane;
using namespace corvane::test;

namespace {

std::string text(const QLabel* label)
{
    return label->text().toStdString();
}

Qt::CheckState boxOf(const QModelIndex& index)
{
    return Qt::CheckState(index.data(Qt::CheckStateRole).toInt());
}

// Clicks a row's checkbox where the style draws it, as the user does.
void clickBox(QTreeView* outline, const QModelIndex& index)
{
    QStyleOptionViewItem option;
    option.initFrom(outline);
    option.rect = outline->visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QRect box = outline->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, outline);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, box.center());
}

bool waitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QTest::qWait(10);
    return done();
}

struct Screen
{
    MacRoot r;
    SystemClean catalogue{r.layout};
    SystemCleanView view{catalogue};

    Screen()
    {
        writeSized(r.lib + "/Caches/com.app/blob", 1500);
        writeSized(r.lib + "/Caches/thumb.db", 500);
        writeSized(r.lib + "/Logs/app.log", 2000);
        writeSized(r.home + "/.Trash/old.zip", 4000);
        writeSized(r.home + "/Downloads/setup.dmg", 3000);
        writeSized(r.home + "/Downloads/thesis.txt", 7000);
        view.resize(860, 560);
    }

    void press(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    bool scan()
    {
        press(view.scanBtn());
        return waitFor([&] { return view.isStart() == SystemCleanSession::RunState::Scanned; });
    }
    void screenshot(const char* name)
    {
        if (const char* dir = std::getenv("CORVANE_SCREENSHOTS"))
            view.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/") + QString::fromLatin1(name));
    }
};

} // namespace

TEST(SystemCleanView, IdleScanAndDefaults)
{
    Screen s;
    SystemCleanView& v = s.view;
    EXPECT_EQ(text(v.titleLabel()), "垃圾清理");
    EXPECT_EQ(v.scanBtn()->text().toStdString(), "扫描");
    EXPECT_EQ(text(v.descriptionLabel()), "快速清理垃圾,给你更洁净的空间");
    EXPECT_TRUE(v.reloadBtn()->isHidden());
    EXPECT_TRUE(v.cell(0)->checkBox()->isChecked());
    EXPECT_TRUE(v.cell(1)->checkBox()->isChecked());
    EXPECT_FALSE(v.cell(2)->checkBox()->isChecked());
    EXPECT_EQ(text(v.cell(3)->descriptionLabel()), "清理\"废纸篓\"中的文件");
    EXPECT_TRUE(text(v.cell(2)->alertLabel()).empty()); // alerts only show on checked rows
    s.screenshot("junk-idle.png");

    ASSERT_TRUE(s.scan());
    EXPECT_EQ(v.scanBtn()->text().toStdString(), "清理");
    EXPECT_FALSE(v.reloadBtn()->isHidden());
    EXPECT_EQ(text(v.foundLabel()), "检测到垃圾文件");
    EXPECT_EQ(text(v.foundSizeLabel()), "4.0KB"); // caches 2000 + logs 2000
    EXPECT_EQ(text(v.selectedLabel()), "已选择清理");
    EXPECT_EQ(text(v.selectedSizeLabel()), "4.0KB");
    EXPECT_TRUE(text(v.descriptionLabel()).empty());
    EXPECT_EQ(text(v.cell(0)->sizeLabel()), "2.0KB");
    EXPECT_FALSE(v.cell(0)->detailsButton()->isHidden());
    // Unchecked rows were not scanned and show nothing.
    for (int row : {2, 3, 4}) {
        EXPECT_TRUE(text(v.cell(row)->sizeLabel()).empty());
        EXPECT_TRUE(v.cell(row)->detailsButton()->isHidden());
        EXPECT_TRUE(v.list()[size_t(row)]->listArray.empty());
    }
    s.screenshot("junk-scanned.png");

    // Unchecking a category takes its size out of the selection at once.
    QTest::mouseClick(v.cell(1)->checkBox(), Qt::LeftButton);
    EXPECT_FALSE(v.list()[1]->state.load());
    EXPECT_EQ(text(v.selectedSizeLabel()), "2.0KB");
    EXPECT_EQ(text(v.foundSizeLabel()), "4.0KB");
}

TEST(SystemCleanView, DetailsOverlayDrivesTheSelection)
{
    Screen s;
    SystemCleanView& v = s.view;
    v.cell(4)->checkBox()->click(); // Downloads
    ASSERT_TRUE(v.list()[4]->state.load());
    ASSERT_TRUE(s.scan());
    EXPECT_EQ(text(v.selectedSizeLabel()), "7.0KB"); // 4000 + setup.dmg's 3000

    v.show();
    QTest::mouseClick(v.cell(4)->detailsButton(), Qt::LeftButton);
    SystemCleanResult* result = v.resultView();
    ASSERT_NE(result, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(result));
    QTreeView* outline = result->outline();
    QAbstractItemModel* model = outline->model();
    QAbstractItemModelTester checker(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(model->rowCount(), 1);
    const QModelIndex group = model->index(0, SystemCleanResult::kNameColumn);
    EXPECT_TRUE(outline->isExpanded(group));
    EXPECT_EQ(group.data().toString().toStdString(), "下载");
    EXPECT_EQ(boxOf(group), Qt::PartiallyChecked);
    ASSERT_EQ(model->rowCount(group), 2);
    QModelIndex thesis;
    for (int i = 0; i < 2; ++i)
        if (model->index(i, 0, group).data() == QStringLiteral("thesis.txt"))
            thesis = model->index(i, 0, group);
    ASSERT_TRUE(thesis.isValid());
    EXPECT_EQ(boxOf(thesis), Qt::Unchecked);
    EXPECT_EQ(SystemCleanResult::nodeOf(thesis)->filePath, s.r.home + "/Downloads/thesis.txt");
    s.screenshot("junk-details.png");

    // Checking the last unchecked item makes the group fully on and grows the selection.
    clickBox(outline, thesis);
    EXPECT_EQ(boxOf(thesis), Qt::Checked);
    EXPECT_EQ(boxOf(group), Qt::Checked);
    EXPECT_EQ(text(v.selectedSizeLabel()), "14.0KB");
    // The group's box sets every item.
    result->selectBtnClicked(group, false);
    EXPECT_EQ(boxOf(thesis), Qt::Unchecked);
    EXPECT_EQ(text(v.selectedSizeLabel()), "4.0KB");

    // The overlay shown again for another category: its groups, expanded.
    result->setSystemObject(v.list()[0]);
    ASSERT_EQ(model->rowCount(), 1); // the user's caches; no system cache in this root
    EXPECT_EQ(model->index(0, 0).data().toString().toStdString(), "用户缓存");
    EXPECT_TRUE(outline->isExpanded(model->index(0, 0)));
    EXPECT_EQ(model->rowCount(model->index(0, 0)), 2);
    clickBox(outline, model->index(0, 0, model->index(0, 0)));
    EXPECT_EQ(boxOf(model->index(0, 0)), Qt::PartiallyChecked);
    EXPECT_NE(text(v.selectedSizeLabel()), "4.0KB");

    QTest::mouseClick(result->backButton(), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return v.resultView() == nullptr; }));
}

TEST(SystemCleanView, CancelDuringTheScanLeavesEverythingIdle)
{
    Screen s;
    SystemCleanView& v = s.view;
    s.press(v.scanBtn());
    EXPECT_EQ(v.scanBtn()->text().toStdString(), "取消");
    EXPECT_EQ(text(v.descriptionLabel()), "正在扫描...");
    s.press(v.scanBtn()); // "取消"
    EXPECT_TRUE(waitFor([&] { return v.isStart() == SystemCleanSession::RunState::Idle; }));
    // A late result of the cancelled scan must not show: once its thread has returned,
    // all it posted is queued, and handling the queue must leave the screen idle.
    ASSERT_TRUE(waitFor([&] { return !v.session().workRunning(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(v.isStart(), SystemCleanSession::RunState::Idle);
    EXPECT_EQ(v.scanBtn()->text().toStdString(), "扫描");
    EXPECT_EQ(text(v.descriptionLabel()), "快速清理垃圾,给你更洁净的空间");
    EXPECT_TRUE(text(v.foundLabel()).empty());
    EXPECT_TRUE(text(v.selectedSizeLabel()).empty());
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(v.list()[size_t(row)]->start, SystemCleanObject::Start::Idle);
        EXPECT_TRUE(text(v.cell(row)->sizeLabel()).empty());
    }
    // The second button after a finished scan is the same cancel.
    ASSERT_TRUE(s.scan());
    s.press(v.reloadBtn());
    EXPECT_EQ(v.scanBtn()->text().toStdString(), "扫描");
    EXPECT_TRUE(v.reloadBtn()->isHidden());
}

TEST(SystemCleanView, CleanReportsWhatIsGone)
{
    Screen s;
    SystemCleanView& v = s.view;
    ASSERT_TRUE(s.scan());
    s.press(v.scanBtn()); // "清理"
    ASSERT_TRUE(waitFor([&] { return v.isStart() == SystemCleanSession::RunState::Idle; }));
    EXPECT_EQ(text(v.foundLabel()), "已清理垃圾");
    EXPECT_EQ(text(v.foundSizeLabel()), "4.0KB");
    EXPECT_TRUE(text(v.selectedLabel()).empty());
    EXPECT_EQ(v.scanBtn()->text().toStdString(), "扫描");
    EXPECT_FALSE(s.catalogue.isStop());
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(v.list()[size_t(row)]->start, SystemCleanObject::Start::Idle);
    EXPECT_FALSE(exists(s.r.lib + "/Caches/com.app"));
    EXPECT_FALSE(exists(s.r.lib + "/Logs/app.log"));
    EXPECT_TRUE(exists(s.r.home + "/.Trash/old.zip"));
    EXPECT_TRUE(exists(s.r.home + "/Downloads/setup.dmg"));
    s.screenshot("junk-cleaned.png");
}

// A system cache the user may not delete: the screen says how much stayed and keeps
// it visible under the category's details. The screen runs in a fresh unprivileged
// process (this test binary again), so no thread of this process is assumed there.
TEST(SystemCleanView, CleanThatCannotRemoveEverythingSaysSo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a cache the child cannot delete";
    MacRoot r;
    FakeHelper helper(helperSocketPath(r.layout));
    writeSized(r.lib + "/Caches/mine", 1000);
    writeSized(r.root + "/Library/Caches/com.sys/blob", 5000);
    giveToUnprivileged(r.lib);
    const int rc = rerunSelfAsUnprivileged("SystemCleanViewChild.*", "CORVANE_CHILD_ROOT", r.root);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(helper.requests(1).size(), 1u);
    EXPECT_TRUE(exists(r.root + "/Library/Caches/com.sys/blob"));
    EXPECT_FALSE(exists(r.lib + "/Caches/mine"));
}

TEST(SystemCleanViewChild, UnremovableCacheIsReported)
{
    const char* root = std::getenv("CORVANE_CHILD_ROOT");
    if (!root)
        GTEST_SKIP() << "run by CleanThatCannotRemoveEverythingSaysSo";
    const Layout layout = Layout::macLayout(root, "tester");
    SystemClean catalogue(layout);
    SystemCleanView v(catalogue);
    v.scanMethods();
    ASSERT_TRUE(waitFor([&] { return v.isStart() == SystemCleanSession::RunState::Scanned; }));
    v.scanMethods();
    ASSERT_TRUE(waitFor([&] { return v.isStart() == SystemCleanSession::RunState::Idle; }));
    EXPECT_EQ(text(v.foundLabel()), "已清理垃圾");
    EXPECT_EQ(text(v.foundSizeLabel()), "1.0KB");
    EXPECT_EQ(text(v.selectedLabel()), "未能清理");
    EXPECT_EQ(text(v.selectedSizeLabel()), "5.0KB");
    EXPECT_FALSE(v.cell(0)->detailsButton()->isHidden());
    EXPECT_FALSE(text(v.descriptionLabel()).empty());
    const auto& groups = v.list()[0]->listArray;
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0]->listArray.size(), 1u);
    EXPECT_EQ(groups[0]->listArray[0]->filePath, std::string(root) + "/Library/Caches/com.sys");
    if (const char* dir = std::getenv("CORVANE_SCREENSHOTS"))
        v.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/junk-leftovers.png"));
}

// The details overlay may be opened while the clean runs (the rows keep their details
// button). When the clean ends, the category's tree keeps only what stayed; the rows the
// overlay still shows must stay usable. Run unprivileged, as above, so something stays.
TEST(SystemCleanView, DetailsOpenDuringACleanStayUsableAfterIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a cache the child cannot delete";
    MacRoot r;
    writeSized(r.lib + "/Caches/mine", 1000);
    writeSized(r.lib + "/Caches/mine too", 1000);
    writeSized(r.root + "/Library/Caches/com.sys/blob", 5000);
    giveToUnprivileged(r.lib);
    const int rc =
        rerunSelfAsUnprivileged("SystemCleanViewDetailsChild.DetailsOpenDuringTheClean", "CORVANE_CHILD_ROOT", r.root);
    EXPECT_EQ(rc, 0);
    EXPECT_FALSE(exists(r.lib + "/Caches/mine"));
}

TEST(SystemCleanViewDetailsChild, DetailsOpenDuringTheClean)
{
    const char* root = std::getenv("CORVANE_CHILD_ROOT");
    if (!root)
        GTEST_SKIP() << "run by DetailsOpenDuringACleanStayUsableAfterIt";
    const Layout layout = Layout::macLayout(root, "tester");
    SystemClean catalogue(layout);
    SystemCleanView v(catalogue);
    v.scanMethods();
    ASSERT_TRUE(waitFor([&] { return v.isStart() == SystemCleanSession::RunState::Scanned; }));
    v.scanMethods(); // "清理"
    ASSERT_EQ(v.isStart(), SystemCleanSession::RunState::Cleaning);
    ASSERT_FALSE(v.cell(0)->detailsButton()->isHidden());
    QTest::mouseClick(v.cell(0)->detailsButton(), Qt::LeftButton);
    SystemCleanResult* result = v.resultView();
    ASSERT_NE(result, nullptr);
    ASSERT_TRUE(waitFor([&] { return v.isStart() == SystemCleanSession::RunState::Idle; }));
    ASSERT_EQ(v.list()[0]->listArray.size(), 1u); // only the system cache stayed

    // Every row the overlay shows, the removed ones included, still answers its box.
    QAbstractItemModel* model = result->outline()->model();
    QAbstractItemModelTester checker(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(model->rowCount(), 2);
    for (int g = 0; g < model->rowCount(); ++g) {
        const QModelIndex group = model->index(g, 0);
        ASSERT_GT(model->rowCount(group), 0);
        const QModelIndex first = model->index(0, 0, group);
        result->selectBtnClicked(first, false);
        ASSERT_TRUE(model->setData(group, Qt::Checked, Qt::CheckStateRole));
        EXPECT_EQ(boxOf(first), Qt::Checked);
    }
    EXPECT_EQ(text(v.foundLabel()), "已清理垃圾");
}
