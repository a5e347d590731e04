// SPDX-License-Identifier: GPL-3.0-or-later
#include "processes/ui/SystemPerformanceAcceleration.h"

#include "common/Dispatch.h"
#include "toolkit/Artwork.h"
#include "toolkit/FileIcon.h"
#include "toolkit/GlowAnimation.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/ReadableOutline.h"
#include "toolkit/ScreenLook.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace corvane {

namespace {

using Model = ProcessListModel;

QIcon iconFor(const QString& icon)
{
    // A path only when it is a picture file of reasonable size; else a theme name.
    if (icon.startsWith(QLatin1Char('/'))) {
        const QFileInfo file(icon);
        if (file.isFile() && file.size() < 4 * 1024 * 1024)
            return QIcon(icon);
    } else if (!icon.isEmpty()) {
        const QIcon themed = FileIcon::iconForName(icon);
        if (!themed.isNull())
            return themed;
    }
    const QIcon fallback = FileIcon::iconForName(QStringLiteral("application-x-executable"));
    // An application is no folder to its user, whatever the theme lacks.
    return fallback.isNull() ? QIcon(Artwork::image(QStringLiteral("type-program.png"))) : fallback;
}

} // namespace

SystemPerformanceAcceleration* SystemPerformanceAcceleration::demoView()
{
    return new SystemPerformanceAcceleration([] { return SystemPerAcceleration::manager().getResouceProcess(); },
                                             [](const SystemPerObject& row) { return SystemPerAcceleration::quit(row); });
}

SystemPerformanceAcceleration::SystemPerformanceAcceleration(Source source, Quitter quitter, QWidget* parent)
    : QWidget(parent), m_source(std::move(source)), m_quitter(std::move(quitter)), m_model(new ProcessListModel(this))
{
    setObjectName(QStringLiteral("SystemPerformanceAcceleration"));
    ScreenLook::fillBackground(this, QColor(246, 246, 246));

    QLabel* picture = ScreenLook::picture(QStringLiteral("系统性能1.png"), 48, this);
    m_glow = new GlowAnimation(picture, this);
    QLabel* title = ScreenLook::heading(tr("进程管理"), 20, this);
    title->setObjectName(QStringLiteral("titleLabel"));
    QLabel* description = ScreenLook::description(tr("关闭占用大量资源和服务的进程用以加速系统"), this);
    m_optimise = ScreenLook::button(tr("优化"), "optimiseButton", QSize(100, 34),
                                    QStringLiteral("QPushButton { background: #2d8cf0; color: white; border: none;"
                                                   " border-radius: 17px; font-size: 14px; padding: 4px 18px; }"),
                                    this);

    m_table = new ReadableOutline(this);
    m_table->setObjectName(QStringLiteral("processTableView"));
    m_table->setNameColumn(Model::NameColumn, 0.35);
    m_table->setColumnRule(Model::CpuColumn, {Qt::ElideRight, 220, 0.3});
    m_table->setColumnRule(Model::SizeColumn, {Qt::ElideRight, 220, 0.3});
    m_table->styleAsList(44, 10);
    m_table->setIconProvider([](const QModelIndex& index) {
        return index.column() == Model::NameColumn ? iconFor(index.data(Model::IconRole).toString()) : QIcon();
    });
    m_table->setModel(m_model);
    connect(m_optimise, &QPushButton::clicked, this, &SystemPerformanceAcceleration::deleteFile);

    QHBoxLayout* top = ScreenLook::headingRow(picture, title, description, {m_optimise});
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(18);
    column->addLayout(top);
    column->addWidget(m_table, 1);

    m_glow->start();
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &SystemPerformanceAcceleration::reloadArray);
    loadArray();
    m_refresh.start();
}

SystemPerformanceAcceleration::~SystemPerformanceAcceleration()
{
    m_refresh.stop();
    RWProgressHUD::dismissFromView(this);
}

void SystemPerformanceAcceleration::loadArray()
{
    RWProgressHUD::showStatus(tr("正在加载..."), this);
    fetch();
}

void SystemPerformanceAcceleration::reloadArray()
{
    fetch();
}

void SystemPerformanceAcceleration::fetch()
{
    // One reading at a time: a slow one is not piled on by the next tick.
    if (m_inFlight)
        return;
    m_inFlight = true;
    QPointer<SystemPerformanceAcceleration> self(this);
    Dispatch::global([self, source = m_source] {
        auto rows = std::make_shared<std::vector<SystemPerObject>>(source());
        Dispatch::main([self, rows] {
            if (!self)
                return;
            // An empty reading empties the table too: nothing runs that could be offered.
            self->m_model->replace(std::move(*rows));
            self->m_inFlight = false;
            ++self->m_refreshes;
            RWProgressHUD::dismissFromView(self);
        });
    });
}

void SystemPerformanceAcceleration::selectedRow(int row, bool ticked)
{
    m_model->setTicked(row, ticked);
}

void SystemPerformanceAcceleration::deleteFile()
{
    bool any = false;
    // From the last row to the first, so the rows still to go keep their places.
    for (int row = m_model->rowCount() - 1; row >= 0; --row) {
        if (m_model->listArray()[size_t(row)].state != 1)
            continue;
        any = true;
        m_quitter(m_model->listArray()[size_t(row)]);
        m_model->removeAt(row);
    }
    if (!any)
        showAlert();
}

void SystemPerformanceAcceleration::showAlert()
{
    if (m_alert)
        m_alert->deleteLater();
    m_alert = new QMessageBox(QMessageBox::Warning, QString(), tr("未选中项目"), QMessageBox::Ok, this);
    m_alert->setWindowModality(Qt::WindowModal);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->open();
}

} // namespace corvane
