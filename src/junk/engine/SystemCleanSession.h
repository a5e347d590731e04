// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/JunkRunState.h"
#include "junk/engine/SystemCleanObject.h"
#include "junk/engine/SystemCleanPass.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

class SystemClean;

// The clean screen's workflow without its widgets: the five categories and their
// result trees, the run state 0–4 with the texts each state shows, the scan, the clean
// pass and the report. The screen draws what this object holds and redraws on its
// signals; the command line drives the same object without a window.
//
// Lives on the main thread. Scans and clean passes run on a pool thread each and hand
// their results back to the main thread; a category row changes (and rowChanged is
// emitted) only when its progress changes, never per file.
class SystemCleanSession : public QObject
{
    Q_OBJECT

public:
    using RunState = JunkRunState;

    // What the screen's title area shows.
    struct Texts
    {
        QString title;
        QString scanTitle;   // the scan button
        QString reloadTitle; // the second button
        bool reloadVisible = false;
        QString description;
        QString foundLabel;
        QString foundSize;
        QString selectedLabel;
        QString selectedSize;
        bool spinning = false;
    };

    // The catalogue must outlive the session.
    explicit SystemCleanSession(SystemClean& catalogue, QObject* parent = nullptr);
    ~SystemCleanSession() override;

    // The five categories with their texts and default checkbox states.
    static std::vector<SystemCleanObject::Ptr> loadMyArray();

    const std::vector<SystemCleanObject::Ptr>& list() const { return m_list; }
    RunState isStart() const { return m_isStart.load(); }
    // Bytes found by the last scan.
    std::uint64_t totalAllSize() const { return m_totalAllSize; }
    const Texts& texts() const { return m_texts; }
    SystemClean& catalogue() const { return m_catalogue; }
    // The outcome of the last clean pass.
    const SystemCleanPass::Report& lastReport() const { return m_report; }
    // Whether a scan or clean thread (a cancelled one included) has not returned yet.
    // Once it has, everything it posted is already waiting in the event queue.
    bool workRunning() const;

    // The scan button: acts on the current run state.
    void scanMethods();
    // The second button.
    void reloadScan() { scanCancel(); }
    void scanCancel();
    // A category checkbox changed.
    void selectBtnClicked(int row, bool on);
    // A checkbox in the details overlay changed.
    void showSelectTotalSizeWithCleanObject(SystemCleanObject* object);
    // Sum of the sizes of the selected leaves of checked categories, a leaf inside
    // another selected leaf counted once.
    std::uint64_t selectTotalSize() const;
    // Sum of fileSize over the nodes; also added to totalAllSize.
    std::uint64_t fileSizeWithArray(const std::vector<UserCachesSubObject::Ptr>& nodes);

signals:
    void rowChanged(int row);
    void textsChanged();
    void scanFinished();
    void scanCancelled();
    void cleanFinished();

private:
    static void collectLeaves(const SystemCleanObject& category, bool selectedOnly,
                              std::vector<std::pair<std::string, std::uint64_t>>& out);
    void loadMyiew();
    void startScan();
    void queueStop();
    void cleantrash();
    void completeClean(SystemCleanPass::Report&& finished);
    // Writes both totals; the flag (a relayout of the title area in the original flow)
    // changes nothing here, since the screen lays itself out on textsChanged.
    void writeTotals(bool withLayout);
    void emptyTotals();
    void redrawAll();
    void beginWork();
    void endWork();

    SystemClean& m_catalogue;
    std::vector<SystemCleanObject::Ptr> m_list;
    std::atomic<RunState> m_isStart{RunState::Idle};
    std::uint64_t m_totalAllSize = 0;
    Texts m_texts;
    SystemCleanPass::Report m_report;
    // Each scan has its own number; results of a scan that was cancelled (or replaced
    // by a newer one) are dropped and its thread gives up at the next item.
    std::atomic<unsigned> m_generation{0};
    mutable std::mutex m_workMutex;
    std::condition_variable m_workDone;
    int m_running = 0;
};

} // namespace corvane
