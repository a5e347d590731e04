// SPDX-License-Identifier: GPL-3.0-or-later
#include "sysinfo/engine/HardCPU.h"

#include "platform/MachineIdentifier.h"

#include <QStringList>

#include <algorithm>

namespace corvane {

namespace {

QString trimmedBlanks(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start).toString();
}

bool isBlanksOnly(QStringView line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); });
}

// The text after the last `marker`, or all of it; then what precedes the first `end`.
QString part(const QString& text, const QString& marker, const QString& end)
{
    const qsizetype at = text.lastIndexOf(marker);
    QString rest = at < 0 ? text : text.mid(at + marker.size());
    const qsizetype stop = rest.indexOf(end);
    return stop < 0 ? rest : rest.left(stop);
}

QString profile(const char* dataType, const Profiler::Roots& roots)
{
    return QString::fromStdString(Profiler::text(dataType, roots));
}

} // namespace

HardFacts HardCPU::keyValueLines(const QString& text, bool stopAtBlankLine)
{
    HardFacts out;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            continue;
        if (stopAtBlankLine && isBlanksOnly(line))
            break;
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        out.emplace_back(trimmedBlanks(line.left(colon)), trimmedBlanks(line.mid(colon + 1)));
    }
    return out;
}

HardFacts HardCPU::hardwareFacts(const QString& text)
{
    HardFacts out;
    for (HardFact& fact : keyValueLines(text))
        if (!fact.second.isEmpty())
            out.push_back(std::move(fact));
    return out;
}

std::array<HardFacts, 2> HardCPU::displayFacts(const QString& text)
{
    static const QStringList graphicsKeys = {
        QStringLiteral("Chipset Model"), QStringLiteral("Type"),      QStringLiteral("Bus"),
        QStringLiteral("VRAM (Dynamic, Max)"), QStringLiteral("Vendor"), QStringLiteral("Device ID"),
        QStringLiteral("Revision ID")};
    static const QStringList displayKeys = {
        QStringLiteral("Display Type"), QStringLiteral("Resolution"), QStringLiteral("Pixel Depth"),
        QStringLiteral("Main Display"), QStringLiteral("Mirror"),     QStringLiteral("Online"),
        QStringLiteral("Built-In")};
    std::array<HardFacts, 2> out;
    for (HardFact& fact : keyValueLines(text)) {
        if (fact.second.isEmpty())
            continue;
        if (graphicsKeys.contains(fact.first))
            out[0].push_back(fact);
        else if (displayKeys.contains(fact.first))
            out[1].push_back(fact);
    }
    return out;
}

std::map<QString, QString> HardCPU::diskFacts(const QString& text)
{
    static const QStringList driveKeys = {QStringLiteral("Capacity"), QStringLiteral("Model"),
                                          QStringLiteral("BSD Name"), QStringLiteral("Medium Type"),
                                          QStringLiteral("Rotational Rate")};
    std::map<QString, QString> out;
    const QString drive = part(text, QStringLiteral("APPLE HDD ST1000LM024:"), QStringLiteral("Volumes:"));
    for (HardFact& fact : keyValueLines(drive, true))
        if (!fact.second.isEmpty() && driveKeys.contains(fact.first))
            out[fact.first] = fact.second;
    const QString volume = part(text, QStringLiteral("Macintosh HD:"), QStringLiteral("Recovery HD:"));
    for (HardFact& fact : keyValueLines(volume, true))
        if (!fact.second.isEmpty() && fact.first == QStringLiteral("Available"))
            out[fact.first] = fact.second;
    return out;
}

HardFacts HardCPU::getHardware(const Profiler::Roots& roots)
{
    return hardwareFacts(profile("SPHardwareDataType", roots));
}

std::array<HardFacts, 2> HardCPU::getIntelProAndDisplay(const Profiler::Roots& roots)
{
    return displayFacts(profile("SPDisplaysDataType", roots));
}

std::map<QString, QString> HardCPU::getSATAExPress(const Profiler::Roots& roots)
{
    return diskFacts(profile("SPSerialATADataType", roots));
}

QString HardCPU::hardWareUUID(const std::string& machineIdPath)
{
    const std::string id = MachineIdentifier::read(machineIdPath);
    return id.empty() ? QString() : QString::fromStdString(id) + QLatin1Char('\n');
}

} // namespace corvane
