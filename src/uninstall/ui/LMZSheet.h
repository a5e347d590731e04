// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>
#include <string>

namespace corvane {

class Layout;
class LeftoverListModel;
class LeftoverPanel;

// The main window's leftover sheet: one application and the files it left behind, each
// ticked, with a summary of their count and size. "删除" ends the application's
// processes, removes the ticked files in list order and takes the application off the
// favourites once it is gone. When everything ticked went, the sheet ends by itself;
// otherwise it stays and shows, on each row that stayed, why.
class LMZSheet : public QDialog
{
    Q_OBJECT

public:
    explicit LMZSheet(const Layout& layout, QWidget* parent = nullptr);
    ~LMZSheet() override;

    void setFilePath(const std::string& path);
    const std::string& filePath() const { return m_filePath; }

    // Loads the list of filePath() in the background and shows the sheet over `window`.
    // `completion` receives 1 when the application itself is gone, else 0; the sheet is
    // hidden after it ran.
    void beginOnWindow(QWidget* window, std::function<void(int)> completion);
    void end();
    void endWithReturnCode(int code);

    void ok();
    void cancel();

    LeftoverListModel* model() const { return m_model; }
    LeftoverPanel* panel() const { return m_panel; }

protected:
    void reject() override;

private:
    const Layout& m_layout;
    std::string m_filePath;
    std::function<void(int)> m_completion;
    LeftoverListModel* m_model = nullptr;
    LeftoverPanel* m_panel = nullptr;
    int m_codeSoFar = 0; // 1 once a removal took the application, though rows stayed
};

} // namespace corvane
