// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UserJobs.h"

#include "platform/AutostartEntry.h"
#include "platform/BoundedFile.h"
#include "platform/Bundle.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/UniqueFd.h"

#include <QFile>

#include <algorithm>
#include <fcntl.h>

namespace corvane {

namespace {

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

QString display(const std::string& bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void addAutostartJobs(const std::string& folder, std::vector<QVariantMap>& jobs)
{
    for (const std::string& name : DirectoryReader::sortedNames(folder)) {
        if (!endsWith(name, ".desktop"))
            continue;
        auto group = AutostartEntry::readGroup(joinPath(folder, name));
        if (!group)
            continue;
        auto hidden = group->find("Hidden");
        if (hidden != group->end() && hidden->second == "true")
            continue;
        QVariantMap job;
        job.insert(QStringLiteral("Label"), display(name.substr(0, name.size() - 8)));
        job.insert(QStringLiteral("OnDemand"), false);
        auto exec = group->find("Exec");
        job.insert(QStringLiteral("Program"), exec == group->end() ? QString() : QString::fromUtf8(exec->second));
        jobs.push_back(job);
    }
}

void addSystemdUnits(const std::string& folder, std::vector<QVariantMap>& jobs)
{
    for (const std::string& name : DirectoryReader::sortedNames(folder)) {
        const bool onDemand = endsWith(name, ".socket") || endsWith(name, ".path") || endsWith(name, ".timer");
        if (!onDemand && !endsWith(name, ".service"))
            continue;
        QVariantMap job;
        job.insert(QStringLiteral("Label"), display(name));
        job.insert(QStringLiteral("OnDemand"), onDemand);
        jobs.push_back(job);
    }
}

void addLaunchAgents(const std::string& folder, std::vector<QVariantMap>& jobs)
{
    for (const std::string& name : DirectoryReader::sortedNames(folder)) {
        if (!endsWith(name, ".plist"))
            continue;
        // By the name's own bytes: a decoded name can open a different file.
        const auto bytes = BoundedFile::read(joinPath(folder, name), 4 * 1024 * 1024);
        if (!bytes)
            continue;
        auto dict = Bundle::parsePropertyList(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())));
        if (!dict || !dict->contains(QStringLiteral("Label")))
            continue;
        jobs.push_back(*dict);
    }
}

} // namespace

std::vector<QVariantMap> UserJobs::allJobDictionaries(const Layout& layout)
{
    std::vector<QVariantMap> jobs;
    if (layout.isMac()) {
        if (auto agents = layout.path(Layout::Role::UserLaunchAgents))
            addLaunchAgents(*agents, jobs);
        return jobs;
    }
    if (auto autostart = layout.path(Layout::Role::UserAutostart))
        addAutostartJobs(*autostart, jobs);
    if (auto units = layout.path(Layout::Role::UserLaunchAgents))
        addSystemdUnits(*units, jobs);
    return jobs;
}

} // namespace corvane
