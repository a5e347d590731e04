// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileDialog>

#include <string>
#include <vector>

namespace corvane {

// The chooser of the search screens: files and folders together, several at once, shown
// as a sheet on its parent's window. Qt's own dialog picks either files or folders; this
// one takes whatever is selected in its list when the user confirms.
class OpenPanel : public QFileDialog
{
    Q_OBJECT
public:
    explicit OpenPanel(QWidget* parent);

    // The chosen paths as bytes.
    std::vector<std::string> chosenPaths() const { return m_chosen; }

public slots:
    void accept() override;

private:
    std::vector<std::string> m_chosen;
};

} // namespace corvane
