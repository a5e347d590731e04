// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sysinfo/engine/HardCPU.h"

#include <QAbstractItemModel>

#include <vector>

namespace corvane {

// A row of a section: the profiler's key (shown translated) and its value.
struct HardRow
{
    QString title;
    QString namevalue;
};

// A section: its header text, the value the header stands for, and its rows.
struct HardSection
{
    QString title;
    QString nameValue;
    std::vector<HardRow> children;
};

// The hardware outline: five sections (the machine, graphics, displays, the disk, the
// sensors), each header a row of its own with the section's facts below it. Column 0 is
// the header or the row's key, column 1 the row's value.
class HardwareOutlineModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column { TitleColumn, ValueColumn, ColumnCount };
    static constexpr int kSectionHeight = 60;
    static constexpr int kRowHeight = 30;
    static constexpr int kSensorSection = 4;

    explicit HardwareOutlineModel(QObject* parent = nullptr);

    // The five sections from the facts and the first sensor readings.
    static std::vector<HardSection> build(const HardFacts& hardware, const std::array<HardFacts, 2>& graphics,
                                          const std::map<QString, QString>& disk, double temperature, int rpm);
    static HardSection sensorSection(double temperature, int rpm);
    // The program's text for a profiler key; the key itself when it has none.
    static QString localized(const QString& key);

    void replace(std::vector<HardSection> sections);
    // Puts new readings in the sensor section; false (and nothing changed) while the
    // outline has no sensor section yet.
    bool replaceSensors(HardSection sensors);
    const std::vector<HardSection>& listArray() const { return m_sections; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<HardSection> m_sections;
};

} // namespace corvane
