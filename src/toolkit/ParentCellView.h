// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toolkit/BaseNode.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace corvane {

// A group row of an outline ("ParentCellView"): the indicator picture, the group's title
// and the button that folds the group away or opens it again.
class ParentCellView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 20;

    explicit ParentCellView(QWidget* parent = nullptr);

    void setNode(const BaseNode& node, const QString& indicatorImage);
    QString title() const;
    QPushButton* expandButton() const { return m_expand; }
    // Shows "down.png" for an open group and "up.png" for a folded one.
    void setExpandImage(const QString& imageName);
    QString expandImage() const { return m_expandImage; }

private:
    QLabel* m_indicator = nullptr;
    QLabel* m_title = nullptr;
    QPushButton* m_expand = nullptr;
    QString m_expandImage;
};

} // namespace corvane
