// SPDX-License-Identifier: GPL-3.0-or-later
#include "sysinfo/engine/HardwareOutlineModel.h"

#include <QCoreApplication>
#include <QSize>

namespace corvane {

namespace {

// The profiler's keys, so the tables carry a text for each.
[[maybe_unused]] const char* const kProfilerKeys[] = {
    QT_TRANSLATE_NOOP("Corvane", "Model Name"),
    QT_TRANSLATE_NOOP("Corvane", "Model Identifier"),
    QT_TRANSLATE_NOOP("Corvane", "Processor Name"),
    QT_TRANSLATE_NOOP("Corvane", "Processor Speed"),
    QT_TRANSLATE_NOOP("Corvane", "Number of Processors"),
    QT_TRANSLATE_NOOP("Corvane", "Total Number of Cores"),
    QT_TRANSLATE_NOOP("Corvane", "L2 Cache"),
    QT_TRANSLATE_NOOP("Corvane", "L2 Cache (per Core)"),
    QT_TRANSLATE_NOOP("Corvane", "L3 Cache"),
    QT_TRANSLATE_NOOP("Corvane", "Memory"),
    QT_TRANSLATE_NOOP("Corvane", "Boot ROM Version"),
    QT_TRANSLATE_NOOP("Corvane", "Hardware UUID"),
    QT_TRANSLATE_NOOP("Corvane", "Chipset Model"),
    QT_TRANSLATE_NOOP("Corvane", "Type"),
    QT_TRANSLATE_NOOP("Corvane", "Bus"),
    QT_TRANSLATE_NOOP("Corvane", "VRAM (Dynamic, Max)"),
    QT_TRANSLATE_NOOP("Corvane", "Vendor"),
    QT_TRANSLATE_NOOP("Corvane", "Device ID"),
    QT_TRANSLATE_NOOP("Corvane", "Revision ID"),
    QT_TRANSLATE_NOOP("Corvane", "Display Type"),
    QT_TRANSLATE_NOOP("Corvane", "Resolution"),
    QT_TRANSLATE_NOOP("Corvane", "Pixel Depth"),
    QT_TRANSLATE_NOOP("Corvane", "Main Display"),
    QT_TRANSLATE_NOOP("Corvane", "Mirror"),
    QT_TRANSLATE_NOOP("Corvane", "Online"),
    QT_TRANSLATE_NOOP("Corvane", "Built-In"),
    QT_TRANSLATE_NOOP("Corvane", "BSD Name"),
    QT_TRANSLATE_NOOP("Corvane", "Model"),
    QT_TRANSLATE_NOOP("Corvane", "Capacity"),
    QT_TRANSLATE_NOOP("Corvane", "Medium Type"),
    QT_TRANSLATE_NOOP("Corvane", "Rotational Rate"),
};

// A fact that is missing prints as "(null)", as a formatted nil would.
QString orNull(const std::map<QString, QString>& facts, const char* key)
{
    const auto found = facts.find(QString::fromLatin1(key));
    return found == facts.end() ? QStringLiteral("(null)") : found->second;
}

// "500.11 GB (500,107,862,016 bytes)" → "500.11 GB ": cut before the "(", the blank kept.
QString beforeParenthesis(const QString& text)
{
    const qsizetype open = text.indexOf(QLatin1Char('('));
    return open < 0 ? text : text.left(open);
}

HardSection factSection(const HardFacts& facts, const QString& headerKey)
{
    HardSection section;
    for (const HardFact& fact : facts) {
        if (fact.first == headerKey) {
            section.title = QStringLiteral("%1 : %2").arg(HardwareOutlineModel::localized(fact.first), fact.second);
            section.nameValue = fact.second;
        } else {
            section.children.push_back({fact.first, fact.second});
        }
    }
    return section;
}

} // namespace

QString HardwareOutlineModel::localized(const QString& key)
{
    return QCoreApplication::translate("Corvane", key.toUtf8().constData());
}

HardwareOutlineModel::HardwareOutlineModel(QObject* parent) : QAbstractItemModel(parent) {}

HardSection HardwareOutlineModel::sensorSection(double temperature, int rpm)
{
    HardSection section;
    section.title = QStringLiteral("%1:%2").arg(tr("CPU temperature"), QString::asprintf("%.2f ℃", temperature));
    section.children.push_back({QStringLiteral("%1:%2").arg(tr("Fan speed"), QString::number(rpm)), QString()});
    return section;
}

std::vector<HardSection> HardwareOutlineModel::build(const HardFacts& hardware, const std::array<HardFacts, 2>& graphics,
                                                     const std::map<QString, QString>& disk, double temperature, int rpm)
{
    std::vector<HardSection> sections;
    sections.push_back(factSection(hardware, QStringLiteral("Model Name")));
    sections.push_back(factSection(graphics[0], QStringLiteral("Chipset Model")));

    HardSection displays;
    displays.title = QStringLiteral("%1:%2").arg(tr("Displays"), sections[0].nameValue);
    for (const HardFact& fact : graphics[1])
        displays.children.push_back({fact.first, fact.second});
    sections.push_back(std::move(displays));

    HardSection drive;
    for (const char* key : {"BSD Name", "Model", "Capacity", "Medium Type", "Rotational Rate"}) {
        const auto found = disk.find(QString::fromLatin1(key));
        QString value = found == disk.end() ? QString() : found->second;
        if (QLatin1String(key) == QLatin1String("Capacity"))
            value = beforeParenthesis(value);
        drive.children.push_back({QString::fromLatin1(key), value});
    }
    const QString capacity = disk.count(QStringLiteral("Capacity")) ? beforeParenthesis(orNull(disk, "Capacity"))
                                                                    : orNull(disk, "Capacity");
    const QString available = disk.count(QStringLiteral("Available")) ? beforeParenthesis(orNull(disk, "Available"))
                                                                      : orNull(disk, "Available");
    drive.title = QStringLiteral("%1:%2%3(%4%5)")
                      .arg(tr("Hard disk"), available, tr("Available"), tr("Altogether"), capacity);
    sections.push_back(std::move(drive));
    sections.push_back(sensorSection(temperature, rpm));
    return sections;
}

void HardwareOutlineModel::replace(std::vector<HardSection> sections)
{
    beginResetModel();
    m_sections = std::move(sections);
    endResetModel();
}

bool HardwareOutlineModel::replaceSensors(HardSection sensors)
{
    if (m_sections.size() <= size_t(kSensorSection))
        return false;
    HardSection& current = m_sections[kSensorSection];
    const QModelIndex header = index(kSensorSection, 0);
    if (current.children.size() != sensors.children.size()) {
        beginResetModel();
        current = std::move(sensors);
        endResetModel();
        return true;
    }
    current = std::move(sensors);
    emit dataChanged(header, index(kSensorSection, ColumnCount - 1));
    if (!current.children.empty())
        emit dataChanged(index(0, 0, header), index(int(current.children.size()) - 1, ColumnCount - 1, header));
    return true;
}

QModelIndex HardwareOutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column >= ColumnCount || row < 0)
        return {};
    if (!parent.isValid())
        return row < int(m_sections.size()) ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= int(m_sections.size()))
        return {};
    if (row >= int(m_sections[size_t(parent.row())].children.size()))
        return {};
    // A row knows its section by the id: section number + 1, 0 for a header.
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex HardwareOutlineModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int HardwareOutlineModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_sections.size());
    if (parent.internalId() != 0 || parent.column() != 0 || parent.row() >= int(m_sections.size()))
        return 0;
    return int(m_sections[size_t(parent.row())].children.size());
}

int HardwareOutlineModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant HardwareOutlineModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const bool header = index.internalId() == 0;
    // Only headers say how tall they are: a size here replaces the text's whole size, and
    // rows must keep their width for the columns to be fitted to them. The view makes
    // rows kRowHeight tall.
    if (role == Qt::SizeHintRole)
        return header ? QVariant(QSize(0, kSectionHeight)) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (header) {
        const HardSection& section = m_sections[size_t(index.row())];
        return index.column() == TitleColumn ? section.title : QString();
    }
    const HardRow& row = m_sections[size_t(index.internalId() - 1)].children[size_t(index.row())];
    return index.column() == TitleColumn ? localized(row.title) : row.namevalue;
}

Qt::ItemFlags HardwareOutlineModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace corvane
