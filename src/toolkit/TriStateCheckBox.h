// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>

namespace corvane {

// A check box that follows the tree views' convention: it shows mixed only when told to,
// and a click on a mixed box turns it on.
class TriStateCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit TriStateCheckBox(QWidget* parent = nullptr);
    explicit TriStateCheckBox(const QString& text, QWidget* parent = nullptr);

    int state() const;        // 1, 0 or -1
    void setState(int state); // does not emit stateClicked

signals:
    // Only for changes the user made; carries the new state.
    void stateClicked(int state);

protected:
    void nextCheckState() override;
};

} // namespace corvane
