#pragma once

#include "largefiles/engine/LargeResultModel.h"

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

// The large-file result view, laid over the folder view at the end of every run: the
// found files in their size groups, sortable by size or type, each with a check box, a
// reveal and a delete button; "删除" for the ticked files and "返回".
class LargeResultView : public QWidget
{
    Q_OBJECT

public:
    enum Column { NameColumn, PathColumn, SizeColumn, NoteColumn, OpenColumn, DeleteColumn, ColumnCount };

    static LargeResultView* demoView(QWidget* parent = nullptr);
    explicit LargeResultView(QWidget* parent = nullptr);

    void set_reustlist(std::vector<LargeHit> hits);
    void reloadList();
    LargeResultModel& model() { return *m_model; }

    void selectBtnClicked(uint64_t id, bool state);
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
    void updateFile(uint64_t id);
    void fillFileRow(QTreeWidgetItem* item, const LargeFileObject& object);
    void updateStatus();

    LargeResultModel* m_model = nullptr;
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
