// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/TriStateCheck.h"

namespace corvane {

int TriStateCheck::normalised(int state)
{
    return state == On || state == Mixed ? state : Off;
}

int TriStateCheck::clicked(int state)
{
    return normalised(state) == On ? Off : On;
}

int TriStateCheck::derive(const std::vector<int>& children)
{
    if (children.empty())
        return Off;
    bool anyOn = false, anyOff = false;
    for (int child : children) {
        switch (normalised(child)) {
        case On: anyOn = true; break;
        case Off: anyOff = true; break;
        default: return Mixed;
        }
    }
    if (anyOn && anyOff)
        return Mixed;
    return anyOn ? On : Off;
}

Qt::CheckState TriStateCheck::toQt(int state)
{
    switch (normalised(state)) {
    case On: return Qt::Checked;
    case Mixed: return Qt::PartiallyChecked;
    default: return Qt::Unchecked;
    }
}

int TriStateCheck::fromQt(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked: return On;
    case Qt::PartiallyChecked: return Mixed;
    default: return Off;
    }
}

} // namespace corvane
