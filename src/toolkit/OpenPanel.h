// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileDialog>

#include <string>
#include <vector>

namespace corvane {

// The chooser of the search screens: files and folders together, several at once, shown
// as a sheet on its parent's window. Qt's own dialog picks either files or folders; this
// one takes whatever is selected in its list when the user confirms. In the files-only
// mode a folder is opened, never chosen.
class OpenPanel : public QFileDialog
{
    Q_OBJECT
public:
    enum class Choice { FilesAndFolders, FilesOnly };

    explicit OpenPanel(QWidget* parent, Choice choice = Choice::FilesAndFolders);

    // The chosen paths as bytes.
    std::vector<std::string> chosenPaths() const { return m_chosen; }

public slots:
    void accept() override;

private:
    Choice m_choice;
    std::vector<std::string> m_chosen;
};

} // namespace corvane
