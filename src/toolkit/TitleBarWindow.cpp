// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/TitleBarWindow.h"

#include "toolkit/WindowButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace corvane {

namespace {
constexpr int kButtonLeft = 12;
constexpr int kButtonTop = 12;
constexpr int kButtonGap = 8;
constexpr int kDefaultTitleHeight = 38;
} // namespace

TitleBarWindow::TitleBarWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TitleBarWindow"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_titleBar = new QWidget(this);
    m_titleBar->setObjectName(QStringLiteral("titleBar"));
    m_titleBar->setFixedHeight(kDefaultTitleHeight);
    m_titleBar->installEventFilter(this);
    m_layout->addWidget(m_titleBar);
    m_layout->addStretch(1);

    m_close = new WindowButton(WindowButton::Kind::Close, m_titleBar);
    m_minimize = new WindowButton(WindowButton::Kind::Minimize, m_titleBar);
    m_zoom = new WindowButton(WindowButton::Kind::Zoom, m_titleBar);
    for (WindowButton* b : {m_close, m_minimize, m_zoom}) {
        b->installEventFilter(this);
        b->setAttribute(Qt::WA_Hover);
    }
    connect(m_close, &QAbstractButton::clicked, this, &QWidget::close);
    connect(m_minimize, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(m_zoom, &QAbstractButton::clicked, this, &TitleBarWindow::toggleZoom);
    placeButtons();
}

void TitleBarWindow::setTitleBarView(QWidget* view)
{
    if (m_titleBarView && m_titleBarView != view)
        m_titleBarView->deleteLater();
    m_titleBarView = view;
    if (!view)
        return;
    int height = view->minimumHeight() > 0 ? view->minimumHeight() : view->sizeHint().height();
    if (view->maximumHeight() < QWIDGETSIZE_MAX)
        height = view->maximumHeight();
    view->setParent(m_titleBar);
    view->move(0, 0);
    view->installEventFilter(this);
    // Children of the view that are not controls let a press through to start a drag.
    for (QWidget* child : view->findChildren<QWidget*>())
        if (!qobject_cast<QAbstractButton*>(child))
            child->installEventFilter(this);
    setTitleBarHeight(height > 0 ? height : kDefaultTitleHeight);
    view->show();
    view->lower();
}

int TitleBarWindow::titleBarHeight() const
{
    return m_titleBar->maximumHeight();
}

void TitleBarWindow::setTitleBarHeight(int height)
{
    m_titleBar->setFixedHeight(height);
    if (m_titleBarView)
        m_titleBarView->setGeometry(0, 0, width(), height);
    placeButtons();
}

void TitleBarWindow::setContentView(QWidget* view)
{
    if (m_contentView == view)
        return;
    if (m_contentView) {
        m_layout->removeWidget(m_contentView);
        m_contentView->deleteLater();
    }
    m_contentView = view;
    // The stretch after the title bar is only there while the window has no content.
    if (m_layout->count() > 1)
        delete m_layout->takeAt(1);
    if (view)
        m_layout->addWidget(view, 1);
    else
        m_layout->addStretch(1);
}

void TitleBarWindow::setTrafficLightsCentred(bool centred)
{
    m_centred = centred;
    placeButtons();
}

QPoint TitleBarWindow::trafficLightsOrigin() const
{
    return m_close->pos();
}

void TitleBarWindow::placeButtons()
{
    const int height = m_titleBar->maximumHeight();
    const int top = m_centred ? (height - WindowButton::kDiameter) / 2 : kButtonTop;
    int x = kButtonLeft;
    for (WindowButton* b : {m_close, m_minimize, m_zoom}) {
        b->move(x, top);
        b->raise();
        x += WindowButton::kDiameter + kButtonGap;
    }
}

void TitleBarWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_titleBarView)
        m_titleBarView->setGeometry(0, 0, width(), m_titleBar->maximumHeight());
    placeButtons();
}

void TitleBarWindow::toggleZoom()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

bool TitleBarWindow::isDragArea(QObject* watched, const QPoint&) const
{
    if (qobject_cast<QAbstractButton*>(watched))
        return false;
    if (watched == m_titleBar || watched == m_titleBarView)
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    return w && m_titleBarView && m_titleBarView->isAncestorOf(w);
}

bool TitleBarWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
        if (qobject_cast<WindowButton*>(watched)) {
            const bool on = event->type() == QEvent::HoverEnter;
            for (WindowButton* b : {m_close, m_minimize, m_zoom})
                b->setGlyphVisible(on);
        }
        break;
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !isDragArea(watched, me->globalPosition().toPoint()))
            break;
        // The window manager moves the window where it can (Wayland allows nothing else);
        // elsewhere we follow the pointer ourselves.
        if (windowHandle() && windowHandle()->startSystemMove())
            return true;
        m_dragging = true;
        m_dragOffset = me->globalPosition().toPoint() - frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            auto* me = static_cast<QMouseEvent*>(event);
            move(me->globalPosition().toPoint() - m_dragOffset);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragging) {
            m_dragging = false;
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && isDragArea(watched, me->globalPosition().toPoint())) {
            toggleZoom();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace corvane
