#include "toolkit/ScreenLook.h"

#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace corvane {

void ScreenLook::fillBackground(QWidget* widget, const QColor& colour)
{
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
}

QLabel* ScreenLook::heading(const QString& text, int pointSize, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace corvane
