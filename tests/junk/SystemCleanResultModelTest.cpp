// SPDX-License-Identifier: GPL-3.0-or-later
// The details overlay's model under Qt's model checker: what its rows show, which rows a
// tick announces, and rows that outlive the category's tree.
#include "junk/engine/SystemCleanResultModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace corvane;

namespace {

using Node = UserCachesSubObject;
using Model = SystemCleanResultModel;
constexpr Node::State On = Node::State::On, Off = Node::State::Off, Mixed = Node::State::Mixed;

Node::Ptr groupOf(const char* name, Node::State state, std::vector<Node::Ptr> members)
{
    auto g = Node::group(QString::fromUtf8(name), state);
    for (auto& m : members) {
        g->fileSize += m->fileSize;
        g->addMember(std::move(m));
    }
    return g;
}

// Browser-shaped: Chrome (mixed) › Cookies (off: a1, a2) and 网页缓存 (on: b1); then a
// plain group whose item's name is not UTF-8.
struct Tree
{
    Node::Ptr a1 = Node::item("/c/Cookies", 100, Off);
    Node::Ptr a2 = Node::item("/c/Cookies-journal", 20, Off);
    Node::Ptr b1 = Node::item("/c/Cache/data_1", 3000, On);
    Node::Ptr cookies = groupOf("Cookies", Off, {a1, a2});
    Node::Ptr caches = groupOf("网页缓存", On, {b1});
    Node::Ptr chrome = groupOf("Chrome", Mixed, {cookies, caches});
    Node::Ptr odd = Node::item(std::string("/d/caf\xe9.dmg"), 2048, On);
    Node::Ptr downloads = groupOf("下载", On, {odd});
    SystemCleanObject::Ptr category = std::make_shared<SystemCleanObject>();

    Tree() { category->listArray = {chrome, downloads}; }
};

Qt::CheckState shownState(const Model& model, const Node::Ptr& node)
{
    return Qt::CheckState(model.indexOf(node.get()).data(Qt::CheckStateRole).toInt());
}

std::string text(const QModelIndex& index, int role = Qt::DisplayRole)
{
    return index.data(role).toString().toStdString();
}

// Every row of the model with the box it shows.
void collectStates(const Model& model, const QModelIndex& parent, std::map<const void*, int>& out)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, Model::NameColumn, parent);
        out[index.internalPointer()] = index.data(Qt::CheckStateRole).toInt();
        collectStates(model, index, out);
    }
}

// Ticks a box as the view does and checks that every row whose box changed was announced.
void tick(Model& model, const Node::Ptr& node, Qt::CheckState to)
{
    std::map<const void*, int> before, after;
    collectStates(model, {}, before);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    ASSERT_TRUE(model.setData(model.indexOf(node.get()), to, Qt::CheckStateRole));
    collectStates(model, {}, after);
    std::set<const void*> announced;
    for (const QList<QVariant>& signal : changed) {
        const auto from = signal[0].value<QModelIndex>(), to = signal[1].value<QModelIndex>();
        for (int row = from.row(); row <= to.row(); ++row)
            announced.insert(model.index(row, Model::NameColumn, from.parent()).internalPointer());
    }
    for (const auto& [row, state] : after)
        EXPECT_TRUE(before[row] == state || announced.count(row))
            << static_cast<const Node*>(row)->fileName.toStdString() << " changed unannounced";
}

} // namespace

TEST(SystemCleanResultModel, ShowsTheTreeAndTicksFollowTheBoxRules)
{
    Tree t;
    Model model;
    QAbstractItemModelTester checker(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy ticked(&model, &Model::ticked);
    model.setSystemObject(t.category);

    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex chrome = model.index(0, Model::NameColumn);
    ASSERT_EQ(model.rowCount(chrome), 2);
    EXPECT_EQ(model.rowCount(model.index(0, Model::NameColumn, chrome)), 2);
    EXPECT_EQ(model.nodeOf(chrome), t.chrome.get());
    EXPECT_EQ(model.parent(model.indexOf(t.a2.get())), model.indexOf(t.cookies.get()));

    // A group: its name, size and box, no path, no reveal.
    EXPECT_EQ(text(chrome), "Chrome");
    EXPECT_TRUE(model.flags(chrome) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(chrome.data(Model::IsItemRole).toBool());
    EXPECT_EQ(text(chrome.siblingAtColumn(Model::SizeColumn)), "3.1KB");
    EXPECT_TRUE(text(chrome.siblingAtColumn(Model::OpenColumn)).empty());
    EXPECT_EQ(shownState(model, t.chrome), Qt::PartiallyChecked);
    // An item: the last component shown, the whole path as tooltip and as bytes.
    const QModelIndex odd = model.indexOf(t.odd.get());
    EXPECT_TRUE(odd.data(Model::IsItemRole).toBool());
    EXPECT_EQ(odd.data(Model::PathBytesRole).toByteArray(), QByteArray("/d/caf\xe9.dmg"));
    EXPECT_EQ(text(model.indexOf(t.b1.get())), "data_1");
    EXPECT_EQ(text(model.indexOf(t.b1.get()), Qt::ToolTipRole), "/c/Cache/data_1");
    EXPECT_EQ(text(odd.siblingAtColumn(Model::OpenColumn)), "显示");
    EXPECT_EQ(text(odd.siblingAtColumn(Model::OpenColumn), Qt::ToolTipRole), "在文件管理器中显示");
    EXPECT_EQ(odd.siblingAtColumn(Model::SizeColumn).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));

    // The top group's box sets everything below it.
    tick(model, t.chrome, Qt::Checked);
    for (const auto& n : {t.chrome, t.cookies, t.caches, t.a1, t.a2, t.b1})
        EXPECT_EQ(shownState(model, n), Qt::Checked) << n->fileName.toStdString();
    // One item off: its sub-group is mixed, and a mixed member leaves Chrome mixed too.
    tick(model, t.a1, Qt::Unchecked);
    EXPECT_EQ(shownState(model, t.a1), Qt::Unchecked);
    EXPECT_EQ(shownState(model, t.a2), Qt::Checked);
    EXPECT_EQ(shownState(model, t.cookies), Qt::PartiallyChecked);
    EXPECT_EQ(shownState(model, t.chrome), Qt::PartiallyChecked);
    // A click on the mixed sub-group turns it on with its items.
    tick(model, t.cookies, Qt::Checked);
    EXPECT_EQ(shownState(model, t.a1), Qt::Checked);
    EXPECT_EQ(shownState(model, t.chrome), Qt::Checked);
    EXPECT_EQ(t.a1->state.load(), On); // what the clean pass reads
    EXPECT_EQ(ticked.count(), 3);
    EXPECT_EQ(ticked.last().at(0).value<SystemCleanObject*>(), t.category.get());

    // Nothing else is taken as a tick.
    EXPECT_FALSE(model.setData(model.indexOf(t.a1.get()), Qt::PartiallyChecked, Qt::CheckStateRole));
    EXPECT_FALSE(model.setData(model.indexOf(t.a1.get(), Model::SizeColumn), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(model.setData(model.indexOf(t.a1.get()), QStringLiteral("x"), Qt::DisplayRole));
    EXPECT_EQ(ticked.count(), 3);
    EXPECT_EQ(t.a1->state.load(), On);
}

// The session trims a category's tree when a clean ends and empties it when a scan
// starts, while the overlay may show it: the rows stay as loaded, and stay tickable.
TEST(SystemCleanResultModel, RowsOutliveTheCategoryTreeUntilReplaced)
{
    Model model;
    QAbstractItemModelTester checker(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::weak_ptr<Node> gone;
    SystemCleanObject::Ptr category;
    {
        Tree t;
        category = t.category;
        gone = t.a1;
        model.setSystemObject(category);
        // What a clean leaves: the Cookies sub-group keeps one item, Downloads goes.
        t.cookies->listArray = {t.a2};
        category->listArray = {t.chrome};
    }
    category->listArray.clear(); // a new scan starts
    ASSERT_FALSE(gone.expired());
    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex cookies = model.index(0, Model::NameColumn, model.index(0, Model::NameColumn));
    ASSERT_EQ(model.rowCount(cookies), 2);
    EXPECT_EQ(text(model.index(0, Model::NameColumn, cookies)), "Cookies");
    ASSERT_TRUE(model.setData(model.index(0, Model::NameColumn, cookies), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(gone.lock()->state.load(), On);

    // Another category replaces the rows; nothing at all empties the overlay.
    Tree other;
    model.setSystemObject(other.category);
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(model.systemObject(), other.category);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(shownState(model, other.cookies), Qt::Unchecked);
    model.setSystemObject(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.indexOf(other.chrome.get()).isValid());
}

TEST(SystemCleanResultModel, ItemsSharingANameShowTheFoldersThatTellThemApart)
{
    EXPECT_EQ(
        Model::distinctEndings({"/h/.cache/a/Default/index.db", "/h/.cache/a/Profile 1/index.db", "/h/x/log.txt"}),
        (std::vector<std::string>{"Default/index.db", "Profile 1/index.db", "log.txt"}));
    // Same parent name further up, a path that ends another, and one listed twice.
    EXPECT_EQ(Model::distinctEndings({"/p/one/Cache/index.db", "/p/two/Cache/index.db", "/Cache/index.db",
                                      "/same/index.db", "/same/index.db"}),
              (std::vector<std::string>{"one/Cache/index.db", "two/Cache/index.db", "/Cache/index.db", "same/index.db",
                                        "same/index.db"}));

    auto first = Node::item("/h/.cache/app-one/index.db", 10, On);
    auto second = Node::item("/h/.cache/app-two/index.db", 10, On);
    auto category = std::make_shared<SystemCleanObject>();
    category->listArray = {groupOf("用户缓存", On, {first, second})};
    Model model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setSystemObject(category);
    EXPECT_EQ(text(model.indexOf(first.get())), "app-one/index.db");
    EXPECT_EQ(text(model.indexOf(second.get())), "app-two/index.db");
}
