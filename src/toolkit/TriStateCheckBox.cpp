// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/TriStateCheckBox.h"

#include "toolkit/TriStateCheck.h"

namespace corvane {

TriStateCheckBox::TriStateCheckBox(QWidget* parent)
    : TriStateCheckBox(QString(), parent)
{
}

TriStateCheckBox::TriStateCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent)
{
    setTristate(true);
}

int TriStateCheckBox::state() const
{
    return TriStateCheck::fromQt(checkState());
}

void TriStateCheckBox::setState(int state)
{
    setCheckState(TriStateCheck::toQt(state));
}

void TriStateCheckBox::nextCheckState()
{
    // QCheckBox would cycle on → mixed; the convention never lets a click make a box mixed.
    const int next = TriStateCheck::clicked(state());
    setCheckState(TriStateCheck::toQt(next));
    emit stateClicked(next);
}

} // namespace corvane
