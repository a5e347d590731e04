// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace corvane {

// The page a sidebar item shows until its screen is built: the item's picture and title
// on the content area's ground.
class PlaceholderScreen : public QWidget
{
    Q_OBJECT
public:
    PlaceholderScreen(int pindex, QWidget* parent = nullptr);
    int pindex() const { return m_pindex; }
    QString title() const;

private:
    int m_pindex;
};

} // namespace corvane
