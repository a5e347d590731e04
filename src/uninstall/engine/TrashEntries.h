// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AnchoredFolder.h"

#include <string>

namespace corvane {

class Layout;

// Keeps a freedesktop Trash consistent when one of its entries is deleted for good:
// every entry of "Trash/files" has a "Trash/info/<name>.trashinfo" record and may have a
// line in "Trash/directorysizes"; a record without its entry makes file managers show a
// ghost item that cannot be restored. The macOS-style layout keeps no records, so
// there everything here is a no-op.
//
// The bookkeeping never writes through a link: "info" is opened without following one
// (a link there is left alone and the records stay), records are removed relative to
// that open folder, and "directorysizes" is replaced by a fresh file created under a
// random name with O_EXCL and renamed over the old one.
class TrashEntries
{
public:
    // True when the path is an entry directly inside the layout's Trash files folder.
    static bool isTrashEntry(const std::string& path, const Layout& layout);
    // When the path is a Trash entry that no longer exists, removes its info record and
    // its directorysizes line. Answers true when the Trash is consistent for that name
    // afterwards (nothing to do counts as consistent); an entry still present is left
    // alone with its records.
    static bool forgetEntry(const std::string& path, const Layout& layout);
    // The same for an entry listed from the Trash files folder, while that folder is still
    // the Trash's own "files" (the same folder, not a link to one elsewhere).
    static bool forgetEntry(const AnchoredPath& entry, const Layout& layout);
};

} // namespace corvane
