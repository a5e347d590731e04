#include "uninstall/engine/Uninstall.h"

#include "common/CmdLineTool.h"
#include "common/ShellQuote.h"
#include "platform/Bundle.h"
#include "platform/FileChecks.h"
#include "platform/FilePackage.h"
#include "platform/Layout.h"
#include "platform/ProtectedPaths.h"
#include "platform/SafeRemover.h"
#include "platform/StandardFolders.h"
#include "uninstall/engine/TrashEntries.h"

#include <cstring>
#include <dirent.h>

namespace corvane {

namespace {

std::vector<std::string> entriesOf(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(dir);
    return names;
}

bool endsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            nl = text.size();
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

// "ls -1" of a folder, keeping the lines with the suffix, each joined to the folder.
std::vector<std::string> listedWithSuffix(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> out;
    if (folder.empty())
        return out;
    const std::string output = CmdLineTool::runCommandBytes("ls -1 -- " + shellQuote(folder) + " 2>/dev/null");
    for (const std::string& line : splitLines(output))
        if (endsWith(line, suffix))
            out.push_back(joinPath(folder, line));
    return out;
}

bool isAppPackage(const std::string& path)
{
    return FilePackage::isFilePackage(path) && pathExtension(path) == "app";
}

} // namespace

Uninstall& Uninstall::manager()
{
    static Uninstall instance;
    return instance;
}

std::vector<std::string> Uninstall::userInstalledApps() const
{
    return excludeNonSystemApplications(allApps());
}

std::vector<std::string> Uninstall::allApps() const
{
    std::vector<std::string> apps;
    const auto folders = StandardFolders::search(StandardFolders::Directory::AllApplications,
                                                 StandardFolders::UserDomain | StandardFolders::LocalDomain);
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

std::vector<std::string> Uninstall::plugins() const
{
    const Layout& layout = Layout::current();
    std::vector<std::string> all = listedWithSuffix(layout.path(Layout::Role::InternetPlugins).value_or(""), ".plugin");
    for (std::string& p : listedWithSuffix(layout.path(Layout::Role::UserInternetPlugins).value_or(""), ".plugin"))
        all.push_back(std::move(p));
    return all;
}

std::vector<std::string> Uninstall::configFiles() const
{
    return listedWithSuffix(Layout::current().path(Layout::Role::PreferencePanes).value_or(""), ".prefPane");
}

Uninstall::Outcome Uninstall::unInstall(const std::string& path) const
{
    // A dangling link is still something to remove, so the link itself is what counts.
    if (!FileChecks::existsNoFollow(path))
        return Outcome::Absent;
    if (ProtectedPaths::isProtected(path))
        return Outcome::Refused;
    const SafeRemover::Result result = SafeRemover::removeTree(path);
    if (result.status == SafeRemover::Status::Refused)
        return Outcome::Refused;
    if (result.ok()) {
        TrashEntries::forgetEntry(path);
        return result.status == SafeRemover::Status::NotFound ? Outcome::Absent : Outcome::Removed;
    }
    CmdLineTool::sudoDeleteFileAtPath(path);
    return Outcome::SentToHelper;
}

} // namespace corvane
