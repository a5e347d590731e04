// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/engine/SystemClean.h"
#include "platform/LogCategories.h"

#include "common/CmdLineTool.h"
#include "common/ShellQuote.h"
#include "platform/ByteText.h"
#include "platform/ContainerGuard.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/PathResolver.h"
#include "platform/StandardFolders.h"
#include "platform/SystemCacheAllowList.h"

#include <QDebug>

#include <array>
#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

namespace corvane {

namespace {

using Paths = SystemClean::Paths;
using Container = std::shared_ptr<const AnchoredFolder>;
using SF = StandardFolders;

// One entry met in a listing: its name, the open folder it was listed in, and its
// place below the container.
struct Entry
{
    std::string name;
    int folderFd;          // the folder the entry is in (the container or one below it)
    unsigned char type;    // DT_*, links not followed
    AnchoredPath anchored; // container, path below it, full path
};

// Calls fn(entry) for each entry of the folder `relative` below the container, in
// listing order, reading the stop flag before each one. Folders below the container
// are opened beneath it: a link or a mount on the way ends the listing there.
template <typename Fn>
void eachEntry(const SystemClean& catalogue, const Container& container, const std::string& relative, Fn fn)
{
    if (!container)
        return;
    UniqueFd folder = PathResolver::openBeneath(container->fd(), relative, O_RDONLY | O_DIRECTORY);
    if (!folder) {
        if (errno != ENOENT)
            qCDebug(lcJunk).noquote() << "not listed:" << logLine(container->pathOf(relative), errno);
        return;
    }
    DirectoryReader reader(folder.get());
    DirectoryReader::Entry e;
    while (reader.next(e)) {
        if (catalogue.isStop())
            break;
        std::string name = e.name;
        const std::string below = relative.empty() ? name : joinPath(relative, name);
        fn(Entry{std::move(name), folder.get(), e.type, AnchoredPath::at(container, below)});
    }
    if (reader.failed())
        qCDebug(lcJunk).noquote() << "listed in part:" << logLine(container->pathOf(relative), reader.error());
}

// Opens the folder as a container and lists it.
template <typename Fn>
void eachEntry(const SystemClean& catalogue, const std::string& folder, Fn fn,
               ContainerGuard::Exempt exempt = ContainerGuard::Exempt::None)
{
    if (folder.empty() || catalogue.isStop())
        return;
    eachEntry(catalogue, catalogue.openContainer(folder, exempt), std::string(), fn);
}

bool isType(const Entry& e, unsigned char type)
{
    return e.type == type;
}

bool deletable(const Entry& e)
{
    return FileChecks::isDeletableAt(e.folderFd, e.name.c_str());
}

bool endsWith(const std::string& s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool startsWith(const std::string& s, std::string_view prefix)
{
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool contains(const std::string& s, std::string_view part)
{
    return s.find(part) != std::string::npos;
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A machine folder of the Linux layout. Under a layout whose root is not "/" (tests
// build one in a scratch folder) the machine folders live under that root too.
std::string machineFolder(const Layout& layout, const char* absolute)
{
    if (layout.root() == "/" || layout.root().empty())
        return absolute;
    return layout.root() + absolute;
}

std::string libraryPath(const Layout& layout, const std::string& relative)
{
    return joinPath(SF::first(SF::Directory::Library, SF::UserDomain, layout), relative);
}

int typeOf(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & S_IFMT);
}

// A fixed file the Parts name outright (not an entry of a listed folder): removed by path.
bool addFixed(const SystemClean& catalogue, const std::string& path, Paths& out)
{
    if (catalogue.isStop())
        return false;
    out.push_back(AnchoredPath::plain(path));
    return true;
}

bool isLockName(const std::string& name)
{
    return SystemCacheAllowList::isLockName(name);
}

// Login accounting records: deleting them, even rotated ones, erases the audit trail.
bool isAccountingLog(const std::string& name)
{
    for (std::string_view keep : {"wtmp", "btmp", "lastlog", "faillog", "utmp"})
        if (startsWith(name, keep))
            return true;
    return false;
}

bool isLogFolderName(const std::string& name)
{
    const std::string n = lower(name);
    return n == "log" || n == "logs";
}

// Rotated log files below the folder `relative` of the container, at most `depth` folder
// levels further down. Outside a log folder (`inLogFolder` false) a file must also name
// itself a log. Folders are never offered, links never followed, the journal never
// entered.
void collectRotatedLogs(const SystemClean& catalogue, const Container& container, const std::string& relative,
                        int depth, bool inLogFolder, Paths& out)
{
    eachEntry(catalogue, container, relative, [&](const Entry& e) {
        if (isType(e, DT_DIR)) {
            if (depth > 0 && e.name != "journal")
                collectRotatedLogs(catalogue, container, e.anchored.relative, depth - 1,
                                   inLogFolder || isLogFolderName(e.name), out);
            return;
        }
        if (!isType(e, DT_REG) || isAccountingLog(e.name) || !SystemClean::isRotatedLogName(e.name))
            return;
        if (!inLogFolder && !contains(lower(e.name), "log"))
            return;
        if (deletable(e))
            out.push_back(e.anchored);
    });
}

void collectRotatedLogs(const SystemClean& catalogue, const std::string& folder, int depth, bool inLogFolder,
                        Paths& out)
{
    if (folder.empty() || catalogue.isStop())
        return;
    collectRotatedLogs(catalogue, catalogue.openContainer(folder), std::string(), depth, inLogFolder, out);
}

// Linux: the Chrome folders, or Chromium's when Chrome has never been used here.
std::string chromeProduct(const Layout& layout)
{
    if (FileChecks::exists(joinPath(layout.xdgConfigHome(), "google-chrome")) ||
        FileChecks::exists(joinPath(layout.xdgCacheHome(), "google-chrome")))
        return "google-chrome";
    return "chromium";
}

// Every entry of the folder the user may delete; a link counts as itself, dangling or not.
void existingDeletableEntries(const SystemClean& catalogue, const std::string& folder, Paths& out,
                              ContainerGuard::Exempt exempt = ContainerGuard::Exempt::None)
{
    eachEntry(
        catalogue, folder,
        [&](const Entry& e) {
            if (deletable(e))
                out.push_back(e.anchored);
        },
        exempt);
}

} // namespace

SystemClean::SystemClean(const Layout& layout) : m_layout(layout) {}

std::vector<std::string> SystemClean::warnings() const
{
    std::lock_guard lock(m_warningsMutex);
    return m_warnings;
}

void SystemClean::clearWarnings()
{
    std::lock_guard lock(m_warningsMutex);
    m_warnings.clear();
}

std::shared_ptr<const AnchoredFolder> SystemClean::openContainer(const std::string& path,
                                                                 ContainerGuard::Exempt exempt) const
{
    const ContainerGuard guard(m_layout);
    std::string refusal;
    auto container = AnchoredFolder::open(path, guard, &refusal, exempt);
    if (!container && !refusal.empty()) {
        const std::string line =
            "not listing " + ByteText::forLog(path) + ": the folder " + refusal + ", and is never emptied";
        qCWarning(lcJunk).noquote() << QString::fromStdString("corvane: " + line);
        std::lock_guard lock(m_warningsMutex);
        if (std::find(m_warnings.begin(), m_warnings.end(), line) == m_warnings.end())
            m_warnings.push_back(line);
    }
    return container;
}

bool SystemClean::isRotatedLogName(const std::string& name)
{
    std::string n = name;
    for (std::string_view z : {".gz", ".xz", ".bz2", ".zst", ".lz4", ".lzma", ".Z"})
        if (endsWith(n, z) && n.size() > z.size())
            return true;
    if (endsWith(n, ".old") && n.size() > 4)
        return true;
    // "name.N"
    size_t i = n.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(n[i - 1])))
        --i;
    const size_t digits = n.size() - i;
    if (digits > 0 && i > 1 && n[i - 1] == '.')
        return true;
    // "name-YYYYMMDD" (logrotate's dateext)
    if (digits == 8 && i > 1 && n[i - 1] == '-')
        return true;
    return false;
}

Paths SystemClean::userCaches() const
{
    Paths out;
    const bool onLinux = !m_layout.isMac();
    for (const std::string& folder : SF::search(SF::Directory::Caches, SF::UserDomain, m_layout)) {
        eachEntry(*this, folder, [&](const Entry& e) {
            if (onLinux && (isType(e, DT_SOCK) || isType(e, DT_FIFO) || isLockName(e.name)))
                return;
            // A link counts as itself, dangling or not: it is removed, never followed.
            if (deletable(e))
                out.push_back(e.anchored);
        });
    }
    return out;
}

Paths SystemClean::systemCaches() const
{
    Paths out;
    const Layout& layout = m_layout;
    if (layout.isMac()) {
        for (const std::string& folder : SF::search(SF::Directory::Caches, SF::LocalDomain, m_layout)) {
            eachEntry(*this, folder, [&](const Entry& e) {
                if (!deletable(e))
                    out.push_back(e.anchored);
            });
        }
        return out;
    }
    // Only what the allow list names (the caches their programs rebuild on their own), the
    // list the privileged helper removes by. Deletable or not: the helper takes what the
    // user may not remove. Files only: the folders (owned by the programs' own users) stay
    // for them to refill.
    const std::string cache = machineFolder(layout, "/var/cache");
    for (const SystemCacheAllowList::Folder& folder : SystemCacheAllowList::kFolders) {
        if (isStop())
            break;
        const std::string listed(folder.relative);
        auto cacheFiles = [&](const Container& container, const std::string& relative, int depth, auto& self) -> void {
            eachEntry(*this, container, relative, [&](const Entry& e) {
                if (isType(e, DT_DIR) && depth > 0)
                    self(container, e.anchored.relative, depth - 1, self);
                else if (SystemCacheAllowList::allows(joinPath(listed, e.anchored.relative), isType(e, DT_REG)))
                    out.push_back(e.anchored);
            });
        };
        cacheFiles(openContainer(joinPath(cache, listed)), std::string(), folder.depth, cacheFiles);
    }
    return out;
}

Paths SystemClean::userLogs() const
{
    return hiddenUserLogs();
}

Paths SystemClean::hiddenUserLogs() const
{
    Paths out;
    const Layout& layout = m_layout;
    if (layout.isMac()) {
        existingDeletableEntries(*this, CmdLineTool::hiddenLibraryPath(m_layout) + "/Logs", out);
        return out;
    }
    collectRotatedLogs(*this, layout.xdgStateHome(), 3, false, out);
    const std::string xsession = joinPath(layout.home(), ".xsession-errors.old");
    if (!isStop() && typeOf(xsession) == S_IFREG && FileChecks::isDeletable(xsession))
        addFixed(*this, xsession, out);
    return out;
}

Paths SystemClean::systemLogs() const
{
    Paths out = libraryLogs();
    for (AnchoredPath& p : containerLog())
        out.push_back(std::move(p));
    for (AnchoredPath& p : privateLogs())
        out.push_back(std::move(p));
    return out;
}

Paths SystemClean::libraryLogs() const
{
    Paths out;
    const Layout& layout = m_layout;
    if (layout.isMac()) {
        existingDeletableEntries(*this, layout.path(Layout::Role::SystemLogs).value_or(""), out);
        return out;
    }
    collectRotatedLogs(*this, machineFolder(layout, "/var/log"), 3, true, out);
    return out;
}

Paths SystemClean::containerLog() const
{
    Paths out;
    const Layout& layout = m_layout;
    if (!layout.isMac()) {
        // Flatpak sandboxes keep their own state folders; only rotated logs go.
        collectRotatedLogs(*this, layout.path(Layout::Role::Containers).value_or(""), 4, false, out);
        return out;
    }
    const std::string containers = CmdLineTool::hiddenLibraryPath(m_layout) + "/Containers";
    const Container anchor = openContainer(containers);
    if (!anchor)
        return out;
    // One path per NUL: a name may hold line breaks, and split on "\n" such a name could
    // forge a line naming any Logs folder on the disk.
    const std::string listing =
        CmdLineTool::runCommandBytes("find " + shellQuote(containers) + " -print0 2>/dev/null");
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\0', start);
        if (end == std::string::npos)
            end = listing.size();
        lines.push_back(listing.substr(start, end - start));
        start = end + 1;
    }
    const std::string prefix = containers + "/";
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        // A non-empty Logs folder: find prints its contents right after it.
        if (!endsWith(line, "/Logs") || !startsWith(lines[i + 1], line + "/") || !startsWith(line, prefix))
            continue;
        if (isStop())
            break;
        if (FileChecks::isDeletable(lines[i + 1]))
            out.push_back(AnchoredPath::at(anchor, line.substr(prefix.size())));
    }
    return out;
}

Paths SystemClean::privateLogs() const
{
    Paths out;
    if (const auto folder = m_layout.path(Layout::Role::PrivateLogs))
        existingDeletableEntries(*this, *folder, out);
    return out;
}

Paths SystemClean::gooleCookies() const
{
    Paths out;
    const Layout& layout = m_layout;
    const std::string profile =
        layout.isMac() ? joinPath(SF::first(SF::Directory::ApplicationSupport, SF::UserDomain, layout), "Google/Chrome/Default")
                       : joinPath(layout.xdgConfigHome(), chromeProduct(layout) + "/Default");
    existingDeletableEntries(*this, profile, out);
    return out;
}

Paths SystemClean::gooleWebcache() const
{
    Paths out;
    const Layout& layout = m_layout;
    const std::string cache =
        layout.isMac() ? joinPath(SF::first(SF::Directory::Caches, SF::UserDomain, layout), "Google/Chrome/Default/Cache")
                       : joinPath(layout.xdgCacheHome(), chromeProduct(layout) + "/Default/Cache");
    existingDeletableEntries(*this, cache, out);
    return out;
}

// Safari keeps nothing on a Linux desktop: every Safari listing is empty there.

Paths SystemClean::safariCookies() const
{
    Paths out;
    if (!m_layout.isMac())
        return out;
    eachEntry(*this, libraryPath(m_layout, "Cookies"), [&](const Entry& e) {
        if (deletable(e) && contains(e.name, "cookies"))
            out.push_back(e.anchored);
    });
    return out;
}

Paths SystemClean::safariDownHistory() const
{
    Paths out;
    const std::string path = libraryPath(m_layout, "Safari/Downloads.plist");
    if (m_layout.isMac() && FileChecks::exists(path))
        addFixed(*this, path, out);
    return out;
}

Paths SystemClean::safariLastSession() const
{
    Paths out;
    const std::string path = libraryPath(m_layout, "Safari/LastSession.plist");
    if (m_layout.isMac() && FileChecks::exists(path))
        addFixed(*this, path, out);
    return out;
}

Paths SystemClean::safariHistory() const
{
    Paths out;
    if (!m_layout.isMac())
        return out;
    for (const char* relative : {"Caches/Metadata/Safari", "Safari"}) {
        eachEntry(*this, libraryPath(m_layout, relative), [&](const Entry& e) {
            if (deletable(e) && contains(e.name, "History"))
                out.push_back(e.anchored);
        });
    }
    return out;
}

Paths SystemClean::safariWebIcon() const
{
    Paths out;
    if (!m_layout.isMac())
        return out;
    const std::string icons = libraryPath(m_layout, "Icons/WebpageIcons.db");
    if (FileChecks::exists(icons) && addFixed(*this, icons, out))
        addFixed(*this, libraryPath(m_layout, "Safari/WebpageIcons.db"), out);
    return out;
}

Paths SystemClean::safariWebCaches() const
{
    Paths out;
    if (!m_layout.isMac())
        return out;
    eachEntry(*this, libraryPath(m_layout, "Caches/com.apple.Safari"), [&](const Entry& e) { out.push_back(e.anchored); });
    addFixed(*this, libraryPath(m_layout, "Safari/LocalStorage"), out);
    return out;
}

Paths SystemClean::safariForms() const
{
    Paths out;
    const std::string path = libraryPath(m_layout, "Safari/Form Values");
    if (m_layout.isMac() && FileChecks::exists(path))
        addFixed(*this, path, out);
    return out;
}

Paths SystemClean::trashFile() const
{
    Paths out;
    // Every entry, a dangling link included: the Trash must be able to become empty.
    eachEntry(*this, SF::first(SF::Directory::Trash, SF::UserDomain, m_layout),
              [&](const Entry& e) { out.push_back(e.anchored); });
    return out;
}

Paths SystemClean::downloadFile() const
{
    Paths out;
    // The Linux layout has no Downloads folder when user-dirs.dirs names the home
    // folder itself: the search then answers nothing and nothing is listed.
    for (const std::string& folder : SF::search(SF::Directory::Downloads, SF::UserDomain, m_layout))
        existingDeletableEntries(*this, folder, out, ContainerGuard::Exempt::Downloads);
    return out;
}

} // namespace corvane
