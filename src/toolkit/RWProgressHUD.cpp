// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/RWProgressHUD.h"

#include <QEvent>
#include <QList>
#include <QPainter>
#include <QPainterPath>

namespace corvane {

namespace {

QList<QPointer<RWProgressHUD>>& shown()
{
    static QList<QPointer<RWProgressHUD>> list;
    return list;
}

} // namespace

RWProgressHUD::RWProgressHUD(QWidget* view)
    : QWidget(view)
{
    setObjectName(QStringLiteral("RWProgressHUD"));
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    setGeometry(view->rect());
    view->installEventFilter(this);
    m_spin.setInterval(80);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
    m_spin.start();
}

RWProgressHUD* RWProgressHUD::hudForView(QWidget* view)
{
    for (const auto& hud : shown())
        if (hud && hud->parentWidget() == view)
            return hud;
    return nullptr;
}

RWProgressHUD* RWProgressHUD::showStatus(const QString& status, QWidget* fromView)
{
    if (!fromView)
        return nullptr;
    RWProgressHUD* hud = hudForView(fromView);
    if (!hud) {
        hud = new RWProgressHUD(fromView);
        shown().append(hud);
    }
    hud->setStatus(status);
    hud->raise();
    hud->show();
    return hud;
}

void RWProgressHUD::dismissFromView(QWidget* view)
{
    auto& list = shown();
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        if (!list[i]) {
            list.removeAt(i);
            continue;
        }
        if (list[i]->parentWidget() == view) {
            list[i]->hide();
            list[i]->deleteLater();
            list.removeAt(i);
        }
    }
}

void RWProgressHUD::dismiss()
{
    auto list = std::move(shown());
    shown().clear();
    for (const auto& hud : list) {
        if (hud) {
            hud->hide();
            hud->deleteLater();
        }
    }
}

void RWProgressHUD::setStatus(const QString& status)
{
    m_status = status;
    update();
}

bool RWProgressHUD::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void RWProgressHUD::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(255, 255, 255, 90));

    QFont font = this->font();
    font.setPixelSize(13);
    p.setFont(font);
    const int textWidth = p.fontMetrics().horizontalAdvance(m_status);
    const int boxWidth = std::max(140, textWidth + 40);
    const int boxHeight = 110;
    const QRect box((width() - boxWidth) / 2, (height() - boxHeight) / 2, boxWidth, boxHeight);
    QPainterPath path;
    path.addRoundedRect(box, 10, 10);
    p.fillPath(path, QColor(30, 30, 30, 200));

    const QPoint centre(box.center().x(), box.top() + 40);
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(m_angle + i * 30);
        QColor c(255, 255, 255);
        c.setAlpha(40 + i * 18);
        p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(0, -10, 0, -17);
        p.restore();
    }
    p.setPen(Qt::white);
    p.drawText(QRect(box.left() + 10, box.top() + 66, box.width() - 20, 30), Qt::AlignCenter, m_status);
}

} // namespace corvane
