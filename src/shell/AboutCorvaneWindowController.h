// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

namespace corvane {

// The about window: the program's icon and name and "Version:%@" with the installed
// short version. It runs application-modally; closing it ends the modal run.
class AboutCorvaneWindowController : public QDialog
{
    Q_OBJECT
public:
    explicit AboutCorvaneWindowController(const QString& shortVersion, QWidget* parent = nullptr);
    QString versionText() const;

private:
    QLabel* m_version = nullptr;
};

} // namespace corvane
