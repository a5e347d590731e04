// SPDX-License-Identifier: GPL-3.0-or-later
// The leftover sheet and the companion's leftover window, driven offscreen through their
// own controls.
#include "junk/JunkFixtures.h"

#include "companion/ui/RelatedWindowController.h"
#include "toolkit/AppInfoCellView.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/TriStateCheckBox.h"
#include "uninstall/engine/LeftoverListModel.h"
#include "uninstall/ui/LMZSheet.h"
#include "uninstall/ui/LeftoverPanel.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

std::string makeApp(const MacRoot& r, const std::string& name)
{
    const std::string app = r.root + "/Applications/" + name + ".app";
    writeFile(app + "/Contents/Info.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleName</key><string>" + name +
                  "</string><key>CFBundleIdentifier</key><string>org." + name + "</string></dict></plist>");
    writeSized(r.lib + "/Caches/org." + name + "/blob", 3000);
    writeSized(r.lib + "/Application Support/" + name + "/data", 2000);
    return app;
}

void settle(LeftoverPanel* panel)
{
    for (int i = 0; i < 500 && (panel->model()->isLoading() || panel->model()->isRemoving()); ++i) {
        panel->model()->waitForIdle();
        QApplication::processEvents();
    }
    QApplication::processEvents();
}

void clickRowBox(LeftoverPanel* panel, int row)
{
    QListView* table = panel->myTableView();
    const QRect rect = table->visualRect(panel->model()->index(row));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, AppInfoCellView::geometry(rect).check.center());
}

} // namespace

TEST(LeftoverSheet, BoxesSelectAllAndDeleteEndTheSheetWithTheRightCode)
{
    MacRoot r;
    const std::string app = makeApp(r, "Sheeted");
    QWidget window;
    window.resize(960, 640);
    window.show();
    LMZSheet sheet(r.layout);
    sheet.setFilePath(app);
    std::vector<int> codes;
    sheet.beginOnWindow(&window, [&codes](int code) { codes.push_back(code); });
    LeftoverPanel* panel = sheet.panel();
    EXPECT_NE(RWProgressHUD::hudForView(panel), nullptr);
    EXPECT_FALSE(panel->deleteBtn()->isEnabled());
    settle(panel);
    EXPECT_EQ(RWProgressHUD::hudForView(panel), nullptr);
    ASSERT_EQ(panel->model()->rowCount(), 3);
    EXPECT_TRUE(panel->totalTextField()->text().startsWith(QStringLiteral("存在 3 个相关文件")));
    EXPECT_EQ(panel->selectAllBtn()->state(), 1);

    // A click on a row's box unticks it; the select-all box shows the mix, and a click on
    // it ticks everything again.
    clickRowBox(panel, 1);
    EXPECT_FALSE(panel->model()->item(1).checked());
    EXPECT_EQ(panel->selectAllBtn()->state(), -1);
    QTest::mouseClick(panel->selectAllBtn(), Qt::LeftButton);
    EXPECT_EQ(panel->selectAllBtn()->state(), 1);
    EXPECT_TRUE(panel->model()->item(1).checked());

    // The application unticked: its leftovers go and the sheet says it stayed.
    clickRowBox(panel, 0);
    QTest::mouseClick(panel->deleteBtn(), Qt::LeftButton);
    settle(panel);
    ASSERT_EQ(codes, std::vector<int>{0});
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(exists(app));
    EXPECT_FALSE(exists(r.lib + "/Caches/org.Sheeted"));

    // Again, with everything ticked: the application goes and the code says so.
    sheet.beginOnWindow(&window, [&codes](int code) { codes.push_back(code); });
    settle(panel);
    ASSERT_EQ(panel->model()->rowCount(), 1);
    QTest::mouseClick(panel->deleteBtn(), Qt::LeftButton);
    settle(panel);
    EXPECT_EQ(codes, (std::vector<int>{0, 1}));
    EXPECT_FALSE(exists(app));
}

TEST(LeftoverSheet, CancelKeepsEverythingAndTheCompanionWindowLoadsOncePerPath)
{
    MacRoot r;
    const std::string app = makeApp(r, "Kept");
    QWidget window;
    window.show();
    LMZSheet sheet(r.layout);
    sheet.setFilePath(app);
    int code = -1;
    sheet.beginOnWindow(&window, [&code](int c) { code = c; });
    settle(sheet.panel());
    QTest::mouseClick(sheet.panel()->cancelBtn(), Qt::LeftButton);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(exists(app));
    EXPECT_TRUE(exists(r.lib + "/Caches/org.Kept/blob"));

    RelatedWindowController related(r.layout);
    QSignalSpy loaded(related.model(), &LeftoverListModel::loaded);
    related.setApplicationPath(app);
    related.show();
    settle(related.panel());
    related.setApplicationPath(app);
    settle(related.panel());
    EXPECT_EQ(loaded.size(), 1);
    EXPECT_EQ(related.objectName(), QStringLiteral("RelatedWindow"));
    ASSERT_EQ(related.model()->rowCount(), 3);
    QTest::mouseClick(related.panel()->deleteBtn(), Qt::LeftButton);
    settle(related.panel());
    EXPECT_FALSE(related.isVisible());
    EXPECT_FALSE(exists(app));
    EXPECT_FALSE(exists(r.lib + "/Application Support/Kept"));
}
