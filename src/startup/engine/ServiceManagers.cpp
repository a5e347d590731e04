// SPDX-License-Identifier: GPL-3.0-or-later
// The service managers behind the startup list: systemd's two managers on Linux, the
// launch folders' property lists on the macOS-style layout.
#include "startup/engine/ServiceManager.h"

#include "platform/BoundedFile.h"
#include "platform/Bundle.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/SystemdUnits.h"
#include "platform/UniqueFd.h"

#include <QStringList>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace corvane {

namespace {

constexpr size_t kJobFileLimit = 1u << 20;

// Unit files: the label is the unit's name and the program its ExecStart (for timers,
// sockets and paths, that of the unit they start).
class SystemdServiceManager : public ServiceManager
{
public:
    std::vector<QVariantMap> allJobDictionaries(Domain domain) const override
    {
        std::vector<QVariantMap> jobs;
        const auto units = SystemdUnits(toUnits(domain)).enabledUnitFiles();
        if (!units)
            return jobs;
        for (const SystemdUnits::UnitFile& unit : *units) {
            QVariantMap job;
            job.insert(QStringLiteral("Label"), QString::fromStdString(unit.name));
            QStringList arguments;
            for (const std::string& a : unit.program)
                arguments << QString::fromStdString(a);
            if (!arguments.isEmpty()) {
                job.insert(QStringLiteral("Program"), arguments.front());
                job.insert(QStringLiteral("ProgramArguments"), arguments);
            }
            job.insert(QStringLiteral("UnitPath"), QString::fromStdString(unit.path));
            jobs.push_back(std::move(job));
        }
        return jobs;
    }

    bool hasJob(Domain domain, const std::string& label) const override
    {
        return SystemdUnits(toUnits(domain)).hasUnit(label);
    }

    bool removeUserJob(const std::string& label) override
    {
        return SystemdUnits(SystemdUnits::Domain::User).disable(label);
    }

private:
    static SystemdUnits::Domain toUnits(Domain domain)
    {
        return domain == Domain::System ? SystemdUnits::Domain::System : SystemdUnits::Domain::User;
    }
};

// Daemons are the machine's jobs, agents the user's; each property list names its job.
class PropertyListServiceManager : public ServiceManager
{
public:
    explicit PropertyListServiceManager(const Layout& layout) : m_layout(layout) {}

    std::vector<QVariantMap> allJobDictionaries(Domain domain) const override
    {
        std::vector<QVariantMap> jobs;
        for (const std::string& folder : folders(domain)) {
            std::vector<std::string> names;
            UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (fd)
                DirectoryReader::listNames(fd.get(), names);
            std::sort(names.begin(), names.end());
            for (const std::string& name : names) {
                if (pathExtension(name) != "plist")
                    continue;
                const auto bytes = BoundedFile::read(joinPath(folder, name), kJobFileLimit);
                if (!bytes)
                    continue;
                const auto job = Bundle::parsePropertyList(QByteArray::fromStdString(*bytes));
                if (job && !job->value(QStringLiteral("Label")).toString().isEmpty())
                    jobs.push_back(*job);
            }
        }
        return jobs;
    }

    bool hasJob(Domain domain, const std::string& label) const override
    {
        const QString wanted = QString::fromStdString(label);
        for (const QVariantMap& job : allJobDictionaries(domain))
            if (job.value(QStringLiteral("Label")).toString() == wanted)
                return true;
        return false;
    }

    // Nothing runs in a tree of files: taking the file away is all there is to it.
    bool removeUserJob(const std::string&) override { return true; }

private:
    std::vector<std::string> folders(Domain domain) const
    {
        std::vector<std::string> out;
        const auto roles = domain == Domain::System
                               ? std::vector<Layout::Role>{Layout::Role::SystemLaunchDaemons,
                                                           Layout::Role::LibraryLaunchDaemons}
                               : std::vector<Layout::Role>{Layout::Role::UserLaunchAgents,
                                                           Layout::Role::LibraryLaunchAgents,
                                                           Layout::Role::SystemLaunchAgents};
        for (const Layout::Role role : roles)
            if (auto folder = m_layout.path(role))
                out.push_back(*folder);
        return out;
    }

    const Layout& m_layout;
};

} // namespace

std::shared_ptr<ServiceManager> ServiceManager::forLayout(const Layout& layout)
{
    if (layout.isMac())
        return std::make_shared<PropertyListServiceManager>(layout);
    return std::make_shared<SystemdServiceManager>();
}

} // namespace corvane
