// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace corvane {

// One found file on the large-file result view.
struct LargeFileObject
{
    uint64_t id = 0; // stable handle across threads
    bool state = false;
    std::string filePath;
    uint64_t fileSize = 0;
    QString fileRange; // the label of its size group

    bool removing = false; // a removal is under way
    QString note;          // why the file is still here, when it is

    QString fileName() const;
    QString shownPath() const; // whole up to 30 characters, else "..." and the last 30
    std::string extension() const;
};

} // namespace corvane
