// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/ui/SearchFolderCell.h"

#include "toolkit/FileIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

SearchFolderCell::SearchFolderCell(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SearchFolderCell"));
    setMinimumHeight(kRowHeight);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(32, 32);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    QFont font = m_title->font();
    font.setPointSize(12);
    font.setBold(true);
    m_title->setFont(font);
    m_subtitle = new QLabel(this);
    m_subtitle->setObjectName(QStringLiteral("subtitle"));
    m_subtitle->setStyleSheet(QStringLiteral("color: #808080;"));
    m_subtitle->setTextFormat(Qt::PlainText);
    m_title->setTextFormat(Qt::PlainText);
    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(60, 8);
    m_busy->hide();
    m_remove = new QPushButton(QStringLiteral("✕"), this);
    m_remove->setObjectName(QStringLiteral("removeButton"));
    m_remove->setFixedSize(24, 24);
    m_remove->setCursor(Qt::PointingHandCursor);
    m_remove->setStyleSheet(QStringLiteral(
        "QPushButton { border: none; color: #a0a0a0; font-size: 14px; } QPushButton:hover { color: #e0631d; }"
        " QPushButton:disabled { color: #dddddd; }"));
    connect(m_remove, &QPushButton::clicked, this, &SearchFolderCell::removeClicked);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 12, 6);
    layout->addWidget(m_icon);
    layout->addLayout(texts, 1);
    layout->addWidget(m_busy);
    layout->addWidget(m_remove);
}

void SearchFolderCell::setObject(const SearchFolderRow& object)
{
    m_icon->setPixmap(FileIcon::iconForPath(object.path).pixmap(32, 32));
    m_title->setText(object.title());
    m_subtitle->setText(object.resultPath.isEmpty() ? object.subtitle() : object.resultPath);
    m_busy->setVisible(object.isStart);
}

void SearchFolderCell::setRemovable(bool removable)
{
    m_remove->setEnabled(removable);
}

bool SearchFolderCell::busy() const
{
    return !m_busy->isHidden();
}

} // namespace corvane
