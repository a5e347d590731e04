// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>
#include <vector>

namespace corvane {

class Layout;

// One file or folder a leftover list offers: ticked when made. How it looks beyond its
// two lines of text (the icon, the grey type of the folder line) is the view's business.
class Item
{
public:
    explicit Item(std::string path) : m_path(std::move(path)) {}

    bool checked() const { return m_checked; }
    void setChecked(bool checked) { m_checked = checked; }
    const std::string& path() const { return m_path; }

    // The last component, then the containing folder: "x\n/Library/Caches".
    QString displayName() const;
    QString nameLine() const;
    QString folderLine() const;

private:
    std::string m_path;
    bool m_checked = true;
};

// The application at a path and what it leaves in the user's folders: its data,
// settings, caches, sandbox data, state and logs, its launchers and login items. The
// same places are searched in the same order for every caller, and nothing found twice
// is merged: a list shows what each place holds.
//
// Every name is read from the application's own files and so is untrusted: a name that
// is empty, "." or "..", holds "/" or NUL, or is longer than a file name may be, names
// nothing; and no candidate may be a protected folder, one of the layout's own folders or
// an ancestor of one ("Preferences", "Trash"). No name ever reaches a shell.
class RelatedAppFilesScanner
{
public:
    enum class Kind { None, Bundle, AppImage, Flatpak };

    // What the application is called where its files are looked for.
    struct Names
    {
        Kind kind = Kind::None;
        std::string name;       // a bundle's CFBundleName, else (missing or unusable) CFBundleExecutable
        std::string identifier; // bundle identifier, AppImage desktop id, Flatpak id
    };

    // Empty when the path is no application this scanner knows, or has no usable name;
    // otherwise the application itself comes first.
    static std::vector<Item> relatedFilesToApplicationAtPath(const std::string& path, const Layout& layout);
    // The same for names the caller vouches for instead of the ones read from the
    // application's files: what this program knows itself to be called, whatever a copy of
    // it in the Trash claims.
    static std::vector<Item> relatedFilesToApplicationAtPath(const std::string& path, const Names& names,
                                                             const Layout& layout);

    static Names namesOf(const std::string& path, const Layout& layout);
    static bool isUsableName(const std::string& name);
    // `name` with the characters find's -iname reads as a pattern (* ? [ \) escaped, so
    // only a name that starts with it literally matches.
    static std::string literalPattern(const std::string& name);
    // Whether `path` is one the list may offer under this layout.
    static bool mayOffer(const std::string& path, const Layout& layout);
};

} // namespace corvane
