// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <initializer_list>

class QColor;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSize;
class QString;
class QWidget;

namespace corvane {

// The pieces of look every screen repeats: a flat window colour behind its content, its
// picture, its bold heading and its rounded buttons.
class ScreenLook
{
public:
    static void fillBackground(QWidget* widget, const QColor& colour);
    // A named image of the artwork, scaled smoothly into a square of that side.
    static QLabel* picture(const QString& image, int side, QWidget* parent);
    static QLabel* heading(const QString& text, int pointSize, QWidget* parent);
    // The grey line under a heading that says what the screen is for ("descriptionLabel").
    static QLabel* description(const QString& text, QWidget* parent);
    // A button with the pointing hand, found by its object name.
    static QPushButton* button(const QString& text, const char* name, const QSize& minimum, const QString& style,
                               QWidget* parent);
    // The top row of a list screen: the picture, the title over the description, then the
    // screen's buttons at the right.
    static QHBoxLayout* headingRow(QWidget* picture, QWidget* title, QWidget* description,
                                   std::initializer_list<QWidget*> buttons = {});
};

} // namespace corvane
