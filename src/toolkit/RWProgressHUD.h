// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace corvane {

// The progress overlay: a dimmed cover over a view with a spinning indicator and a text,
// shown while the view loads. It follows the view's size and swallows clicks meant for
// the view underneath.
class RWProgressHUD : public QWidget
{
    Q_OBJECT
public:
    // Shows the overlay over `fromView` (replacing the text of one already shown there).
    static RWProgressHUD* showStatus(const QString& status, QWidget* fromView);
    // Takes away every overlay that is shown.
    static void dismiss();
    // Takes away the overlay over that view, if any.
    static void dismissFromView(QWidget* view);
    // The overlay over that view, or null.
    static RWProgressHUD* hudForView(QWidget* view);

    QString status() const { return m_status; }
    void setStatus(const QString& status);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit RWProgressHUD(QWidget* view);

    QString m_status;
    QTimer m_spin;
    int m_angle = 0;
};

} // namespace corvane
