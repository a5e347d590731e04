// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

namespace corvane {

// A view that fills its bounds with one colour (the title areas and the content area).
class ColorView : public QWidget
{
    Q_OBJECT
public:
    explicit ColorView(const QColor& color, QWidget* parent = nullptr);
    QColor color() const { return m_color; }
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

} // namespace corvane
