// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toolkit/ChildNode.h"

#include <QWidget>

class QLabel;

namespace corvane {

// A child row of an outline ("ChildrenCellView"): the node's picture and title, over the
// node's selection image when it has one.
class ListCellView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 40;

    explicit ListCellView(QWidget* parent = nullptr);

    void setNode(const ChildNode& node);
    const ChildNode& node() const { return m_node; }
    QString title() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ChildNode m_node;
    QLabel* m_icon = nullptr;
    QLabel* m_title = nullptr;
};

} // namespace corvane
