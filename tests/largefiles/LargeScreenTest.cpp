// SPDX-License-Identifier: GPL-3.0-or-later
// The large-file screen: size groups and their boundaries, ticks, removal, the folder
// view and the result view offscreen, the window of its own.
#include "largefiles/engine/LargeResultModel.h"
#include "largefiles/ui/LargeFilesView.h"
#include "largefiles/ui/LargeResultView.h"
#include "largefiles/ui/LargeWindowController.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/StandardFolders.h"
#include "search/ui/SearchFolderCell.h"
#include "toolkit/GlowAnimation.h"

#include "duplicates/ScreenSupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

void sparse(const std::string& path, off_t size)
{
    writeFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

std::string label(uint64_t size)
{
    auto r = LargeResultModel::fileRange(size);
    return r ? r->toStdString() : std::string("none");
}

std::string groups(const LargeResultModel& m)
{
    std::string s;
    for (const auto& g : m.list()) {
        s += "[" + g.front()->fileRange.toStdString() + ":";
        for (const auto& o : g)
            s += " " + lastComponent(o->filePath);
        s += "]";
    }
    return s;
}

bool removed(LargeResultModel& m)
{
    return waitFor([&] { return m.removalsPending() == 0; });
}

} // namespace

TEST(LargeResultModel, SizeRangeBoundaries)
{
    EXPECT_EQ(label(9999999), "none");
    EXPECT_EQ(label(10000000), "10MB to 50MB");
    EXPECT_EQ(label(49999999), "10MB to 50MB");
    EXPECT_EQ(label(50000000), "50MB to 100MB");
    EXPECT_EQ(label(100000000), "100MB to 300MB");
    EXPECT_EQ(label(300000000), "300MB to 500MB");
    EXPECT_EQ(label(500000000), "500MB to 1GB");
    EXPECT_EQ(label(999999999), "500MB to 1GB");
    EXPECT_EQ(label(1000000000), "1GB to 3GB");
    EXPECT_EQ(label(3000000000), "3GB to 5GB");
    EXPECT_EQ(label(5000000000), "5GB to 10GB");
    EXPECT_EQ(label(9999999999), "5GB to 10GB");
    EXPECT_EQ(label(10000000000), ">10GB");
}

TEST(LargeResultModel, GroupsLargestFirstArrivalOrderInsideAndSortByType)
{
    LargeResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.set_reustlist({{{"/d/a.iso"}, 20000000},
                     {{"/d/b.MKV"}, 10000000000},
                     {{"/d/c.zip"}, 30000000},
                     {{"/d/e"}, 60000000},
                     {{"/d/f.tar"}, 9999999999}});
    m.reloadList();
    EXPECT_TRUE(m.resultText().isEmpty());
    EXPECT_EQ(groups(m), "[>10GB: b.MKV][5GB to 10GB: f.tar][50MB to 100MB: e][10MB to 50MB: a.iso c.zip]");
    m.selectSortChoice(1);
    EXPECT_EQ(m.sortKind(), 2);
    // By the last file's upper-cased extension, none first; files keep their order.
    EXPECT_EQ(groups(m), "[50MB to 100MB: e][>10GB: b.MKV][5GB to 10GB: f.tar][10MB to 50MB: a.iso c.zip]");
    m.selectSortChoice(0);
    EXPECT_EQ(groups(m), "[>10GB: b.MKV][5GB to 10GB: f.tar][50MB to 100MB: e][10MB to 50MB: a.iso c.zip]");

    LargeResultModel empty(userLayout());
    empty.reloadList();
    EXPECT_EQ(empty.resultText().toStdString(), "未扫描出数据");
    EXPECT_TRUE(empty.list().empty());
}

TEST(LargeResultModel, TicksKeepTheirOrderAndRemovalsShrinkGroups)
{
    TempDir t;
    for (const char* n : {"x", "y", "z"})
        sparse(t / n, 12000000);
    sparse(t / "big", 60000000);
    LargeResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.set_reustlist({{{t / "x"}, 12000000}, {{t / "y"}, 12000000}, {{t / "z"}, 12000000}, {{t / "big"}, 60000000}});
    m.reloadList();
    const auto& small = m.list()[1];
    m.selectBtnClicked(small[2], true);
    m.selectBtnClicked(small[0], true);
    m.selectBtnClicked(m.list()[0][0], true);
    m.selectBtnClicked(small[0], false);
    m.selectBtnClicked(small[0], true);
    std::vector<std::string> order;
    for (const auto& o : m.deleteList())
        order.push_back(lastComponent(o->filePath));
    EXPECT_EQ(order, (std::vector<std::string>{"z", "big", "x"}));

    // The row's own button takes a ticked file out of the ticks too.
    m.deleteFile(m.list()[0][0]);
    EXPECT_EQ(m.deleteList().size(), 2u);
    ASSERT_TRUE(removed(m));
    EXPECT_FALSE(exists(t / "big"));
    EXPECT_EQ(groups(m), "[10MB to 50MB: x y z]"); // the emptied group is gone
    ASSERT_TRUE(m.deleteAllFile());
    ASSERT_TRUE(removed(m));
    EXPECT_EQ(groups(m), "[10MB to 50MB: y]");
    EXPECT_TRUE(exists(t / "y"));
    EXPECT_FALSE(exists(t / "x"));
    EXPECT_FALSE(m.deleteAllFile());
}

TEST(LargeResultModel, ARemovalThatDidNotHappenKeepsTheRowAndSaysSo)
{
    // The home folder is protected: the deletion step refuses it whatever the screen asks.
    const std::string home = userLayout().home();
    makeDirs(home);
    LargeResultModel m(userLayout());
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.set_reustlist({{{home}, 20000000}});
    m.reloadList();
    auto object = m.list()[0][0];
    m.selectBtnClicked(object, true);
    ASSERT_TRUE(m.deleteAllFile());
    ASSERT_TRUE(removed(m));
    ASSERT_EQ(m.list().size(), 1u);
    EXPECT_EQ(m.list()[0][0], object);
    EXPECT_FALSE(object->removing);
    EXPECT_FALSE(object->state);
    EXPECT_EQ(object->note.toStdString(), "删除失败，文件仍在原处");
    EXPECT_TRUE(exists(home));
}

using Screen = ScreenFixture<LargeFilesView>;

TEST(LargeFilesView, FindsShowsAndRemovesRealFiles)
{
    Screen s;
    LargeFilesView& v = *s.view;
    EXPECT_EQ(v.titleLabel()->text().toStdString(), "大文件清理");
    EXPECT_EQ(v.descriptionLabel()->text().toStdString(), "找到并迅速清除Mac上的大文件");
    EXPECT_TRUE(v.glow()->isRunning());
    ASSERT_EQ(v.filePaths(), std::vector<std::string>{s.downloads});
    v.addPaths({s.downloads});
    EXPECT_EQ(v.tableView()->count(), 1);

    const std::string d = s.downloads;
    sparse(d + "/movie.mkv", 10000000000);
    sparse(d + "/almost.img", 9999999999);
    sparse(d + "/floor.bin", 10000000);
    sparse(d + "/below.bin", 9999999);
    sparse(d + "/nested/deeper/archive.zip", 70000000);
    screenshot(&v, "large-1-folders.png");

    s.press(v.scanButton());
    ASSERT_TRUE(waitFor([&] { return v.resultView() != nullptr; }));
    EXPECT_EQ(v.scanButton()->text().toStdString(), "扫描");
    EXPECT_EQ(v.session().list()[0].resultPath.toStdString(), "完成");
    LargeResultView* r = v.resultView();
    EXPECT_TRUE(r->glow()->isRunning());
    EXPECT_EQ(r->sortBox()->count(), 2);
    EXPECT_EQ(r->resultText()->text().toStdString(), "");
    QAbstractItemModelTester tester(&r->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModel* o = r->outline()->model();
    ASSERT_EQ(o, &r->model());
    auto text = [&](int group, int row, int column) {
        const QModelIndex parent = row < 0 ? QModelIndex() : o->index(group, 0);
        return o->index(row < 0 ? group : row, column, parent).data().toString().toStdString();
    };
    auto tick = [&](int group, int row) {
        o->setData(o->index(row, 0, o->index(group, 0)), Qt::Checked, Qt::CheckStateRole);
    };
    ASSERT_EQ(o->rowCount(), 4);
    EXPECT_EQ(text(0, -1, 0), ">10GB");
    EXPECT_EQ(text(1, -1, 0), "5GB to 10GB");
    EXPECT_EQ(text(2, -1, 0), "50MB to 100MB");
    EXPECT_EQ(text(3, -1, 0), "10MB to 50MB");
    EXPECT_TRUE(r->outline()->isExpanded(o->index(3, 0)));
    EXPECT_EQ(text(0, 0, LargeResultView::NameColumn), "movie.mkv");
    EXPECT_EQ(text(0, 0, LargeResultView::SizeColumn), "10.0GB");
    EXPECT_EQ(text(0, 0, LargeResultView::PathColumn).substr(0, 3), "...");
    EXPECT_EQ(o->index(0, LargeResultView::PathColumn, o->index(0, 0)).data().toString().size(), 33);
    screenshot(&v, "large-2-results.png");

    // Tick two, remove them with "删除".
    tick(0, 0);
    tick(3, 0);
    EXPECT_EQ(o->index(0, 0, o->index(0, 0)).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    ASSERT_EQ(r->model().deleteList().size(), 2u);
    QTest::mouseClick(r->deleteButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return r->model().removalsPending() == 0; }));
    EXPECT_FALSE(exists(d + "/movie.mkv"));
    EXPECT_FALSE(exists(d + "/floor.bin"));
    EXPECT_TRUE(exists(d + "/almost.img"));
    ASSERT_EQ(o->rowCount(), 2);
    screenshot(&v, "large-3-after-delete.png");

    // Tick one, delete it with its own button, then "删除" has nothing: the sheet.
    tick(0, 0);
    r->deleteFile(o->index(0, 0, o->index(0, 0)).data(SearchResultTreeModel::FileIdRole).toULongLong());
    QTest::mouseClick(r->deleteButton(), Qt::LeftButton);
    ASSERT_TRUE(r->alertBox());
    EXPECT_EQ(r->alertBox()->text().toStdString(), "路径未添加");
    EXPECT_EQ(r->alertBox()->informativeText().toStdString(), "请点击添加文件夹按钮添加文件路径");
    screenshot(&v, "large-4-alert.png");
    r->alertBox()->close();
    ASSERT_TRUE(waitFor([&] { return r->model().removalsPending() == 0; }));
    EXPECT_FALSE(exists(d + "/almost.img"));

    QTest::mouseClick(r->backButton(), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return !v.resultView(); }));
    EXPECT_EQ(v.tableView()->count(), 1);
}

TEST(LargeFilesView, EmptyListAlertsNoHitsSaysSoAndAStopShowsWhatWasFound)
{
    Screen s;
    LargeFilesView& v = *s.view;
    s.press(v.clearButton());
    s.press(v.scanButton());
    ASSERT_TRUE(v.alertBox());
    EXPECT_EQ(v.alertBox()->text().toStdString(), "路径未添加");
    EXPECT_FALSE(v.session().helper().searching());
    v.alertBox()->close();

    v.addPaths({s.downloads});
    writeFile(s.downloads + "/small.txt", "tiny");
    s.press(v.scanButton());
    ASSERT_TRUE(waitFor([&] { return v.resultView() != nullptr; }));
    EXPECT_EQ(v.resultView()->resultText()->text().toStdString(), "未扫描出数据");
    EXPECT_EQ(v.resultView()->outline()->model()->rowCount(), 0);
    screenshot(&v, "large-5-empty.png");
    QTest::mouseClick(v.resultView()->backButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !v.resultView(); }));

    // Many folders, each with a large file; stop once the first hit has been seen.
    for (int i = 0; i < 400; ++i)
        sparse(s.downloads + "/tree/d" + std::to_string(i) + "/f.bin", 11000000);
    s.press(v.scanButton());
    EXPECT_EQ(v.scanButton()->text().toStdString(), "停止");
    EXPECT_FALSE(v.addButton()->isEnabled());
    EXPECT_FALSE(v.cell(0)->removeButton()->isEnabled());
    v.deleteRow(0); // refused while running
    EXPECT_EQ(v.tableView()->count(), 1);
    screenshot(&v, "large-6-scanning.png");
    s.press(v.scanButton());
    EXPECT_EQ(v.scanButton()->text().toStdString(), "扫描");
    ASSERT_TRUE(waitFor([&] { return v.resultView() != nullptr; }));
    const auto& hits = v.resultView()->model().reustlist();
    EXPECT_LE(hits.size(), 400u);
    for (const LargeHit& h : hits)
        EXPECT_EQ(h.fileSize, 11000000u);
    EXPECT_TRUE(v.addButton()->isEnabled());
}

TEST(LargeFilesView, RowProgressShowsTheLast40Characters)
{
    Screen s;
    LargeFilesView& v = *s.view;
    // A file whose path is long: the row shows "..." and its last 40 characters.
    const std::string name = std::string(60, 'n') + ".bin";
    sparse(s.downloads + "/" + name, 100);
    s.press(v.scanButton());
    // Before the end, the coalesced progress shows the file; at the end "完成".
    ASSERT_TRUE(waitFor([&] { return v.resultView() != nullptr; }));
    v.session().folders().begin();
    v.session().folders().notePath(s.downloads + "/" + name);
    ASSERT_EQ(v.session().folders().takeProgress(), std::vector<int>{0});
    EXPECT_EQ(v.session().list()[0].resultPath.toStdString(), "..." + name.substr(name.size() - 40));
}

TEST(LargeWindowController, HostsAFreshFolderViewAndClosingEndsTheModalRun)
{
    TempDir root;
    const Layout layout = Layout::macLayout(root.path(), "tester");
    LargeWindowController window(layout);
    ASSERT_TRUE(window.largeView());
    EXPECT_EQ(window.largeView()->parentWidget(), &window);
    QTimer::singleShot(50, &window, [&] { window.close(); });
    window.runModal();
    EXPECT_FALSE(window.isVisible());
}

TEST(LargeFilesView, LongNamesStayReadableAtTheWindowsDefaultSize)
{
    Screen s;
    LargeFilesView& v = *s.view;
    const std::string d = s.downloads;
    const std::vector<std::string> names = {
        "summer holiday in the mountains with the whole family, first evening.mkv",
        "summer holiday in the mountains with the whole family, second evening.mkv",
        "mo.iso",
    };
    for (const std::string& name : names)
        sparse(d + "/a rather long folder name/" + name, 20000000);
    s.press(v.scanButton());
    ASSERT_TRUE(waitFor([&] { return v.resultView() != nullptr; }));
    LargeResultView* r = v.resultView();
    QApplication::processEvents();
    QAbstractItemModel* m = r->outline()->model();
    ASSERT_EQ(m->rowCount(), 1);
    QSet<QString> shown;
    for (int row = 0; row < m->rowCount(m->index(0, 0)); ++row) {
        const QModelIndex name = m->index(row, LargeResultView::NameColumn, m->index(0, 0));
        const QString full = name.data().toString();
        const QString text = r->outline()->shownText(name);
        shown.insert(text);
        if (text != full) {
            // Shortened in the middle, with enough of both ends to tell files apart.
            const qsizetype cut = text.indexOf(QChar(0x2026));
            ASSERT_GT(cut, 8) << text.toStdString();
            EXPECT_TRUE(full.startsWith(text.left(cut))) << text.toStdString();
            EXPECT_TRUE(full.endsWith(text.mid(cut + 1))) << text.toStdString();
            EXPECT_GE(text.size() - cut - 1, 8) << text.toStdString();
        }
        // The full path is the row's tooltip.
        EXPECT_TRUE(name.data(Qt::ToolTipRole).toString().endsWith(full));
        // The path column gives way at its start: the end, with the file name, stays.
        const QModelIndex path = name.siblingAtColumn(LargeResultView::PathColumn);
        EXPECT_TRUE(path.data().toString().endsWith(r->outline()->shownText(path).mid(1)));
    }
    EXPECT_EQ(shown.size(), 3);
    EXPECT_TRUE(shown.contains(QStringLiteral("mo.iso")));
    screenshot(&v, "large-7-long-names.png");
}
