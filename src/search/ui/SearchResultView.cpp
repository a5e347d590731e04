// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/ui/SearchResultView.h"

#include "toolkit/FileIcon.h"
#include "toolkit/FileReveal.h"
#include "toolkit/GlowAnimation.h"
#include "toolkit/ReadableOutline.h"
#include "toolkit/ScreenLook.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

using Model = SearchResultTreeModel;

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

    m_outline = new ReadableOutline(this);
    m_outline->setObjectName(QStringLiteral("outline"));
    m_outline->setNameColumn(NameColumn);
    m_outline->setColumnRule(PathColumn, {Qt::ElideLeft, 0, 0.3});
    m_outline->setColumnRule(InfoColumn, {Qt::ElideRight, look.infoWidth, 0});
    m_outline->setColumnRule(NoteColumn, {Qt::ElideRight, look.noteWidth, 0});
    m_outline->setIconProvider([](const QModelIndex& index) {
        if (index.column() != NameColumn)
            return QIcon();
        const QByteArray path = index.data(Model::FilePathRole).toByteArray();
        return path.isEmpty() ? QIcon() : FileIcon::iconForPath(path.toStdString());
    });
    m_outline->setBoldProvider([](const QModelIndex& index) {
        return index.column() == NameColumn && index.data(Model::GroupRowRole).toBool();
    });
    m_outline->setColourProvider([](const QModelIndex& index) -> std::optional<QColor> {
        const QVariant tone = index.data(Model::ToneRole);
        if (!tone.isValid())
            return std::nullopt;
        switch (tone.value<Model::Tone>()) {
        case Model::Tone::Warn:
            return kWarn;
        case Model::Tone::Quiet:
            return kQuiet;
        case Model::Tone::Link:
            return kLink;
        case Model::Tone::Plain:
            break;
        }
        return std::nullopt;
    });
    m_outline->setHeaderHidden(true);
    m_outline->setUniformRowHeights(true);
    m_outline->setSelectionMode(QAbstractItemView::NoSelection);
    m_outline->setFocusPolicy(Qt::NoFocus);
    m_outline->setIconSize(QSize(24, 24));
    m_outline->setStyleSheet(QStringLiteral("QTreeView { background: white; border: none; border-radius: 6px; }"));

    connect(m_sortBox, &QComboBox::activated, this, [this](int index) { sortChosen(index); });
    connect(m_backBtn, &QPushButton::clicked, this, [this] { backView(); });
    connect(m_deleteBtn, &QPushButton::clicked, this, [this] { deleteAllFile(); });
    connect(m_outline, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.data(Model::GroupRowRole).toBool())
            return;
        const uint64_t id = index.data(Model::FileIdRole).toULongLong();
        if (index.column() == OpenColumn)
            openFile(id);
        else if (index.column() == DeleteColumn && index.data(Model::DeletableRole).toBool())
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

void SearchResultView::showModel(SearchResultTreeModel* model)
{
    m_model = model;
    m_outline->setModel(model);
    // Groups are always open: a new list arrives expanded, and so do groups that appear.
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        m_outline->expandAll();
        updateStatus();
    });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
        if (!parent.isValid())
            for (int row = first; row <= last; ++row)
                m_outline->expand(m_model->index(row, 0));
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { updateStatus(); });
    m_outline->expandAll();
    updateStatus();
}

QModelIndex SearchResultView::indexFor(uint64_t id, int column) const
{
    return m_model ? m_model->indexOfFile(id, column) : QModelIndex();
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
