#pragma once

#include "duplicates/engine/DuplicatedScanSession.h"

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

class DupScanResultView;
class DuplicatedFileCell;
class GlowAnimation;

// The duplicate-file screen's folder view: the folders to search (Downloads at first),
// "添加文件夹", "清空列表", the row delete buttons, "扫描"/"停止" with the file being
// looked at on each row, and the result view laid over it when the search ends.
class DuplicatedFileView : public QWidget
{
    Q_OBJECT

public:
    static DuplicatedFileView* demoView();
    explicit DuplicatedFileView(QWidget* parent = nullptr);
    ~DuplicatedFileView() override;

    DuplicatedScanSession& session() { return *m_session; }

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
    DuplicatedFileCell* cell(int row) const;
    DupScanResultView* resultView() const;
    QMessageBox* alertBox() const { return m_alert.data(); }
    OpenPanel* openPanel() const { return m_panel.data(); }
    GlowAnimation* glow() const { return m_glow; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void reloadRows();
    void updateRows(const std::vector<int>& rows);
    void applyState();
    void showResults();

    DuplicatedScanSession* m_session = nullptr;
    QLabel* m_image = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_description = nullptr;
    QPushButton* m_addBtn = nullptr;
    QPushButton* m_clearBtn = nullptr;
    QPushButton* m_scanBtn = nullptr;
    QListWidget* m_table = nullptr;
    GlowAnimation* m_glow = nullptr;
    QPointer<DupScanResultView> m_resultView;
    QPointer<QMessageBox> m_alert;
    QPointer<OpenPanel> m_panel;
};

} // namespace corvane
