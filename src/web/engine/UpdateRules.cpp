// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/engine/UpdateRules.h"

#include "common/StringCheck.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace corvane {

std::vector<std::pair<QString, QVariant>> VNMessage::genvUpdateAppByguid(const QString& uid, const QString& action,
                                                                         const QString& version)
{
    return {{QStringLiteral("action"), StringCheck::defaultValue(action)},
            {QStringLiteral("uid"), StringCheck::defaultValue(uid)},
            {QStringLiteral("ver"), StringCheck::defaultValue(version)}};
}

double UpdateRules::versionNumber(const QString& version)
{
    const QString text = version.trimmed();
    int end = 0;
    bool dot = false;
    while (end < text.size()) {
        const QChar c = text.at(end);
        if (c.isDigit() && c.unicode() < 128) {
            ++end;
        } else if (c == QLatin1Char('.') && !dot) {
            dot = true;
            ++end;
        } else {
            break;
        }
    }
    bool ok = false;
    const double value = text.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

bool UpdateRules::updateExists(const QString& serverVersion, const QString& installedVersion)
{
    return versionNumber(serverVersion) > versionNumber(installedVersion);
}

std::optional<UpdateOffer> UpdateRules::parseAnswer(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue msg = document.object().value(QStringLiteral("msg"));
    if (!msg.isObject())
        return std::nullopt;
    const QJsonObject o = msg.toObject();
    const auto field = [&o](const char* key) {
        const QJsonValue v = o.value(QLatin1String(key));
        return v.isDouble() ? QString::number(v.toDouble()) : v.toString();
    };
    UpdateOffer offer;
    offer.version = field("version");
    offer.url = field("url");
    offer.intro = field("intro");
    offer.size = field("size");
    offer.signature = QByteArray::fromBase64(field("sig").toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return offer;
}

std::optional<UpdateOffer> UpdateRules::acceptableOffer(const QByteArray& json, const QString& installedVersion)
{
    std::optional<UpdateOffer> offer = parseAnswer(json);
    if (!offer || !updateExists(offer->version, installedVersion))
        return std::nullopt;
    const QUrl url(offer->url);
    // Only a signed archive from an https address (or this machine, for a local test
    // server) is ever offered.
    if (offer->signature.size() != 64 || !QSWebService::isAllowedUrl(url) || url.host().isEmpty())
        return std::nullopt;
    return offer;
}

std::unique_ptr<QSPostWebService> UpdateRules::checkRequest(const QString& host, const QString& uid,
                                                            const QString& installedVersion)
{
    auto request = std::make_unique<QSPostWebService>();
    request->setUrl(QUrl(host + QStringLiteral("/mac/macinfo.php")));
    request->setPostDic(VNMessage::genvUpdateAppByguid(uid, QStringLiteral("checkfile"), installedVersion));
    return request;
}

} // namespace corvane
