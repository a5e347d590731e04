// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/engine/SearchFolderRow.h"
#include "search/ui/SearchResultView.h"
#include "toolkit/OpenPanel.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace corvane {

class SearchFolderCell;
class GlowAnimation;

// What the duplicate and large-file folder views share: the heading, "添加文件夹",
// "清空列表", "扫描"/"停止", one SearchFolderCell per folder with the file being looked at
// and its delete button, the chooser as a sheet, the alert when no folder is listed, and
// the result view laid over it all when a run ends. Each screen brings its session; it
// wires the session's listChanged, rowsChanged, stateChanged and finished to reloadRows,
// updateRows, applyState and showResults.
class SearchFolderView : public QWidget
{
    Q_OBJECT

public:
    struct Look
    {
        QString objectName;
        QString image;
        QString title;
        QString description;
    };

    void addFolder();                                 // the chooser, as a sheet
    void addPaths(const std::vector<std::string>& p); // what the chooser's OK does
    void removeList();                                // "清空列表"
    void deleteRow(int row);
    void scanResult(); // "扫描" / "停止"

    QLabel* titleLabel() const { return m_title; }
    QLabel* descriptionLabel() const { return m_description; }
    QPushButton* addButton() const { return m_addBtn; }
    QPushButton* clearButton() const { return m_clearBtn; }
    QPushButton* scanButton() const { return m_scanBtn; }
    QListWidget* tableView() const { return m_table; }
    SearchFolderCell* cell(int row) const;
    QMessageBox* alertBox() const { return m_alert.data(); }
    OpenPanel* openPanel() const { return m_panel.data(); }
    GlowAnimation* glow() const { return m_glow; }

protected:
    SearchFolderView(const Look& look, QWidget* parent);

    // Once the session exists: its first rows, the buttons' state, the glow.
    void start();
    void reloadRows();
    void updateRows(const std::vector<int>& rows);
    void applyState();
    void showResults();
    SearchResultView* searchResultView() const { return m_resultView.data(); }

    void resizeEvent(QResizeEvent* event) override;

private:
    // The session's side.
    virtual const std::vector<SearchFolderRow>& rows() const = 0;
    virtual bool isIdle() const = 0;
    virtual bool isStopping() const = 0;
    virtual bool canEditRows() const = 0;
    virtual void sessionAddPaths(const std::vector<std::string>& paths) = 0;
    virtual void sessionRemoveList() = 0;
    virtual void sessionDeleteRow(int row) = 0;
    // "扫描" / "停止"; true when there was nothing to search and the user must be told.
    virtual bool sessionScanAlerted() = 0;
    // The screen's result view, not yet filled.
    virtual SearchResultView* createResultView() = 0;
    // Hands it the results of the run that ended.
    virtual void fillResultView() = 0;

    QLabel* m_image = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_description = nullptr;
    QPushButton* m_addBtn = nullptr;
    QPushButton* m_clearBtn = nullptr;
    QPushButton* m_scanBtn = nullptr;
    QListWidget* m_table = nullptr;
    GlowAnimation* m_glow = nullptr;
    QPointer<SearchResultView> m_resultView;
    QPointer<QMessageBox> m_alert;
    QPointer<OpenPanel> m_panel;
};

} // namespace corvane
