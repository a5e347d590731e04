// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sysinfo/engine/HardwareOutlineModel.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;

namespace corvane {

class ReadableOutline;

// The hardware screen: what the machine is, in five expanded sections, and the
// processor temperature and first fan read again every three seconds. Everything that
// reads the machine runs off the main thread; the outline only changes on it.
class HardWare : public QWidget
{
    Q_OBJECT

public:
    struct Readings
    {
        double temperature = 0.0; // degrees Celsius, 0.0 when unread
        int rpm = -1;             // -1 when unread
    };
    // Both block; they run on a worker, never two at once.
    using Builder = std::function<std::vector<HardSection>(const Readings&)>;
    using SensorReader = std::function<Readings()>;

    HardWare(Builder builder, SensorReader sensors, QWidget* parent = nullptr);
    ~HardWare() override;

    // The screen over this machine, or the trees CORVANE_SYS and CORVANE_PROC name.
    static HardWare* demoView();

    static constexpr int kRefreshMs = 3000;

    void loadView();
    void timer();

    bool isLoading() const { return m_building; }
    int refreshes() const { return m_refreshes; }
    int currentRpm() const { return m_currentRpm; }
    HardwareOutlineModel* model() const { return m_model; }
    ReadableOutline* outline() const { return m_outline; }
    QLabel* productNameLabel() const { return m_productName; }
    QLabel* productVersionLabel() const { return m_productVersion; }
    QTimer* refreshTimer() { return &m_refresh; }

private:
    void expandAll();

    Builder m_builder;
    SensorReader m_sensors;
    HardwareOutlineModel* m_model = nullptr;
    ReadableOutline* m_outline = nullptr;
    QLabel* m_productName = nullptr;
    QLabel* m_productVersion = nullptr;
    QTimer m_refresh;
    bool m_building = false;
    bool m_reading = false;
    int m_refreshes = 0;
    int m_currentRpm = -1;
};

} // namespace corvane
