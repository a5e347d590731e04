#include "junk/engine/SystemClean.h"

#include "common/CmdLineTool.h"
#include "common/ShellQuote.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/StandardFolders.h"

#include <array>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>

namespace corvane {

namespace {

using Paths = std::vector<std::string>;
using SF = StandardFolders;

// Calls fn(name, path) for each entry of the folder in listing order, reading the stop
// flag before each one.
template <typename Fn>
void eachEntry(const SystemClean& catalogue, const std::string& folder, Fn fn)
{
    if (folder.empty())
        return;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        if (catalogue.isStop())
            break;
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        const std::string name = e->d_name;
        fn(name, joinPath(folder, name));
    }
    ::closedir(dir);
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

std::string libraryPath(const std::string& relative)
{
    return joinPath(SF::first(SF::Directory::Library, SF::UserDomain), relative);
}

int typeOf(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & S_IFMT);
}

// Names that hold a lock rather than data: deleting one under a running program can
// let a second instance in.
bool isLockName(const std::string& name)
{
    const std::string n = lower(name);
    return n == "lock" || n == ".lock" || endsWith(n, ".lock") || endsWith(n, ".lck") || endsWith(n, "-lock") ||
           startsWith(n, "singleton") || endsWith(n, ".pid");
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

// Rotated log files below `folder`, at most `depth` folder levels further down. Outside
// a log folder (`inLogFolder` false) a file must also name itself a log. Folders are
// never offered, links never followed, the journal never entered.
void collectRotatedLogs(const SystemClean& catalogue, const std::string& folder, int depth, bool inLogFolder,
                        Paths& out)
{
    eachEntry(catalogue, folder, [&](const std::string& name, const std::string& path) {
        const int type = typeOf(path);
        if (type == S_IFDIR) {
            if (depth > 0 && name != "journal")
                collectRotatedLogs(catalogue, path, depth - 1, inLogFolder || isLogFolderName(name), out);
            return;
        }
        if (type != S_IFREG || isAccountingLog(name) || !SystemClean::isRotatedLogName(name))
            return;
        if (!inLogFolder && !contains(lower(name), "log"))
            return;
        if (FileChecks::isDeletable(path))
            out.push_back(path);
    });
}

// Linux: the Chrome folders, or Chromium's when Chrome has never been used here.
std::string chromeProduct(const Layout& layout)
{
    if (FileChecks::exists(joinPath(layout.xdgConfigHome(), "google-chrome")) ||
        FileChecks::exists(joinPath(layout.xdgCacheHome(), "google-chrome")))
        return "google-chrome";
    return "chromium";
}

void existingDeletableEntries(const SystemClean& catalogue, const std::string& folder, Paths& out)
{
    eachEntry(catalogue, folder, [&](const std::string&, const std::string& path) {
        if (FileChecks::exists(path) && FileChecks::isDeletable(path))
            out.push_back(path);
    });
}

} // namespace

SystemClean& SystemClean::manager()
{
    static SystemClean instance;
    return instance;
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
    const bool onLinux = !Layout::current().isMac();
    for (const std::string& folder : SF::search(SF::Directory::Caches, SF::UserDomain)) {
        eachEntry(*this, folder, [&](const std::string& name, const std::string& path) {
            if (onLinux) {
                const int type = typeOf(path);
                if (type == S_IFSOCK || type == S_IFIFO || isLockName(name))
                    return;
            }
            if (FileChecks::exists(path) && FileChecks::isDeletable(path))
                out.push_back(path);
        });
    }
    return out;
}

Paths SystemClean::systemCaches() const
{
    Paths out;
    const Layout& layout = Layout::current();
    if (layout.isMac()) {
        for (const std::string& folder : SF::search(SF::Directory::Caches, SF::LocalDomain)) {
            eachEntry(*this, folder, [&](const std::string&, const std::string& path) {
                if (FileChecks::exists(path) && !FileChecks::isDeletable(path))
                    out.push_back(path);
            });
        }
        return out;
    }
    // Only caches their programs rebuild on their own; everything else under /var/cache
    // (debconf's answers, bind's zones, ldconfig, private service state) is left alone.
    // Deletable or not: the privileged helper takes what the user may not remove.
    const std::string cache = machineFolder(layout, "/var/cache");
    // Files only: the folders (owned by the programs' own users) stay for them to refill.
    auto cacheFiles = [&](const std::string& folder, int depth, auto& self) -> void {
        eachEntry(*this, folder, [&](const std::string& name, const std::string& path) {
            const int t = typeOf(path);
            if (t == S_IFDIR && depth > 0)
                self(path, depth - 1, self);
            else if (t == S_IFREG && name != "CACHEDIR.TAG" && !isLockName(name))
                out.push_back(path);
        });
    };
    cacheFiles(joinPath(cache, "man"), 2, cacheFiles);
    cacheFiles(joinPath(cache, "fontconfig"), 0, cacheFiles);
    eachEntry(*this, joinPath(cache, "apt/archives"), [&](const std::string& name, const std::string& path) {
        if (endsWith(name, ".deb") && typeOf(path) == S_IFREG)
            out.push_back(path);
    });
    eachEntry(*this, joinPath(cache, "apt"), [&](const std::string& name, const std::string& path) {
        if ((name == "pkgcache.bin" || name == "srcpkgcache.bin") && typeOf(path) == S_IFREG)
            out.push_back(path);
    });
    return out;
}

Paths SystemClean::userLogs() const
{
    return hiddenUserLogs();
}

Paths SystemClean::hiddenUserLogs() const
{
    Paths out;
    const Layout& layout = Layout::current();
    if (layout.isMac()) {
        const std::string folder = CmdLineTool::hiddenLibraryPath() + "/Logs/";
        eachEntry(*this, folder, [&](const std::string& name, const std::string&) {
            const std::string path = folder + name;
            if (FileChecks::isDeletable(path))
                out.push_back(path);
        });
        return out;
    }
    collectRotatedLogs(*this, layout.xdgStateHome(), 3, false, out);
    const std::string xsession = joinPath(layout.home(), ".xsession-errors.old");
    if (!isStop() && typeOf(xsession) == S_IFREG && FileChecks::isDeletable(xsession))
        out.push_back(xsession);
    return out;
}

Paths SystemClean::systemLogs() const
{
    Paths out = libraryLogs();
    for (std::string& p : containerLog())
        out.push_back(std::move(p));
    for (std::string& p : privateLogs())
        out.push_back(std::move(p));
    return out;
}

Paths SystemClean::libraryLogs() const
{
    Paths out;
    const Layout& layout = Layout::current();
    if (layout.isMac()) {
        const std::string folder = layout.path(Layout::Role::SystemLogs).value_or("") + "/";
        eachEntry(*this, folder, [&](const std::string& name, const std::string&) {
            if (FileChecks::isDeletable(folder + name))
                out.push_back(folder + name);
        });
        return out;
    }
    collectRotatedLogs(*this, machineFolder(layout, "/var/log"), 3, true, out);
    return out;
}

Paths SystemClean::containerLog() const
{
    Paths out;
    const Layout& layout = Layout::current();
    if (!layout.isMac()) {
        // Flatpak sandboxes keep their own state folders; only rotated logs go.
        collectRotatedLogs(*this, layout.path(Layout::Role::Containers).value_or(""), 4, false, out);
        return out;
    }
    // One path per NUL: a name may hold line breaks, and split on "\n" such a name could
    // forge a line naming any Logs folder on the disk.
    const std::string listing = CmdLineTool::runCommandBytes(
        "find " + shellQuote(CmdLineTool::hiddenLibraryPath() + "/Containers") + " -print0 2>/dev/null");
    Paths lines;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\0', start);
        if (end == std::string::npos)
            end = listing.size();
        lines.push_back(listing.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        // A non-empty Logs folder: find prints its contents right after it.
        if (!endsWith(line, "/Logs") || !startsWith(lines[i + 1], line + "/"))
            continue;
        if (isStop())
            break;
        if (FileChecks::isDeletable(lines[i + 1]))
            out.push_back(line);
    }
    return out;
}

Paths SystemClean::privateLogs() const
{
    Paths out;
    const auto folder = Layout::current().path(Layout::Role::PrivateLogs);
    if (!folder)
        return out;
    const std::string base = *folder + "/";
    eachEntry(*this, base, [&](const std::string& name, const std::string&) {
        if (FileChecks::isDeletable(base + name))
            out.push_back(base + name);
    });
    return out;
}

Paths SystemClean::gooleCookies() const
{
    Paths out;
    const Layout& layout = Layout::current();
    const std::string profile =
        layout.isMac() ? joinPath(SF::first(SF::Directory::ApplicationSupport, SF::UserDomain), "Google/Chrome/Default")
                       : joinPath(layout.xdgConfigHome(), chromeProduct(layout) + "/Default");
    if (FileChecks::exists(profile))
        existingDeletableEntries(*this, profile, out);
    return out;
}

Paths SystemClean::gooleWebcache() const
{
    Paths out;
    const Layout& layout = Layout::current();
    const std::string cache =
        layout.isMac() ? joinPath(SF::first(SF::Directory::Caches, SF::UserDomain), "Google/Chrome/Default/Cache")
                       : joinPath(layout.xdgCacheHome(), chromeProduct(layout) + "/Default/Cache");
    if (FileChecks::exists(cache))
        existingDeletableEntries(*this, cache, out);
    return out;
}

// Safari keeps nothing on a Linux desktop: every Safari listing is empty there.

Paths SystemClean::safariCookies() const
{
    Paths out;
    if (!Layout::current().isMac())
        return out;
    const std::string folder = libraryPath("Cookies");
    if (!FileChecks::exists(folder))
        return out;
    eachEntry(*this, folder, [&](const std::string& name, const std::string& path) {
        if (FileChecks::exists(path) && FileChecks::isDeletable(path) && contains(name, "cookies"))
            out.push_back(path);
    });
    return out;
}

Paths SystemClean::safariDownHistory() const
{
    Paths out;
    const std::string path = libraryPath("Safari/Downloads.plist");
    if (Layout::current().isMac() && !isStop() && FileChecks::exists(path))
        out.push_back(path);
    return out;
}

Paths SystemClean::safariLastSession() const
{
    Paths out;
    const std::string path = libraryPath("Safari/LastSession.plist");
    if (Layout::current().isMac() && !isStop() && FileChecks::exists(path))
        out.push_back(path);
    return out;
}

Paths SystemClean::safariHistory() const
{
    Paths out;
    if (!Layout::current().isMac())
        return out;
    for (const char* relative : {"Caches/Metadata/Safari", "Safari"}) {
        const std::string folder = libraryPath(relative);
        if (!FileChecks::exists(folder))
            continue;
        eachEntry(*this, folder, [&](const std::string& name, const std::string& path) {
            if (FileChecks::exists(path) && FileChecks::isDeletable(path) && contains(name, "History"))
                out.push_back(path);
        });
    }
    return out;
}

Paths SystemClean::safariWebIcon() const
{
    Paths out;
    if (!Layout::current().isMac() || isStop())
        return out;
    const std::string icons = libraryPath("Icons/WebpageIcons.db");
    if (FileChecks::exists(icons)) {
        out.push_back(icons);
        out.push_back(libraryPath("Safari/WebpageIcons.db"));
    }
    return out;
}

Paths SystemClean::safariWebCaches() const
{
    Paths out;
    if (!Layout::current().isMac())
        return out;
    const std::string folder = libraryPath("Caches/com.apple.Safari");
    if (FileChecks::exists(folder)) {
        eachEntry(*this, folder, [&](const std::string&, const std::string& path) {
            if (FileChecks::exists(path))
                out.push_back(path);
        });
    }
    if (!isStop())
        out.push_back(libraryPath("Safari/LocalStorage"));
    return out;
}

Paths SystemClean::safariForms() const
{
    Paths out;
    const std::string path = libraryPath("Safari/Form Values");
    if (Layout::current().isMac() && !isStop() && FileChecks::exists(path))
        out.push_back(path);
    return out;
}

Paths SystemClean::trashFile() const
{
    Paths out;
    const std::string trash = SF::first(SF::Directory::Trash, SF::UserDomain);
    eachEntry(*this, trash, [&](const std::string&, const std::string& path) {
        if (FileChecks::exists(path))
            out.push_back(path);
    });
    return out;
}

Paths SystemClean::downloadFile() const
{
    Paths out;
    // The Linux layout has no Downloads folder when user-dirs.dirs names the home
    // folder itself: the search then answers nothing and nothing is listed.
    for (const std::string& folder : SF::search(SF::Directory::Downloads, SF::UserDomain))
        existingDeletableEntries(*this, folder, out);
    return out;
}

} // namespace corvane
