// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace corvane {

class WindowButton;

// The main window with a title bar of our own: a frameless top-level window whose title
// bar hosts a given view at that view's height, with the three window buttons laid over
// it. The window can be dragged by any part of the title bar that is not a control, and
// a double click there zooms it.
class TitleBarWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TitleBarWindow(QWidget* parent = nullptr);

    // The view shown in the title bar, placed at (0, 0); the title bar takes the view's
    // height (its fixed or minimum height, else its size hint).
    void setTitleBarView(QWidget* view);
    QWidget* titleBarView() const { return m_titleBarView; }
    int titleBarHeight() const;
    void setTitleBarHeight(int height);

    void setContentView(QWidget* view);
    QWidget* contentView() const { return m_contentView; }

    // Centred buttons sit in the middle of the title bar's height; otherwise they keep a
    // fixed distance from its top-left corner however tall the bar is.
    void setTrafficLightsCentred(bool centred);
    bool trafficLightsCentred() const { return m_centred; }
    QPoint trafficLightsOrigin() const;

    WindowButton* closeButton() const { return m_close; }
    WindowButton* minimizeButton() const { return m_minimize; }
    WindowButton* zoomButton() const { return m_zoom; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();
    void toggleZoom();
    bool isDragArea(QObject* watched, const QPoint& globalPos) const;

    QVBoxLayout* m_layout = nullptr;
    QWidget* m_titleBar = nullptr;
    QPointer<QWidget> m_titleBarView;
    QPointer<QWidget> m_contentView;
    WindowButton* m_close = nullptr;
    WindowButton* m_minimize = nullptr;
    WindowButton* m_zoom = nullptr;
    bool m_centred = true;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace corvane
