// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/ui/SystemCleanCell.h"

#include "common/QSFileUtility.h"
#include "junk/engine/SystemCleanObject.h"
#include "junk/ui/SystemCleanSpinner.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

SystemCleanCell::SystemCleanCell(QWidget* parent)
    : QWidget(parent), m_check(new QCheckBox(this)), m_title(new QLabel(this)), m_description(new QLabel(this)),
      m_alert(new QLabel(this)), m_size(new QLabel(this)), m_spinner(new SystemCleanSpinner(this)),
      m_details(new QPushButton(this))
{
    setObjectName(QStringLiteral("SystemCleanCell"));
    m_check->setObjectName(QStringLiteral("selectBtn"));
    m_title->setObjectName(QStringLiteral("fileName"));
    m_description->setObjectName(QStringLiteral("fileDescription"));
    m_alert->setObjectName(QStringLiteral("fileAlert"));
    m_size->setObjectName(QStringLiteral("fileSize"));
    m_details->setObjectName(QStringLiteral("detailsBtn"));

    QFont titleFont = m_title->font();
    titleFont.setPointSize(14);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    QFont small = m_description->font();
    small.setPointSize(11);
    m_description->setFont(small);
    m_description->setStyleSheet(QStringLiteral("color: #808080;"));
    m_alert->setFont(small);
    m_alert->setStyleSheet(QStringLiteral("color: #e0631d;"));
    QFont sizeFont = m_size->font();
    sizeFont.setPointSize(13);
    m_size->setFont(sizeFont);
    m_details->setCursor(Qt::PointingHandCursor);
    m_details->setStyleSheet(
        QStringLiteral("QPushButton { border: 1px solid #2d8cf0; border-radius: 4px; color: #2d8cf0; padding: 3px 12px;"
                       " background: white; } QPushButton:hover { background: #eaf4ff; }"));
    m_check->setFocusPolicy(Qt::NoFocus);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addStretch();
    texts->addWidget(m_title);
    texts->addWidget(m_description);
    texts->addStretch();

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 4, 16, 4);
    row->setSpacing(10);
    row->addWidget(m_check, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
    row->addWidget(m_alert, 0, Qt::AlignVCenter);
    row->addWidget(m_size, 0, Qt::AlignVCenter);
    row->addWidget(m_spinner, 0, Qt::AlignVCenter);
    row->addWidget(m_details, 0, Qt::AlignVCenter);

    m_spinner->hide();
    m_details->hide();

    connect(m_check, &QCheckBox::clicked, this, [this](bool on) { emit selectBtnClicked(on); });
    connect(m_details, &QPushButton::clicked, this, [this] { emit showResultView(); });
}

void SystemCleanCell::setObject(const SystemCleanObject& object)
{
    m_details->setText(tr("详情"));
    {
        const QSignalBlocker block(m_check);
        m_check->setChecked(object.state.load());
    }
    m_title->setText(object.fileName);
    m_description->setText(object.fileDescription);
    m_alert->setText(object.state.load() ? object.fileAlert : QString());

    switch (object.start) {
    case SystemCleanObject::Start::Idle:
        m_spinner->stopAnimation();
        m_spinner->hide();
        m_details->hide();
        m_size->clear();
        break;
    case SystemCleanObject::Start::Scanning:
        m_spinner->show();
        m_spinner->startAnimation();
        m_alert->clear();
        m_size->clear();
        m_details->hide();
        break;
    case SystemCleanObject::Start::Scanned:
    case SystemCleanObject::Start::Finished:
        m_size->setText(QSFileUtility::fileSizeByDoubleSize(double(object.fileSize)));
        m_details->setVisible(object.start == SystemCleanObject::Start::Finished);
        m_spinner->stopAnimation();
        m_spinner->hide();
        m_alert->clear();
        break;
    }
}

} // namespace corvane
