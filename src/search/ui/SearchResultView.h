// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <string>

class QColor;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvane {

class GlowAnimation;

// What the duplicate and large-file result views share: the heading with the status line,
// the sort choice, "返回" and "删除", the outline of groups with one row per file (check
// box, icon, name, path, a detail, a note, "打开" and "删除"), the alert when nothing is
// ticked, the question a screen may want answered before a row's "删除", and leaving only
// once the removals under way have reported. Each screen brings its model: how rows are
// filled, ticked, revealed and removed.
class SearchResultView : public QWidget
{
    Q_OBJECT

public:
    enum Column { NameColumn, PathColumn, InfoColumn, NoteColumn, OpenColumn, DeleteColumn, ColumnCount };

    struct Look
    {
        QString objectName;
        QString image;
        QString title;
        QStringList sortChoices;
        int infoWidth;
        int noteWidth;
    };

    // The row of one file, as the screen's model describes it.
    struct FileRow
    {
        uint64_t id;
        bool checkable; // the tick box is offered
        bool deletable; // the row's "删除" is offered
        bool checked;
        const std::string& filePath;
        QString name;
        QString shownPath;
        QString info;
        QString note;
        bool noteWarns; // the note in the warning colour
    };

    void openFile(uint64_t id);
    void deleteFile(uint64_t id);
    void deleteAllFile();
    void backView();
    // Goes now, or when the removals under way have reported.
    void closeWhenSettled();

    QTreeWidget* outline() const { return m_outline; }
    QComboBox* sortBox() const { return m_sortBox; }
    QPushButton* deleteButton() const { return m_deleteBtn; }
    QPushButton* backButton() const { return m_backBtn; }
    QLabel* resultText() const { return m_resultText; }
    QMessageBox* alertBox() const { return m_alert.data(); }
    // The question asked before a row's "删除", while it is open.
    QMessageBox* confirmBox() const { return m_confirm.data(); }
    GlowAnimation* glow() const { return m_glow; }
    QTreeWidgetItem* itemFor(uint64_t id) const { return m_items.value(id, nullptr); }

signals:
    void back();

protected:
    SearchResultView(const Look& look, QWidget* parent);

    // Rebuilds the outline from the model: fillOutline() adds the rows.
    void reloadOutline();
    void updateRow(uint64_t id);
    void updateStatus();
    // Wired by the screen to its model's removalFinished.
    void removalFinished(int kept);

    QTreeWidgetItem* addGroupRow();
    QTreeWidgetItem* addFileRow(QTreeWidgetItem* group, const FileRow& row);
    void fillFileRow(QTreeWidgetItem* item, const FileRow& row);
    // "正在删除…" or the files kept by the last removal, else empty.
    QString removalText() const;

    int m_lastKept = 0;

private:
    virtual void fillOutline() = 0;
    // Fills the row of that file again, when the model still has it.
    virtual void refillRow(QTreeWidgetItem* item, uint64_t id) = 0;
    virtual QString statusText() const = 0;
    virtual void sortChosen(int index) = 0;
    virtual void itemChecked(uint64_t id, bool on) = 0;
    virtual std::optional<std::string> filePath(uint64_t id) const = 0;
    virtual void removeFile(uint64_t id) = 0;
    // What to ask before the row's "删除" removes that file; empty removes it at once.
    virtual QString removalQuestion(uint64_t /*id*/) const { return QString(); }
    // The row's "删除" once the question was answered with "删除".
    virtual void removeFileConfirmed(uint64_t id) { removeFile(id); }
    // false when nothing is ticked.
    virtual bool removeTicked() = 0;
    virtual int removalsPending() const = 0;

    void showAlert();
    void askBeforeRemoving(uint64_t id, const QString& question);

    QLabel* m_image = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_resultText = nullptr;
    QComboBox* m_sortBox = nullptr;
    QPushButton* m_backBtn = nullptr;
    QPushButton* m_deleteBtn = nullptr;
    QTreeWidget* m_outline = nullptr;
    GlowAnimation* m_glow = nullptr;
    QPointer<QMessageBox> m_alert;
    QPointer<QMessageBox> m_confirm;
    QHash<quint64, QTreeWidgetItem*> m_items;
    bool m_filling = false;
    bool m_closing = false;
};

} // namespace corvane
