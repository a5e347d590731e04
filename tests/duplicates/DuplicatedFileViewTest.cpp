// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate screen offscreen: press its buttons, read its rows and its result view.
#include "duplicates/ui/DuplicatedFileView.h"
#include "duplicates/ui/DupScanResultView.h"
#include "platform/Layout.h"
#include "platform/StandardFolders.h"
#include "search/engine/SearchFolderList.h"
#include "search/ui/SearchFolderCell.h"
#include "toolkit/GlowAnimation.h"
#include "toolkit/Localization.h"

#include "ScreenSupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>

using namespace corvane;
using namespace corvane::test;

namespace {

struct Screen : ScreenFixture<DuplicatedFileView>
{
    bool scanToResults()
    {
        press(view->scanButton());
        return waitFor([&] { return view->resultView() && !view->resultView()->model().verifying(); });
    }
};

std::string text(const QLabel* l)
{
    return l->text().toStdString();
}

// A cell of the outline: a group row, or with `row` a file row of that group.
QModelIndex cell(SearchResultView* r, int group, int row = -1, int column = 0)
{
    const QAbstractItemModel* m = r->outline()->model();
    return row < 0 ? m->index(group, column) : m->index(row, column, m->index(group, 0));
}

std::string text(const QModelIndex& i)
{
    return i.data().toString().toStdString();
}

Qt::CheckState tick(const QModelIndex& i)
{
    return i.data(Qt::CheckStateRole).value<Qt::CheckState>();
}

// Presses the row's "删除" the way a person does: a click in that cell.
void clickDelete(SearchResultView* r, uint64_t id)
{
    const QModelIndex item = r->indexFor(id);
    ASSERT_TRUE(item.isValid());
    QTreeView* outline = r->outline();
    const QRect row = outline->visualRect(item);
    const int x = outline->header()->sectionViewportPosition(SearchResultView::DeleteColumn) +
                  outline->columnWidth(SearchResultView::DeleteColumn) / 2;
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, QPoint(x, row.center().y()));
}

// The question the screen asks, once it is on screen (window-modal, answered later).
QMessageBox* openQuestion()
{
    QMessageBox* box = nullptr;
    waitFor(
        [&] {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box && box->isVisible();
        },
        5000);
    return box && box->isVisible() ? box : nullptr;
}

QAbstractButton* buttonTitled(QMessageBox* box, const QString& title)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == title)
            return b;
    return nullptr;
}

bool hasChinese(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) {
        const ushort u = c.unicode();
        return (u >= 0x3000 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF);
    });
}

// The search's one sampled twin: the copy that differs from the one that stays.
uint64_t differingCopy(DupScanResultView* r)
{
    for (const auto& g : r->model().list())
        for (const auto& o : g.members)
            if (o->check == DupScanReultObject::Check::Differs)
                return o->id;
    return 0;
}

} // namespace

TEST(DuplicatedFileView, OpensWithDownloadsAndKeepsOneRowPerFolder)
{
    Screen s;
    DuplicatedFileView& v = *s.view;
    EXPECT_EQ(text(v.titleLabel()), "重复文件查找");
    EXPECT_EQ(text(v.descriptionLabel()), "找到并迅速清除Mac上的重复文件");
    EXPECT_EQ(v.addButton()->text().toStdString(), "添加文件夹");
    EXPECT_EQ(v.clearButton()->text().toStdString(), "清空列表");
    EXPECT_EQ(v.scanButton()->text().toStdString(), "扫描");
    EXPECT_TRUE(v.glow()->isRunning());
    ASSERT_EQ(v.tableView()->count(), 1);
    EXPECT_EQ(v.session().list()[0].path, s.downloads);
    EXPECT_EQ(text(v.cell(0)->titleLabel()), "Downloads");

    makeDirs(s.root / "a folder");
    v.addPaths({s.root / "a folder", s.downloads, s.root / "a folder", s.root / "missing"});
    ASSERT_EQ(v.tableView()->count(), 2);
    v.addPaths({s.root / "a folder"});
    EXPECT_EQ(v.tableView()->count(), 2);
    screenshot(&v, "dups-1-folders.png");

    // "添加文件夹": the chooser opens as a sheet; its OK adds what is chosen.
    s.press(v.addButton());
    ASSERT_TRUE(v.openPanel());
    EXPECT_TRUE(v.openPanel()->isVisible());
    EXPECT_EQ(v.openPanel()->windowModality(), Qt::WindowModal);
    v.openPanel()->reject();

    s.press(v.cell(0)->removeButton());
    ASSERT_EQ(v.tableView()->count(), 1);
    EXPECT_EQ(v.session().list()[0].path, s.root / "a folder");
    s.press(v.clearButton());
    EXPECT_EQ(v.tableView()->count(), 0);
}

TEST(DuplicatedFileView, ScanWithNoFoldersAlertsAndStartsNothing)
{
    Screen s;
    DuplicatedFileView& v = *s.view;
    s.press(v.clearButton());
    s.press(v.scanButton());
    ASSERT_TRUE(v.alertBox());
    EXPECT_EQ(v.alertBox()->text().toStdString(), "路径未添加");
    EXPECT_EQ(v.alertBox()->informativeText().toStdString(), "请点击添加文件夹按钮添加文件路径");
    EXPECT_FALSE(v.session().helper().searching());
    EXPECT_TRUE(v.session().isSanOrStop());
    EXPECT_EQ(v.scanButton()->text().toStdString(), "扫描");
    screenshot(&v, "dups-2-alert.png");
    v.alertBox()->close();
}

TEST(DuplicatedFileView, ScanShowsVerifiedGroupsAndNeverDeletesASampledTwin)
{
    Screen s;
    DuplicatedFileView& v = *s.view;
    const std::string d = s.downloads;
    const std::string photo = randomBytes(50000, 21);
    writeFile(d + "/holiday.jpg", photo);
    writeFile(d + "/copy of holiday.jpg", photo);
    writeSampledTwins(d + "/report-v1.pdf", d + "/report-v2.pdf", 1500000, 700000, 22);
    writeFile(d + "/unique.txt", randomBytes(9000, 23));
    writeFile(d + "/disk.vmdk", randomBytes(7000, 24));
    writeFile(d + "/disk-copy.vmdk", readFile(d + "/disk.vmdk"));

    ASSERT_TRUE(s.scanToResults());
    EXPECT_EQ(v.scanButton()->text().toStdString(), "扫描");
    EXPECT_EQ(v.session().list()[0].resultPath.toStdString(), "完成");
    EXPECT_FALSE(v.cell(0)->busy());
    DupScanResultView* r = v.resultView();
    ASSERT_TRUE(r->isVisible());
    EXPECT_EQ(r->backButton()->text().toStdString(), "返回");
    EXPECT_EQ(r->deleteButton()->text().toStdString(), "删除");
    EXPECT_EQ(r->sortBox()->count(), 3);
    EXPECT_EQ(r->sortBox()->itemText(2).toStdString(), "按文件类别排序");
    QAbstractItemModelTester tester(r->outline()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    // Two groups shown: the photos and the twins; the vmdk group has nothing to offer.
    ASSERT_EQ(r->outline()->model()->rowCount(), 2);
    // Larger size first: the twins, then the photos.
    EXPECT_EQ(text(cell(r, 0, -1, DupScanResultView::PathColumn)), "类型:pdf");
    EXPECT_EQ(text(cell(r, 0, -1, DupScanResultView::InfoColumn)), "大小:2MB");
    EXPECT_EQ(text(cell(r, 0, -1, DupScanResultView::NoteColumn)), "数量:2");
    EXPECT_EQ(text(cell(r, 1, -1, DupScanResultView::InfoColumn)), "大小:50KB");
    // One photo ticked, one kept; neither twin ticked, the one that differs marked.
    ASSERT_EQ(r->outline()->model()->rowCount(cell(r, 1)), 2);
    EXPECT_EQ(tick(cell(r, 1, 0)), Qt::Checked);
    EXPECT_EQ(tick(cell(r, 1, 1)), Qt::Unchecked);
    EXPECT_EQ(tick(cell(r, 0, 0)), Qt::Unchecked);
    EXPECT_FALSE(cell(r, 0, 0).flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(text(cell(r, 0, 0, DupScanResultView::NoteColumn)).empty());
    EXPECT_TRUE(
        r->outline()
            ->model()
            ->match(cell(r, 0), Qt::DisplayRole, QStringLiteral("disk.vmdk"), 1, Qt::MatchExactly | Qt::MatchRecursive)
            .isEmpty());
    screenshot(&v, "dups-3-results.png");

    // Sorting by type: "JPG" before "PDF"; the ticked photo's row moves with its group.
    const QPersistentModelIndex tickedPhoto = cell(r, 1, 0);
    r->sortBox()->setCurrentIndex(2);
    emit r->sortBox()->activated(2);
    EXPECT_EQ(r->model().sortKind(), 2);
    EXPECT_EQ(text(cell(r, 0, -1, DupScanResultView::PathColumn)), "类型:jpg");
    EXPECT_EQ(tickedPhoto.parent().row(), 0);
    EXPECT_EQ(tick(tickedPhoto), Qt::Checked);

    // Trying to tick the twin by hand changes nothing, through the model or the view.
    const uint64_t twinId = r->model().list()[1].members[0]->id;
    r->selectBtnClicked(twinId, true);
    EXPECT_FALSE(r->outline()->model()->setData(cell(r, 1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(r->model().deleteList().size(), 1u);

    QTest::mouseClick(r->deleteButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return r->model().removalsPending() == 0; }));
    const int photosLeft = int(exists(d + "/holiday.jpg")) + int(exists(d + "/copy of holiday.jpg"));
    EXPECT_EQ(photosLeft, 1);
    EXPECT_TRUE(exists(d + "/report-v1.pdf"));
    EXPECT_TRUE(exists(d + "/report-v2.pdf"));
    EXPECT_TRUE(exists(d + "/disk.vmdk"));
    EXPECT_TRUE(exists(d + "/disk-copy.vmdk"));
    ASSERT_EQ(r->outline()->model()->rowCount(), 2);
    EXPECT_EQ(r->outline()->model()->rowCount(cell(r, 0)), 1);
    EXPECT_EQ(text(cell(r, 0, -1, DupScanResultView::NoteColumn)), "数量:1");
    EXPECT_FALSE(tickedPhoto.isValid());
    screenshot(&v, "dups-4-after-delete.png");

    // "删除" with nothing ticked: the alert.
    QTest::mouseClick(r->deleteButton(), Qt::LeftButton);
    ASSERT_TRUE(r->alertBox());
    EXPECT_EQ(r->alertBox()->text().toStdString(), "路径未添加");
    r->alertBox()->close();

    QTest::mouseClick(r->backButton(), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return !v.resultView(); }));
}

TEST(DuplicatedFileView, ACopyThatDiffersGoesFromItsRowOnlyAfterThePersonSaysYes)
{
    Screen s;
    DuplicatedFileView& v = *s.view;
    const std::string d = s.downloads;
    writeSampledTwins(d + "/plan-a.odt", d + "/plan-b.odt", 300000, 150000, 41);
    ASSERT_TRUE(s.scanToResults());
    DupScanResultView* r = v.resultView();
    const uint64_t id = differingCopy(r);
    ASSERT_NE(id, 0u);
    const std::string path = r->model().objectById(id)->filePath;
    const std::string kept = r->model().list()[0].keptPath;
    QAbstractItemModelTester tester(r->outline()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QModelIndex row = r->indexFor(id);
    ASSERT_TRUE(row.isValid());
    EXPECT_FALSE(row.flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(text(r->indexFor(id, DupScanResultView::DeleteColumn)), "删除");

    // Declining keeps the file and its row.
    clickDelete(r, id);
    QMessageBox* question = openQuestion();
    ASSERT_TRUE(question);
    EXPECT_EQ(question, r->confirmBox());
    EXPECT_EQ(question->text().toStdString(), "此文件的内容与保留的文件不同。仍要删除吗？");
    EXPECT_EQ(question->windowModality(), Qt::WindowModal);
    ASSERT_TRUE(buttonTitled(question, QStringLiteral("删除")));
    ASSERT_TRUE(buttonTitled(question, QStringLiteral("取消")));
    EXPECT_EQ(question->defaultButton(), buttonTitled(question, QStringLiteral("取消")));
    screenshot(question, "dups-7-question.png");
    QTest::mouseClick(buttonTitled(question, QStringLiteral("取消")), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !QApplication::activeModalWidget(); }));
    QTest::qWait(50);
    EXPECT_EQ(r->model().removalsPending(), 0);
    EXPECT_TRUE(exists(path));
    EXPECT_EQ(r->model().list()[0].members.size(), 2u);

    // Saying yes removes that copy alone.
    clickDelete(r, id);
    question = openQuestion();
    ASSERT_TRUE(question);
    QTest::mouseClick(buttonTitled(question, QStringLiteral("删除")), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return r->model().removalsPending() == 0 && !exists(path); }));
    EXPECT_TRUE(exists(kept));
    ASSERT_EQ(r->outline()->model()->rowCount(), 1);
    EXPECT_EQ(r->outline()->model()->rowCount(cell(r, 0)), 1);
    EXPECT_FALSE(r->indexFor(id).isValid());
    EXPECT_EQ(r->model().list()[0].members[0]->filePath, kept);
}

TEST(DuplicatedFileView, TheQuestionSpeaksEnglishWhenEnglishIsChosen)
{
    Localization english;
    ASSERT_TRUE(english.loadEnglish());
    QCoreApplication::installTranslator(&english);
    struct Restore
    {
        Localization* t;
        ~Restore() { QCoreApplication::removeTranslator(t); }
    } restore{&english};

    Screen s;
    writeSampledTwins(s.downloads + "/a.bin", s.downloads + "/b.bin", 200000, 100000, 42);
    ASSERT_TRUE(s.scanToResults());
    DupScanResultView* r = s.view->resultView();
    const uint64_t id = differingCopy(r);
    ASSERT_NE(id, 0u);
    clickDelete(r, id);
    QMessageBox* question = openQuestion();
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text(),
              QStringLiteral("This file's content differs from the copy that stays. Delete it anyway?"));
    EXPECT_TRUE(buttonTitled(question, QStringLiteral("Delete")));
    EXPECT_TRUE(buttonTitled(question, QStringLiteral("Cancel")));
    EXPECT_FALSE(hasChinese(question->text() + question->informativeText() + question->windowTitle()));
    for (QAbstractButton* b : question->buttons())
        EXPECT_FALSE(hasChinese(b->text())) << b->text().toStdString();
    QTest::mouseClick(buttonTitled(question, QStringLiteral("Cancel")), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return !QApplication::activeModalWidget(); }));
    // The question for a copy that could not be compared has its English too.
    EXPECT_EQ(QCoreApplication::translate("corvane::DupScanResultView", "无法完整比较此文件与保留的文件。仍要删除吗？"),
              QStringLiteral("This file could not be fully compared with the copy that stays. Delete it anyway?"));
    EXPECT_TRUE(exists(s.downloads + "/a.bin"));
    EXPECT_TRUE(exists(s.downloads + "/b.bin"));
}

TEST(DuplicatedFileView, NoGroupsSaysSoAndAStoppedRunStillShowsItsResults)
{
    Screen s;
    DuplicatedFileView& v = *s.view;
    writeFile(s.downloads + "/alone.txt", randomBytes(5000, 1));
    ASSERT_TRUE(s.scanToResults());
    EXPECT_EQ(text(v.resultView()->resultText()), "未扫描出数据");
    EXPECT_EQ(v.resultView()->outline()->model()->rowCount(), 0);
    screenshot(&v, "dups-5-empty.png");
    QTest::mouseClick(v.resultView()->backButton(), Qt::LeftButton);

    // A wide tree, stopped at once: the button says "扫描" but waits for the engine to
    // end, and the end still opens the result view.
    for (int i = 0; i < 300; ++i)
        writeFile(s.downloads + "/tree/d" + std::to_string(i) + "/f", randomBytes(1500, uint64_t(i % 7)));
    s.press(v.scanButton());
    EXPECT_EQ(v.scanButton()->text().toStdString(), "停止");
    EXPECT_FALSE(v.addButton()->isEnabled());
    EXPECT_TRUE(v.cell(0)->busy());
    screenshot(&v, "dups-6-scanning.png");
    s.press(v.scanButton());
    EXPECT_EQ(v.scanButton()->text().toStdString(), "扫描");
    ASSERT_TRUE(waitFor([&] { return v.resultView() != nullptr; }));
    EXPECT_TRUE(v.scanButton()->isEnabled());
    EXPECT_TRUE(v.addButton()->isEnabled());
    EXPECT_FALSE(v.session().helper().searching());
}

TEST(SearchFolderList, ProgressIsCoalescedAndShortened)
{
    TempDir t;
    SearchFolderList rows;
    makeDirs(t / "a");
    makeDirs(t / "b");
    ASSERT_EQ(rows.addPaths({t / "a", t / "b"}), 2);
    rows.begin();
    for (int i = 0; i < 1000; ++i)
        rows.notePath(t / ("a/file" + std::to_string(i)));
    rows.notePath(t / "ab/x"); // beside a, not inside it
    const std::vector<int> changed = rows.takeProgress();
    ASSERT_EQ(changed, std::vector<int>{0});
    const QString last = SearchFolderList::displayPath(t / "a/file999");
    EXPECT_EQ(rows.list()[0].resultPath, SearchFolderList::shortPath(last, 40));
    EXPECT_TRUE(rows.takeProgress().empty());
    rows.finish();
    EXPECT_EQ(rows.list()[1].resultPath.toStdString(), "完成");
    EXPECT_FALSE(rows.list()[1].isStart);

    const QString p41 = QStringLiteral("/") + QString(40, QLatin1Char('x'));
    EXPECT_EQ(SearchFolderList::shortPath(p41, 40), QStringLiteral("...") + QString(40, QLatin1Char('x')));
    EXPECT_EQ(SearchFolderList::shortPath(p41.mid(1), 40), p41.mid(1));
    // Characters, not UTF-16 units: a character outside the basic plane stays whole.
    const QString wide = QString::fromUtf8("\xF0\x9F\x93\x81") + QString(39, QLatin1Char('y'));
    EXPECT_EQ(SearchFolderList::shortPath(wide, 40), wide);
    EXPECT_EQ(SearchFolderList::shortPath(QStringLiteral("/") + wide, 40), QStringLiteral("...") + wide);
}
