// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace corvane {

// Every value the program takes from the vendor rather than from the machine. The
// programs have no settings file: changing one of these means a new build.
struct AppConfig
{
    static constexpr const char* kMainIdentifier = "com.corvane.CorvaneTidewell";
    static constexpr const char* kCompanionIdentifier = "com.corvane.XPC";
    static constexpr const char* kCompanionName = "CorvaneXPC";
    static constexpr const char* kCompanionBundle = "Contents/Library/LoginItems/CorvaneXPC.app";
    static constexpr const char* kHelperLabel = "CorvaneHelper";
    static constexpr const char* kFirstRunMarker = "corvane.txt";
    static constexpr const char* kQuitCommand = "killall CorvaneTidewell";
    static constexpr const char* kMainProgramName = "CorvaneTidewell";
    static constexpr const char* kMainBundle = "CorvaneTidewell.app";
    // Updates are always saved under this name in the Documents folder.
    static constexpr const char* kUpdateArchive = "CorvaneTidewell.app.zip";
    static constexpr const char* kCompanionConnection = "connectionName";

    static QString homePage();
    static QString socialPage();       // the first social network (openFaceBook)
    static QString secondSocialPage(); // the second social network (openTwitter outside "zh")
    static QString chatGroupNumber();
    static QString chatGroupJoinLink();
    // The vendor's web server, for the welcome, update and uninstall-report requests;
    // CORVANE_WEB_HOST (scheme and host, no trailing "/") replaces it.
    static QString webServiceHost();
};

} // namespace corvane
