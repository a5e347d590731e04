// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AboutCorvaneWindowController.h"

#include "toolkit/Artwork.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

AboutCorvaneWindowController::AboutCorvaneWindowController(const QString& shortVersion, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutCorvaneWindowController"));
    setWindowTitle(tr("关于Corvane Tidewell"));
    setWindowModality(Qt::ApplicationModal);
    setStyleSheet(QStringLiteral("QDialog { background: white; }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 28, 40, 22);
    layout->setSpacing(10);

    auto* icon = new QLabel(this);
    QPixmap pixmap = Artwork::image(QStringLiteral("AppIcon.png"));
    if (!pixmap.isNull()) {
        pixmap = pixmap.scaled(192, 192, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(2.0);
        icon->setPixmap(pixmap);
    }
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);

    auto* name = new QLabel(QStringLiteral("Corvane Tidewell"), this);
    QFont font = name->font();
    font.setPixelSize(18);
    font.setBold(true);
    name->setFont(font);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);

    m_version = new QLabel(tr("Version:%1").arg(shortVersion), this);
    m_version->setObjectName(QStringLiteral("version"));
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setStyleSheet(QStringLiteral("color: rgb(110,110,110);"));
    layout->addWidget(m_version);

    auto* ok = new QPushButton(tr("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addSpacing(6);
    layout->addWidget(ok, 0, Qt::AlignCenter);
}

QString AboutCorvaneWindowController::versionText() const
{
    return m_version->text();
}

} // namespace corvane
