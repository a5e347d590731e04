// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane {

class Layout;

// Takes an uninstalled application off the dock's favourites, so no launcher is left
// pointing at nothing. Only the one entry goes; the others keep their order, and nothing
// (the shell, the dock) is restarted: each picks the change up itself or at its next start.
class DesktopFavorites
{
public:
    enum class Result {
        Removed,     // the entry was there and is gone
        NotListed,   // nothing to remove
        Unavailable, // no such setting here (no schema, no dock file), or it is read-only
        Failed,      // the change could not be written
    };

    // GNOME's org.gnome.shell favorite-apps on Linux ("org.example.App.desktop"); on the
    // macOS-style layout the first dock tile whose label is `desktopId`.
    static Result remove(const std::string& desktopId, const Layout& layout);

    // The same through a named GSettings schema and string-list key. A schema that is not
    // installed, or a key that is missing or of another type, changes nothing (GLib would
    // abort the process on either).
    static Result removeFromGSettings(const std::string& desktopId, const std::string& schemaId,
                                      const std::string& key);
    // The "persistent-apps" array of a dock property list (XML or binary, written back in
    // the form it was read): the first tile whose tile-data/file-label is `label` goes.
    static Result removeFromDock(const std::string& plistPath, const std::string& label);
};

} // namespace corvane
