// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "processes/engine/ProcessListModel.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QPushButton;

namespace corvane {

class GlowAnimation;
class ReadableOutline;

// The process screen: the user's running applications with their processor share and
// memory, read again every three seconds off the main thread; "优化" asks the ticked ones
// to quit.
class SystemPerformanceAcceleration : public QWidget
{
    Q_OBJECT

public:
    using Source = std::function<std::vector<SystemPerObject>()>;
    using Quitter = std::function<bool(const SystemPerObject&)>;

    // `source` lists the rows (it blocks; it runs on a worker), `quitter` asks one
    // application to quit.
    SystemPerformanceAcceleration(Source source, Quitter quitter, QWidget* parent = nullptr);
    ~SystemPerformanceAcceleration() override;

    // The screen over the program's own process list.
    static SystemPerformanceAcceleration* demoView();

    static constexpr int kRefreshMs = 3000;

    void loadArray();
    void reloadArray();
    void selectedRow(int row, bool ticked);
    void deleteFile();
    void showAlert();

    bool isLoading() const { return m_inFlight; }
    int refreshes() const { return m_refreshes; }
    ProcessListModel* model() const { return m_model; }
    ReadableOutline* table() const { return m_table; }
    QPushButton* optimiseButton() const { return m_optimise; }
    QMessageBox* alertBox() const { return m_alert.data(); }
    GlowAnimation* glow() const { return m_glow; }
    QTimer* refreshTimer() { return &m_refresh; }

private:
    void fetch();

    Source m_source;
    Quitter m_quitter;
    ProcessListModel* m_model = nullptr;
    ReadableOutline* m_table = nullptr;
    QPushButton* m_optimise = nullptr;
    GlowAnimation* m_glow = nullptr;
    QPointer<QMessageBox> m_alert;
    QTimer m_refresh;
    bool m_inFlight = false;
    int m_refreshes = 0;
};

} // namespace corvane
