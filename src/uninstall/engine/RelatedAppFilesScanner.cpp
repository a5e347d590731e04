// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/engine/RelatedAppFilesScanner.h"

#include "platform/Bundle.h"
#include "platform/ContainerGuard.h"
#include "platform/DesktopApps.h"
#include "platform/DesktopEntry.h"
#include "platform/DirectoryReader.h"
#include "platform/DisplayText.h"
#include "platform/FileChecks.h"
#include "platform/FilePackage.h"
#include "platform/FlatpakTool.h"
#include "platform/Layout.h"
#include "platform/ProgramRun.h"
#include "platform/ProtectedPaths.h"
#include "platform/StandardFolders.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>

namespace corvane {

namespace {

// A log folder may hold a great many matches; past this the rest are not offered.
constexpr size_t kLogSearchLimit = 64u << 20;

std::string asciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool isRegularFile(const std::string& path)
{
    struct stat st;
    return FileChecks::lstatPath(path, st) && S_ISREG(st.st_mode);
}

// The folders no leftover may be or hold, worked out once per scan: a log search can
// bring a hundred thousand candidates.
class OfferRules
{
public:
    explicit OfferRules(const Layout& layout) : m_layout(layout)
    {
        for (int r = 0; r < int(Layout::Role::RoleCount); ++r) {
            const auto role = static_cast<Layout::Role>(r);
            if (role == Layout::Role::MainBundle || role == Layout::Role::HelperSocket)
                continue;
            if (const auto folder = layout.path(role))
                m_kept.push_back(ProtectedPaths::normalize(*folder));
        }
        if (!layout.isMac()) {
            for (const std::string& base :
                 {layout.xdgDataHome(), layout.xdgConfigHome(), layout.xdgCacheHome(), layout.xdgStateHome()}) {
                const std::string f = ProtectedPaths::normalize(base);
                m_kept.push_back(f);
                m_kept.push_back(f + "/applications");
                m_kept.push_back(f + "/autostart");
            }
        }
        std::erase(m_kept, std::string());
    }

    bool allows(const std::string& path) const
    {
        const std::string p = ProtectedPaths::normalize(path);
        if (p.empty())
            return false;
        // A folder that holds one of the layout's own folders is never a leftover, whatever
        // an application calls itself ("Preferences", "Trash", "applications").
        for (const std::string& f : m_kept)
            if (f == p || startsWith(f, p + "/"))
                return false;
        // The protected-path list goes by where the path really leads, so a searched folder
        // that is a link to the home folder offers none of the home's own folders.
        return !ProtectedPaths::isProtected(p, m_layout);
    }

private:
    const Layout& m_layout;
    std::vector<std::string> m_kept;
};

// Collects candidates in the order they are tried.
class Candidates
{
public:
    Candidates(const std::string& app, const Layout& layout, std::vector<Item>& out)
        : m_app(ProtectedPaths::normalize(app)), m_rules(layout), m_guard(layout), m_out(out)
    {}

    void add(const std::string& path)
    {
        // Existence of the entry itself: a link is offered as the link. A folder that
        // holds the application holds more than its leftovers (a name like "flatpak").
        if (FileChecks::existsNoFollow(path) && m_rules.allows(path) &&
            !startsWith(m_app, ProtectedPaths::normalize(path) + "/") && searchable(parentPath(path)))
            m_out.emplace_back(path);
    }

    void addApplication(const std::string& path)
    {
        if (FileChecks::existsNoFollow(path) && m_rules.allows(path))
            m_out.emplace_back(path);
    }

    // folder/name for every usable name, in the order given.
    void addNamed(const std::string& folder, const std::vector<std::string>& names)
    {
        if (folder.empty())
            return;
        for (const std::string& name : names)
            add(joinPath(folder, name));
    }

    // Everything below `folder` whose own name starts with `name`, letter case aside.
    void addLogSearch(const std::string& folder, const std::string& name)
    {
        if (name.empty() || !FileChecks::isDirectory(folder))
            return;
        // "./" keeps a folder spelled with a leading "-" from reading as an option.
        const std::string start = folder.front() == '/' ? folder : "./" + folder;
        const auto found = ProgramRun::output(
            {"find", start, "-iname", RelatedAppFilesScanner::literalPattern(name) + "*", "-print0"}, kLogSearchLimit);
        if (!found)
            return;
        // A name that is not UTF-8 is still a name: only the bytes matter here.
        std::string_view rest(found->bytes);
        while (!rest.empty()) {
            const size_t end = rest.find('\0');
            if (end == std::string_view::npos)
                break; // cut off by the limit: half a path names nothing
            if (end > 0)
                add(std::string(rest.substr(0, end)));
            rest.remove_prefix(end + 1);
        }
    }

private:
    // Whether entries of the folder may be offered, asked of what the folder is: a
    // searched folder that is the home folder (XDG_CONFIG_HOME=$HOME, ~/.cache a link to
    // it), one above it, a standard folder like Documents or a system folder offers nothing.
    bool searchable(const std::string& folder)
    {
        const auto known = m_searchable.find(folder);
        if (known != m_searchable.end())
            return known->second;
        UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
        const bool ok = fd && m_guard.refusal(fd.get(), ContainerGuard::Exempt::SettingsFolders).empty();
        m_searchable.emplace(folder, ok);
        return ok;
    }

    std::string m_app;
    OfferRules m_rules;
    ContainerGuard m_guard;
    std::map<std::string, bool> m_searchable;
    std::vector<Item>& m_out;
};

std::vector<std::string> usable(std::initializer_list<std::string> names)
{
    std::vector<std::string> out;
    for (const std::string& n : names)
        if (RelatedAppFilesScanner::isUsableName(n))
            out.push_back(n);
    return out;
}

// The order of a macOS Library: support folders, preferences, notification tickets,
// caches, then per Library its own folders, containers and logs, then saved state.
void scanMacLayout(const RelatedAppFilesScanner::Names& names, const Layout& layout, Candidates& c)
{
    const std::string& n = names.name;
    const std::string& id = names.identifier;
    const bool haveId = RelatedAppFilesScanner::isUsableName(id);
    const auto both = usable({n, id});
    const unsigned userAndLocal = StandardFolders::UserDomain | StandardFolders::LocalDomain;
    const auto libraries = StandardFolders::search(StandardFolders::Directory::Library, userAndLocal, layout);

    for (const std::string& folder :
         StandardFolders::search(StandardFolders::Directory::ApplicationSupport, userAndLocal, layout))
        c.addNamed(folder, both);
    for (const std::string& library : libraries) {
        if (haveId) {
            c.add(joinPath(library, "Preferences/" + id + ".plist"));
            c.add(joinPath(library, "Preferences/" + id + ".LSSharedFileList.plist"));
        }
    }
    const std::string userSupport =
        StandardFolders::first(StandardFolders::Directory::ApplicationSupport, StandardFolders::UserDomain, layout);
    if (!userSupport.empty())
        c.add(joinPath(userSupport, "Growl/Tickets/" + n + ".growlTicket"));
    for (const std::string& folder :
         StandardFolders::search(StandardFolders::Directory::Caches, userAndLocal, layout)) {
        c.addNamed(folder, both);
        c.addNamed(joinPath(folder, "Metadata"), both);
    }
    for (const std::string& library : libraries) {
        c.addNamed(library, both);
        c.addNamed(joinPath(library, "Containers"), both);
        const std::string logs = joinPath(library, "Logs");
        c.addLogSearch(logs, n);
        if (haveId)
            c.addLogSearch(logs, id);
    }
    for (const std::string& library : libraries)
        if (haveId)
            c.add(joinPath(library, "Saved Application State/" + id + ".savedState"));
}

// Whether the desktop file starts `app` or runs in its sandbox.
bool entryBelongsTo(const DesktopEntry& entry, const std::string& app, const std::string& flatpakId)
{
    const auto into = [&app](const std::string& program) {
        return !program.empty() && (program == app || startsWith(program, app + "/"));
    };
    if (const auto args = entry.execArguments(); args && !args->empty() && into(args->front()))
        return true;
    if (const auto tryExec = entry.tryExec(); tryExec && into(*tryExec))
        return true;
    return !flatpakId.empty() && entry.flatpakId() == flatpakId;
}

// The same places in a freedesktop home: only folders of the user, since what lies under
// /usr and /var belongs to the package manager.
void scanLinuxLayout(const std::string& app, const RelatedAppFilesScanner::Names& names, const Layout& layout,
                     Candidates& c)
{
    std::vector<std::string> tried;
    if (RelatedAppFilesScanner::isUsableName(names.name)) {
        tried.push_back(names.name);
        const std::string lower = asciiLower(names.name);
        if (lower != names.name)
            tried.push_back(lower);
    }
    if (RelatedAppFilesScanner::isUsableName(names.identifier))
        tried.push_back(names.identifier);

    const std::string data = layout.xdgDataHome();
    c.addNamed(data, tried);                   // support folders
    c.addNamed(layout.xdgConfigHome(), tried); // settings
    c.addNamed(layout.xdgCacheHome(), tried);  // caches
    c.addNamed(data, tried);                   // the Library's own folders: the same home
    c.addNamed(joinPath(layout.home(), ".var/app"), tried);
    c.addNamed(layout.xdgStateHome(), tried); // history: exact names, never a prefix search

    if (names.kind == RelatedAppFilesScanner::Kind::AppImage) {
        // What desktop integration installed for this image: icons and MIME types named
        // after the image's path (its launcher is found below by what it runs).
        const std::string prefix = DesktopApps::appImageIntegrationPrefix(app);
        if (!prefix.empty()) {
            const std::string hicolor = joinPath(data, "icons/hicolor");
            for (const std::string& size : DirectoryReader::sortedNames(hicolor))
                for (const std::string& file : DirectoryReader::sortedNames(joinPath(hicolor, size + "/apps")))
                    if (startsWith(file, prefix + "_"))
                        c.add(joinPath(hicolor, size + "/apps/" + file));
            for (const std::string& file : DirectoryReader::sortedNames(joinPath(data, "mime/packages")))
                if (startsWith(file, prefix + "-"))
                    c.add(joinPath(data, "mime/packages/" + file));
        }
    }

    const std::string flatpakId =
        names.kind == RelatedAppFilesScanner::Kind::Flatpak ? names.identifier : std::string();
    for (const std::string& folder : {joinPath(data, "applications"), joinPath(layout.xdgConfigHome(), "autostart")}) {
        for (const std::string& file : DirectoryReader::sortedNames(folder)) {
            if (pathExtension(file) != "desktop")
                continue;
            const std::string path = joinPath(folder, file);
            if (!isRegularFile(path))
                continue;
            if (const auto entry = DesktopEntry::read(path); entry && entryBelongsTo(*entry, app, flatpakId))
                c.add(path);
        }
    }
}

} // namespace

QString Item::nameLine() const
{
    return DisplayText::forName(lastComponent(m_path));
}

QString Item::folderLine() const
{
    return DisplayText::forName(parentPath(m_path));
}

QString Item::displayName() const
{
    return QStringLiteral("%1\n%2").arg(nameLine(), folderLine());
}

bool RelatedAppFilesScanner::isUsableName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.size() <= 255 && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string RelatedAppFilesScanner::literalPattern(const std::string& name)
{
    std::string out;
    out.reserve(name.size() * 2);
    for (char ch : name) {
        if (ch == '*' || ch == '?' || ch == '[' || ch == '\\')
            out += '\\';
        out += ch;
    }
    return out;
}

bool RelatedAppFilesScanner::mayOffer(const std::string& path, const Layout& layout)
{
    return OfferRules(layout).allows(path);
}

RelatedAppFilesScanner::Names RelatedAppFilesScanner::namesOf(const std::string& path, const Layout& layout)
{
    Names names;
    if (FilePackage::isFilePackage(path) && pathExtension(path) == "app") {
        const auto info = Bundle::read(path);
        if (!info)
            return names;
        names.kind = Kind::Bundle;
        // Only the names the application's files are stored under: the display name that
        // Bundle falls back to is a label, not a folder name.
        const std::string name = info->dictionary.value(QStringLiteral("CFBundleName")).toString().toStdString();
        names.name = isUsableName(name) ? name : info->executable.toStdString();
        names.identifier = info->identifier.toStdString();
        return names;
    }
    if (isRegularFile(path) && DesktopApps::looksLikeAppImage(path)) {
        names.kind = Kind::AppImage;
        if (const auto app = DesktopApps::readAppImage(path, "C")) {
            names.name = app->name;
            names.identifier = app->identifier;
        }
        if (names.name.empty()) {
            std::string file = lastComponent(path);
            if (asciiLower(pathExtension(file)) == "appimage")
                file.resize(file.size() - std::string(".appimage").size());
            names.name = file;
        }
        return names;
    }
    // <installation>/app/<id>, as DesktopApps lists Flatpak applications.
    const std::string id = lastComponent(path);
    const std::string installation = parentPath(parentPath(path));
    if (lastComponent(parentPath(path)) == "app" && FlatpakTool::isValidId(id) && FileChecks::isDirectory(path)) {
        const auto scope = startsWith(path, layout.home() + "/") ? DesktopApp::Scope::User : DesktopApp::Scope::System;
        for (const DesktopApp& app : DesktopApps::flatpakApps(installation, scope, "C")) {
            if (app.identifier != id)
                continue;
            names.kind = Kind::Flatpak;
            names.name = app.name;
            names.identifier = id;
        }
    }
    return names;
}

std::vector<Item> RelatedAppFilesScanner::relatedFilesToApplicationAtPath(const std::string& path, const Layout& layout)
{
    return relatedFilesToApplicationAtPath(path, namesOf(path, layout), layout);
}

std::vector<Item> RelatedAppFilesScanner::relatedFilesToApplicationAtPath(const std::string& path, const Names& names,
                                                                          const Layout& layout)
{
    std::vector<Item> items;
    if (names.kind == Kind::None || !isUsableName(names.name))
        return items;
    Candidates c(path, layout, items);
    c.addApplication(path);
    if (layout.isMac())
        scanMacLayout(names, layout, c);
    else
        scanLinuxLayout(path, names, layout, c);
    return items;
}

} // namespace corvane
