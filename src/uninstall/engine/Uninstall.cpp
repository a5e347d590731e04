// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/engine/Uninstall.h"

#include "common/CmdLineTool.h"
#include "platform/Bundle.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/FilePackage.h"
#include "platform/LogCategories.h"
#include "platform/Layout.h"
#include "platform/ProtectedPaths.h"
#include "platform/SafeRemover.h"
#include "platform/StandardFolders.h"
#include "platform/UniqueFd.h"
#include "uninstall/engine/ShellExtensions.h"
#include "uninstall/engine/TrashEntries.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace corvane {

namespace {

std::vector<std::string> entriesOf(const std::string& folder)
{
    std::vector<std::string> names;
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        DirectoryReader::listNames(fd.get(), names);
    return names;
}

bool endsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The folder's visible entries with the suffix, each joined to the folder, sorted by name
// as a listing command would show them. Read from the folder itself: a name may hold a
// line break, which no line-based listing can carry.
std::vector<std::string> listedWithSuffix(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> out;
    if (folder.empty())
        return out;
    std::vector<std::string> names = entriesOf(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (name[0] != '.' && endsWith(name, suffix))
            out.push_back(joinPath(folder, name));
    return out;
}

// The same for the regular files among them: a link or a special file is nothing a
// browser loads as its plug-in, and removing a link would leave what it points to.
std::vector<std::string> regularFilesWithSuffix(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> out;
    if (folder.empty())
        return out;
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return out;
    std::vector<std::string> names;
    DirectoryReader::listNames(fd.get(), names);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        struct stat st;
        if (name[0] == '.' || !endsWith(name, suffix) || name.size() == suffix.size())
            continue;
        if (::fstatat(fd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            out.push_back(joinPath(folder, name));
    }
    return out;
}

constexpr const char* kOwnIdentifier = "com.corvane.CorvaneTidewell";

bool sameEntry(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool isAppPackage(const std::string& path)
{
    return FilePackage::isFilePackage(path) && pathExtension(path) == "app";
}

} // namespace

Uninstall::Uninstall(const Layout& layout) : m_layout(layout) {}

std::vector<std::string> Uninstall::userInstalledApps() const
{
    return excludeNonSystemApplications(allApps());
}

std::vector<std::string> Uninstall::allApps() const
{
    std::vector<std::string> apps;
    const auto folders = StandardFolders::search(StandardFolders::Directory::AllApplications,
                                                 StandardFolders::UserDomain | StandardFolders::LocalDomain, m_layout);
    for (const std::string& folder : folders) {
        for (const std::string& name : entriesOf(folder)) {
            const std::string entry = joinPath(folder, name);
            if (isAppPackage(entry)) {
                apps.push_back(entry);
                continue;
            }
            // One level further and no deeper: vendor folders holding their apps.
            for (const std::string& inner : entriesOf(entry)) {
                const std::string candidate = joinPath(entry, inner);
                if (isAppPackage(candidate))
                    apps.push_back(candidate);
            }
        }
    }
    return apps;
}

std::vector<DesktopApp> Uninstall::desktopApps(const std::string& locale) const
{
    std::vector<DesktopApp> bundles;
    const std::string home = m_layout.home() + "/";
    for (const std::string& path : allApps()) {
        DesktopApp app;
        app.kind = DesktopApp::Kind::Bundle;
        app.path = path;
        app.scope = path.rfind(home, 0) == 0 ? DesktopApp::Scope::User : DesktopApp::Scope::System;
        if (const auto info = Bundle::read(path)) {
            app.name = info->name.toStdString();
            app.identifier = info->identifier.toStdString();
            app.version = (info->shortVersion.isEmpty() ? info->version : info->shortVersion).toStdString();
            app.icon = info->dictionary.value(QStringLiteral("CFBundleIconFile")).toString().toStdString();
        }
        if (app.name.empty()) {
            const std::string file = lastComponent(path);
            app.name = pathExtension(file) == "app" ? file.substr(0, file.size() - 4) : file;
        }
        bundles.push_back(std::move(app));
    }
    return DesktopApps::list(DesktopApps::places(m_layout), std::move(bundles), locale);
}

std::vector<std::string> Uninstall::excludeNonSystemApplications(const std::vector<std::string>& paths) const
{
    std::vector<std::string> kept;
    for (const std::string& p : paths)
        if (!isNoSystemApplication(p))
            kept.push_back(p);
    return kept;
}

bool Uninstall::isNoSystemApplication(const std::string& path) const
{
    const auto info = Bundle::read(path);
    if (!info || !info->dictionary.contains(QStringLiteral("CFBundleIdentifier")))
        return false;
    const QString identifier = info->dictionary.value(QStringLiteral("CFBundleIdentifier")).toString();
    return identifier.startsWith(QStringLiteral("com.apple")) || identifier.isEmpty();
}

std::vector<DesktopApp> Uninstall::uninstallableApps(const std::string& locale) const
{
    const std::optional<std::string> ownBundle = m_layout.path(Layout::Role::MainBundle);
    std::vector<DesktopApp> kept;
    for (DesktopApp& app : desktopApps(locale)) {
        if (app.kind == DesktopApp::Kind::Bundle) {
            if (isNoSystemApplication(app.path) || app.identifier == kOwnIdentifier ||
                (ownBundle && (app.path == *ownBundle || sameEntry(app.path, *ownBundle))))
                continue;
        } else if (app.identifier.rfind(kOwnIdentifier, 0) == 0) {
            continue;
        }
        kept.push_back(std::move(app));
    }
    return kept;
}

std::vector<Uninstall::PlugIn> Uninstall::plugInList() const
{
    std::vector<PlugIn> all;
    const bool mac = m_layout.isMac();
    for (const Layout::Role role : {Layout::Role::InternetPlugins, Layout::Role::UserInternetPlugins}) {
        const std::string folder = m_layout.path(role).value_or("");
        for (std::string& path : mac ? listedWithSuffix(folder, ".plugin") : regularFilesWithSuffix(folder, ".so"))
            all.push_back({std::move(path), {}, {}});
    }
    for (ShellExtension& extension : ShellExtensions::list(ShellExtensions::folder(m_layout)))
        all.push_back({std::move(extension.path), std::move(extension.name), std::move(extension.version)});
    return all;
}

std::vector<std::string> Uninstall::plugins() const
{
    std::vector<std::string> paths;
    for (PlugIn& plugIn : plugInList())
        paths.push_back(std::move(plugIn.path));
    return paths;
}

std::vector<std::string> Uninstall::configFiles() const
{
    return listedWithSuffix(m_layout.path(Layout::Role::PreferencePanes).value_or(""), ".prefPane");
}

Uninstall::Outcome Uninstall::removeByPath(const std::string& path, uint64_t* freedBytes) const
{
    if (freedBytes)
        *freedBytes = 0;
    // A dangling link is still something to remove, so the link itself is what counts.
    if (!FileChecks::existsNoFollow(path))
        return Outcome::Absent;
    if (ProtectedPaths::isProtected(path, m_layout))
        return Outcome::Refused;
    const SafeRemover::Result result = SafeRemover::removeTree(path, m_layout);
    if (freedBytes)
        *freedBytes = result.removedBytes;
    if (result.status == SafeRemover::Status::Refused)
        return Outcome::Refused;
    if (result.ok()) {
        TrashEntries::forgetEntry(path, m_layout);
        return result.status == SafeRemover::Status::NotFound ? Outcome::Absent : Outcome::Removed;
    }
    qCDebug(lcUninstall).noquote() << "left to the helper:" << logLine(path, result.error);
    CmdLineTool::sudoDeleteFileAtPath(path, m_layout);
    return Outcome::SentToHelper;
}

Uninstall::Outcome Uninstall::unInstall(const AnchoredPath& entry, uint64_t* freedBytes) const
{
    if (!entry.container)
        return removeByPath(entry.path, freedBytes); // a fixed path, removed by path as ever
    const SafeRemover::Result result = SafeRemover::removeBeneath(*entry.container, entry.relative, m_layout);
    if (freedBytes)
        *freedBytes = result.removedBytes;
    switch (result.status) {
    case SafeRemover::Status::NotFound: return Outcome::Absent;
    case SafeRemover::Status::Refused: return Outcome::Refused;
    case SafeRemover::Status::Moved:
        qCDebug(lcUninstall).noquote() << "skipped, its way changed since it was listed:"
                                       << logLine(entry.path, result.error);
        return Outcome::Skipped;
    case SafeRemover::Status::Removed: TrashEntries::forgetEntry(entry, m_layout); return Outcome::Removed;
    case SafeRemover::Status::Failed: break;
    }
    qCDebug(lcUninstall).noquote() << "left to the helper:" << logLine(entry.path, result.error);
    CmdLineTool::sudoDeleteFileAtPath(entry.path, m_layout);
    return Outcome::SentToHelper;
}

Uninstall::Outcome Uninstall::unInstall(const std::string& path) const
{
    return removeByPath(path, nullptr);
}

} // namespace corvane
