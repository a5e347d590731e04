// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace corvane {

// The question at launch when the server offers a newer version. Accepted ("确定") means
// the caller opens the update window; rejected ("取消") means nothing happens.
class IsUpdateWindowController : public QDialog
{
    Q_OBJECT
public:
    explicit IsUpdateWindowController(QWidget* parent = nullptr);

    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* okButton() const { return m_ok; }

private:
    QPushButton* m_cancel = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace corvane
