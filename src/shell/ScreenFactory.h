// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace corvane {

// Creates the content screen of a sidebar item. The one place that knows which class
// each `pindex` opens; a screen's room adds its line here when it lands.
class ScreenFactory
{
public:
    // The new screen for pindex 1 to 10, owned by `parent`; null outside that range.
    static QWidget* create(int pindex, QWidget* parent);
};

} // namespace corvane
