// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/SystemCleanSession.h"
#include "junk/ui/SystemCleanResult.h"
#include "junk/ui/SystemCleanResultVCDelegate.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace corvane {

class Layout;
class SystemCleanCell;
class SystemCleanSpinner;

// The junk-clean screen: five categories, a scan that sizes what they hold, a details
// overlay per category, the clean and its report. The workflow itself lives in
// SystemCleanSession; this view draws it and forwards the user's clicks.
class SystemCleanView : public QWidget, public SystemCleanResultVCDelegate
{
    Q_OBJECT

public:
    // A new screen, ready to be placed in the main window's content area.
    static SystemCleanView* demoView(const Layout& layout);
    // A screen with its own catalogue over the layout, which must outlive the screen.
    explicit SystemCleanView(const Layout& layout, QWidget* parent = nullptr);
    // A screen over a catalogue that outlives it.
    explicit SystemCleanView(SystemClean& catalogue, QWidget* parent = nullptr);
    ~SystemCleanView() override;

    SystemCleanSession& session() const { return *m_session; }
    const std::vector<SystemCleanObject::Ptr>& list() const { return m_session->list(); }
    SystemCleanSession::RunState isStart() const { return m_session->isStart(); }

    // The scan button; the second button.
    void scanMethods();
    void reloadScan();
    void selectBtnClicked(int row, bool on);
    void showResultView(int row);
    void showSelectTotalSizeWithCleanObject(SystemCleanObject* object) override;
    std::uint64_t selectTotalSize() const { return m_session->selectTotalSize(); }

    QPushButton* scanBtn() const { return m_scanBtn; }
    QPushButton* reloadBtn() const { return m_reloadBtn; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* descriptionLabel() const { return m_description; }
    QLabel* foundLabel() const { return m_foundLabel; }
    QLabel* foundSizeLabel() const { return m_foundSize; }
    QLabel* selectedLabel() const { return m_selectedLabel; }
    QLabel* selectedSizeLabel() const { return m_selectedSize; }
    SystemCleanSpinner* loadingView() const { return m_loadingView; }
    QTableWidget* myTableView() const { return m_table; }
    SystemCleanCell* cell(int row) const { return m_cells.at(size_t(row)); }
    // The details overlay while it is open.
    SystemCleanResult* resultView() const { return m_result.data(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void wire();
    void applyTexts();
    void redrawRow(int row);

    std::unique_ptr<SystemClean> m_ownCatalogue; // outlives m_session, deleted first
    SystemCleanSession* m_session;
    QLabel* m_title = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_foundLabel = nullptr;
    QLabel* m_foundSize = nullptr;
    QLabel* m_selectedLabel = nullptr;
    QLabel* m_selectedSize = nullptr;
    QPushButton* m_scanBtn = nullptr;
    QPushButton* m_reloadBtn = nullptr;
    SystemCleanSpinner* m_loadingView = nullptr;
    QTableWidget* m_table = nullptr;
    std::vector<SystemCleanCell*> m_cells;
    QPointer<SystemCleanResult> m_result;
};

} // namespace corvane
