#pragma once

#include <string>

namespace corvane {

// Keeps a freedesktop Trash consistent when one of its entries is deleted for good:
// every entry of "Trash/files" has a "Trash/info/<name>.trashinfo" record and may have a
// line in "Trash/directorysizes"; a record without its entry makes file managers show a
// ghost item that cannot be restored. The macOS-style layout keeps no records, so
// there everything here is a no-op.
class TrashEntries
{
public:
    // True when the path is an entry directly inside the layout's Trash files folder.
    static bool isTrashEntry(const std::string& path);
    // When the path is a Trash entry that no longer exists, removes its info record and
    // its directorysizes line. Answers true when the Trash is consistent for that name
    // afterwards (nothing to do counts as consistent); an entry still present is left
    // alone with its records.
    static bool forgetEntry(const std::string& path);
};

} // namespace corvane
