// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "web/engine/QSWebService.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace corvane {

// The messages of the update check: the form it sends and the answer it reads.
class VNMessage
{
public:
    // Exactly "action", "uid" and "ver", each passed through StringCheck::defaultValue.
    static std::vector<std::pair<QString, QVariant>> genvUpdateAppByguid(const QString& uid, const QString& action,
                                                                         const QString& version);
};

// What the update answer's "msg" offers.
struct UpdateOffer
{
    QString version;
    QString url;
    QString intro;
    QString size;
    QByteArray signature; // the Ed25519 signature, decoded from "sig"
};

class UpdateRules
{
public:
    // The leading numeric part as one decimal number ("2.10" is 2.1); 0 when there is none.
    static double versionNumber(const QString& version);
    // True when the server's version is the greater number: 3 > 2.9, 2.10 < 2.9.
    static bool updateExists(const QString& serverVersion, const QString& installedVersion);
    // The "msg" object of an answer; nothing when the answer is not that JSON.
    static std::optional<UpdateOffer> parseAnswer(const QByteArray& json);
    // An offer this program takes: a newer version, an https (or loopback) archive address and a
    // signature. Anything less offers nothing.
    static std::optional<UpdateOffer> acceptableOffer(const QByteArray& json, const QString& installedVersion);

    // The update check: a POST to "<host>/mac/macinfo.php" with the action "checkfile",
    // the machine's uid and the installed version. Not started.
    static std::unique_ptr<QSPostWebService> checkRequest(const QString& host, const QString& uid,
                                                          const QString& installedVersion);
};

} // namespace corvane
