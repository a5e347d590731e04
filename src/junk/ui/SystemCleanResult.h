// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/SystemCleanObject.h"

#include <QHash>
#include <QIcon>
#include <QWidget>

class QPushButton;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvane {

class SystemCleanResultVCDelegate;

// The details overlay of one junk category: its result tree as an outline with
// tri-state checkboxes, sizes and a reveal button per item. Laid over the clean screen;
// "返回" takes it away.
class SystemCleanResult : public QWidget
{
    Q_OBJECT

public:
    // Column identifiers of the outline.
    static constexpr int kNameColumn = 0;
    static constexpr int kSizeColumn = 1;
    static constexpr int kOpenColumn = 2;

    static SystemCleanResult* demoView(QWidget* parent = nullptr);
    explicit SystemCleanResult(QWidget* parent = nullptr);

    void setDelegate(SystemCleanResultVCDelegate* delegate) { m_delegate = delegate; }
    // Loads the outline from the category and expands its top-level groups.
    void setSystemObject(SystemCleanObject::Ptr object);
    const SystemCleanObject::Ptr& systemObject() const { return m_object; }

    QTreeWidget* outline() const { return m_outline; }
    QPushButton* backButton() const { return m_back; }
    // The node an outline row shows.
    static UserCachesSubObject* nodeOf(const QTreeWidgetItem* item);

    // A click on a row's checkbox; `on` is the box's new value.
    void selectBtnClicked(QTreeWidgetItem* item, bool on);
    // Reveals an item in the file manager, in its folder.
    void openFile(const UserCachesSubObject& node);

signals:
    void closed();

private:
    void loadRows(QTreeWidgetItem* parent, const std::vector<UserCachesSubObject::Ptr>& nodes);
    void syncStates(QTreeWidgetItem* item);
    QIcon iconFor(const std::string& path);

    SystemCleanResultVCDelegate* m_delegate = nullptr;
    SystemCleanObject::Ptr m_object;
    // Every node a row shows. The session replaces the category's tree when a clean ends
    // or a scan starts, possibly while this overlay is open; the rows point at these.
    std::vector<UserCachesSubObject::Ptr> m_nodes;
    QLabel* m_title;
    QTreeWidget* m_outline;
    QPushButton* m_back;
    bool m_syncing = false;
    QHash<QString, QIcon> m_icons;
};

} // namespace corvane
