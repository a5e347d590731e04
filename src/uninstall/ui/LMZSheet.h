// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>
#include <string>

namespace corvane {

class Layout;

// The main window's leftover sheet: one application and the files it left behind, each
// ticked, with a summary of their count and size; "删除" removes the ticked ones.
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

private:
    const Layout& m_layout;
    std::string m_filePath;
    std::function<void(int)> m_completion;
};

} // namespace corvane
