// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SelectView.h"

#include <QVBoxLayout>

namespace corvane {

SelectView::SelectView(QWidget* parent)
    : ColorView(QColor(246, 246, 246), parent)
{
    setObjectName(QStringLiteral("SelectView"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
}

void SelectView::addSubview(QWidget* view)
{
    if (!view)
        return;
    if (view->parentWidget() != this)
        view->setParent(this);
    if (m_layout->indexOf(view) < 0)
        m_layout->addWidget(view);
    view->show();
}

void SelectView::removeSubview(QWidget* view)
{
    if (!view)
        return;
    m_layout->removeWidget(view);
    view->hide();
}

QList<QWidget*> SelectView::subviews() const
{
    QList<QWidget*> views;
    for (int i = 0; i < m_layout->count(); ++i)
        if (QWidget* w = m_layout->itemAt(i)->widget())
            views.append(w);
    return views;
}

} // namespace corvane
