// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace corvane {

class Layout;

// One GNOME Shell extension the user installed: its folder and what its metadata.json
// says about it.
struct ShellExtension
{
    std::string path;    // <data home>/gnome-shell/extensions/<uuid>
    std::string name;    // "name", else the folder's name
    std::string version; // "version" (a number or a text), else empty
};

// The user's GNOME Shell extensions. Only the user's own folder is looked at: the
// extensions under /usr/share came with packages, whose manager removes them. Everything
// is read as data, with a size bound, so a planted FIFO or a huge file cannot stall a list.
class ShellExtensions
{
public:
    static constexpr size_t kMetadataLimit = 64 * 1024;

    // <XDG data home>/gnome-shell/extensions; empty for the macOS-style layout.
    static std::string folder(const Layout& layout);
    // Every folder of `folder` holding a metadata.json, sorted by folder name. Links are
    // passed over: removing one would leave the extension it points to in place.
    static std::vector<ShellExtension> list(const std::string& folder);
    // The name and version a metadata.json gives. A text that is not a JSON object, or
    // gives no usable name, leaves `fallbackName` as the name; a malformed one gives no
    // version either.
    static ShellExtension parseMetadata(const std::string& json, const std::string& fallbackName);
};

} // namespace corvane
