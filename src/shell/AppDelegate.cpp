// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AppDelegate.h"

#include "common/CmdLineTool.h"
#include "common/Dispatch.h"
#include "platform/FileChecks.h"
#include "platform/HardwareModel.h"
#include "platform/Layout.h"
#include "platform/UserJobs.h"
#include "shell/AboutCorvaneWindowController.h"
#include "shell/AppConfig.h"
#include "shell/CompanionLoginItem.h"
#include "shell/HelperInstaller.h"
#include "shell/LaunchRules.h"
#include "shell/ScreenFactory.h"
#include "shell/SelectView.h"
#include "toolkit/Artwork.h"
#include "toolkit/ColorView.h"
#include "toolkit/ListCellView.h"
#include "toolkit/ParentCellView.h"
#include "toolkit/TitleBarWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QTreeWidget>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#ifndef CORVANE_BUILD_TREE
#define CORVANE_BUILD_TREE ""
#endif

namespace corvane {

namespace {

constexpr int kSidebarWidth = 200;
constexpr int kTitleBarHeight = 60;
constexpr int kPindexRole = Qt::UserRole + 1;
constexpr int kGroupRole = Qt::UserRole + 2;

std::string bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

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

AppDelegate::Environment AppDelegate::Environment::system()
{
    Environment env;
    env.bundlePath = LaunchRules::bundlePathForExecutableFolder(bytes(QCoreApplication::applicationDirPath()));
    env.buildTree = CORVANE_BUILD_TREE;
    env.home = Layout::current().home();
    env.languages = QLocale::system().uiLanguages();
    env.shortVersion = QCoreApplication::applicationVersion();
    env.runCommand = [](const std::string& command) { (void)CmdLineTool::runCommandBytes(command); };
    env.alert = [](const QString& message) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Corvane Tidewell"), message, QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    };
    env.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    env.startDetached = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    env.userJobs = [] { return UserJobs::allJobDictionaries(Layout::current()); };
    env.terminate = [] { QCoreApplication::exit(0); };
    return env;
}

AppDelegate::AppDelegate(Environment environment, QObject* parent)
    : QObject(parent)
    , m_env(std::move(environment))
{
    buildWindow();
}

AppDelegate::~AppDelegate()
{
    delete m_window;
}

// The window: a title bar of two coloured areas over the sidebar and the content area.
void AppDelegate::buildWindow()
{
    m_window = new TitleBarWindow();
    m_window->setWindowTitle(QStringLiteral("Corvane Tidewell"));
    m_window->setWindowIcon(Artwork::icon(QStringLiteral("AppIcon.png")));
    m_window->resize(960, 640);
    m_window->setMinimumSize(820, 560);

    m_titleBarView = new QWidget();
    m_titleBarView->setObjectName(QStringLiteral("titleBarView"));
    m_titleBarView->setFixedHeight(kTitleBarHeight);
    auto* titleLayout = new QHBoxLayout(m_titleBarView);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->setSpacing(0);

    auto* left = new ColorView(QColor(0, 136, 216), m_titleBarView);
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

    auto* right = new ColorView(Qt::white, m_titleBarView);
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
    connect(home, &QToolButton::clicked, this, &AppDelegate::openHome);
    connect(facebook, &QToolButton::clicked, this, &AppDelegate::openFaceBook);
    connect(m_twitterOrQQ, &QToolButton::clicked, this, &AppDelegate::openTwitter);
    for (QWidget* w : {static_cast<QWidget*>(home), static_cast<QWidget*>(facebook),
                       static_cast<QWidget*>(m_twitterOrQQ), static_cast<QWidget*>(menuButton)})
        rightLayout->addWidget(w);

    // The application menu; Linux desktops have no shared menu bar to put it in.
    m_menu = new QMenu(m_window);
    m_menu->setObjectName(QStringLiteral("applicationMenu"));
    m_aboutItem = m_menu->addAction(QStringLiteral("About"));
    m_updateItem = m_menu->addAction(QStringLiteral("Update"));
    m_menu->addSeparator();
    m_quitItem = m_menu->addAction(QStringLiteral("Quit"));
    m_quitItem->setShortcut(QKeySequence::Quit);
    m_window->addAction(m_quitItem);
    connect(m_aboutItem, &QAction::triggered, this, &AppDelegate::aboutCorvane);
    connect(m_updateItem, &QAction::triggered, this, &AppDelegate::updateApp);
    connect(m_quitItem, &QAction::triggered, this, &AppDelegate::quitCorvane);
    menuButton->setMenu(m_menu);

    titleLayout->addWidget(left);
    titleLayout->addWidget(right, 1);

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
    connect(m_outline, &QTreeWidget::itemSelectionChanged, this, &AppDelegate::outlineViewSelectionDidChange);

    m_rightBackView = new SelectView(body);
    bodyLayout->addWidget(m_outline);
    bodyLayout->addWidget(m_rightBackView, 1);
    m_window->setContentView(body);
}

bool AppDelegate::applicationDidFinishLaunching()
{
    // 1. Location check.
    if (!LaunchRules::passesLocationCheck(m_env.bundlePath, m_env.buildTree)) {
        if (m_env.alert)
            m_env.alert(tr("本程序必须放在/Applications文件夹中执行"));
        if (m_env.runCommand)
            m_env.runCommand(AppConfig::kQuitCommand);
        // killall may find nothing to end (another process name, tool missing): end anyway.
        if (m_env.terminate)
            m_env.terminate();
        return false;
    }

    // 2. Menu titles.
    setMenuTitles();

    // 3. First-run welcome.
    if (LaunchRules::welcomeDue(m_env.home)) {
        if (auto starter = ShellHooks::shared().startWelcomeRequest) {
            m_welcomeRequested = true;
            QPointer<AppDelegate> self(this);
            Dispatch::global([self, starter] {
                if (!self)
                    return;
                std::shared_ptr<void> request = starter(*self);
                Dispatch::main([self, request] {
                    if (self)
                        self->post1 = request;
                });
            });
        }
    }

    // 4. Privileged helper.
    addHelper();

    // 5. Companion login item.
    if (auto companion = loginItemAppBundle())
        setAppInLoginItems(!startAtLogin(companion->identifier));

    // 6. Window chrome.
    m_window->setTitleBarView(m_titleBarView);
    m_window->setTrafficLightsCentred(false);

    // 7 and 8. Model name and the sidebar.
    m_listArray = SidebarModel::build(hardwareModel());
    reloadOutline();

    // 9. The junk screen in the content area.
    if (!cleanView)
        cleanView = ScreenFactory::create(1, m_rightBackView);
    m_rightBackView->addSubview(cleanView);
    if (!m_listArray.empty() && !m_listArray.front().children.empty()) {
        // Mark its row as chosen without running the selection change a second time.
        const QSignalBlocker blocker(m_outline);
        if (QTreeWidgetItem* first = m_outline->topLevelItem(0)->child(0))
            first->setSelected(true);
        selectImage(m_listArray.front().children.front());
    }

    // 10. Update check.
    if (auto starter = ShellHooks::shared().startUpdateCheck)
        post2 = starter(*this);

    // 11. The chat-group button for Chinese.
    if (LaunchRules::prefersChinese(m_env.languages)) {
        m_twitterOrQQ->setIcon(Artwork::icon(QStringLiteral("qq.png")));
        m_twitterOrQQ->setToolTip(tr("QQ群"));
    }

    // 12. To the front.
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return true;
}

void AppDelegate::setMenuTitles()
{
    m_aboutItem->setText(tr("关于Corvane Tidewell"));
    m_updateItem->setText(tr("检查更新"));
    m_quitItem->setText(tr("退出Corvane Tidewell"));
    // The update window arrives with the web services; until then the entry says so by
    // being unavailable rather than doing nothing.
    m_updateItem->setEnabled(static_cast<bool>(ShellHooks::shared().runUpdateWindow));
}

bool AppDelegate::applicationShouldHandleReopen(bool)
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return true;
}

void AppDelegate::reloadOutline()
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
        connect(button, &QPushButton::clicked, this, [this, button] { isExpandAndCospall(button); });
        m_outline->setItemWidget(groupItem, 0, cell);
        for (int c = 0; c < groupItem->childCount(); ++c)
            m_outline->setItemWidget(groupItem->child(c), 0, new ListCellView());
    }
    refreshCells();
}

void AppDelegate::refreshCells()
{
    for (int g = 0; g < m_outline->topLevelItemCount() && g < static_cast<int>(m_listArray.size()); ++g) {
        QTreeWidgetItem* groupItem = m_outline->topLevelItem(g);
        const SidebarGroup& group = m_listArray[static_cast<size_t>(g)];
        for (int c = 0; c < groupItem->childCount() && c < static_cast<int>(group.children.size()); ++c)
            if (auto* cell = qobject_cast<ListCellView*>(m_outline->itemWidget(groupItem->child(c), 0)))
                cell->setNode(group.children[static_cast<size_t>(c)]);
    }
}

void AppDelegate::isExpandAndCospall(QPushButton* sender)
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

void AppDelegate::selectImage(const ChildNode& node)
{
    for (SidebarGroup& group : m_listArray)
        for (ChildNode& child : group.children)
            child.selectImageName = child.pindex == node.pindex ? QString::fromUtf8(SidebarModel::kSelectImage) : QString();
    refreshCells();
}

QPointer<QWidget>* AppDelegate::screenField(int pindex)
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

QWidget* AppDelegate::screenForPindex(int pindex) const
{
    return const_cast<AppDelegate*>(this)->screenField(pindex) ? *const_cast<AppDelegate*>(this)->screenField(pindex)
                                                                : nullptr;
}

void AppDelegate::cleanSubView()
{
    for (int pindex = SidebarModel::kFirstScreen; pindex <= SidebarModel::kLastScreen; ++pindex)
        if (QPointer<QWidget>* field = screenField(pindex); field && *field)
            m_rightBackView->removeSubview(*field);
}

void AppDelegate::outlineViewSelectionDidChange()
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
                selectImage(child);
}

void AppDelegate::showScreen(int pindex)
{
    cleanSubView();
    QPointer<QWidget>* field = screenField(pindex);
    if (!field)
        return; // outside 1 to 10: the area stays empty
    if (!*field)
        *field = ScreenFactory::create(pindex, m_rightBackView);
    m_rightBackView->addSubview(*field);
}

QString AppDelegate::hardwareModel()
{
    if (!m_model)
        m_model = QString::fromLatin1(HardwareModel::read(m_env.sysRoot));
    return *m_model;
}

bool AppDelegate::creatFile()
{
    const std::string path = LaunchRules::markerPath(m_env.home);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno == EEXIST;
}

bool AppDelegate::addHelper()
{
    return HelperInstaller(Layout::current(), m_env.bundlePath, m_env.startDetached).addHelper();
}

bool AppDelegate::removeHelper()
{
    return HelperInstaller(Layout::current(), m_env.bundlePath, m_env.startDetached).removeHelper();
}

std::optional<BundleInfo> AppDelegate::loginItemAppBundle()
{
    if (!m_loginItemBundle)
        m_loginItemBundle = Bundle::read(joinPath(m_env.bundlePath, AppConfig::kCompanionBundle));
    return *m_loginItemBundle;
}

bool AppDelegate::startAtLogin(const QString& label)
{
    if (label.isEmpty() || !m_env.userJobs)
        return false;
    return LaunchRules::startAtLogin(label, m_env.userJobs());
}

bool AppDelegate::setAppInLoginItems(bool enabled)
{
    auto companion = loginItemAppBundle();
    if (!companion)
        return false;
    return CompanionLoginItem::setEnabled(enabled, *companion, Layout::current(), m_env.startDetached);
}

void AppDelegate::webServiceFinish(ShellHooks::RequestTag sender, const QByteArray& data)
{
    switch (sender) {
    case ShellHooks::RequestTag::Welcome: {
        post1.reset();
        creatFile();
        const QString url = LaunchRules::welcomeUrlFromReply(data);
        if (!url.isEmpty() && m_env.openUrl)
            m_env.openUrl(QUrl(url));
        break;
    }
    case ShellHooks::RequestTag::UpdateCheck: {
        post2.reset();
        const ShellHooks& hooks = ShellHooks::shared();
        if (hooks.updateExists && hooks.runIsUpdateWindow && hooks.updateExists(data))
            hooks.runIsUpdateWindow(m_window);
        break;
    }
    }
}

void AppDelegate::webServiceFail(ShellHooks::RequestTag sender, const QString&)
{
    // A failed request is tried again at the next launch; nothing is shown.
    if (sender == ShellHooks::RequestTag::Welcome)
        post1.reset();
    else
        post2.reset();
}

QString AppDelegate::shortVersion()
{
    if (auto info = Bundle::read(m_env.bundlePath); info && !info->shortVersion.isEmpty())
        return info->shortVersion;
    return m_env.shortVersion;
}

void AppDelegate::aboutCorvane()
{
    AboutCorvaneWindowController about(shortVersion(), m_window);
    about.exec();
}

void AppDelegate::updateApp()
{
    if (auto run = ShellHooks::shared().runUpdateWindow)
        run(m_window);
}

void AppDelegate::quitCorvane()
{
    if (m_env.runCommand)
        m_env.runCommand(AppConfig::kQuitCommand);
    if (m_env.terminate)
        m_env.terminate();
}

void AppDelegate::openHome()
{
    if (m_env.openUrl)
        m_env.openUrl(QUrl(AppConfig::homePage()));
}

void AppDelegate::openFaceBook()
{
    if (m_env.openUrl)
        m_env.openUrl(QUrl(AppConfig::socialPage()));
}

void AppDelegate::openTwitter()
{
    if (!LaunchRules::prefersChinese(m_env.languages)) {
        if (m_env.openUrl)
            m_env.openUrl(QUrl(AppConfig::secondSocialPage()));
        return;
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(AppConfig::chatGroupNumber());
    }
    if (m_env.alert)
        m_env.alert(tr("QQ群号%1已复制到剪贴板，欢迎加入我们的QQ群！").arg(AppConfig::chatGroupNumber()));
    if (m_env.openUrl)
        m_env.openUrl(QUrl(AppConfig::chatGroupJoinLink()));
}

} // namespace corvane
