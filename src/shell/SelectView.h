// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toolkit/ColorView.h"

class QVBoxLayout;

namespace corvane {

// The content area into which the feature screens are added, on a ground of RGB 246.
class SelectView : public ColorView
{
    Q_OBJECT
public:
    explicit SelectView(QWidget* parent = nullptr);
    void addSubview(QWidget* view);
    void removeSubview(QWidget* view);
    // The screens now shown in the area.
    QList<QWidget*> subviews() const;

private:
    QVBoxLayout* m_layout = nullptr;
};

} // namespace corvane
