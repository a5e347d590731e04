// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QListView;
class QPushButton;

namespace corvane {

class AppInfoCellView;
class LeftoverListModel;
class TriStateCheckBox;

// What the leftover sheet and the companion's leftover window show alike: the list of
// files with their boxes, the summary line, "全选", "取消" and "删除". The progress
// overlay covers it while the list loads and while files are removed; the buttons wait
// for either to end. The owner decides what the two buttons end.
class LeftoverPanel : public QWidget
{
    Q_OBJECT

public:
    LeftoverPanel(LeftoverListModel* model, QWidget* parent = nullptr);

    LeftoverListModel* model() const { return m_model; }
    QListView* myTableView() const { return m_table; }
    QLabel* totalTextField() const { return m_total; }
    TriStateCheckBox* selectAllBtn() const { return m_selectAll; }
    QPushButton* deleteBtn() const { return m_delete; }
    QPushButton* cancelBtn() const { return m_cancel; }
    AppInfoCellView* cellView() const { return m_cells; }

    // Shows "正在加载..." until the model has loaded.
    void showLoading();
    // Ticks or unticks a row as its box would.
    void selectBtnClicked(int row, bool checked);
    void selectAllClicked();
    void openFile(int row);

signals:
    void okClicked();
    void cancelClicked();

private:
    void settle();
    void busy(bool on);

    LeftoverListModel* m_model;
    QListView* m_table = nullptr;
    QLabel* m_total = nullptr;
    TriStateCheckBox* m_selectAll = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_cancel = nullptr;
    AppInfoCellView* m_cells = nullptr;
};

} // namespace corvane
