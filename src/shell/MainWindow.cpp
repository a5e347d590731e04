// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/MainWindow.h"

#include "shell/ScreenFactory.h"
#include "shell/SelectView.h"
#include "toolkit/Artwork.h"
#include "toolkit/ColorView.h"
#include "toolkit/ListCellView.h"
#include "toolkit/ParentCellView.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace corvane {

namespace {

constexpr int kSidebarWidth = 200;
constexpr int kTitleBarHeight = 60;
constexpr int kPindexRole = Qt::UserRole + 1;
constexpr int kGroupRole = Qt::UserRole + 2;

QToolButton* headerButton(const QString& image, const QString& tip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(Artwork::icon(image));
    button->setIconSize(QSize(22, 22));
    button->setFixedSize(32, 32);
    button->setAutoRaise(true);
    button->setToolTip(tip);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; border-radius: 16px; background: transparent; }"
        "QToolButton:hover { background: rgb(235,245,252); }"
        "QToolButton::menu-indicator { image: none; }"));
    return button;
}

} // namespace

MainWindow::MainWindow()
{
    setWindowTitle(QStringLiteral("Corvane Tidewell"));
    setWindowIcon(Artwork::icon(QStringLiteral("AppIcon.png")));
    resize(960, 640);
    setMinimumSize(820, 560);
    m_headerView = buildHeader();
    setContentView(buildBody());
}

QWidget* MainWindow::buildHeader()
{
    auto* header = new QWidget();
    header->setObjectName(QStringLiteral("titleBarView"));
    header->setFixedHeight(kTitleBarHeight);
    auto* titleLayout = new QHBoxLayout(header);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->setSpacing(0);

    auto* left = new ColorView(QColor(0, 136, 216), header);
    left->setObjectName(QStringLiteral("LeftTitleView"));
    left->setFixedWidth(kSidebarWidth);
    auto* leftLayout = new QHBoxLayout(left);
    leftLayout->setContentsMargins(14, 26, 8, 6);
    leftLayout->setSpacing(6);
    auto* appIcon = new QLabel(left);
    QPixmap iconPixmap = Artwork::image(QStringLiteral("AppIcon.png"));
    if (!iconPixmap.isNull()) {
        iconPixmap = iconPixmap.scaled(44, 44, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        iconPixmap.setDevicePixelRatio(2.0);
    }
    appIcon->setPixmap(iconPixmap);
    auto* appName = new QLabel(QStringLiteral("Corvane Tidewell"), left);
    appName->setObjectName(QStringLiteral("appName"));
    QFont nameFont = appName->font();
    nameFont.setPixelSize(15);
    nameFont.setBold(true);
    appName->setFont(nameFont);
    appName->setStyleSheet(QStringLiteral("color: white;"));
    leftLayout->addWidget(appIcon);
    leftLayout->addWidget(appName, 1);

    auto* right = new ColorView(Qt::white, header);
    right->setObjectName(QStringLiteral("RightTitleView"));
    auto* rightLayout = new QHBoxLayout(right);
    rightLayout->setContentsMargins(16, 0, 14, 0);
    rightLayout->setSpacing(4);
    rightLayout->addStretch(1);
    auto* home = headerButton(QStringLiteral("home.png"), tr("官方网站"), right);
    home->setObjectName(QStringLiteral("homeButton"));
    auto* facebook = headerButton(QStringLiteral("facebook.png"), QStringLiteral("Facebook"), right);
    facebook->setObjectName(QStringLiteral("faceBookButton"));
    m_twitterOrQQ = headerButton(QStringLiteral("twitter.png"), QStringLiteral("Twitter"), right);
    m_twitterOrQQ->setObjectName(QStringLiteral("twitterOrQQ"));
    auto* menuButton = headerButton(QStringLiteral("menu.png"), tr("菜单"), right);
    menuButton->setObjectName(QStringLiteral("menuButton"));
    menuButton->setPopupMode(QToolButton::InstantPopup);
    connect(home, &QToolButton::clicked, this, &MainWindow::homeClicked);
    connect(facebook, &QToolButton::clicked, this, &MainWindow::faceBookClicked);
    connect(m_twitterOrQQ, &QToolButton::clicked, this, &MainWindow::twitterClicked);
    for (QWidget* w : {static_cast<QWidget*>(home), static_cast<QWidget*>(facebook),
                       static_cast<QWidget*>(m_twitterOrQQ), static_cast<QWidget*>(menuButton)})
        rightLayout->addWidget(w);

    // The application menu; Linux desktops have no shared menu bar to put it in.
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("applicationMenu"));
    m_aboutItem = m_menu->addAction(QStringLiteral("About"));
    m_updateItem = m_menu->addAction(QStringLiteral("Update"));
    m_menu->addSeparator();
    m_quitItem = m_menu->addAction(QStringLiteral("Quit"));
    m_quitItem->setShortcut(QKeySequence::Quit);
    addAction(m_quitItem);
    connect(m_aboutItem, &QAction::triggered, this, &MainWindow::aboutChosen);
    connect(m_updateItem, &QAction::triggered, this, &MainWindow::updateChosen);
    connect(m_quitItem, &QAction::triggered, this, &MainWindow::quitChosen);
    menuButton->setMenu(m_menu);

    titleLayout->addWidget(left);
    titleLayout->addWidget(right, 1);
    return header;
}

QWidget* MainWindow::buildBody()
{
    auto* body = new QWidget();
    body->setObjectName(QStringLiteral("body"));
    auto* bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);

    m_outline = new QTreeWidget(body);
    m_outline->setObjectName(QStringLiteral("myOutlineView"));
    m_outline->setFixedWidth(kSidebarWidth);
    m_outline->setHeaderHidden(true);
    m_outline->setColumnCount(1);
    m_outline->setRootIsDecorated(false);
    m_outline->setIndentation(0);
    m_outline->setUniformRowHeights(false);
    m_outline->setSelectionMode(QAbstractItemView::SingleSelection);
    m_outline->setFocusPolicy(Qt::NoFocus);
    m_outline->setFrameShape(QFrame::NoFrame);
    m_outline->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_outline->setExpandsOnDoubleClick(false);
    m_outline->setItemsExpandable(true);
    m_outline->setStyleSheet(QStringLiteral(
        "QTreeWidget { background: white; border: none; border-right: 1px solid rgb(228,228,228); }"
        "QTreeWidget::item { border: none; padding: 0px; }"
        "QTreeWidget::item:selected, QTreeWidget::item:hover { background: transparent; }"));
    connect(m_outline, &QTreeWidget::itemSelectionChanged, this, &MainWindow::showChosenItem);

    m_rightBackView = new SelectView(body);
    bodyLayout->addWidget(m_outline);
    bodyLayout->addWidget(m_rightBackView, 1);
    return body;
}

void MainWindow::setMenuTitles(bool updateWindowsExist)
{
    m_aboutItem->setText(tr("关于Corvane Tidewell"));
    m_updateItem->setText(tr("检查更新"));
    m_quitItem->setText(tr("退出Corvane Tidewell"));
    // Without the update windows the entry says so by being unavailable rather than doing
    // nothing.
    m_updateItem->setEnabled(updateWindowsExist);
}

void MainWindow::installTitleBarView()
{
    setTitleBarView(m_headerView);
    setTrafficLightsCentred(false);
}

void MainWindow::showChatGroupButton()
{
    m_twitterOrQQ->setIcon(Artwork::icon(QStringLiteral("qq.png")));
    m_twitterOrQQ->setToolTip(tr("QQ群"));
}

void MainWindow::bringToFront()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::setListArray(std::vector<SidebarGroup> groups)
{
    m_listArray = std::move(groups);
    reloadOutline();
}

void MainWindow::reloadOutline()
{
    const QSignalBlocker blocker(m_outline);
    m_outline->clear();
    for (size_t g = 0; g < m_listArray.size(); ++g) {
        const SidebarGroup& group = m_listArray[g];
        auto* groupItem = new QTreeWidgetItem(m_outline);
        groupItem->setFlags(Qt::ItemIsEnabled); // shown, never selectable
        groupItem->setData(0, kGroupRole, static_cast<int>(g));
        groupItem->setData(0, kPindexRole, 0);
        groupItem->setSizeHint(0, QSize(kSidebarWidth, ParentCellView::kRowHeight));
        for (const ChildNode& child : group.children) {
            auto* childItem = new QTreeWidgetItem(groupItem);
            childItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            childItem->setData(0, kPindexRole, child.pindex);
            childItem->setSizeHint(0, QSize(kSidebarWidth, ListCellView::kRowHeight));
        }
    }
    // Every group open with its children.
    m_outline->expandAll();
    for (int g = 0; g < m_outline->topLevelItemCount(); ++g) {
        QTreeWidgetItem* groupItem = m_outline->topLevelItem(g);
        auto* cell = new ParentCellView();
        cell->setNode(m_listArray[static_cast<size_t>(g)].parent, QString::fromUtf8(SidebarModel::kGroupImage));
        cell->setExpandImage(QStringLiteral("down.png"));
        cell->expandButton()->setProperty("groupIndex", g);
        QPushButton* button = cell->expandButton();
        connect(button, &QPushButton::clicked, this, [this, button] { toggleGroup(button); });
        m_outline->setItemWidget(groupItem, 0, cell);
        for (int c = 0; c < groupItem->childCount(); ++c)
            m_outline->setItemWidget(groupItem->child(c), 0, new ListCellView());
    }
    refreshCells();
}

void MainWindow::refreshCells()
{
    for (int g = 0; g < m_outline->topLevelItemCount() && g < static_cast<int>(m_listArray.size()); ++g) {
        QTreeWidgetItem* groupItem = m_outline->topLevelItem(g);
        const SidebarGroup& group = m_listArray[static_cast<size_t>(g)];
        for (int c = 0; c < groupItem->childCount() && c < static_cast<int>(group.children.size()); ++c)
            if (auto* cell = qobject_cast<ListCellView*>(m_outline->itemWidget(groupItem->child(c), 0)))
                cell->setNode(group.children[static_cast<size_t>(c)]);
    }
}

void MainWindow::toggleGroup(QPushButton* sender)
{
    if (!sender)
        return;
    const int g = sender->property("groupIndex").toInt();
    QTreeWidgetItem* groupItem = m_outline->topLevelItem(g);
    if (!groupItem)
        return;
    auto* cell = qobject_cast<ParentCellView*>(m_outline->itemWidget(groupItem, 0));
    if (groupItem->isExpanded()) {
        if (cell)
            cell->setExpandImage(QStringLiteral("up.png"));
        groupItem->setExpanded(false);
    } else {
        if (cell)
            cell->setExpandImage(QStringLiteral("down.png"));
        groupItem->setExpanded(true);
    }
}

void MainWindow::markChosenItem(const ChildNode& node)
{
    for (SidebarGroup& group : m_listArray)
        for (ChildNode& child : group.children)
            child.selectImageName = child.pindex == node.pindex ? QString::fromUtf8(SidebarModel::kSelectImage) : QString();
    refreshCells();
}

void MainWindow::showChosenItem()
{
    const QList<QTreeWidgetItem*> selected = m_outline->selectedItems();
    if (selected.isEmpty())
        return;
    const int pindex = selected.first()->data(0, kPindexRole).toInt();
    if (pindex == 0)
        return;
    showScreen(pindex);
    for (const SidebarGroup& group : m_listArray)
        for (const ChildNode& child : group.children)
            if (child.pindex == pindex)
                markChosenItem(child);
}

void MainWindow::showJunkScreen()
{
    if (!cleanView)
        cleanView = ScreenFactory::create(1, m_rightBackView);
    m_rightBackView->addSubview(cleanView);
    if (!m_listArray.empty() && !m_listArray.front().children.empty()) {
        // Mark its row as chosen without running the selection change a second time.
        const QSignalBlocker blocker(m_outline);
        if (QTreeWidgetItem* first = m_outline->topLevelItem(0)->child(0))
            first->setSelected(true);
        markChosenItem(m_listArray.front().children.front());
    }
}

QPointer<QWidget>* MainWindow::screenField(int pindex)
{
    switch (pindex) {
    case 1: return &cleanView;
    case 2: return &loginItem;
    case 3: return &popViewController;
    case 4: return &systemPerView;
    case 5: return &uninstallView;
    case 6: return &plugView;
    case 7: return &configView;
    case 8: return &dupView;
    case 9: return &largeView;
    case 10: return &hardWare;
    default: return nullptr;
    }
}

QWidget* MainWindow::screenForPindex(int pindex) const
{
    QPointer<QWidget>* field = const_cast<MainWindow*>(this)->screenField(pindex);
    return field ? field->data() : nullptr;
}

void MainWindow::removeScreens()
{
    for (int pindex = SidebarModel::kFirstScreen; pindex <= SidebarModel::kLastScreen; ++pindex)
        if (QPointer<QWidget>* field = screenField(pindex); field && *field)
            m_rightBackView->removeSubview(*field);
}

void MainWindow::showScreen(int pindex)
{
    removeScreens();
    QPointer<QWidget>* field = screenField(pindex);
    if (!field)
        return; // outside 1 to 10: the area stays empty
    if (!*field)
        *field = ScreenFactory::create(pindex, m_rightBackView);
    m_rightBackView->addSubview(*field);
}

} // namespace corvane
