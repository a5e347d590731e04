// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ScreenLook.h"

#include "toolkit/Artwork.h"

#include <QHBoxLayout>

#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace corvane {

void ScreenLook::fillBackground(QWidget* widget, const QColor& colour)
{
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
}

QLabel* ScreenLook::picture(const QString& image, int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(Artwork::image(image).scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return label;
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

QPushButton* ScreenLook::button(const QString& text, const char* name, const QSize& minimum, const QString& style,
                                QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setCursor(Qt::PointingHandCursor);
    b->setMinimumSize(minimum);
    b->setStyleSheet(style);
    return b;
}

QLabel* ScreenLook::description(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("descriptionLabel"));
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSize(12);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #707070;"));
    return label;
}

QHBoxLayout* ScreenLook::headingRow(QWidget* picture, QWidget* title, QWidget* description,
                                    std::initializer_list<QWidget*> buttons)
{
    auto* heading = new QVBoxLayout;
    heading->setSpacing(6);
    heading->addWidget(title);
    heading->addWidget(description);
    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(picture, 0, Qt::AlignVCenter);
    top->addLayout(heading, 1);
    for (QWidget* button : buttons)
        top->addWidget(button, 0, Qt::AlignVCenter);
    return top;
}

} // namespace corvane
