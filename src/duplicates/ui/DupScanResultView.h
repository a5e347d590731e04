#pragma once

#include "duplicates/engine/DupScanResultModel.h"

#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvane {

class GlowAnimation;

// The duplicate result view, laid over the folder view when a search ends: each group
// with the copy that stays unticked, the copies verified identical ticked, sortable by
// size, count or type; single removal from a row, "删除" for every ticked file, "返回".
class DupScanResultView : public QWidget
{
    Q_OBJECT

public:
    enum Column { NameColumn, PathColumn, InfoColumn, NoteColumn, OpenColumn, DeleteColumn, ColumnCount };

    static DupScanResultView* demoView(QWidget* parent = nullptr);
    explicit DupScanResultView(QWidget* parent = nullptr);

    // Builds the groups from the records and starts verifying them.
    void setResultList(std::vector<DuplicateGroupRecord> records);
    DupScanResultModel& model() { return *m_model; }

    void selectBtnClicked(uint64_t id, int state);
    void openFile(uint64_t id);
    void deleteFile(uint64_t id);
    void deleteAllFile();
    void backView();

    QTreeWidget* outline() const { return m_outline; }
    QComboBox* sortBox() const { return m_sortBox; }
    QPushButton* deleteButton() const { return m_deleteBtn; }
    QPushButton* backButton() const { return m_backBtn; }
    QLabel* resultText() const { return m_resultText; }
    QMessageBox* alertBox() const { return m_alert.data(); }
    GlowAnimation* glow() const { return m_glow; }
    QTreeWidgetItem* itemFor(uint64_t id) const { return m_items.value(id, nullptr); }

signals:
    void back();

private:
    void reloadOutline();
    void updateMember(uint64_t id);
    void fillGroupRow(QTreeWidgetItem* item, const DupScanResultModel::Group& group);
    void fillMemberRow(QTreeWidgetItem* item, const DupScanReultObject& object);
    void updateStatus();
    void showAlert();

    DupScanResultModel* m_model = nullptr;
    QLabel* m_image = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_resultText = nullptr;
    QComboBox* m_sortBox = nullptr;
    QPushButton* m_backBtn = nullptr;
    QPushButton* m_deleteBtn = nullptr;
    QTreeWidget* m_outline = nullptr;
    GlowAnimation* m_glow = nullptr;
    QPointer<QMessageBox> m_alert;
    QHash<quint64, QTreeWidgetItem*> m_items;
    bool m_filling = false;
    int m_lastKept = 0;
};

} // namespace corvane
