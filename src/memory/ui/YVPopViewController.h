// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "memory/engine/GRTUtility.h"
#include "memory/engine/MemoryRelease.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QPieSeries;
class QProgressBar;
class QPushButton;

namespace corvane {

class GlowAnimation;
class GRTMemoryTypeView;

// The memory screen: a pie of how the memory is used (application memory, file cache,
// wired, compressed, free) with its legend and figures, read again every second, and
// "加速", which runs a MemoryRelease in the background with a progress bar and a stop
// button. The chart stands still while a release runs: its own figures would only show
// the release eating the memory it is about to give back.
class YVPopViewController : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;
    static constexpr int kProgressMs = 100;

    explicit YVPopViewController(MemoryStatistics statistics,
                                 std::shared_ptr<ChunkAllocator> allocator = ChunkAllocator::system(),
                                 QWidget* parent = nullptr);
    ~YVPopViewController() override;

    // The screen over the kernel's figures (or CORVANE_PROC / CORVANE_SYS).
    static YVPopViewController* demoView();

    // Reads the memory once and sets the five values and the figures from it.
    void updatePieChartData();
    // The refresh: new figures, the slices given their new values in place.
    void timerMethod();
    // "加速" starts a release, "停止" stops it.
    void pushButton();
    void freeMemory();
    // Back to idle: "加速", the refresh running again.
    void freeMemory2();
    // MemTotal of the last reading.
    int64_t memorySize() const { return GRTUtility::memorySize(m_reading); }
    // Sizes in units of 1,024: "%.2fGB", "%.2fMB", "%.2fKB", else "%.fB".
    static QString fileSizeByDoubleSize(double size);

    // At most this many blocks per release (all the table holds unless set).
    void setReleaseLimit(int maxChunks) { m_releaseLimit = maxChunks; }
    // Another machine's figures, and where the next release takes its blocks from (a
    // fixture and a fake for demonstrations and tests); refused while a release holds blocks.
    bool setMemorySource(MemoryStatistics statistics, std::shared_ptr<ChunkAllocator> allocator);

    bool freeFlag() const { return m_freeFlag; }
    const std::array<uint64_t, 5>& pieChartData() const { return m_pieChartData; }
    const QTimer& timer() const { return m_timer; }
    const MemoryRelease& release() const { return *m_release; }
    QPushButton* actionButton() const { return m_actionButton; }
    QLabel* accelTextField() const { return m_accelTextField; }
    QLabel* desTextField() const { return m_desTextField; }
    QProgressBar* appleProgress() const { return m_appleProgress; }
    QLabel* percentLabel() const { return m_percentLabel; }
    QPieSeries* pieSeries() const { return m_series; }
    // The figure of code 0 to 4, then used (5) and total (6).
    QLabel* figureField(int index) const { return m_figures.at(size_t(index)); }
    GlowAnimation* glow() const { return m_glow; }

signals:
    // A release has freed its last block and the screen is idle again.
    void releaseEnded(corvane::MemoryRelease::Result result);

private:
    void reloadData();
    void showProgress();
    void releaseFinished(MemoryRelease::Result result);
    void setButtonTitle(const QString& title, const QString& colour);

    MemoryStatistics m_statistics;
    std::shared_ptr<MemoryRelease> m_release;
    MemoryReading m_reading;
    std::array<uint64_t, 5> m_pieChartData{};
    QTimer m_timer;
    QTimer m_progressTimer;
    bool m_freeFlag = false; // a release runs
    int m_count = 0;
    int m_releaseLimit = MemoryRelease::kTableSlots;

    QPieSeries* m_series = nullptr;
    QWidget* m_pieView = nullptr;
    std::array<GRTMemoryTypeView*, 5> m_swatches{};
    std::array<QLabel*, 5> m_labels{};
    std::array<QLabel*, 7> m_figures{};
    QLabel* m_usedCaption = nullptr;
    QLabel* m_titleBtn = nullptr;
    QLabel* m_desTextField = nullptr;
    QLabel* m_accelTextField = nullptr;
    QLabel* m_percentLabel = nullptr;
    QProgressBar* m_appleProgress = nullptr;
    QPushButton* m_actionButton = nullptr;
    GlowAnimation* m_glow = nullptr;
};

} // namespace corvane
