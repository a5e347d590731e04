#pragma once

#include "largefiles/engine/LargeScanSession.h"

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

class LargeResultView;
class DuplicatedFileCell;
class GlowAnimation;

// The large-file screen's folder view: the folders to search (each Downloads folder at
// first; added and removed only while idle), "扫描"/"停止" with the file being looked at
// on each row, and at every end of a run, stopped or not, the result view laid over it.
class LargeFilesView : public QWidget
{
    Q_OBJECT

public:
    static LargeFilesView* demoView();
    explicit LargeFilesView(QWidget* parent = nullptr);
    ~LargeFilesView() override;

    LargeScanSession& session() { return *m_session; }

    void addFolder();                                 // the chooser, as a sheet
    void addPaths(const std::vector<std::string>& p); // what the chooser's OK does
    void removeList();                                // "清空列表"
    void deleteRow(int row);
    void scanResult(); // "扫描" / "停止"
    std::vector<std::string> filePaths() const { return m_session->filePaths(); }

    QLabel* titleLabel() const { return m_title; }
    QLabel* descriptionLabel() const { return m_description; }
    QPushButton* addButton() const { return m_addBtn; }
    QPushButton* clearButton() const { return m_clearBtn; }
    QPushButton* scanButton() const { return m_scanBtn; }
    QListWidget* tableView() const { return m_table; }
    DuplicatedFileCell* cell(int row) const;
    LargeResultView* resultView() const;
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

    LargeScanSession* m_session = nullptr;
    QLabel* m_image = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_description = nullptr;
    QPushButton* m_addBtn = nullptr;
    QPushButton* m_clearBtn = nullptr;
    QPushButton* m_scanBtn = nullptr;
    QListWidget* m_table = nullptr;
    GlowAnimation* m_glow = nullptr;
    QPointer<LargeResultView> m_resultView;
    QPointer<QMessageBox> m_alert;
    QPointer<OpenPanel> m_panel;
};

} // namespace corvane
