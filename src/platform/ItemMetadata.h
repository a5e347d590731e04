// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// What a desktop search index would report about an item. Linux has no such index, so
// each answer comes from the file system itself:
// - size: for a file package the size of its whole tree (the index's figure for a
//   bundle); for anything else 0, which sends callers on to stat as they would for an
//   item the index has not seen;
// - creation date: the file system's birth time (statx), where it keeps one;
// - date added: Linux keeps none (the change time moves on chmod and rename), so there is
//   no such question here and callers show that the date is unknown.
class ItemMetadata
{
public:
    static uint64_t fsSize(const std::string& path);
    static std::optional<QDateTime> creationDate(const std::string& path);
};

} // namespace corvane
