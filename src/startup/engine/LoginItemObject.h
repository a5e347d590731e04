// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>

namespace corvane {

// One row of the startup list: a login item (type 1) or a service (type 2).
struct LoginItemObject
{
    std::string filePath; // the item's file, or the service's program
    std::string bundleID; // a login item's bundle or desktop id, a service's label
    QString fileType;     // the kind of file, in the user's language; may be empty
    int state = 0;        // 1 ticked
    int type = 0;         // 1 login item, 2 service
    std::string domain;   // a service's: "system" or "user"

    const std::string& path() const { return filePath; }
    void setPath(const std::string& path) { filePath = path; }
    QString imageTitle() const;
    QString imageSubtitle() const;
    // The second part of the id, capitalised ("com.example.tool" shows "Example"), else
    // "Unknow". A unit's type suffix is not part of its name.
    QString company() const;
    static QString companyFor(const std::string& bundleID);

    // The file's kind as the desktop describes its type ("Shell script", "PDF document").
    static QString humanReadableFileType(const std::string& path);
};

} // namespace corvane
