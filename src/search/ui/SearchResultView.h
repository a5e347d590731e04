// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/engine/SearchResultTreeModel.h"
#include "toolkit/ReadableOutline.h"

#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <string>
#include <utility>

class QComboBox;
class QLabel;
class QModelIndex;
class QPushButton;

namespace corvane {

class GlowAnimation;

// What the duplicate and large-file result views share: the heading with the status line,
// the sort choice, "返回" and "删除", the outline of groups with one row per file (check
// box, icon, name, path, a detail, a note, "打开" and "删除"), the alert when nothing is
// ticked, the question a screen may want answered before a row's "删除", and leaving only
// once the removals under way have reported. Each screen brings its model, which the
// outline shows and follows row by row; the view only draws and forwards clicks.
class SearchResultView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int NameColumn = SearchResultTreeModel::NameColumn;
    static constexpr int PathColumn = SearchResultTreeModel::PathColumn;
    static constexpr int InfoColumn = SearchResultTreeModel::InfoColumn;
    static constexpr int NoteColumn = SearchResultTreeModel::NoteColumn;
    static constexpr int OpenColumn = SearchResultTreeModel::OpenColumn;
    static constexpr int DeleteColumn = SearchResultTreeModel::DeleteColumn;
    static constexpr int ColumnCount = SearchResultTreeModel::ColumnCount;

    struct Look
    {
        QString objectName;
        QString image;
        QString title;
        QStringList sortChoices;
        int infoWidth;
        int noteWidth;
    };

    void openFile(uint64_t id);
    void deleteFile(uint64_t id);
    void deleteAllFile();
    void backView();
    // Goes now, or when the removals under way have reported.
    void closeWhenSettled();

    ReadableOutline* outline() const { return m_outline; }
    QComboBox* sortBox() const { return m_sortBox; }
    QPushButton* deleteButton() const { return m_deleteBtn; }
    QPushButton* backButton() const { return m_backBtn; }
    QLabel* resultText() const { return m_resultText; }
    QMessageBox* alertBox() const { return m_alert.data(); }
    // The question asked before a row's "删除", while it is open.
    QMessageBox* confirmBox() const { return m_confirm.data(); }
    GlowAnimation* glow() const { return m_glow; }
    // The row of that file in the outline, in `column`; invalid once it has gone.
    QModelIndex indexFor(uint64_t id, int column = NameColumn) const;

signals:
    void back();

protected:
    SearchResultView(const Look& look, QWidget* parent);

    // Shows the screen's model, which must outlive the outline's use of it.
    void showModel(SearchResultTreeModel* model);
    void updateStatus();
    // Wired by the screen to its model's removalFinished.
    void removalFinished(int kept);

    // "正在删除…" or the files kept by the last removal, else empty.
    QString removalText() const;

    int m_lastKept = 0;

private:
    virtual QString statusText() const = 0;
    virtual void sortChosen(int index) = 0;
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
    ReadableOutline* m_outline = nullptr;
    SearchResultTreeModel* m_model = nullptr;
    GlowAnimation* m_glow = nullptr;
    QPointer<QMessageBox> m_alert;
    QPointer<QMessageBox> m_confirm;
    bool m_closing = false;
};

} // namespace corvane
