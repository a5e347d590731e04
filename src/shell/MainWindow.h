// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/SidebarModel.h"
#include "toolkit/TitleBarWindow.h"

#include <QPointer>

#include <vector>

class QAction;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace corvane {

class SelectView;

// The main window: a title bar of two coloured areas (the program's name on the left, the
// web buttons and the application menu on the right) over the sidebar and the content
// area. It keeps each feature screen, created the first time its sidebar item is chosen,
// for the life of the process. The commands of the buttons and the menu leave as signals.
class MainWindow : public TitleBarWindow
{
    Q_OBJECT
public:
    MainWindow();

    // The title bar's content (AppDelegate's titleBarView), placed in the title bar by
    // installTitleBarView().
    QWidget* headerView() const { return m_headerView; }
    QTreeWidget* myOutlineView() const { return m_outline; }
    SelectView* rightBackView() const { return m_rightBackView; }
    QToolButton* twitterOrQQ() const { return m_twitterOrQQ; }
    QAction* aboutItem() const { return m_aboutItem; }
    QAction* updateItem() const { return m_updateItem; }
    QAction* quitItem() const { return m_quitItem; }

    // The menu entries' final titles; the update entry is available only with the update
    // windows.
    void setMenuTitles(bool updateWindowsExist);
    // The header in the title bar at its own height, the window buttons not centred in it.
    void installTitleBarView();
    // The social button becomes the chat-group button.
    void showChatGroupButton();
    void bringToFront();

    // Sidebar.
    void setListArray(std::vector<SidebarGroup> groups);
    const std::vector<SidebarGroup>& listArray() const { return m_listArray; }
    // Folds or opens the group whose expand button is `sender`.
    void toggleGroup(QPushButton* sender);
    // Marks the item of `node`'s pindex as chosen and unmarks every other.
    void markChosenItem(const ChildNode& node);
    // Shows the screen of the chosen item, if an item (not a group row) is chosen.
    void showChosenItem();

    // Screens.
    // The junk screen in the content area, its item marked as chosen.
    void showJunkScreen();
    // Takes every screen out of the content area.
    void removeScreens();
    // The screen kept for a pindex (null until first shown or outside 1 to 10).
    QWidget* screenForPindex(int pindex) const;

signals:
    void homeClicked();
    void faceBookClicked();
    void twitterClicked();
    void aboutChosen();
    void updateChosen();
    void quitChosen();

private:
    QWidget* buildHeader();
    QWidget* buildBody();
    void reloadOutline();
    void refreshCells();
    QPointer<QWidget>* screenField(int pindex);
    void showScreen(int pindex);

    QWidget* m_headerView = nullptr;
    QTreeWidget* m_outline = nullptr;
    SelectView* m_rightBackView = nullptr;
    QToolButton* m_twitterOrQQ = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_aboutItem = nullptr;
    QAction* m_updateItem = nullptr;
    QAction* m_quitItem = nullptr;
    std::vector<SidebarGroup> m_listArray;

    // One screen per sidebar item, by pindex 1 to 10.
    QPointer<QWidget> cleanView, loginItem, popViewController, systemPerView, uninstallView, plugView,
        configView, dupView, largeView, hardWare;
};

} // namespace corvane
