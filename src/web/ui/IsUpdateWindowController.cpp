// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ui/IsUpdateWindowController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

IsUpdateWindowController::IsUpdateWindowController(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IsUpdateWindowController"));
    setWindowTitle(QStringLiteral("Corvane Tidewell"));
    setWindowModality(Qt::ApplicationModal);
    setStyleSheet(QStringLiteral("QDialog { background: white; }"));
    setMinimumWidth(420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 26, 30, 20);
    layout->setSpacing(22);

    auto* question = new QLabel(tr("有新版本是否更新"), this);
    question->setObjectName(QStringLiteral("question"));
    QFont font = question->font();
    font.setPointSizeF(13);
    question->setFont(font);
    question->setAlignment(Qt::AlignCenter);
    question->setWordWrap(true);
    layout->addWidget(question);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = new QPushButton(tr("取消"), this);
    m_ok = new QPushButton(tr("确定"), this);
    m_ok->setDefault(true);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace corvane
