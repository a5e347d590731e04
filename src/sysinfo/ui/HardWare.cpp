// SPDX-License-Identifier: GPL-3.0-or-later
#include "sysinfo/ui/HardWare.h"

#include "common/Dispatch.h"
#include "platform/Profiler.h"
#include "sysinfo/engine/HwmonTransport.h"
#include "sysinfo/engine/SensorClient.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/ReadableOutline.h"
#include "toolkit/ScreenLook.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include <memory>
#include <mutex>

namespace corvane {

namespace {

// One sensor client for the screen's life, used by one worker at a time.
struct SharedSensors
{
    std::mutex lock;
    SensorClient client;

    explicit SharedSensors(const std::string& sys) : client(std::make_unique<HwmonTransport>(sys)) {}

    HardWare::Readings read()
    {
        std::lock_guard guard(lock);
        HardWare::Readings readings;
        if (client.openSensorConnection() == 0) {
            readings.temperature = client.readTemperature("TC0P");
            readings.rpm = client.readFanSpeed("F0Ac");
        }
        client.closeSensorConnection();
        return readings;
    }
};

} // namespace

HardWare* HardWare::demoView()
{
    const Profiler::Roots roots = Profiler::fromEnvironment();
    auto sensors = std::make_shared<SharedSensors>(roots.sys);
    return new HardWare(
        [roots](const Readings& readings) {
            return HardwareOutlineModel::build(HardCPU::getHardware(roots), HardCPU::getIntelProAndDisplay(roots),
                                               HardCPU::getSATAExPress(roots), readings.temperature, readings.rpm);
        },
        [sensors] { return sensors->read(); });
}

HardWare::HardWare(Builder builder, SensorReader sensors, QWidget* parent)
    : QWidget(parent), m_builder(std::move(builder)), m_sensors(std::move(sensors)),
      m_model(new HardwareOutlineModel(this))
{
    setObjectName(QStringLiteral("HardWare"));
    ScreenLook::fillBackground(this, QColor(246, 246, 246));

    QLabel* picture = ScreenLook::picture(QStringLiteral("系统信息.png"), 48, this);
    m_productName = ScreenLook::heading(tr("System Information"), 20, this);
    m_productName->setObjectName(QStringLiteral("productNameLabel"));
    m_productVersion = ScreenLook::description(
        tr("Show basic information about your Mac computer, allowing you to better understand"), this);
    m_productVersion->setObjectName(QStringLiteral("productVersionLabel"));
    m_productVersion->setWordWrap(true);

    m_outline = new ReadableOutline(this);
    m_outline->setObjectName(QStringLiteral("hardwareOutlineView"));
    // Keys are short and known; the values (a processor's name, a UUID) take the rest.
    m_outline->setNameColumn(HardwareOutlineModel::ValueColumn, 0.5);
    m_outline->setColumnRule(HardwareOutlineModel::TitleColumn, {Qt::ElideRight, 260, 0.45});
    m_outline->styleAsList(HardwareOutlineModel::kRowHeight, 10);
    // An outline, not a flat list: sections open and close, rows differ in height, and
    // a fact can be selected to be read against the window's colour.
    m_outline->setRootIsDecorated(true);
    m_outline->setItemsExpandable(true);
    m_outline->setUniformRowHeights(false);
    m_outline->setSelectionMode(QAbstractItemView::SingleSelection);
    m_outline->setIndentation(18);
    m_outline->header()->hide();
    m_outline->setBoldProvider([](const QModelIndex& index) { return !index.parent().isValid(); });
    m_outline->setModel(m_model);

    QHBoxLayout* top = ScreenLook::headingRow(picture, m_productName, m_productVersion);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(18);
    column->addLayout(top);
    column->addWidget(m_outline, 1);

    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &HardWare::timer);
    loadView();
}

HardWare::~HardWare()
{
    m_refresh.stop();
    RWProgressHUD::dismissFromView(this);
}

void HardWare::loadView()
{
    RWProgressHUD::showStatus(tr("正在加载..."), this);
    m_refresh.start();
    m_building = true;
    QPointer<HardWare> self(this);
    Dispatch::global([self, builder = m_builder, sensors = m_sensors] {
        const Readings first = sensors();
        auto sections = std::make_shared<std::vector<HardSection>>(builder(first));
        Dispatch::main([self, sections, rpm = first.rpm] {
            if (!self)
                return;
            self->m_building = false;
            self->m_currentRpm = rpm;
            RWProgressHUD::dismissFromView(self);
            if (sections->empty())
                return;
            self->m_model->replace(std::move(*sections));
            self->expandAll();
        });
    });
}

void HardWare::timer()
{
    // Nothing to put the readings in before the first build, and a slow reading is not
    // piled on by the next tick.
    if (m_building || m_reading || m_model->listArray().size() <= size_t(HardwareOutlineModel::kSensorSection))
        return;
    m_reading = true;
    QPointer<HardWare> self(this);
    Dispatch::global([self, sensors = m_sensors] {
        const Readings readings = sensors();
        Dispatch::main([self, readings] {
            if (!self)
                return;
            self->m_reading = false;
            self->m_currentRpm = readings.rpm;
            self->m_model->replaceSensors(HardwareOutlineModel::sensorSection(readings.temperature, readings.rpm));
            ++self->m_refreshes;
        });
    });
}

void HardWare::expandAll()
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex section = m_model->index(row, 0);
        m_outline->setFirstColumnSpanned(row, QModelIndex(), true);
        m_outline->expand(section);
    }
    // Once the expanded rows are laid out, so their texts are measured.
    QTimer::singleShot(0, m_outline, &ReadableOutline::fitColumns);
}

} // namespace corvane
