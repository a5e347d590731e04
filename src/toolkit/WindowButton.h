// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace corvane {

// One of the three round window buttons of the custom title bar. The glyph shows while
// the pointer is over any of the three, as people expect from such buttons.
class WindowButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum class Kind { Close, Minimize, Zoom };
    static constexpr int kDiameter = 12;

    WindowButton(Kind kind, QWidget* parent = nullptr);
    Kind kind() const { return m_kind; }
    void setGlyphVisible(bool visible);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    bool m_glyph = false;
};

} // namespace corvane
