// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DesktopApps.h"

#include "platform/BoundedFile.h"
#include "platform/DesktopEntry.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/FlatpakTool.h"
#include "platform/Layout.h"
#include "platform/UniqueFd.h"

// The library's iterator still derives from std::iterator, which C++20 deprecates.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <appimage/appimage.h>
#include <appimage/core/AppImage.h>
#pragma GCC diagnostic pop

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <istream>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

// A desktop file or metainfo larger than this is no honest one.
constexpr size_t kTextLimit = 1024 * 1024;

bool endsWith(const std::string& s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string trimmed(std::string_view s)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && space(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

// Flatpak's metadata is a key file; an application has an [Application] group where a
// runtime has [Runtime].
bool isApplicationMetadata(const std::string& text)
{
    for (const std::string& line : BoundedFile::lines(text))
        if (trimmed(line) == "[Application]")
            return true;
    return false;
}

// What a metainfo parse collects: the <name> children of <component>, by language, and
// the first <release> of <releases>.
struct MetaInfoState
{
    std::vector<std::string> stack;
    std::string lang; // xml:lang of the <name> being read
    bool inName = false;
    std::string text;
    std::vector<std::pair<std::string, std::string>> names; // (lang, name)
    std::string version;
    bool releaseSeen = false;
};

void metaStart(GMarkupParseContext*, const gchar* element, const gchar** names, const gchar** values, gpointer data,
               GError**)
{
    auto* s = static_cast<MetaInfoState*>(data);
    const std::string name = element;
    if (name == "name" && s->stack.size() == 1 && s->stack[0] == "component") {
        s->inName = true;
        s->text.clear();
        s->lang.clear();
        for (int i = 0; names[i]; ++i)
            if (!std::strcmp(names[i], "xml:lang"))
                s->lang = values[i];
        std::replace(s->lang.begin(), s->lang.end(), '-', '_');
    } else if (name == "release" && !s->releaseSeen && s->stack.size() == 2 && s->stack[1] == "releases") {
        s->releaseSeen = true;
        for (int i = 0; names[i]; ++i)
            if (!std::strcmp(names[i], "version"))
                s->version = values[i];
    }
    s->stack.push_back(name);
}

void metaEnd(GMarkupParseContext*, const gchar*, gpointer data, GError**)
{
    auto* s = static_cast<MetaInfoState*>(data);
    if (s->inName && s->stack.size() == 2) {
        s->names.emplace_back(s->lang, trimmed(s->text));
        s->inName = false;
    }
    if (!s->stack.empty())
        s->stack.pop_back();
}

void metaText(GMarkupParseContext*, const gchar* text, gsize length, gpointer data, GError**)
{
    auto* s = static_cast<MetaInfoState*>(data);
    if (s->inName && s->stack.size() == 2)
        s->text.append(text, length);
}

std::string fileStem(const std::string& name, std::string_view suffix)
{
    if (endsWith(name, suffix) && name.size() > suffix.size())
        return name.substr(0, name.size() - suffix.size());
    return name;
}

// Reads at most `limit` bytes of a payload entry; nothing when it holds more.
std::optional<std::string> readBounded(std::istream& in, size_t limit)
{
    std::string out;
    char buffer[16384];
    while (in) {
        in.read(buffer, sizeof buffer);
        out.append(buffer, static_cast<size_t>(in.gcount()));
        if (out.size() > limit)
            return std::nullopt;
    }
    return out;
}

// A link target that could leave the payload's top folder.
bool escapesPayload(const std::string& target)
{
    return target.empty() || target.find("..") != std::string::npos;
}

std::string payloadPath(std::string path)
{
    while (path.rfind("./", 0) == 0)
        path.erase(0, 2);
    while (!path.empty() && path.front() == '/')
        path.erase(0, 1);
    return path;
}

// The desktop file at the top of an AppImage's payload, its name and content, read
// through the library from the very file that was checked (its descriptor, so nothing
// swapped in at the path is read instead). A link there is followed one step, inside
// the payload only.
std::optional<std::pair<std::string, std::string>> embeddedDesktopFile(int fd)
{
    using appimage::core::PayloadEntryType;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    try {
        const appimage::core::AppImage image(self);
        std::string top, target;
        for (auto it = image.files(); it != it.end(); ++it) {
            const std::string entry = payloadPath(it.path());
            if (entry.find('/') != std::string::npos || !endsWith(entry, ".desktop"))
                continue;
            if (it.type() == PayloadEntryType::REGULAR) {
                auto text = readBounded(it.read(), kTextLimit);
                return text ? std::make_optional(std::make_pair(entry, std::move(*text))) : std::nullopt;
            }
            if (it.type() == PayloadEntryType::LINK) {
                top = entry;
                target = payloadPath(it.linkTarget());
                break;
            }
        }
        if (target.empty() || escapesPayload(target))
            return std::nullopt;
        for (auto it = image.files(); it != it.end(); ++it) {
            if (payloadPath(it.path()) != target || it.type() != PayloadEntryType::REGULAR)
                continue;
            auto text = readBounded(it.read(), kTextLimit);
            return text ? std::make_optional(std::make_pair(top, std::move(*text))) : std::nullopt;
        }
    } catch (...) {
        // A payload the library cannot read is simply one without a desktop file.
    }
    return std::nullopt;
}

void appendUnique(std::vector<std::string>& list, const std::string& path)
{
    if (!path.empty() && std::find(list.begin(), list.end(), path) == list.end())
        list.push_back(path);
}

} // namespace

std::string DesktopApp::desktopId() const
{
    if (kind == Kind::Bundle || identifier.empty())
        return {};
    return identifier + ".desktop";
}

const char* DesktopApp::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Bundle:
        return "bundle";
    case Kind::Flatpak:
        return "flatpak";
    case Kind::AppImage:
        return "appimage";
    }
    return "unknown";
}

const char* DesktopApp::scopeName(Scope scope)
{
    return scope == Scope::System ? "system" : "user";
}

DesktopApps::Places DesktopApps::places(const Layout& layout)
{
    Places p;
    if (layout.isMac())
        return p;
    const char* userDir = std::getenv("FLATPAK_USER_DIR");
    p.flatpakUser = userDir && userDir[0] == '/' ? std::string(userDir) : joinPath(layout.xdgDataHome(), "flatpak");
    appendUnique(p.flatpakSystem, layout.rooted("/var/lib/flatpak"));
    for (const std::string& path :
         configuredInstallations(layout.rooted("/etc/flatpak/installations.d"), layout.root()))
        appendUnique(p.flatpakSystem, path);
    std::erase(p.flatpakSystem, p.flatpakUser);
    p.appImageFolders = {joinPath(layout.home(), "Applications"), joinPath(layout.home(), ".local/bin")};
    return p;
}

std::vector<DesktopApp> DesktopApps::list(const Places& places, std::vector<DesktopApp> bundles,
                                          const std::string& locale)
{
    std::vector<DesktopApp> apps = std::move(bundles);
    const auto add = [&apps](std::vector<DesktopApp>&& more) {
        for (DesktopApp& app : more)
            apps.push_back(std::move(app));
    };
    if (!places.flatpakUser.empty())
        add(flatpakApps(places.flatpakUser, DesktopApp::Scope::User, locale));
    for (const std::string& installation : places.flatpakSystem)
        add(flatpakApps(installation, DesktopApp::Scope::System, locale));
    for (const std::string& folder : places.appImageFolders)
        add(appImages(folder, locale));
    return apps;
}

std::vector<DesktopApp> DesktopApps::flatpakApps(const std::string& installation, DesktopApp::Scope scope,
                                                 const std::string& locale)
{
    std::vector<DesktopApp> apps;
    const std::string appFolder = joinPath(installation, "app");
    for (const std::string& id : DirectoryReader::sortedNames(appFolder)) {
        if (!FlatpakTool::isValidId(id))
            continue;
        const std::string path = joinPath(appFolder, id);
        const std::string active = joinPath(path, "current/active");
        const auto metadata = BoundedFile::read(joinPath(active, "metadata"));
        if (!metadata || !isApplicationMetadata(*metadata))
            continue;
        DesktopApp app;
        app.kind = DesktopApp::Kind::Flatpak;
        app.path = path;
        app.identifier = id;
        app.scope = scope;
        if (const auto entry = DesktopEntry::read(joinPath(active, "export/share/applications/" + id + ".desktop"))) {
            app.name = entry->name(locale).value_or(std::string());
            app.icon = entry->icon().value_or(std::string());
        }
        std::optional<std::string> meta =
            BoundedFile::read(joinPath(active, "files/share/metainfo/" + id + ".metainfo.xml"), kTextLimit);
        if (!meta) // the folder and suffix older applications still ship
            meta = BoundedFile::read(joinPath(active, "files/share/appdata/" + id + ".appdata.xml"), kTextLimit);
        if (meta) {
            const MetaInfo info = parseMetaInfo(*meta, locale);
            if (app.name.empty())
                app.name = info.name;
            app.version = info.version;
        }
        if (app.name.empty())
            app.name = id;
        apps.push_back(std::move(app));
    }
    return apps;
}

std::vector<std::string> DesktopApps::configuredInstallations(const std::string& confFolder, const std::string& root)
{
    std::vector<std::string> paths;
    for (const std::string& name : DirectoryReader::sortedNames(confFolder)) {
        if (name.front() == '.' || !endsWith(name, ".conf"))
            continue;
        const auto text = BoundedFile::read(joinPath(confFolder, name));
        if (!text)
            continue;
        bool inInstallation = false;
        for (const std::string& raw : BoundedFile::lines(*text)) {
            const std::string line = trimmed(raw);
            if (line.empty() || line.front() == '#')
                continue;
            if (line.front() == '[') {
                inInstallation = line.rfind("[Installation \"", 0) == 0 && endsWith(line, "\"]");
                continue;
            }
            const size_t eq = line.find('=');
            if (!inInstallation || eq == std::string::npos || trimmed(line.substr(0, eq)) != "Path")
                continue;
            std::string path = DesktopEntry::unescape(trimmed(line.substr(eq + 1)));
            while (path.size() > 1 && path.back() == '/')
                path.pop_back();
            // Only absolute paths: a relative one would be relative to wherever we run.
            if (path.empty() || path.front() != '/')
                continue;
            std::string base = root;
            while (!base.empty() && base.back() == '/')
                base.pop_back();
            appendUnique(paths, base + path);
        }
    }
    return paths;
}

std::vector<DesktopApp> DesktopApps::appImages(const std::string& folder, const std::string& locale)
{
    std::vector<DesktopApp> apps;
    for (const std::string& name : DirectoryReader::sortedNames(folder)) {
        if (auto app = readAppImage(joinPath(folder, name), locale))
            apps.push_back(std::move(*app));
    }
    return apps;
}

namespace {

// The file opened for reading its content only when it is a regular file carrying the
// mark; -1 otherwise.
UniqueFd openMarkedImage(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    struct stat st
    {
    };
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return UniqueFd();
    unsigned char head[11];
    if (::pread(fd.get(), head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
        return UniqueFd();
    const bool elf = head[0] == 0x7f && head[1] == 'E' && head[2] == 'L' && head[3] == 'F';
    const bool mark = head[8] == 'A' && head[9] == 'I' && (head[10] == 1 || head[10] == 2);
    if (!elf || !mark)
        return UniqueFd();
    return fd;
}

} // namespace

bool DesktopApps::looksLikeAppImage(const std::string& path)
{
    return static_cast<bool>(openMarkedImage(path));
}

std::optional<DesktopApp> DesktopApps::readAppImage(const std::string& path, const std::string& locale)
{
    UniqueFd fd = openMarkedImage(path);
    if (!fd)
        return std::nullopt;
    DesktopApp app;
    app.kind = DesktopApp::Kind::AppImage;
    app.path = path;
    app.scope = DesktopApp::Scope::User;
    if (const auto desktop = embeddedDesktopFile(fd.get())) {
        if (const auto entry = DesktopEntry::parse(desktop->second)) {
            app.identifier = fileStem(desktop->first, ".desktop");
            app.name = entry->name(locale).value_or(std::string());
            app.version = entry->string("X-AppImage-Version").value_or(std::string());
            app.icon = entry->icon().value_or(std::string());
        }
    }
    if (app.name.empty()) {
        // An image whose payload says nothing is still the user's to remove.
        const size_t slash = path.rfind('/');
        const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
        app.name = endsWith(base, ".AppImage") || endsWith(base, ".appimage") ? base.substr(0, base.size() - 9) : base;
    }
    return app;
}

DesktopApps::MetaInfo DesktopApps::parseMetaInfo(const std::string& xml, const std::string& locale)
{
    MetaInfoState state;
    GMarkupParser parser{};
    parser.start_element = metaStart;
    parser.end_element = metaEnd;
    parser.text = metaText;
    GMarkupParseContext* context = g_markup_parse_context_new(&parser, G_MARKUP_TREAT_CDATA_AS_TEXT, &state, nullptr);
    // A document broken part-way keeps what was read before the break.
    if (g_markup_parse_context_parse(context, xml.data(), static_cast<gssize>(xml.size()), nullptr))
        g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);

    MetaInfo info;
    info.version = state.version;
    for (const std::string& lang : DesktopEntry::localeCandidates(locale)) {
        for (const auto& [l, n] : state.names)
            if (l == lang && !n.empty()) {
                info.name = n;
                return info;
            }
    }
    for (const auto& [l, n] : state.names)
        if (l.empty()) {
            info.name = n;
            break;
        }
    return info;
}

std::string DesktopApps::appImageIntegrationPrefix(const std::string& path)
{
    char* md5 = appimage_get_md5(path.c_str());
    if (!md5)
        return {};
    std::string prefix = std::string("appimagekit_") + md5;
    std::free(md5);
    return prefix;
}

} // namespace corvane
