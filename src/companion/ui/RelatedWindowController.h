// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <string>

namespace corvane {

class Layout;
class LeftoverListModel;
class LeftoverPanel;

// The companion's leftover window ("RelatedWindow"), shown after an application went to
// the Trash: the application and the files it left, each ticked. "删除" removes the
// ticked ones and nothing else (no process is ended); when everything went the window
// closes, otherwise it stays and shows why on each row that stayed.
class RelatedWindowController : public QDialog
{
    Q_OBJECT

public:
    explicit RelatedWindowController(const Layout& layout, QWidget* parent = nullptr);
    ~RelatedWindowController() override;

    // Loads the list again only when the path is a new one.
    void setApplicationPath(const std::string& path);
    const std::string& filePath() const { return m_filePath; }
    void reloadMyData();

    void ok();
    void cancel();

    LeftoverListModel* model() const { return m_model; }
    LeftoverPanel* panel() const { return m_panel; }

protected:
    void reject() override;

private:
    std::string m_filePath;
    LeftoverListModel* m_model = nullptr;
    LeftoverPanel* m_panel = nullptr;
};

} // namespace corvane
