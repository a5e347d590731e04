// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

namespace corvane {

// A legend swatch: a small rounded square in the colour of one kind of memory.
class GRTMemoryTypeView : public QWidget
{
    Q_OBJECT
public:
    explicit GRTMemoryTypeView(QWidget* parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& colour);

    // The colour of a kind by its code (0 application memory … 4 free), white for any
    // other code; the chart's slices use the same.
    static QColor memoryTypeColorWithType(int type);

    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_backgroundColor = Qt::white;
};

} // namespace corvane
