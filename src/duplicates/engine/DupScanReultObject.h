// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace corvane {

// One file of a duplicate group on the result view.
struct DupScanReultObject
{
    // How the file's whole content compares with the copy that stays.
    enum class Check {
        Pending,    // not compared yet: never ticked by default
        Kept,       // the copy that stays
        Identical,  // every byte equal to the copy that stays
        Differs,    // a different file that only shares the sampled blocks: never removed
                    // as a duplicate, only alone and once the person has confirmed it
        Unreadable, // could not be compared whole: not ticked by default
        SameFile,   // the copy that stays under another name (same device and inode):
                    // never removed, since through a bind mount that removes the kept data
    };

    uint64_t id = 0; // stable handle across threads
    std::string filePath;
    uint64_t filesize = 0;
    long count = 0;
    std::string fileHash;
    bool state = false; // ticked for removal
    QString creationDate;

    Check check = Check::Pending;
    bool userTouched = false; // the user set the box: the verification no longer ticks it
    bool removing = false;    // a removal is under way
    QString note;             // why the file is still here, when it is

    // May be ticked and removed as a duplicate (a removal that still wants a copy with
    // every byte equal to stay).
    bool removable() const { return check != Check::Differs && check != Check::SameFile && !removing; }
    // The row's own delete button is offered: a copy that differs or could not be
    // compared too, once the person confirms (confirmationNeeded).
    bool deletable() const { return check != Check::SameFile && !removing; }
    bool confirmationNeeded() const { return check == Check::Differs || check == Check::Unreadable; }
    QString title() const;    // the file name without its extension
    QString subtitle() const; // the extension
    QString fileName() const;
    QString shownPath() const; // whole up to 30 characters, else "..." and the last 30
    std::string extension() const;
};

} // namespace corvane
