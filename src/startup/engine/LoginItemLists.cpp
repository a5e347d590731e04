// SPDX-License-Identifier: GPL-3.0-or-later
// Where login items live: freedesktop autostart entries on Linux, a property-list array on
// the macOS-style layout.
#include "startup/engine/LoginItemList.h"

#include "platform/AtomicFile.h"
#include "platform/AutostartEntry.h"
#include "platform/BoundedFile.h"
#include "platform/DesktopEntry.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/UniqueFd.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr size_t kListLimit = 4u << 20;

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool within(const std::string& path, std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return path == folder || startsWith(path, folder == "/" ? folder : folder + "/");
}

std::vector<std::string> splitList(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(separator, start), text.size());
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool isExecutableFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A program name looked up as a shell would: on PATH when it has no "/".
std::string onPath(const std::string& program)
{
    if (program.empty() || program.find('/') != std::string::npos)
        return program;
    for (const std::string& folder : splitList(env("PATH"), ':'))
        if (isExecutableFile(joinPath(folder, program)))
            return joinPath(folder, program);
    return {};
}

std::string realPath(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string out(real);
    std::free(real);
    return out;
}

// The freedesktop autostart folders: the user's entries override the machine's of the
// same name. An entry is an item while it is in effect for this desktop.
class AutostartLoginItems : public LoginItemList
{
public:
    explicit AutostartLoginItems(const Layout& layout) : m_layout(layout) {}

    std::vector<Entry> items() const override
    {
        std::vector<Entry> out;
        const std::vector<std::string> desktops = splitList(env("XDG_CURRENT_DESKTOP"), ':');
        for (const auto& [id, where] : entries()) {
            const auto entry = DesktopEntry::read(where.path);
            if (!entry || entry->hidden() || entry->string("X-GNOME-Autostart-enabled") == std::string("false") ||
                !entry->shownIn(desktops))
                continue;
            if (const auto tryExec = entry->tryExec(); tryExec && !isExecutableFile(onPath(*tryExec)))
                continue;
            if (id == "com.corvane.XPC")
                continue; // the companion is part of this program, switched on and off with it
            std::string path = entry->string("X-Corvane-Path").value_or(std::string());
            if (path.empty()) {
                const auto args = entry->execArguments();
                if (!args || args->empty())
                    continue;
                const bool opener = lastComponent((*args)[0]) == "xdg-open" && args->size() >= 2;
                path = opener ? (*args)[1] : onPath((*args)[0]);
                if (path.empty())
                    path = (*args)[0];
            }
            // What the desktop itself starts for every user is not the user's to switch off.
            if (!where.user && (startsWith(realPath(path), "/usr/") || entry->boolean("X-GNOME-AutoRestart")))
                continue;
            out.push_back(Entry{path, id});
        }
        return out;
    }

    bool append(const std::string& path) override
    {
        if (path.empty() || path.front() != '/' || !FileChecks::existsNoFollow(path))
            return false;
        const std::string folder = userFolder();
        std::string base;
        for (char c : lastComponent(path))
            base += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '-';
        base = "corvane-" + base.substr(0, 100);
        const auto all = entries();
        for (int n = 1; n < 1000; ++n) {
            const std::string id = n == 1 ? base : base + "-" + std::to_string(n);
            if (all.count(id) || FileChecks::existsNoFollow(joinPath(folder, id + ".desktop")))
                continue; // another item's name: never replaced
            // A program starts itself; any other file opens in the program it belongs to.
            std::vector<std::string> exec =
                isExecutableFile(path) ? std::vector<std::string>{path} : std::vector<std::string>{"xdg-open", path};
            return AutostartEntry::create(folder, id, lastComponent(path), exec, {{"X-Corvane-Path", path}});
        }
        return false;
    }

    bool removeUnder(const std::string& path) override
    {
        bool ok = true;
        const auto all = entries();
        for (const Entry& item : items()) {
            if (!within(item.path, path))
                continue;
            const auto where = all.find(item.id);
            if (where == all.end())
                continue;
            // A machine-wide entry cannot go; a user copy saying Hidden=true switches it off
            // for this user, and takes the place of a user entry of that name.
            const bool machineWide = hasMachineEntry(item.id);
            ok = (machineWide ? AutostartEntry::writeHidden(userFolder(), item.id)
                              : AutostartEntry::remove(userFolder(), item.id)) &&
                 ok;
        }
        return ok;
    }

private:
    struct Where
    {
        std::string path;
        bool user = false;
    };

    std::string userFolder() const { return m_layout.path(Layout::Role::UserAutostart).value_or(std::string()); }

    std::vector<std::string> machineFolders() const
    {
        const std::string dirs = env("XDG_CONFIG_DIRS");
        if (dirs.empty())
            return {m_layout.path(Layout::Role::SystemAutostart).value_or(std::string())};
        std::vector<std::string> folders;
        for (const std::string& dir : splitList(dirs, ':'))
            if (dir.front() == '/')
                folders.push_back(m_layout.rooted(joinPath(dir, "autostart")));
        return folders;
    }

    bool hasMachineEntry(const std::string& id) const
    {
        for (const std::string& folder : machineFolders())
            if (FileChecks::existsNoFollow(joinPath(folder, id + ".desktop")))
                return true;
        return false;
    }

    // id → the file in effect, sorted by id. The first machine folder listed wins among
    // them, and the user's folder over all.
    std::map<std::string, Where> entries() const
    {
        std::map<std::string, Where> found;
        const auto add = [&found](const std::string& folder, bool user) {
            for (const std::string& name : DirectoryReader::sortedNames(folder)) {
                if (pathExtension(name) != "desktop")
                    continue;
                const std::string id = name.substr(0, name.size() - 8);
                if (user)
                    found[id] = Where{joinPath(folder, name), true};
                else
                    found.emplace(id, Where{joinPath(folder, name), false});
            }
        };
        for (const std::string& folder : machineFolders())
            add(folder, false);
        add(userFolder(), true);
        return found;
    }

    const Layout& m_layout;
};

// The macOS-style layout keeps login items as an array of paths in a property list of
// the user's preferences.
class PropertyListLoginItems : public LoginItemList
{
public:
    explicit PropertyListLoginItems(const Layout& layout)
        : m_file(joinPath(layout.path(Layout::Role::UserPreferences).value_or(std::string()), "loginitems.plist"))
    {}

    std::vector<Entry> items() const override
    {
        std::vector<Entry> out;
        for (const std::string& path : read())
            out.push_back(Entry{path, {}});
        return out;
    }

    bool append(const std::string& path) override
    {
        if (path.empty() || !FileChecks::existsNoFollow(path))
            return false;
        std::vector<std::string> all = read();
        all.push_back(path);
        return write(all);
    }

    bool removeUnder(const std::string& path) override
    {
        std::vector<std::string> all = read();
        const auto kept =
            std::remove_if(all.begin(), all.end(), [&path](const std::string& p) { return within(p, path); });
        if (kept == all.end())
            return true;
        all.erase(kept, all.end());
        return write(all);
    }

private:
    std::vector<std::string> read() const
    {
        std::vector<std::string> out;
        const auto bytes = BoundedFile::read(m_file, kListLimit, true);
        if (!bytes || bytes->empty())
            return out;
        plist_t root = nullptr;
        plist_from_memory(bytes->data(), static_cast<uint32_t>(bytes->size()), &root);
        if (root && plist_get_node_type(root) == PLIST_ARRAY) {
            for (uint32_t i = 0; i < plist_array_get_size(root); ++i) {
                plist_t item = plist_array_get_item(root, i);
                if (!item || plist_get_node_type(item) != PLIST_STRING)
                    continue;
                char* text = nullptr;
                plist_get_string_val(item, &text);
                if (text)
                    out.emplace_back(text);
                std::free(text);
            }
        }
        plist_free(root);
        return out;
    }

    bool write(const std::vector<std::string>& paths) const
    {
        plist_t root = plist_new_array();
        for (const std::string& p : paths)
            plist_array_append_item(root, plist_new_string(p.c_str()));
        char* xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(root, &xml, &length);
        plist_free(root);
        if (!xml)
            return false;
        const std::string folder = parentPath(m_file);
        if (!FileChecks::isDirectory(folder))
            ::mkdir(folder.c_str(), 0700);
        const bool ok = AtomicFile::replace(m_file, std::string(xml, length), 0644);
        plist_to_xml_free(xml);
        return ok;
    }

    std::string m_file;
};

} // namespace

std::unique_ptr<LoginItemList> LoginItemList::forLayout(const Layout& layout)
{
    if (layout.isMac())
        return std::make_unique<PropertyListLoginItems>(layout);
    return std::make_unique<AutostartLoginItems>(layout);
}

} // namespace corvane
