// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/ui/SearchResultView.h"

#include "toolkit/FileIcon.h"
#include "toolkit/FileReveal.h"
#include "toolkit/GlowAnimation.h"
#include "toolkit/ScreenLook.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kDeletableRole = Qt::UserRole + 2;
const QColor kWarn(200, 60, 40);
const QColor kQuiet(110, 110, 110);
const QColor kLink(45, 140, 240);

QPushButton* blueButton(const QString& text, const char* name, QWidget* parent)
{
    return ScreenLook::button(text, name, QSize(90, 34),
                              QStringLiteral("QPushButton { background: #2d8cf0; color: white; border: none;"
                                             " border-radius: 17px; font-size: 14px; padding: 4px 18px; }"
                                             " QPushButton:hover { background: #4aa0f5; }"),
                              parent);
}

} // namespace

SearchResultView::SearchResultView(const Look& look, QWidget* parent) : QWidget(parent)
{
    setObjectName(look.objectName);
    ScreenLook::fillBackground(this, QColor(232, 232, 232));

    m_image = ScreenLook::picture(look.image, 48, this);
    m_glow = new GlowAnimation(m_image, this);
    m_title = ScreenLook::heading(look.title, 16, this);
    m_resultText = new QLabel(this);
    m_resultText->setObjectName(QStringLiteral("result_text"));
    m_resultText->setStyleSheet(QStringLiteral("color: #606060;"));

    m_sortBox = new QComboBox(this);
    m_sortBox->setObjectName(QStringLiteral("sortBox"));
    m_sortBox->addItems(look.sortChoices);
    m_sortBox->setPlaceholderText(look.sortChoices.value(0));
    m_sortBox->setCurrentIndex(0);
    m_backBtn = blueButton(tr("返回"), "backButton", this);
    m_deleteBtn = blueButton(tr("删除"), "deleteButton", this);

    m_outline = new QTreeWidget(this);
    m_outline->setObjectName(QStringLiteral("outline"));
    m_outline->setColumnCount(ColumnCount);
    m_outline->setHeaderHidden(true);
    m_outline->setUniformRowHeights(true);
    m_outline->setSelectionMode(QAbstractItemView::NoSelection);
    m_outline->setFocusPolicy(Qt::NoFocus);
    m_outline->setIconSize(QSize(24, 24));
    m_outline->header()->setStretchLastSection(false);
    m_outline->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_outline->setColumnWidth(PathColumn, 250);
    m_outline->setColumnWidth(InfoColumn, look.infoWidth);
    m_outline->setColumnWidth(NoteColumn, look.noteWidth);
    m_outline->setColumnWidth(OpenColumn, 44);
    m_outline->setColumnWidth(DeleteColumn, 44);
    m_outline->setStyleSheet(QStringLiteral("QTreeWidget { background: white; border: none; border-radius: 6px; }"
                                            " QTreeWidget::item { height: 32px; }"));

    connect(m_sortBox, &QComboBox::activated, this, [this](int index) { sortChosen(index); });
    connect(m_backBtn, &QPushButton::clicked, this, [this] { backView(); });
    connect(m_deleteBtn, &QPushButton::clicked, this, [this] { deleteAllFile(); });
    connect(m_outline, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_filling || column != NameColumn || !item->parent())
            return;
        itemChecked(item->data(NameColumn, kIdRole).toULongLong(), item->checkState(NameColumn) == Qt::Checked);
    });
    connect(m_outline, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (!item->parent())
            return;
        const uint64_t id = item->data(NameColumn, kIdRole).toULongLong();
        if (column == OpenColumn)
            openFile(id);
        else if (column == DeleteColumn && item->data(DeleteColumn, kDeletableRole).toBool())
            deleteFile(id);
    });

    auto* top = new QHBoxLayout;
    top->addWidget(m_image);
    auto* heading = new QVBoxLayout;
    heading->addWidget(m_title);
    heading->addWidget(m_resultText);
    top->addLayout(heading, 1);
    top->addWidget(m_sortBox);
    top->addSpacing(8);
    top->addWidget(m_backBtn);
    top->addWidget(m_deleteBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(14);
    layout->addLayout(top);
    layout->addWidget(m_outline, 1);

    m_glow->start();
}

QTreeWidgetItem* SearchResultView::addGroupRow()
{
    auto* item = new QTreeWidgetItem(m_outline);
    item->setFlags(Qt::ItemIsEnabled);
    QFont f = item->font(NameColumn);
    f.setBold(true);
    item->setFont(NameColumn, f);
    return item;
}

QTreeWidgetItem* SearchResultView::addFileRow(QTreeWidgetItem* group, const FileRow& row)
{
    auto* item = new QTreeWidgetItem(group);
    fillFileRow(item, row);
    m_items.insert(row.id, item);
    return item;
}

void SearchResultView::fillFileRow(QTreeWidgetItem* item, const FileRow& row)
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (row.checkable)
        flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    item->setData(NameColumn, kIdRole, QVariant::fromValue<qulonglong>(row.id));
    item->setCheckState(NameColumn, row.checked ? Qt::Checked : Qt::Unchecked);
    item->setIcon(NameColumn, FileIcon::iconForPath(row.filePath));
    item->setText(NameColumn, row.name);
    item->setText(PathColumn, row.shownPath);
    item->setToolTip(PathColumn, QFile::decodeName(QByteArray::fromStdString(row.filePath)));
    item->setText(InfoColumn, row.info);
    item->setText(NoteColumn, row.note);
    item->setToolTip(NoteColumn, row.note);
    item->setForeground(NoteColumn, QBrush(row.noteWarns ? kWarn : kQuiet));
    item->setText(OpenColumn, tr("打开"));
    item->setForeground(OpenColumn, QBrush(kLink));
    item->setText(DeleteColumn, row.deletable ? tr("删除") : QString());
    item->setData(DeleteColumn, kDeletableRole, row.deletable);
    item->setForeground(DeleteColumn, QBrush(kWarn));
}

void SearchResultView::reloadOutline()
{
    m_filling = true;
    m_outline->setUpdatesEnabled(false);
    m_outline->clear();
    m_items.clear();
    fillOutline();
    m_outline->expandAll();
    m_outline->setUpdatesEnabled(true);
    m_filling = false;
    updateStatus();
}

void SearchResultView::updateRow(uint64_t id)
{
    QTreeWidgetItem* item = m_items.value(id, nullptr);
    if (!item)
        return;
    m_filling = true;
    refillRow(item, id);
    m_filling = false;
}

QString SearchResultView::removalText() const
{
    if (removalsPending() > 0)
        return tr("正在删除…");
    if (m_lastKept > 0)
        return tr("有 %1 个文件未能删除，原因见各行说明").arg(m_lastKept);
    return QString();
}

void SearchResultView::updateStatus()
{
    m_resultText->setText(statusText());
}

void SearchResultView::removalFinished(int kept)
{
    m_lastKept = kept;
    updateStatus();
    if (m_closing)
        deleteLater();
}

void SearchResultView::openFile(uint64_t id)
{
    if (std::optional<std::string> path = filePath(id))
        FileReveal::reveal(*path);
}

void SearchResultView::deleteFile(uint64_t id)
{
    const QString question = removalQuestion(id);
    if (!question.isEmpty()) {
        askBeforeRemoving(id, question);
        return;
    }
    m_lastKept = 0;
    removeFile(id);
    updateStatus();
}

void SearchResultView::askBeforeRemoving(uint64_t id, const QString& question)
{
    if (m_confirm)
        m_confirm->deleteLater();
    m_confirm = new QMessageBox(QMessageBox::Warning, QString(), question, QMessageBox::NoButton, this);
    QPushButton* remove = m_confirm->addButton(tr("删除"), QMessageBox::DestructiveRole);
    QPushButton* keep = m_confirm->addButton(tr("取消"), QMessageBox::RejectRole);
    // Enter or Escape keeps the file: only a deliberate press on "删除" removes it.
    m_confirm->setDefaultButton(keep);
    m_confirm->setEscapeButton(keep);
    m_confirm->setWindowModality(Qt::WindowModal);
    m_confirm->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_confirm, &QMessageBox::buttonClicked, this, [this, id, remove](QAbstractButton* clicked) {
        if (clicked != remove)
            return;
        // The row is looked up again: it may have gone while the question was open.
        m_lastKept = 0;
        removeFileConfirmed(id);
        updateStatus();
    });
    m_confirm->open();
}

void SearchResultView::deleteAllFile()
{
    m_lastKept = 0;
    if (!removeTicked()) {
        showAlert();
        return;
    }
    updateStatus();
}

void SearchResultView::showAlert()
{
    if (m_alert)
        m_alert->deleteLater();
    m_alert = new QMessageBox(QMessageBox::Warning, QString(), tr("路径未添加"), QMessageBox::Ok, this);
    m_alert->setInformativeText(tr("请点击添加文件夹按钮添加文件路径"));
    m_alert->setWindowModality(Qt::WindowModal);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->open();
}

void SearchResultView::backView()
{
    hide();
    emit back();
}

void SearchResultView::closeWhenSettled()
{
    if (removalsPending() > 0)
        m_closing = true;
    else
        deleteLater();
}

} // namespace corvane
