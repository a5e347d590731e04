// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// A session login item as the freedesktop autostart convention keeps it: one
// "<id>.desktop" file in an autostart folder. This is what registering a login item
// amounts to on a Linux desktop.
class AutostartEntry
{
public:
    // Writes "<folder>/<id>.desktop" starting `program` at login, replacing an older
    // entry of that id in one step (written beside it, then renamed over it). False when
    // the id is not a plain file name, the program path is not valid UTF-8 (a desktop
    // file cannot name it) or the folder cannot be written.
    static bool write(const std::string& folder, const std::string& id, const std::string& name,
                      const std::string& program);
    // Writes a new "<folder>/<id>.desktop" that starts `exec` (an argument vector, each
    // argument quoted), with further keys after the standard ones. Never replaces a file
    // of that name: false when one exists, or when a value is not valid UTF-8 or holds a
    // line break (a chosen file name is shown, not reinterpreted).
    static bool create(const std::string& folder, const std::string& id, const std::string& name,
                       const std::vector<std::string>& exec,
                       const std::vector<std::pair<std::string, std::string>>& extraKeys = {});
    // Writes "<folder>/<id>.desktop" saying only that the entry of that id is switched off
    // ("Hidden=true"), which hides a machine-wide entry of the same id for this user.
    static bool writeHidden(const std::string& folder, const std::string& id);
    // Removes "<folder>/<id>.desktop". True when it is gone (or was never there).
    static bool remove(const std::string& folder, const std::string& id);

    // The program of an Exec line, as the desktop-entry rules quote it: in double quotes,
    // with ", `, $ and \ escaped, and every % doubled.
    static std::string quoteExecArgument(const std::string& argument);
    // The keys of the [Desktop Entry] group of a desktop file (the escapes of values
    // resolved). Nothing when the file cannot be read or has no such group.
    static std::optional<std::map<std::string, std::string>> readGroup(const std::string& path);
    // An id is usable when it is a non-empty file name without "/" and not "." or "..".
    static bool isValidId(const std::string& id);
};

} // namespace corvane
