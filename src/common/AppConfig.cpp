// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppConfig.h"

namespace corvane {

QString AppConfig::homePage()
{
    return QStringLiteral("https://www.corvane.com/tidewell/");
}

QString AppConfig::socialPage()
{
    return QStringLiteral("https://www.facebook.com/corvanetidewell");
}

QString AppConfig::secondSocialPage()
{
    return QStringLiteral("https://twitter.com/corvanetidewell");
}

QString AppConfig::chatGroupNumber()
{
    return QStringLiteral("318526047");
}

QString AppConfig::chatGroupJoinLink()
{
    return QStringLiteral("https://qm.qq.com/cgi-bin/qm/qr?k=corvanetidewell&group_code=318526047");
}

QString AppConfig::webServiceHost()
{
    // A test server or a staging site stands in through the environment; what it offers
    // still has to carry the release key's signature to be installed.
    const QString override = qEnvironmentVariable("CORVANE_WEB_HOST");
    if (!override.isEmpty())
        return override;
    return QStringLiteral("https://www.corvane.com");
}

} // namespace corvane
