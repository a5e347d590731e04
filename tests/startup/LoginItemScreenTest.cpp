// SPDX-License-Identifier: GPL-3.0-or-later
// The startup screen driven offscreen over a macOS-style tree and a fake service manager.
#include "junk/JunkFixtures.h"

#include "startup/engine/LaunchItems.h"
#include "startup/ui/LoginItemViewController.h"
#include "toolkit/ReadableOutline.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

class Services : public ServiceManager
{
public:
    std::vector<QVariantMap> allJobDictionaries(Domain domain) const override
    {
        if (domain == Domain::System)
            return {};
        QVariantMap works;
        works.insert(QStringLiteral("Label"), QStringLiteral("com.example.sync"));
        works.insert(QStringLiteral("Program"), QStringLiteral("/opt/sync"));
        QVariantMap stuck;
        stuck.insert(QStringLiteral("Label"), QStringLiteral("com.example.stuck"));
        stuck.insert(QStringLiteral("Program"), QStringLiteral("/opt/stuck"));
        return {works, stuck};
    }
    bool hasJob(Domain domain, const std::string&) const override { return domain == Domain::User; }
    bool removeUserJob(const std::string& label) override { return label != "com.example.stuck"; }
};

bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 500 && !done(); ++i)
        QTest::qWait(10);
    return done();
}

} // namespace

TEST(LoginItemScreen, TicksInOrderDisableAndAdd)
{
    MacRoot r;
    auto services = std::make_shared<Services>();
    LaunchItems items(r.layout, services, LoginItemList::forLayout(r.layout));
    makeDirs(r.root + "/Applications/Tool.app");
    writeFile(r.root + "/opt/notes.txt", "notes");
    ASSERT_TRUE(items.addLoginItem(r.root + "/Applications/Tool.app"));

    LoginItemViewController view(items);
    view.resize(960, 640);
    view.show();
    ASSERT_TRUE(waitFor([&] { return !view.isLoading(); }));
    LoginItemListModel* model = view.model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->rows()[0].type, 1); // login items first, then services
    EXPECT_EQ(model->rows()[1].bundleID, "com.example.sync");
    EXPECT_EQ(model->index(1, LoginItemListModel::CompanyColumn).data().toString(), QStringLiteral("Example"));
    EXPECT_EQ(model->index(0, LoginItemListModel::CompanyColumn).data().toString(), QStringLiteral("Unknow"));

    // Nothing ticked, or ticked and unticked again: "禁用" only says so.
    QTest::mouseClick(view.disableButton(), Qt::LeftButton);
    ASSERT_TRUE(view.alertBox());
    EXPECT_EQ(view.alertBox()->text(), QStringLiteral("未添加项目"));
    view.alertBox()->close();
    model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole);
    model->setData(model->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_TRUE(view.deleteListPaths().empty());

    // Ticked in the order stuck, tool: both are tried; the service that would not stop
    // stays, still ticked.
    model->setData(model->index(2, 0), Qt::Checked, Qt::CheckStateRole);
    model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(view.deleteListPaths(), (std::vector<std::string>{"/opt/stuck", r.root + "/Applications/Tool.app"}));
    QTest::mouseClick(view.disableButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !view.isRemoving(); }));
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->rows()[1].bundleID, "com.example.stuck");
    EXPECT_EQ(model->rows()[1].state, 1);
    EXPECT_TRUE(items.getLoginItems().empty());
    EXPECT_TRUE(view.deleteListPaths().empty());

    // Adding: a missing file and one already listed are passed over.
    view.addImagesWithPaths({r.root + "/opt/missing", "/opt/sync", r.root + "/opt/notes.txt"});
    view.updateDatasource();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->rows()[2].path(), r.root + "/opt/notes.txt");
    EXPECT_EQ(items.getLoginItems(), std::vector<std::string>{r.root + "/opt/notes.txt"});
    view.addImagesWithPaths({r.root + "/opt/notes.txt"});
    view.updateDatasource();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(items.getLoginItems().size(), 1u);
}
