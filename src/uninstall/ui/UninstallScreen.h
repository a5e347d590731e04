// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Layout.h"
#include "uninstall/engine/UninstallListModel.h"

#include <QHash>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;

namespace corvane {

class ReadableOutline;

// What the three uninstall screens share: the heading, the list with its "强制卸载" per
// row, the load that fills it row by row in the background, and for plug-ins and panes
// the question before a plain deletion and the removal itself. Each screen says which
// list it shows and how removing one of its items starts.
class UninstallScreen : public QWidget
{
    Q_OBJECT

public:
    ~UninstallScreen() override;

    // Reads the list again in the background; rows appear one by one in the list's order
    // while "正在加载..." covers the screen until the first one (or the end of an empty
    // list). Rows still on their way from an earlier load are dropped.
    void loadArray();
    // Empties the list and loads it again.
    void reloadDataView();
    // Starts removing the item at that path, each screen its own way.
    virtual void uninstallApp(const std::string& path) = 0;
    void openFile(const std::string& path);

    // The rows, in the order shown. Main thread only.
    const std::vector<UninstallRecord>& ret() const { return m_model->rows(); }
    UninstallListModel* model() const { return m_model; }
    bool isLoading() const { return m_loading; }
    // A removal of that path is under way.
    bool isRemoving(const std::string& path) const { return m_removing.count(path) > 0; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* descriptionLabel() const { return m_description; }
    // The row's "强制卸载" and reveal control; null for a row that is not there.
    QPushButton* uninstallButton(int row) const;
    QToolButton* revealButton(int row) const;
    // The question asked before a plug-in or pane is deleted, while it is open.
    QMessageBox* alertBox() const { return m_alert.data(); }

signals:
    // A removal this screen ran has ended: the item is gone, or its row says why not.
    void removalFinished(const std::string& path, bool gone);

protected:
    // Called on a worker thread for each row in list order; false once nobody wants more.
    using RowSink = std::function<bool(UninstallRecord)>;
    // Reads the screen's list and hands each row to the sink, on a worker thread, with a
    // copy of the layout: it may outlive the screen, so it holds nothing of it.
    using Loader = std::function<void(const Layout&, const RowSink&)>;

    struct Look
    {
        QString objectName;
        QString tableName;
        QString image;
        QString title;
        QString description;
        UninstallListModel::Kind kind;
        bool revealable; // rows offer to show their item in the file manager
    };

    UninstallScreen(const Layout& layout, const Look& look, QWidget* parent);

    const Layout& layout() const { return m_layout; }
    ReadableOutline* table() const { return m_table; }

    // Asks before deleting the row's item; only "确定" deletes, Enter and Escape keep it.
    void confirmRemoval(const std::string& path, const QString& message);
    // Deletes the row's item off the main thread and reads the disk again before the row
    // goes: an item still there keeps its row, with a note saying so.
    void removeAPP(const std::string& path);
    // Shows `text` in the middle of the screen in place of the list.
    void showPlainMessage(const QString& text);

private:
    virtual Loader loader() const = 0;

    void rowLoaded(uint64_t generation, UninstallRecord record);
    void loadEnded(uint64_t generation);
    void addRowControls(int first, int last);
    void setRowBusy(const std::string& path, bool busy);
    void removalEnded(const std::string& path, bool gone);
    QIcon iconFor(const UninstallRecord& record) const;

    const Layout& m_layout;
    UninstallListModel* m_model = nullptr;
    bool m_revealable = false;
    QLabel* m_title = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_message = nullptr;
    ReadableOutline* m_table = nullptr;
    QHash<QByteArray, QIcon> m_icons;
    QPointer<QMessageBox> m_alert;
    // The number of the newest load; a worker stops, and its rows are dropped, once it
    // is no longer its own. Shared with the workers, which may outlive the screen.
    std::shared_ptr<std::atomic<uint64_t>> m_generation = std::make_shared<std::atomic<uint64_t>>(0);
    bool m_loading = false;
    std::set<std::string> m_removing;
};

} // namespace corvane
