#pragma once

class QColor;
class QLabel;
class QString;
class QWidget;

namespace corvane {

// The pieces of look every screen repeats: a flat window colour behind its content and
// its bold heading.
class ScreenLook
{
public:
    static void fillBackground(QWidget* widget, const QColor& colour);
    static QLabel* heading(const QString& text, int pointSize, QWidget* parent);
};

} // namespace corvane
