// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// Stateless facts about files. Paths are raw bytes; nothing here throws: unreadable
// paths give 0, false, nothing or 0xE000 as each operation says.
class QSFileUtility
{
public:
    // stat (following links) of the path, the whole st_mode; 0xE000 when stat fails.
    static uint16_t fileTypeByPath(const std::string& path);
    // The entry itself, a final link not followed: a link is neither.
    static bool fileIsRegular(const std::string& path);
    static bool fileIsDirectory(const std::string& path);
    // First non-zero of: the item-metadata size, st_size, the offset of the end.
    static uint64_t fileSizeByPath(const std::string& path);
    static std::optional<QDateTime> fileCreateDateByPath(const std::string& path);
    // The date the item was put in its folder. Linux keeps no such date, and the change
    // time is no stand-in: chmod, chown, a new link or a rename move it, so a file years
    // old would read as added today. Always nothing; screens show "--" for it.
    static std::optional<QDateTime> fileAddDateByPath(const std::string& path);
    static QString stringFromDate(const QDateTime& date);       // "yyyy-MM-dd HH:mm:ss"
    static QString stringFromDateByYear(const QDateTime& date); // "yyyy-MM-dd"
    // Decimal units: "%.1fGB", "%.1fMB", "%.1fKB", "%.fB".
    static QString fileSizeByDoubleSize(double size);
    // Everything in the tree, links not followed and counted with their own size, folders
    // adding nothing themselves; allocated bytes in disk mode, logical bytes otherwise.
    static uint64_t sizeAtPath(const std::string& path, bool diskMode);
    // Sum of fileSizeAtPath1 over the full recursive listing, folders included with
    // their own size; 0 when the path does not exist.
    static uint64_t folderSizeAtPath1(const std::string& path);
    // The entry's own size when it exists (links followed), else 0.
    static uint64_t fileSizeAtPath1(const std::string& path);
};

} // namespace corvane
