// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Profiler.h"

#include <QString>

#include <array>
#include <map>
#include <utility>
#include <vector>

namespace corvane {

// One profiler fact, { key: value }, in the order the profiler printed it.
using HardFact = std::pair<QString, QString>;
using HardFacts = std::vector<HardFact>;

// The machine's facts read from the profiler's texts, and the identifier the program
// sends for it. Each operation blocks while the profiler reads; call them off the main
// thread.
class HardCPU
{
public:
    static HardFacts getHardware(const Profiler::Roots& roots = Profiler::fromEnvironment());
    // [graphics facts, display facts]
    static std::array<HardFacts, 2> getIntelProAndDisplay(const Profiler::Roots& roots = Profiler::fromEnvironment());
    static std::map<QString, QString> getSATAExPress(const Profiler::Roots& roots = Profiler::fromEnvironment());
    // The machine's identifier followed by "\n", or empty when there is none.
    static QString hardWareUUID(const std::string& machineIdPath = "/etc/machine-id");

    // The readings of the texts themselves.
    static HardFacts hardwareFacts(const QString& text);
    static std::array<HardFacts, 2> displayFacts(const QString& text);
    static std::map<QString, QString> diskFacts(const QString& text);
    // Every line with a ":" as (key, value), both trimmed of blanks; exactly empty lines
    // dropped, lines without ":" skipped, and with `stopAtBlankLine` the reading ends at
    // the first line of blanks only.
    static HardFacts keyValueLines(const QString& text, bool stopAtBlankLine = false);
};

} // namespace corvane
