// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace corvane {

class SystemCleanObject;
class SystemCleanSpinner;

// One category row of the clean screen.
class SystemCleanCell : public QWidget
{
    Q_OBJECT

public:
    explicit SystemCleanCell(QWidget* parent = nullptr);

    // Redraws the row from its category.
    void setObject(const SystemCleanObject& object);

    QCheckBox* checkBox() const { return m_check; }
    QPushButton* detailsButton() const { return m_details; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* descriptionLabel() const { return m_description; }
    QLabel* alertLabel() const { return m_alert; }
    QLabel* sizeLabel() const { return m_size; }
    SystemCleanSpinner* spinner() const { return m_spinner; }

signals:
    void selectBtnClicked(bool on);
    void showResultView();

private:
    QCheckBox* m_check;
    QLabel* m_title;
    QLabel* m_description;
    QLabel* m_alert;
    QLabel* m_size;
    SystemCleanSpinner* m_spinner;
    QPushButton* m_details;
};

} // namespace corvane
