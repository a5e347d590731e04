// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/engine/LaunchItems.h"

#include "common/CmdLineTool.h"
#include "platform/FileChecks.h"
#include "platform/HelperProtocol.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"
#include "platform/ProgramRun.h"
#include "platform/SystemdUnits.h"
#include "uninstall/engine/Uninstall.h"

#include <QStringList>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

namespace corvane {

namespace {

bool contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The folder holds the path, or is it: "/opt/Foo" holds "/opt/Foo/bin", not "/opt/FooBar".
bool within(const std::string& path, std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return path == folder || startsWith(path, folder == "/" ? folder : folder + "/");
}

// find's -name reads * ? [ \ as a pattern; a label is matched as written.
std::string literalPattern(const std::string& name)
{
    std::string out;
    for (char ch : name) {
        if (ch == '*' || ch == '?' || ch == '[' || ch == '\\')
            out += '\\';
        out += ch;
    }
    return out;
}

// Units that exist only while something runs: scopes, transient units (systemd-run),
// the units generated for autostart entries, and numbered instances.
bool isLinuxInstance(const std::string& label)
{
    if (endsWith(label, ".scope"))
        return true;
    if (startsWith(label, "app-") && contains(label, "@autostart."))
        return true;
    if (label.size() > 5 && startsWith(label, "run-") && (label[4] == 'u' || label[4] == 'r' || label[4] == 'p') &&
        std::isalnum(static_cast<unsigned char>(label[5])))
        return true;
    const size_t at = label.find('@');
    const size_t dot = label.rfind('.');
    if (at != std::string::npos && dot != std::string::npos && dot > at + 1) {
        const std::string instance = label.substr(at + 1, dot - at - 1);
        return std::all_of(instance.begin(), instance.end(), [](char c) { return c >= '0' && c <= '9'; });
    }
    return false;
}

// A launchd label as the helper may hear it: one line of printable text that names no path.
bool isPlainLabel(const std::string& label)
{
    return !label.empty() && label.size() <= 255 && label.front() != '-' &&
           std::none_of(label.begin(), label.end(),
                        [](char c) { return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

} // namespace

LaunchItems& LaunchItems::manager()
{
    // Built on first use, and again only when the program's layout is replaced (--root,
    // tests): every other call answers the same manager. Earlier managers stay alive, as
    // earlier layouts do, for whoever still holds one; none is ever destroyed, since a
    // worker may still use one while the program exits.
    static auto* lock = new std::mutex;
    static auto* managers = new std::vector<std::unique_ptr<LaunchItems>>;
    std::lock_guard guard(*lock);
    const Layout& layout = Layout::current();
    if (managers->empty() || &managers->back()->m_layout != &layout)
        managers->push_back(std::make_unique<LaunchItems>(layout, ServiceManager::forLayout(layout),
                                                          LoginItemList::forLayout(layout)));
    return *managers->back();
}

LaunchItems::LaunchItems(const Layout& layout, std::shared_ptr<ServiceManager> services,
                         std::unique_ptr<LoginItemList> logins)
    : m_layout(layout)
    , m_services(std::move(services))
    , m_logins(std::move(logins))
{
}

std::vector<std::string> LaunchItems::getLoginItems() const
{
    std::vector<std::string> paths;
    for (const LoginItemList::Entry& entry : m_logins->items())
        paths.push_back(entry.path);
    return paths;
}

bool LaunchItems::addLoginItem(const std::string& path)
{
    return m_logins->append(path);
}

bool LaunchItems::removeLoginItem(const std::string& path)
{
    return m_logins->removeUnder(path);
}

std::string LaunchItems::programOf(const QVariantMap& job)
{
    const QString program = job.value(QStringLiteral("Program")).toString();
    if (!program.isEmpty())
        return program.toStdString();
    const QStringList arguments = job.value(QStringLiteral("ProgramArguments")).toStringList();
    return arguments.isEmpty() ? std::string() : arguments.front().toStdString();
}

bool LaunchItems::isRunningService(const std::string& label)
{
    const size_t dot = label.rfind('.');
    const std::string last = dot == std::string::npos ? label : label.substr(dot + 1);
    // The last part read as a decimal number from its start, consumed to its end.
    if (std::all_of(last.begin(), last.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return true;
    const std::string first = label.substr(0, label.find('.'));
    if (startsWith(first, "[0x"))
        return true;
    return isLinuxInstance(label);
}

bool LaunchItems::isSystemService(const std::string& program)
{
    if (program.empty())
        return false;
    if (program == "launchd" || program == "xpcproxy" || program == "xpcd" || startsWith(program, "/usr/"))
        return true;
    // Merged /usr: a unit that says /lib/systemd/… runs a program under /usr.
    if (program.front() == '/') {
        if (char* real = ::realpath(program.c_str(), nullptr)) {
            const bool underUsr = startsWith(real, "/usr/");
            std::free(real);
            return underUsr;
        }
    }
    return false;
}

std::vector<QVariantMap> LaunchItems::launchServices() const
{
    std::vector<QVariantMap> kept;
    for (const auto domain : {ServiceManager::Domain::System, ServiceManager::Domain::User}) {
        for (QVariantMap job : m_services->allJobDictionaries(domain)) {
            const std::string label = job.value(QStringLiteral("Label")).toString().toStdString();
            // In this order, each case-sensitive.
            if (contains(label, "com.apple") || contains(label, "anonymous") || isRunningService(label) ||
                contains(label, "AMC") || contains(label, "CorvaneHelper") || contains(label, "com.corvane.XPC") ||
                isSystemService(programOf(job)))
                continue;
            // Units that live in the manager's runtime folders are made, not installed.
            const std::string unitPath = job.value(QStringLiteral("UnitPath")).toString().toStdString();
            if (startsWith(unitPath, "/run/systemd/transient/") || startsWith(unitPath, "/run/systemd/generator"))
                continue;
            job.insert(QStringLiteral("Domain"),
                       domain == ServiceManager::Domain::System ? QStringLiteral("system") : QStringLiteral("user"));
            kept.push_back(std::move(job));
        }
    }
    return kept;
}

bool LaunchItems::removeLaunchService(const std::string& label)
{
    const bool system = m_services->hasJob(ServiceManager::Domain::System, label);
    return removeLaunchService(label, system ? ServiceManager::Domain::System : ServiceManager::Domain::User);
}

bool LaunchItems::removeLaunchService(const std::string& label, ServiceManager::Domain domain)
{
    m_isSystemType = domain == ServiceManager::Domain::System;
    bool done = false;
    if (domain == ServiceManager::Domain::System) {
        // The helper hears only names it could act on; a request that never arrived is
        // no success.
        if (m_layout.isMac() ? isPlainLabel(label) : SystemdUnits::isValidUnitName(label))
            done = CmdLineTool::sendPrivilegedRequest(HelperProtocol::kDisableService, label, m_layout);
    } else {
        done = m_services->removeUserJob(label);
    }
    // The file goes whether or not the job could be switched off: it would start it again.
    const std::vector<std::string> folders = jobFolders();
    for (size_t i = 0; i < folders.size(); ++i) {
        // Agents (1st, 4th, 5th folder) are the user's domain, daemons the machine's.
        const bool userFolder = i == 0 || i == 3 || i == 4;
        if (userFolder == (domain == ServiceManager::Domain::User))
            deletePlist(label, folders[i]);
    }
    return done;
}

std::vector<std::string> LaunchItems::jobFolders() const
{
    std::vector<std::string> folders;
    for (const auto role : {Layout::Role::UserLaunchAgents, Layout::Role::SystemLaunchDaemons,
                            Layout::Role::LibraryLaunchDaemons, Layout::Role::LibraryLaunchAgents,
                            Layout::Role::SystemLaunchAgents})
        folders.push_back(m_layout.path(role).value_or(std::string()));
    return folders;
}

void LaunchItems::deletePlistFile(const std::string& label)
{
    for (const std::string& folder : jobFolders())
        deletePlist(label, folder);
}

std::string LaunchItems::fileNameFor(const std::string& label) const
{
    return m_layout.isMac() ? label + ".plist" : label;
}

void LaunchItems::deletePlist(const std::string& label, const std::string& folder)
{
    const std::string name = fileNameFor(label);
    if (folder.empty() || label.empty() || name.find('/') != std::string::npos || within(folder, m_layout.rooted("/usr")))
        return;
    if (!FileChecks::isDirectory(folder))
        return;
    const auto found = ProgramRun::output({"find", folder, "-name", literalPattern(name), "-print0"}, 1u << 20);
    if (!found)
        return;
    std::vector<std::string> matches;
    std::string_view rest(found->bytes);
    for (size_t end; !rest.empty() && (end = rest.find('\0')) != std::string_view::npos; rest.remove_prefix(end + 1))
        if (lastComponent(std::string(rest.substr(0, end))) == name)
            matches.emplace_back(rest.substr(0, end));
    // One file is the job's; several are ambiguous and none is certain.
    if (matches.size() != 1)
        return;
    struct stat st;
    if (!FileChecks::lstatPath(matches.front(), st) || !S_ISREG(st.st_mode)) {
        qCInfo(lcStartup).noquote() << "kept, not a plain file (a mask or an alias):"
                                     << QString::fromStdString(matches.front());
        return;
    }
    Uninstall(m_layout).unInstall(matches.front());
}

} // namespace corvane
